"""The harness itself: the patched hub runs, takes clients and operators,
and refuses binaries it does not know."""

import os

import pytest

import conftest
import hub as hubmod


def test_client_registers_and_sees_the_welcome(hub, irc_client, tag):
    alice = irc_client("alice" + tag)
    welcome = alice.lines[[l.command for l in alice.lines].index("001")]
    assert welcome.prefix == hubmod.HUB_NAME
    assert welcome.params[0] == "alice" + tag
    assert welcome.text.startswith("Welcome to")
    info = alice.wait_for(lambda l: l.command == "004")
    assert info.params[1] == hubmod.HUB_NAME


def test_operator_block_grants_oper_and_server_notices(oper_client, tag):
    # The link scenarios watch the link through an operator's eyes.
    watcher = oper_client("watcher" + tag)
    watcher.send("LINKS")
    links = watcher.collect_until(lambda l: l.command == "365", what="the end of LINKS")
    servers = [l.params[1] for l in links if l.command == "364"]
    assert servers == [hubmod.HUB_NAME]


def test_unknown_hub_binary_is_refused(tmp_path, monkeypatch):
    other = tmp_path / "ircd"
    other.write_bytes(b"\x7fELF not the build we patch")
    monkeypatch.setattr(hubmod, "SHIPPED_BINARY", str(other))
    monkeypatch.setattr(hubmod, "_run_user", lambda: None)
    hub = hubmod.Hub(workdir=str(tmp_path / "hub"))
    os.mkdir(hub.dir)
    with pytest.raises(hubmod.HubUnavailable, match="sha256"):
        hub.prepare()
    assert not os.path.exists(hub.binary)


@pytest.mark.parametrize("ci, outcome", [("true", pytest.fail.Exception),
                                         ("", pytest.skip.Exception),
                                         ("false", pytest.skip.Exception)])
def test_missing_environment_fails_only_in_ci(monkeypatch, ci, outcome):
    monkeypatch.setenv("CI", ci)
    with pytest.raises(outcome):
        conftest.unavailable("no hub here")
