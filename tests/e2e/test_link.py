"""The daemon's link to a real hub: the hub accepts it as a service server,
keeps it across its pings, sees the four service clients and the operator
channel after the burst, delivers nick@server messages to them, relays
VERSION and MOTD queries to the services' server, and SIGTERM unlinks it in
order."""

import pytest

import hub as hubmod
import seed
from netview import links_of, wait_linked
from wiretap import Wiretap

WATCHER = "watcher"


def test_hub_lists_the_services_server_with_its_description(oper_client, start_services, tag):
    watcher = oper_client(WATCHER + tag)
    sv = start_services(settings={"SERVERGCOS": "tesselsv linked"})
    wait_linked(watcher, sv)
    entry = links_of(watcher).get(hubmod.SERVICES_NAME)
    assert entry is not None, "the services server is not in LINKS"
    # name, uplink, then hop count, protocol and the description we sent
    assert entry.params[2] == hubmod.HUB_NAME
    assert entry.text == "1 P10 tesselsv linked"
    assert sv.running()


def test_service_clients_appear_after_the_burst(oper_client, start_services, tag):
    watcher = oper_client(WATCHER + tag)
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


@pytest.mark.parametrize("configured, channel", [(None, "#OperServ"),
                                                  ("#tessel-ops", "#tessel-ops")])
def test_operator_channel_is_held_by_operserv(oper_client, start_services, tag, configured,
                                              channel):
    watcher = oper_client(WATCHER + tag)
    # The hub keeps an emptied channel with its timestamp after a net break
    # and wins against a newer one in a burst, so an earlier daemon's
    # operator channel would strip this one of its modes. A boot time kept in
    # the operator database, as on a running network, is older than those.
    sv = start_services(settings={"OPERCHANNEL": configured} if configured else None,
                        databases={"operserv.db": seed.operserv_db()})
    wait_linked(watcher, sv, burst=True)
    # The channel is secret and invite-only: NAMES shows an outsider nothing,
    # only an operator's WHO with the x flag lists its members.
    watcher.send(f"WHO {channel} x")
    lines = watcher.collect_until(lambda l: l.command == "315", what=f"WHO {channel}")
    flags = {l.params[5]: l.params[6] for l in lines if l.command == "352"}
    assert list(flags) == ["OperServ"], f"members of {channel}: {flags}\n{sv.diagnostics()}"
    assert "@" in flags["OperServ"]
    watcher.send(f"MODE {channel}")
    modes = watcher.expect(lambda l: l.command == "324", what=f"the modes of {channel}")
    assert set(modes.params[2]) >= set("+ntsi")


@pytest.mark.parametrize("motd, text", [
    ("First line of the day\nSecond line\n", ["First line of the day", "Second line"]),
    (None, ["No MOTD file"]),
])
def test_version_and_motd_come_from_the_services_server(oper_client, start_services, tag, motd,
                                                         text):
    files = {
        "nickserv.db": seed.nickserv_db(seed.nick("alice"), seed.nick("bob")),
        "chanserv.db": seed.chanserv_db(seed.channel("#tessel", "alice")),
    }
    if motd is not None:
        files["tesselsv.motd"] = motd
    # This hub lets only operators query a remote server.
    watcher = oper_client(WATCHER + tag)
    sv = start_services(databases=files)
    wait_linked(watcher, sv, burst=True)
    from_services = lambda l: l.prefix == hubmod.SERVICES_NAME  # noqa: E731

    watcher.send(f"VERSION {hubmod.SERVICES_NAME}")
    version = watcher.expect(lambda l: from_services(l) and l.command == "351",
                             what="the version reply")
    assert version.params == [watcher.nick, "tessrv1.2.1.linux.gen", hubmod.SERVICES_NAME,
                              "tessel old IRC services"]

    watcher.send(f"MOTD {hubmod.SERVICES_NAME}")
    reply = watcher.collect_until(lambda l: from_services(l) and l.command == "376",
                                  what="the end of the services' MOTD")
    got = [(l.command, l.params) for l in reply if from_services(l)]
    me = watcher.nick
    expected = ([("375", [me, f"- {hubmod.SERVICES_NAME} Message of the day"])]
                + [("372", [me, f"- {line}"]) for line in text]
                + [("372", [me, "-"]),
                   ("372", [me, "- Tessel IRC Services, version 1.2.1.linux.gen"]),
                   ("372", [me, "- 2 registered nicks, 1 registered channels"]),
                   ("376", [me, "End of /MOTD command"])])
    assert got == expected


def test_links_as_service_server_and_unlinks_on_sigterm(start_services, oper_client,
                                                       irc_client, tag):
    watcher = oper_client(WATCHER + tag)
    services = start_services()
    watcher.expect_raw(r"Link with services\.test established", timeout=30)
    services.wait_for_log(r"\] Services connected to server$")

    # Only a server announced with "+s" gets nick@server messages delivered.
    alice = irc_client("alice" + tag)
    alice.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", "HELP")
    reply = alice.expect(lambda l: l.command == "NOTICE" and l.nick == "NickServ",
                         what="a notice from NickServ")
    assert reply.params[0] == "alice" + tag

    assert services.stop() == 0
    watcher.expect_raw(r"Net break: hub\.test services\.test \(received signal SIGTERM\)",
                       timeout=30)
    assert hubmod.SERVICES_NAME not in links_of(watcher)
    assert not services.read("tesselsv.pid")


def test_link_survives_the_hubs_ping(hub, oper_client, start_services, tag):
    # The hub pings a silent server after its class ping frequency and drops
    # it when no answer comes; the daemon has nothing else to say meanwhile,
    # so the answer to the ping is what keeps the link. Slow by nature: the
    # first ping can take up to 120 s. The link runs through a relay that
    # shows both sides.
    watcher = oper_client(WATCHER + tag)
    tap = Wiretap(hub.server_port)
    try:
        sv = start_services(settings={"CONNECTPORT": str(tap.port)})
        wait_linked(watcher, sv, burst=True)
        ping = tap.wait_for(lambda sender, line: sender == "hub" and line.split()[1:2] == ["G"],
                            hubmod.SERVER_PINGFREQ * 2 + 60, "the hub's ping")
        token = tap.lines[ping][1].split()[-1].lstrip(":")
        tap.wait_for(lambda sender, line:
                     sender == "services" and line == f"AB Z {hubmod.SERVICES_NAME} :{token}",
                     15, f"the answer to {tap.lines[ping][1]!r}", start=ping + 1)
        assert hubmod.SERVICES_NAME in links_of(watcher)
        assert not any("Ping timeout" in l.raw for l in watcher.lines)
    finally:
        tap.close()
