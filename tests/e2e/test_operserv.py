"""OperServ as the operators of a real network use it: an identified
Services operator G-lines a user's host (the hub drops the user and turns
the reconnect away) and lifts it again, jupes a server name and frees it,
kills a user and a channel's ordinary members, sends news to everyone and
saves the databases; then re-initialises the services with a changed
configuration (they relink in the same process) and stops them (exit status
0, databases written)."""

import time

import pytest

import hub as hubmod
import ircclient
import seed
import services as servicesmod
from netview import links_of, notice_with, wait_linked

BOSS = "boss"  # the Services operator (SOP=boss)
# A second loopback address: the G-lined user gets a host nobody else has.
OTHER_HOST = "127.0.0.2"


def from_service(name):
    return lambda l: l.command in ("NOTICE", "PRIVMSG") and l.nick == name


def ask(client, text, answer=None):
    """Sends `text` to OperServ; with `answer`, waits for that reply."""
    client.privmsg("OperServ", text)
    if answer is not None:
        line = client.expect(from_service("OperServ"), what=f"OperServ's answer to {text}")
        assert line.text == answer, client.transcript()
        return line
    return None


def services_operator(irc_client, on=None):
    """The Services operator: hub operator, then identified to NickServ."""
    boss = irc_client(BOSS, on=on)
    assert boss.oper(hubmod.OPER_NAME, hubmod.OPER_PASSWORD).command == "381"
    identify(boss)
    return boss


def identify(client):
    client.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", f"IDENTIFY {seed.PASSWORD}")
    client.expect(lambda l: from_service("NickServ")(l)
                  and l.text == "Password accepted, you are now recognized.",
                  what="the answer to IDENTIFY")


def closing(client, what):
    """The ERROR line that ends the client's connection."""
    line = client.wait_for(lambda l: l.command == "ERROR", timeout=15, what=what)
    client.pump(0.3)
    return line


def start(start_services, **settings):
    return start_services(settings={"SOP": BOSS, **settings},
                          databases={"nickserv.db": seed.nickserv_db(seed.nick(BOSS))})


def test_services_operator_glines_jupes_kills_and_sends_news(hub, oper_client, irc_client,
                                                             start_services):
    watcher = oper_client("watcher")
    sv = start(start_services)
    wait_linked(watcher, sv, burst=True)
    boss = services_operator(irc_client)

    # G-line by nick: the mask is the user's host.
    victim = irc_client("victim", source=OTHER_HOST)
    ask(boss, "GLINE +victim 1h go away")
    gone = closing(victim, "the hub dropping the G-lined user")
    assert "G-lined" in gone.text, victim.transcript()
    again = ircclient.IrcClient(hub.client_port, "victim", source=OTHER_HOST)
    try:
        with pytest.raises(AssertionError) as refused:
            again.connect(timeout=15)
        assert "G-lined" in str(refused.value) or "banned" in str(refused.value), refused.value
    finally:
        again.close()
    ask(boss, "GLIST", answer="G-lines - mask expiration sender reason")
    listed = boss.expect(from_service("OperServ"), what="the first G-line in GLIST")
    assert listed.text.startswith(f"*@{OTHER_HOST} <") and listed.text.endswith(
        f" {BOSS}> go away"), boss.transcript()

    ask(boss, f"GLINE -*@{OTHER_HOST}")
    deadline = time.monotonic() + 10
    while True:
        back = ircclient.IrcClient(hub.client_port, "victim", source=OTHER_HOST)
        try:
            back.connect(timeout=15)
            back.close()
            break
        except AssertionError:
            back.close()
            assert time.monotonic() < deadline, "the G-line was not lifted"
            time.sleep(0.5)

    # A jupe is a server the hub lists behind the services, until removed.
    ask(boss, "JUPE ADD juped.test C kept off the network", answer="Jupe added")
    links = links_of(boss)
    assert "juped.test" in links, links
    assert links["juped.test"].text.endswith("JUPE kept off the network "), links["juped.test"]
    ask(boss, "JUPE DEL juped.test", answer="Jupe removed")
    assert "juped.test" not in links_of(boss)

    # A kill by nick, and by channel: its members who are not IRC operators.
    target = irc_client("target")
    ask(boss, "KILL target enough")
    kill = target.wait_for(lambda l: l.command == "KILL", what="the kill")
    assert kill.text.endswith("((boss) enough)"), kill.raw
    closing(target, "the end of the killed connection")

    members = [irc_client(nick) for nick in ("member1", "member2")]
    for client in members + [boss]:
        client.send("JOIN #doomed")
        client.expect(lambda l: l.command == "366", what="the join")
    ask(boss, "KILL #doomed closing time")
    for client in members:
        closing(client, "the channel kill")
        assert any(l.command == "KILL" for l in client.lines), client.transcript()
    boss.send("NAMES #doomed")
    names = boss.expect(lambda l: l.command == "353", what="NAMES #doomed")
    assert names.text.split() == ["boss"], names.raw

    # News reach every user.
    readers = [irc_client(nick) for nick in ("reader1", "reader2")]
    ask(boss, "NEWS maintenance at noon")
    for client in readers + [boss]:
        news = client.expect(from_service("OperServ"), what="the news")
        assert news.command == "PRIVMSG" and news.text == "maintenance at noon <boss>", news.raw

    # SAVEDB writes what happened since the start: boss's identification.
    ask(boss, "SAVEDB", answer="Databases saved")
    assert "lastmask=boss!~boss@127.0.0.1" in sv.read("nickserv.db"), sv.read("nickserv.db")
    assert sv.read("operserv.db").startswith("BootTime=")
    assert sv.running()


def test_init_relinks_with_a_new_configuration_and_die_stops_cleanly(
        oper_client, irc_client, start_services):
    watcher = oper_client("watcher")
    sv = start(start_services)
    wait_linked(watcher, sv, burst=True)
    daemon = sv.proc.pid
    boss = services_operator(irc_client)

    sv.settings["SERVERGCOS"] = "services after INIT"
    with open(sv.path("tesselsv.ini"), "w") as f:
        f.write(servicesmod.render_ini(sv.settings))
    ask(boss, "INIT")
    squit = watcher.expect(notice_with(f"Net break: {hubmod.HUB_NAME} {hubmod.SERVICES_NAME}"),
                           what="the net break of INIT")
    assert squit.text.endswith("(Re initializing)"), squit.raw
    wait_linked(watcher, sv, burst=True)
    assert sv.running() and sv.proc.pid == daemon
    assert links_of(watcher)[hubmod.SERVICES_NAME].text.endswith("services after INIT")

    # The reloaded database does not know boss's last mask: boss identifies
    # again, and a newcomer registers.
    boss.expect(lambda l: from_service("NickServ")(l) and "owned by someone else" in l.text,
                what="the warning after the relink")
    identify(boss)
    fresh = irc_client("fresh")
    fresh.privmsg(f"NickServ@{hubmod.SERVICES_NAME}", "REGISTER s3cret fresh@example.org")
    fresh.expect(lambda l: from_service("NickServ")(l) and l.text == "Your nick is now registered",
                 what="the registration")

    ask(boss, "DIE")
    squit = watcher.expect(notice_with(f"Net break: {hubmod.HUB_NAME} {hubmod.SERVICES_NAME}"),
                           what="the net break of DIE")
    assert squit.text.endswith("(DIE command used by boss)"), squit.raw
    assert sv.wait_for_exit(timeout=20) == 0
    assert "nick=fresh" in sv.read("nickserv.db")
    assert not sv.read("tesselsv.pid") and not sv.running()
