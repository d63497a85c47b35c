"""Passwords on a real network with PASSHASH=argon2id: a registration is
stored as an argon2id hash, identifies, survives a restart of the services;
a nick from an older database (the digest form) identifies and is stored
again as a hash; wrong guesses from one host are locked out, the right
password included."""

import re

import hub as hubmod
import seed
from netview import wait_linked

NICKSERV_AT = f"NickServ@{hubmod.SERVICES_NAME}"
ARGON = re.compile(r"^pass=\$argon2id\$v=19\$m=4096,t=2,p=1\$[A-Za-z0-9+/]+\$[A-Za-z0-9+/]+$",
                   re.M)


def nickserv_says(text):
    return lambda l: l.nick == "NickServ" and l.text == text


def pass_lines(sv, nick):
    """The pass= line of one nick's record in the saved nick database."""
    record = sv.read("nickserv.db").split(f"nick={nick}\n", 1)
    assert len(record) == 2, sv.read("nickserv.db")
    return record[1].split("\n\n", 1)[0]


def test_argon2id_registration_identifies_across_a_restart(oper_client, irc_client,
                                                           start_services):
    watcher = oper_client("watcher")
    sv = start_services(settings={"PASSHASH": "argon2id"},
                        databases={"nickserv.db": seed.nickserv_db(seed.nick("olduser"))})
    wait_linked(watcher, sv, burst=True)

    erin = irc_client("erin")
    erin.privmsg(NICKSERV_AT, "REGISTER hunter2 erin@example.org")
    erin.expect(nickserv_says("Your nick is now registered"), what="the registration")
    old = irc_client("olduser")
    old.privmsg(NICKSERV_AT, f"IDENTIFY {seed.PASSWORD}")
    old.expect(nickserv_says("Password accepted, you are now recognized."),
               what="IDENTIFY against the digest of an older database")

    assert sv.stop() == 0
    assert ARGON.search(pass_lines(sv, "erin")), pass_lines(sv, "erin")
    # The older record was stored again in the configured form.
    assert ARGON.search(pass_lines(sv, "olduser")), pass_lines(sv, "olduser")

    sv.start()
    wait_linked(watcher, sv, burst=True)
    erin.close()
    again = irc_client("erin", username="elsewhere")
    again.privmsg(NICKSERV_AT, "IDENTIFY wrong")
    again.expect(nickserv_says("Password incorrect."), what="a wrong password")
    again.privmsg(NICKSERV_AT, "IDENTIFY hunter2")
    again.expect(nickserv_says("Password accepted, you are now recognized."),
                 what="IDENTIFY after the restart")


def test_guesses_from_one_host_are_locked_out(oper_client, irc_client, start_services):
    watcher = oper_client("watcher")
    sv = start_services(settings={"PASSHASH": "argon2id", "PASSFAILHOST": "3"},
                        databases={"nickserv.db": seed.nickserv_db(seed.nick("target"))})
    wait_linked(watcher, sv, burst=True)

    guesser = irc_client("guesser")
    for i in range(3):
        guesser.privmsg(NICKSERV_AT, f"GHOST target guess{i}")
        guesser.expect(nickserv_says("Password incorrect."), what=f"wrong guess {i}")
    guesser.privmsg(NICKSERV_AT, f"GHOST target {seed.PASSWORD}")
    guesser.expect(nickserv_says("Too many failed password attempts for target from your host. "
                                 "Try again in 10 minutes."), what="the lock")
