"""Registered channels as their members see them on a real network:
ChanServ sits in the channel as operator from the services' burst on, ops
and voices the access lists' members as they join, puts the locked modes
back, takes the op from someone without rights on a STRICTOP channel, and
bans and kicks an AKICK-listed user."""

import seed
from netview import wait_linked

CHANNEL = "#tessel"
# The ban that enforces the AKICK covers every client of this network (they
# all come from 127.0.0.1), so that scenario has a channel of its own.
BANNING = "#tessel-akick"


class Names:
    """The test's own names (its tag appended) for the channels and for the
    nicks their lists hold."""

    def __init__(self, tag):
        self.channel, self.banning = CHANNEL + tag, BANNING + tag
        self.opper, self.voicer, self.plain, self.badguy = (
            nick + tag for nick in ("opper", "voicer", "plain", "badguy"))

    def registered(self):
        return {"chanserv.db": seed.chanserv_db(*(seed.channel(
            name, "alice", mlock="+nt", strictop=True, aop=[f"{self.opper}!*@*"],
            vop=[f"{self.voicer}!*@*"], akick=[f"{self.badguy}!*@*"])
            for name in (self.channel, self.banning)))}


def from_chanserv(command):
    return lambda l: l.command == command and l.nick == "ChanServ"


def mode_changes(line):
    """The (sign and letter, parameter or None) pairs of a MODE line."""
    params = list(line.params[2:])
    changes, sign = [], "+"
    for letter in line.params[1]:
        if letter in "+-":
            sign = letter
            continue
        takes = letter in "ovbk" or (letter == "l" and sign == "+")
        changes.append((sign + letter, params.pop(0) if takes and params else None))
    return changes


def chanserv_modes(client, count, what, channel):
    """The next `count` mode changes ChanServ makes on the channel, however
    it batches them."""
    changes = []
    while len(changes) < count:
        changes += mode_changes(client.expect(
            lambda l: from_chanserv("MODE")(l) and l.params[0] == channel, what=what))
    return changes


def names(client, channel):
    """The members of the channel with their prefixes, from NAMES."""
    client.send(f"NAMES {channel}")
    lines = client.collect_until(lambda l: l.command == "366", what=f"NAMES {channel}")
    return {word.lstrip("@+"): word for l in lines if l.command == "353"
            for word in l.text.split()}


def join(client, channel):
    client.send(f"JOIN {channel}")
    client.expect(lambda l: l.command == "366", what=f"the join to {channel}")


def linked_with_registrations(oper_client, start_services, own, tag):
    watcher = oper_client("watcher" + tag)
    sv = start_services(databases=own.registered())
    wait_linked(watcher, sv, burst=True)
    return sv


def test_chanserv_holds_the_channel_and_ops_and_voices_its_lists(
        oper_client, irc_client, start_services, tag):
    own = Names(tag)
    sv = linked_with_registrations(oper_client, start_services, own, tag)
    opper, voicer, plain = (irc_client(nick) for nick in (own.opper, own.voicer, own.plain))
    join(plain, own.channel)
    assert names(plain, own.channel) == {"ChanServ": "@ChanServ", own.plain: own.plain}, \
        sv.diagnostics()

    join(opper, own.channel)
    join(voicer, own.channel)
    # Every member sees ChanServ give the op and the voice, and nobody else.
    granted = chanserv_modes(plain, 2, "ChanServ's modes for opper and voicer", own.channel)
    assert granted == [("+o", own.opper), ("+v", own.voicer)]
    assert names(plain, own.channel) == {"ChanServ": "@ChanServ", own.opper: "@" + own.opper,
                                         own.voicer: "+" + own.voicer, own.plain: own.plain}


def test_mode_lock_and_strictop_undo_a_chanops_changes(oper_client, irc_client,
                                                        start_services, tag):
    own = Names(tag)
    sv = linked_with_registrations(oper_client, start_services, own, tag)
    opper, plain = irc_client(own.opper), irc_client(own.plain)
    join(opper, own.channel)
    assert chanserv_modes(opper, 1, "the op for opper", own.channel) == [("+o", own.opper)]
    join(plain, own.channel)

    opper.send(f"MODE {own.channel} -t")
    restored = chanserv_modes(plain, 1, "ChanServ's answer to -t", own.channel)
    assert restored == [("+t", None)], sv.diagnostics()

    opper.send(f"MODE {own.channel} +o {own.plain}")
    plain.expect(lambda l: l.command == "MODE" and l.nick == own.opper, what="opper's +o")
    assert chanserv_modes(plain, 1, "ChanServ's answer to +o", own.channel) == [
        ("-o", own.plain)]

    assert names(plain, own.channel) == {"ChanServ": "@ChanServ", own.opper: "@" + own.opper,
                                         own.plain: own.plain}
    plain.send(f"MODE {own.channel}")
    current = plain.expect(lambda l: l.command == "324", what=f"the modes of {own.channel}")
    assert set(current.params[2]) >= set("+nt")


def test_akick_listed_user_is_banned_and_kicked(oper_client, irc_client, start_services, tag):
    own = Names(tag)
    sv = linked_with_registrations(oper_client, start_services, own, tag)
    plain, badguy = irc_client(own.plain), irc_client(own.badguy)
    join(plain, own.banning)
    badguy.send(f"JOIN {own.banning}")
    ban = chanserv_modes(plain, 1, "ChanServ's ban", own.banning)
    assert ban == [("+b", "*!*@127.0.0.1")], sv.diagnostics()
    kick = badguy.expect(from_chanserv("KICK"), what="ChanServ's kick")
    assert kick.params == [own.banning, own.badguy, "You are banned from this channel"]
    # Everyone else is still there.
    assert names(plain, own.banning) == {"ChanServ": "@ChanServ", own.plain: own.plain}
    # The ban holds the user out.
    badguy.send(f"JOIN {own.banning}")
    refusal = badguy.expect(lambda l: l.command in ("474", "JOIN"), what="the second join")
    assert refusal.command == "474"
