"""Memos between registered users of a real network: a memo left for an
offline owner waits in the mailbox; when the owner comes back and identifies
through NickServ@<server> MemoServ announces it, and the owner lists, reads
and deletes it."""

import re

import hub as hubmod
from netview import wait_linked

NICKSERV_AT = f"NickServ@{hubmod.SERVICES_NAME}"


def says(service, text):
    return lambda l: (l.command in ("NOTICE", "PRIVMSG") and l.nick == service
                      and l.text == text)


def from_memoserv(line):
    return line.command in ("NOTICE", "PRIVMSG") and line.nick == "MemoServ"


def register(client, password):
    client.privmsg(NICKSERV_AT, f"REGISTER {password} {client.nick}@example.org")
    client.expect(says("NickServ", "Your nick is now registered"),
                  what=f"the registration of {client.nick}")


def memoserv(client, text, end):
    """Sends `text` to MemoServ and returns MemoServ's reply texts up to and
    including the one `end` accepts."""
    client.privmsg("MemoServ", text)
    lines = client.collect_until(lambda l: from_memoserv(l) and end(l.text),
                                 what=f"MemoServ's answer to {text}")
    return [l.text for l in lines if from_memoserv(l)]


def test_a_memo_for_an_offline_owner_is_announced_listed_read_and_deleted(
        oper_client, irc_client, start_services, tag):
    watcher = oper_client("watcher" + tag)
    sv = start_services()
    wait_linked(watcher, sv, burst=True)

    owner, sender = "alice" + tag, "bob" + tag
    alice = irc_client(owner)
    register(alice, "wonder1and")
    bob = irc_client(sender)
    register(bob, "bu1lder")
    alice.close()

    assert memoserv(bob, f"SEND {owner} Tea at   five?", lambda t: True) == [
        f"Message has been sent to {owner}'s mailbox"]

    # Another user name, so the services cannot recognise the last mask and
    # the owner has to identify.
    alice = irc_client(owner, username="traveller")
    alice.expect(says("NickServ", "This nick is owned by someone else. Please choose another."),
                 what="the warning on the registered nick")
    alice.privmsg(NICKSERV_AT, "IDENTIFY wonder1and")
    alice.expect(says("NickServ", "Password accepted, you are now recognized."),
                 what="the answer to IDENTIFY")
    alice.expect(says("MemoServ", "You have one memo. Type /msg MemoServ READ 1 to read it."),
                 what="the memo notice")

    listing = memoserv(alice, "LIST", lambda t: t.startswith("Type /msg"))
    assert listing[0] == "Number  Sender  Time"
    # The sender's five characters and their padding fill 26 columns.
    assert re.fullmatch(rf"1   {sender} {{21}}0 days, 0:00:\d\d", listing[1]), listing
    assert listing[2:] == ["Type /msg MemoServ READ <number> to read a message"]

    # The stored text has single blanks and ends in one.
    assert memoserv(alice, "READ 1", lambda t: True) == [f"({sender}) Tea at five? "]
    assert memoserv(alice, "DEL 1", lambda t: True) == ["Message #1 has been deleted"]
    assert memoserv(alice, "LIST", lambda t: True) == ["Your mailbox is empty."]
    assert sv.running()
