"""The daemon's link to a real hub: it links as a service server, messages
addressed as nick@server reach its clients, and SIGTERM unlinks it in order."""

import hub as hubmod


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
    watcher.expect_raw(r"services\.test.*received signal SIGTERM", timeout=30)
    assert not services.read("tesselsv.pid")
