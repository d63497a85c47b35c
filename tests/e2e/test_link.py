"""The daemon's link to a real hub: the hub accepts it as a service server,
keeps it across its pings, sees the four service clients after the burst,
delivers nick@server messages to them, and SIGTERM unlinks it in order."""

import time

import hub as hubmod
from netview import link_stats, links_of, wait_linked


def test_hub_lists_the_services_server_with_its_description(oper_client, start_services):
    watcher = oper_client("watcher")
    sv = start_services(settings={"SERVERGCOS": "tesselsv linked"})
    wait_linked(watcher, sv)
    entry = links_of(watcher).get(hubmod.SERVICES_NAME)
    assert entry is not None, "the services server is not in LINKS"
    # name, uplink, then hop count, protocol and the description we sent
    assert entry.params[2] == hubmod.HUB_NAME
    assert entry.text == "1 P10 tesselsv linked"
    assert sv.running()


def test_service_clients_appear_after_the_burst(oper_client, start_services):
    watcher = oper_client("watcher")
    sv = start_services()
    wait_linked(watcher, sv, burst=True)
    for nick in ("ChanServ", "NickServ", "MemoServ", "OperServ"):
        watcher.send(f"WHOIS {nick}")
        reply = {l.command: l for l in
                 watcher.collect_until(lambda l: l.command == "318", what=f"WHOIS {nick}")}
        assert "311" in reply, f"{nick} is not on the network\n{sv.diagnostics()}"
        assert reply["311"].params[2] == "service"
        assert reply["312"].params[2] == hubmod.SERVICES_NAME
        # Only OperServ is introduced as an IRC operator.
        assert ("313" in reply) == (nick == "OperServ")


def test_links_as_service_server_and_unlinks_on_sigterm(start_services, oper_client,
                                                       irc_client):
    watcher = oper_client("watcher")
    services = start_services()
    watcher.expect_raw(r"Link with services\.test established", timeout=30)
    services.wait_for_log(r"\] Services connected to server$")

    # Only a server announced with "+s" gets nick@server messages delivered.
    alice = irc_client("alice")
    alice.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", "HELP")
    reply = alice.expect(lambda l: l.command == "NOTICE" and l.nick == "NickServ",
                         what="a notice from NickServ")
    assert reply.params[0] == "alice"

    assert services.stop() == 0
    watcher.expect_raw(r"Net break: hub\.test services\.test \(received signal SIGTERM\)",
                       timeout=30)
    assert hubmod.SERVICES_NAME not in links_of(watcher)
    assert not services.read("tesselsv.pid")


def test_link_survives_the_hubs_ping(oper_client, start_services):
    # The hub pings a silent server after its class ping frequency and drops
    # it when no answer comes; the daemon has nothing else to say meanwhile,
    # so the answer to the ping is what keeps the link. Slow by nature: the
    # first ping comes 90 to 120 s after the link.
    watcher = oper_client("watcher")
    sv = start_services()
    wait_linked(watcher, sv)
    watcher.pump(3)  # let both bursts and their acknowledgements pass
    sent, received = link_stats(watcher)
    deadline = time.monotonic() + hubmod.SERVER_PINGFREQ * 2 + 60
    while True:
        now_sent, now_received = link_stats(watcher)
        if now_sent > sent:
            break  # the hub sent something: its ping
        if time.monotonic() >= deadline:
            raise AssertionError(f"the hub never pinged the services\n{sv.diagnostics()}")
        watcher.pump(5)
    answer_deadline = time.monotonic() + 15
    while now_received <= received:
        if time.monotonic() >= answer_deadline:
            raise AssertionError(f"no answer to the hub's ping\n{sv.diagnostics()}")
        watcher.pump(1)
        now_sent, now_received = link_stats(watcher)
    assert hubmod.SERVICES_NAME in links_of(watcher)
    assert not any("Ping timeout" in l.raw for l in watcher.lines)
