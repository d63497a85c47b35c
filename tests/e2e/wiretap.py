"""A relay between the services and a hub that records every line of the
link, for scenarios that must see the link's own traffic (a ping and its
answer). The services connect to the relay's port; the relay connects on to
the hub from 127.0.0.1, so the hub takes it for the services themselves."""

import select
import socket
import threading
import time


class Wiretap:
    def __init__(self, hub_port):
        self.hub_port = hub_port
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(1)
        self.port = self._listener.getsockname()[1]
        self.lines = []  # (sender "services" or "hub", line without its end)
        self._cond = threading.Condition()
        self._closed = False
        self._thread = threading.Thread(target=self._relay, daemon=True)
        self._thread.start()

    def _relay(self):
        # One link: the services' first connection.
        while not self._closed:
            if select.select([self._listener], [], [], 0.2)[0]:
                services, _ = self._listener.accept()
                break
        else:
            return
        hub = socket.create_connection(("127.0.0.1", self.hub_port))
        peers = {services: (hub, "services", bytearray()), hub: (services, "hub", bytearray())}
        try:
            while not self._closed:
                readable, _, _ = select.select(list(peers), [], [], 0.2)
                for sock in readable:
                    other, sender, pending = peers[sock]
                    data = sock.recv(65536)
                    if not data:
                        return
                    other.sendall(data)
                    pending += data
                    *complete, rest = pending.split(b"\n")
                    pending[:] = rest
                    with self._cond:
                        self.lines += [(sender, l.rstrip(b"\r").decode("utf-8", "replace"))
                                       for l in complete]
                        self._cond.notify_all()
        except OSError:
            return
        finally:
            services.close()
            hub.close()

    def wait_for(self, predicate, timeout, what, start=0):
        """The index of the first line from `start` on for which
        predicate(sender, line) holds, waiting up to `timeout` seconds."""
        deadline = time.monotonic() + timeout
        index = start
        with self._cond:
            while True:
                while index < len(self.lines):
                    if predicate(*self.lines[index]):
                        return index
                    index += 1
                left = deadline - time.monotonic()
                if left <= 0:
                    tail = "\n".join(f"  {s}: {l}" for s, l in self.lines[-30:])
                    raise AssertionError(f"waited {timeout} s in vain for {what} on the link; "
                                         f"last lines:\n{tail}")
                self._cond.wait(left)

    def close(self):
        self._closed = True
        self._thread.join(timeout=5)
        self._listener.close()
