"""Nick protection as the users of a real network see it: whoever takes a
registered nick is warned at once and on each of the next three 20-second
steps, then killed (USEKILL=1) or told of the rename (USEKILL=0, which this
hub ignores); the owner identifies with NickServ@<server> and is left alone,
while the bare-nick form is refused as long as SAFEIDENTIFY is on."""

import concurrent.futures
import re

import hub as hubmod
import seed
from netview import notice_with, wait_linked

FIRST_WARNINGS = [
    "This nick is owned by someone else. Please choose another.",
    # The seeded access list (*@*) matches, so the hint follows.
    "If this is your nick, type: /msg NickServ IDENTIFY <password>",
]
LATER_WARNINGS = [
    "You now have 40 seconds to change your nick. The nick you are currently using is "
    "registered to another user.",
    "You now have 20 seconds to change your nick. If you do not comply, I will change your "
    "nick for you. This is your final warning.",
]
KILL_WARNING = "You will be disconnected in 60 seconds if you do not comply."
RENAME_WARNING = "Your nick will be changed in 60 seconds if you do not comply."
WARNINGS = set(FIRST_WARNINGS + LATER_WARNINGS + [KILL_WARNING])
RENAMED = re.compile(r"^Your nick has been changed to Guest(\d+)\.$")

STEP = 20.0  # the enforcement timer's period
SLACK = 3.0  # scheduling and relaying on a busy machine


def from_nickserv(line):
    return line.command in ("NOTICE", "PRIVMSG") and line.nick == "NickServ"


def answer(line):
    """A line from NickServ that is not one of its warnings."""
    return from_nickserv(line) and line.text not in WARNINGS


def is_kill(line):
    return line.command == "KILL"


def is_rename_notice(line):
    return from_nickserv(line) and RENAMED.match(line.text) is not None


def enforcement(client, end, what):
    """Waits (bounded) for the end of the sequence and returns NickServ's
    lines to the client up to it and the end line."""
    last = client.wait_for(end, timeout=4 * STEP + 2 * SLACK + 5, what=what)
    upto = client.lines[:client.lines.index(last)]
    return [l for l in upto if from_nickserv(l)], last


def check_schedule(warnings, last):
    """The first two lines at once, each later step one timer period after
    the one before, the last 60 to 80 s after the first warning, which is
    when the services saw the nick taken."""
    seen = warnings[0].at
    steps = [warnings[2].at, warnings[3].at, warnings[4].at, last.at]
    timeline = [round(t - seen, 1) for t in steps]
    assert warnings[1].at - seen < SLACK, timeline
    assert steps[0] - seen <= STEP + SLACK, timeline
    for before, after in zip(steps, steps[1:]):
        assert STEP - SLACK <= after - before <= STEP + SLACK, timeline
    assert 3 * STEP - SLACK <= last.at - seen <= 4 * STEP + SLACK, timeline


def test_unidentified_holders_are_killed_or_renamed_on_time_and_the_owner_is_not(
        spare_hub, hub, oper_client, irc_client, start_services, tag):
    # Both settings run side by side, one network each: every run takes 60 to
    # 80 seconds by design.
    other = spare_hub()
    alice, bob = "alice" + tag, "bob" + tag
    registered = {"nickserv.db": seed.nickserv_db(seed.nick(alice), seed.nick(bob))}
    networks = {}
    for usekill, on in (("1", hub), ("0", other)):
        watcher = oper_client("watcher" + tag, on=on)
        sv = start_services(settings={"USEKILL": usekill}, databases=registered, on=on)
        wait_linked(watcher, sv, burst=True)
        networks[usekill] = watcher, sv
    watcher, sv = networks["1"]

    killed = irc_client(alice, on=hub)
    renamed = irc_client(alice, on=other)
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        kill_run = pool.submit(enforcement, killed, is_kill, "the kill")
        rename_run = pool.submit(enforcement, renamed, is_rename_notice, "the rename notice")

        # Meanwhile the owner of the other registered nick identifies.
        owner = irc_client(bob, on=hub)
        owner.expect(lambda l: from_nickserv(l) and l.text == FIRST_WARNINGS[0],
                     what="the first warning")
        owner.privmsg("NickServ", f"IDENTIFY {seed.PASSWORD}")
        refused = owner.expect(answer, what="the answer to a bare-nick IDENTIFY")
        assert refused.text == ('error: You can not use "/msg NickServ" to identify. '
                                f'Use "/msg NickServ@{hubmod.SERVICES_NAME}" or "/nickserv"')
        owner.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", f"IDENTIFY {seed.PASSWORD}")
        accepted = owner.expect(answer, what="the answer to IDENTIFY at NickServ@server")
        assert accepted.text == "Password accepted, you are now recognized."

        kill_warnings, kill = kill_run.result()
        rename_warnings, rename = rename_run.result()

    assert [l.text for l in kill_warnings] == FIRST_WARNINGS + [KILL_WARNING] + LATER_WARNINGS
    check_schedule(kill_warnings, kill)
    assert kill.params[0] == alice and kill.text.endswith("(User did not identify)")
    notice = watcher.expect(notice_with(f"Received KILL message for {alice}"),
                            what="the operators' notice of the kill")
    assert notice.text.endswith(f"From NickServ Path: {hubmod.SERVICES_NAME}!"
                                f"{hubmod.SERVICES_NAME}!NickServ (User did not identify)")

    assert ([l.text for l in rename_warnings]
            == FIRST_WARNINGS + [RENAME_WARNING] + LATER_WARNINGS)
    check_schedule(rename_warnings, rename)
    assert 10000 <= int(RENAMED.match(rename.text).group(1)) <= 99999
    assert renamed.conn.is_connected(), "USEKILL=0 must not disconnect"

    # The identified owner went through the same timer steps untouched.
    owner.pump(0.5)
    assert owner.conn.is_connected(), owner.transcript()
    after = owner.lines[owner.lines.index(accepted) + 1:]
    assert not [l.raw for l in after if from_nickserv(l)]
    assert sv.running()
