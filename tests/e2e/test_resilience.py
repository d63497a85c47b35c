"""The services through the outages of a real network: the hub goes down and
comes back (the services link again within their 4-second retry and rebuild
their picture from the new burst), and the services themselves are stopped
with SIGTERM and started again (the registrations survive, the operators see
an orderly squit and a new link, and a user who stayed online is recognised
by the nick timestamp and mask the hub bursts again)."""

import time

import hub as hubmod
import seed
from netview import notice_with, wait_linked

RETRY = 4.0  # the services' reconnection period
SLACK = 3.0


def nickserv_says(text):
    return lambda l: l.nick == "NickServ" and l.text == text


def test_services_link_again_after_the_hub_restarts(spare_hub, oper_client, irc_client,
                                                    start_services, tag):
    net = spare_hub()
    alice, channel = "alice" + tag, "#tessel" + tag
    watcher = oper_client("watcher" + tag, on=net)
    sv = start_services(
        databases={"nickserv.db": seed.nickserv_db(seed.nick(alice)),
                   "chanserv.db": seed.chanserv_db(seed.channel(channel, alice))},
        on=net)
    wait_linked(watcher, sv, burst=True)
    daemon = sv.proc.pid

    # The hub comes back taking clients only, so the user is on the network
    # before the services are: then only the hub's burst tells them about
    # her.
    net.restart(taking_servers=False)
    watcher = oper_client("watcher" + tag, on=net)
    user = irc_client(alice, on=net)
    net.take_servers()
    back = time.monotonic()
    link = watcher.expect(notice_with(f"Link with {hubmod.SERVICES_NAME} established"),
                          timeout=RETRY + SLACK + 5, what="the link notice")
    assert link.at - back <= RETRY + SLACK, f"linked {link.at - back:.1f} s after the port opened"
    assert sv.running() and sv.proc.pid == daemon

    user.expect(nickserv_says("This nick is owned by someone else. Please choose another."),
                what="the warning after the relink")
    # The services' own burst on the new link put ChanServ back into the
    # registered channel.
    user.send(f"NAMES {channel}")
    members = user.expect(lambda l: l.command == "353", what=f"NAMES {channel}")
    assert members.text.split() == ["@ChanServ"], sv.diagnostics()


def test_registrations_survive_a_restart_of_the_services(oper_client, irc_client,
                                                          start_services, tag):
    watcher = oper_client("watcher" + tag)
    sv = start_services()
    wait_linked(watcher, sv, burst=True)
    dora = irc_client("dora" + tag)
    dora.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", "REGISTER s3cond dora@example.org")
    dora.expect(nickserv_says("Your nick is now registered"), what="the registration")

    assert sv.stop() == 0
    squit = watcher.expect(notice_with(f"Net break: {hubmod.HUB_NAME} {hubmod.SERVICES_NAME}"),
                           what="the net break")
    assert squit.text.endswith("(received signal SIGTERM)")
    sv.start()
    wait_linked(watcher, sv, burst=True)

    # dora stayed online: the hub's new burst carries the same nick timestamp
    # and mask as at the registration, which the services kept on disk.
    dora.expect(nickserv_says("You are recognised and identified"),
                what="the recognition after the restart")

    # And the password was kept: a newcomer on the nick (another user name,
    # so not the mask last seen) is warned and can identify.
    dora.close()
    again = irc_client("dora" + tag, username="newcomer")
    again.expect(nickserv_says("This nick is owned by someone else. Please choose another."),
                 what="the warning to the newcomer")
    again.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", "IDENTIFY s3cond")
    again.expect(nickserv_says("Password accepted, you are now recognized."),
                 what="the answer to IDENTIFY")
