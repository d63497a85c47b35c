"""A channel's life through ChanServ on a real network: an identified
chanop registers it and sees ChanServ join and get opped, keeps a friend
opped and an unwanted user out, locks modes, operates the channel through
ChanServ, clears it and drops it again, upon which ChanServ leaves."""

import hub as hubmod
import seed
from netview import wait_linked
from test_channels import chanserv_modes, from_chanserv, join, mode_changes, names

CHANNEL = "#lifecycle"
REGISTERED = {"nickserv.db": seed.nickserv_db(seed.nick("alice"))}


def chanserv_notice(text):
    return lambda l: l.command == "NOTICE" and l.nick == "ChanServ" and l.text == text


def ask(client, text, answer=None):
    """Sends `text` to ChanServ; with `answer`, waits for that reply."""
    client.privmsg("ChanServ", text)
    if answer is not None:
        client.expect(chanserv_notice(answer), what=f"ChanServ's answer to {text!r}")


def test_a_channel_is_registered_operated_and_dropped(oper_client, irc_client, start_services):
    # alice is an IRC operator only so that a long conversation with the
    # services is never taken for flooding; she is no Services operator.
    alice = oper_client("alice")
    sv = start_services(databases=REGISTERED)
    wait_linked(alice, sv, burst=True)
    alice.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", f"IDENTIFY {seed.PASSWORD}")
    alice.expect(lambda l: l.nick == "NickServ" and "accepted" in l.text, what="identification")
    join(alice, CHANNEL)

    # REGISTER: ChanServ joins, the services' server ops it, the channel hears of it.
    ask(alice, f"REGISTER {CHANNEL} chanpass")
    joined = alice.expect(lambda l: l.command == "JOIN" and l.nick == "ChanServ",
                          what="ChanServ joining")
    assert joined.params == [CHANNEL]
    # The hub applies the services' server mode and tells its operators
    # "HACK(4): services.test MODE #chan +o ChanServ [ts]"; users see it come
    # from the hidden server name.
    assert server_modes(alice) == [("+o", "ChanServ")], sv.diagnostics()
    alice.expect(chanserv_notice(f"Channel {CHANNEL} has been registered, you are now the "
                                 "owner of the channel."), what="the registration reply")
    alice.expect(lambda l: l.command == "NOTICE" and l.params[0] == CHANNEL and
                 l.text == "This channel has been registered by alice", what="the channel notice")
    assert names(alice, CHANNEL) == {"ChanServ": "@ChanServ", "alice": "@alice"}

    # AOP: a friend is opped on joining.
    ask(alice, f"AOP {CHANNEL} ADD friend!*@*",
        f"friend!*@* has been added to the AOP list of {CHANNEL}.")
    friend = irc_client("friend")
    join(friend, CHANNEL)
    assert chanserv_modes(alice, 1, "the op for friend", CHANNEL) == [("+o", "friend")]

    # AKICK: banned, kicked and refused on rejoin; CLEAR BANS lets everybody in again.
    ask(alice, f"AKICK {CHANNEL} ADD bad!*@*", f"bad!*@* has been added to the AKICK list of "
                                                f"{CHANNEL}.")
    bad = irc_client("bad")
    bad.send(f"JOIN {CHANNEL}")
    assert chanserv_modes(alice, 1, "the AKICK ban", CHANNEL) == [("+b", "*!*@127.0.0.1")]
    kick = bad.expect(from_chanserv("KICK"), what="the AKICK kick")
    assert kick.params == [CHANNEL, "bad", "You are banned from this channel"]
    bad.send(f"JOIN {CHANNEL}")
    assert bad.expect(lambda l: l.command in ("474", "JOIN"), what="the rejoin").command == "474"
    ask(alice, f"AKICK {CHANNEL} DEL 1", f"bad!*@* has been removed from the AKICK list of "
                                         f"{CHANNEL}.")
    ask(alice, f"CLEAR {CHANNEL} BANS")
    alice.expect(lambda l: l.command == "NOTICE" and l.params[0] == CHANNEL and
                 l.text == "alice issued CLEAR BAN", what="the CLEAR notice")
    assert chanserv_modes(alice, 1, "the ban's removal", CHANNEL) == [("-b", "*!*@127.0.0.1")]

    # MODELOCK +i-m: a chanop's -i and +m are put back.
    ask(alice, f"SET {CHANNEL} MODELOCK +i-m", f"The ModeLock of {CHANNEL} has been changed.")
    friend.send(f"MODE {CHANNEL} +m")
    assert chanserv_modes(alice, 1, "ChanServ's answer to +m", CHANNEL) == [("-m", None)]
    friend.send(f"MODE {CHANNEL} +i")
    alice.expect(lambda l: l.command == "MODE" and l.nick == "friend" and "+i" in l.params[1],
                 what="friend's +i")
    friend.send(f"MODE {CHANNEL} -i")
    assert chanserv_modes(alice, 1, "ChanServ's answer to -i", CHANNEL) == [("+i", None)]

    # INVITE into the +i channel, then OP, DEOP and KICK through ChanServ.
    ask(alice, f"VOP {CHANNEL} ADD guest!*@*",
        f"guest!*@* has been added to the VOP list of {CHANNEL}.")
    guest = irc_client("guest")
    guest.send(f"JOIN {CHANNEL}")
    assert guest.expect(lambda l: l.command in ("473", "JOIN"), what="the join").command == "473"
    ask(guest, f"INVITE {CHANNEL}")
    invite = guest.expect(lambda l: l.command == "INVITE", what="ChanServ's invitation")
    assert invite.nick == "ChanServ" and invite.params == ["guest", CHANNEL], sv.diagnostics()
    join(guest, CHANNEL)
    assert chanserv_modes(alice, 1, "the voice for guest", CHANNEL) == [("+v", "guest")]

    ask(alice, f"OP {CHANNEL} guest")
    assert chanserv_modes(alice, 1, "OP guest", CHANNEL) == [("+o", "guest")]
    ask(alice, f"DEOP {CHANNEL} guest")
    assert chanserv_modes(alice, 1, "DEOP guest", CHANNEL) == [("-o", "guest")]
    ask(alice, f"KICK {CHANNEL} guest enough now")
    kick = guest.expect(lambda l: l.command == "KICK", what="ChanServ's kick")
    assert (kick.nick, kick.params) == ("ChanServ", [CHANNEL, "guest", "(alice) enough now"])

    # CLEAR MODE and CLEAR USER: ChanServ stays alone in the channel.
    ask(alice, f"SET {CHANNEL} MODELOCK +nt", f"The ModeLock of {CHANNEL} has been changed.")
    ask(alice, f"CLEAR {CHANNEL} MODES")
    assert chanserv_modes(alice, 1, "CLEAR MODES", CHANNEL) == [("-i", None)]
    ask(alice, f"CLEAR {CHANNEL} USERS")
    masskick = lambda l: l.command == "KICK" and l.text.startswith("Mass kick")
    kicks = [friend.expect(masskick, what="the mass kick") for _ in range(2)]
    assert sorted(k.params[1] for k in kicks) == ["alice", "friend"]
    assert all(k.nick == "ChanServ" and k.params[2] == "Mass kick by alice" for k in kicks)

    # DROP: no answer to alice, the channel hears of it and ChanServ leaves.
    join(alice, CHANNEL)
    assert chanserv_modes(alice, 1, "the founder's op", CHANNEL) == [("+o", "alice")]
    ask(alice, f"DROP {CHANNEL} chanpass")
    alice.expect(lambda l: l.command == "NOTICE" and l.params[0] == CHANNEL and
                 l.text == "This channel has been dropped by alice. It is no longer registered.",
                 what="the drop notice")
    part = alice.expect(lambda l: l.command == "PART", what="ChanServ leaving")
    assert part.nick == "ChanServ" and part.params[0] == CHANNEL, sv.diagnostics()
    assert names(alice, CHANNEL) == {"alice": "@alice"}


def server_modes(client):
    """The changes of the next MODE line on the channel that a server sends."""
    line = client.expect(lambda l: l.command == "MODE" and "!" not in l.prefix and
                         l.params[0] == CHANNEL, what="a server's mode change")
    return mode_changes(line)
