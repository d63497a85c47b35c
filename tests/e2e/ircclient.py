"""An IRC client for the end-to-end tests, built on the `irc` library.

Each client has its own reactor and records every line the hub sends it, in
order; the wait helpers pump the connection until a line matches or a
deadline passes, so no test waits without bound.
"""

import re
import time

import irc.buffer
import irc.client


class IrcTimeout(AssertionError):
    pass


class _LenientBuffer(irc.buffer.DecodingLineBuffer):
    # The hub relays whatever bytes users send; a stray byte must not end
    # the test with a decoding error.
    errors = "replace"


class Line:
    """One received line, split the IRC way, with the monotonic time at
    which the client read it."""

    __slots__ = ("raw", "prefix", "command", "params", "at")

    def __init__(self, raw, at=None):
        self.raw = raw
        self.at = time.monotonic() if at is None else at
        rest = raw
        self.prefix = ""
        if rest.startswith(":"):
            self.prefix, _, rest = rest[1:].partition(" ")
        head, sep, trailing = rest.partition(" :")
        words = head.split()
        self.command = words[0].upper() if words else ""
        self.params = words[1:] + ([trailing] if sep else [])

    @property
    def nick(self):
        """The nick of the prefix (nick!user@host), or the server name."""
        return self.prefix.split("!", 1)[0]

    @property
    def text(self):
        return self.params[-1] if self.params else ""

    def __repr__(self):
        return f"Line({self.raw!r})"


class IrcClient:
    def __init__(self, port, nick, host="127.0.0.1", username=None, realname=None):
        self.port = port
        self.host = host
        self.nick = nick
        self.lines = []  # every Line received, in order
        self._seen = 0  # lines before this index were consumed by expect()
        # Debian's python3-irc (8.5) calls the reactor IRC; later releases Reactor.
        reactor_class = getattr(irc.client, "Reactor", None) or irc.client.IRC
        self.reactor = reactor_class()
        self.conn = self.reactor.server()
        self.conn.buffer_class = _LenientBuffer
        self.conn.add_global_handler("all_raw_messages", self._on_raw)
        self._username = username or nick.lower()
        self._realname = realname or f"tessel test client {nick}"

    def _on_raw(self, _conn, event):
        self.lines.append(Line(event.arguments[0]))

    # -- connection ------------------------------------------------------

    def connect(self, timeout=30.0):
        """Connects and registers; returns the welcome (001) line."""
        self.conn.connect(self.host, self.port, self.nick, username=self._username,
                          ircname=self._realname)
        welcome = self.wait_for(lambda l: l.command in ("001", "433", "432", "ERROR"),
                                timeout, what="the welcome (001)")
        if welcome.command != "001":
            raise AssertionError(f"{self.nick} was not registered: {welcome.raw}")
        # The end of the MOTD closes the hub's greeting burst.
        self.wait_for(lambda l: l.command in ("376", "422"), timeout, what="the end of the MOTD")
        return welcome

    def close(self, message="bye", timeout=10.0):
        """Quits and waits (bounded) for the hub's ERROR or the end of the
        connection: only then has the hub let go of the nick."""
        if self.conn.is_connected():
            start = len(self.lines)
            try:
                self.conn.quit(message)
                self.wait_for(lambda l: l.command == "ERROR", timeout, what="the ERROR after QUIT",
                              start=start)
            except IrcTimeout:
                if self.conn.is_connected():
                    raise
            except irc.client.ServerNotConnectedError:
                pass
        self.conn.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- sending -----------------------------------------------------------

    def send(self, line):
        """Sends one raw line (without the line end)."""
        self.conn.send_raw(line)

    def privmsg(self, target, text):
        self.send(f"PRIVMSG {target} :{text}")

    def oper(self, name, password, timeout=15.0):
        self.send(f"OPER {name} {password}")
        return self.expect(lambda l: l.command in ("381", "464", "491"), timeout,
                           what="the answer to OPER")

    # -- receiving ---------------------------------------------------------

    def pump(self, seconds):
        """Processes incoming lines for about `seconds` seconds."""
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return
            self.reactor.process_once(min(left, 0.1))

    def wait_for(self, predicate, timeout=15.0, what="a matching line", start=0):
        """Returns the first line from index `start` on that satisfies
        `predicate`, pumping until it arrives; raises IrcTimeout after
        `timeout` seconds with what was received."""
        deadline = time.monotonic() + timeout
        index = start
        while True:
            while index < len(self.lines):
                line = self.lines[index]
                index += 1
                if predicate(line):
                    return line
            if not self.conn.is_connected():
                raise IrcTimeout(f"{self.nick}: disconnected while waiting for {what}; "
                                 f"received:\n{self.transcript(start)}")
            left = deadline - time.monotonic()
            if left <= 0:
                raise IrcTimeout(f"{self.nick}: waited {timeout} s in vain for {what}; "
                                 f"received:\n{self.transcript(start)}")
            self.reactor.process_once(min(left, 0.1))

    def expect(self, predicate, timeout=15.0, what="a matching line"):
        """Like wait_for, but only over lines not consumed by an earlier
        expect(); consumes everything up to and including the match."""
        line = self.wait_for(predicate, timeout, what, start=self._seen)
        self._seen = self.lines.index(line, self._seen) + 1
        return line

    def expect_raw(self, pattern, timeout=15.0):
        """expect() for a line whose raw text matches the regular expression."""
        rx = re.compile(pattern)
        return self.expect(lambda l: rx.search(l.raw) is not None, timeout,
                           what=f"a line matching {pattern!r}")

    def collect_until(self, end, timeout=15.0, what="the end of a reply"):
        """Returns the unconsumed lines up to and including the first that
        satisfies `end` (for example everything up to an end-of-list numeric)."""
        first = self._seen
        self.expect(end, timeout, what)
        return self.lines[first:self._seen]

    def transcript(self, start=0):
        lines = self.lines[start:]
        if not lines:
            return "  (nothing)"
        return "\n".join("  " + l.raw for l in lines[-60:])
