"""The services through the outages of a real network: the hub goes down and
comes back (the services link again within their 4-second retry and rebuild
their picture from the new burst), and the services themselves are stopped
with SIGTERM and started again (the registrations survive, the operators see
an orderly squit and a new link, and a user who stayed online is recognised
by the nick timestamp and mask the hub bursts again)."""

import time

import hub as hubmod
import seed
from netview import links_of, notice_with, wait_linked

RETRY = 4.0  # the services' reconnection period
SLACK = 3.0


def nickserv_says(text):
    return lambda l: l.nick == "NickServ" and l.text == text


def test_services_link_again_after_the_hub_restarts(spare_hub, oper_client, irc_client,
                                                    start_services):
    net = spare_hub()
    watcher = oper_client("watcher", on=net)
    sv = start_services(
        databases={"nickserv.db": seed.nickserv_db(seed.nick("alice")),
                   "chanserv.db": seed.chanserv_db(seed.channel("#tessel", "alice"))},
        on=net)
    wait_linked(watcher, sv, burst=True)
    daemon = sv.proc.pid

    net.restart()
    back = time.monotonic()
    watcher = oper_client("watcher", on=net)
    # Most likely on the network before the services are: then only the
    # hub's burst tells them about this user.
    alice = irc_client("alice", on=net)
    while hubmod.SERVICES_NAME not in links_of(watcher):
        assert time.monotonic() - back <= RETRY + SLACK, \
            f"the services did not link again\n{sv.diagnostics()}"
        watcher.pump(0.2)
    assert sv.running() and sv.proc.pid == daemon

    alice.expect(nickserv_says("This nick is owned by someone else. Please choose another."),
                 what="the warning after the relink")
    # The services' own burst on the new link put ChanServ back into the
    # registered channel.
    alice.send("NAMES #tessel")
    members = alice.expect(lambda l: l.command == "353", what="NAMES #tessel")
    assert members.text.split() == ["@ChanServ"], sv.diagnostics()


def test_registrations_survive_a_restart_of_the_services(oper_client, irc_client,
                                                          start_services):
    watcher = oper_client("watcher")
    sv = start_services()
    wait_linked(watcher, sv, burst=True)
    dora = irc_client("dora")
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
    again = irc_client("dora", username="newcomer")
    again.expect(nickserv_says("This nick is owned by someone else. Please choose another."),
                 what="the warning to the newcomer")
    again.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", "IDENTIFY s3cond")
    again.expect(nickserv_says("Password accepted, you are now recognized."),
                 what="the answer to IDENTIFY")
