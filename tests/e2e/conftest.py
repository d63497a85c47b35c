"""Fixtures of the end-to-end tests: one real hub per session, the daemon
under test per test, and IRC clients on the hub's client port.

A hub or daemon that cannot be had is a skip on a developer's machine and a
failure in CI (CI=true), where a silently skipped suite would hide it.
"""

import itertools
import os

import pytest

import hub as hubmod
import ircclient
import services as servicesmod


def in_ci():
    return os.environ.get("CI", "").lower() == "true"


def unavailable(reason):
    """Skips the test, or fails it in CI."""
    if in_ci():
        pytest.fail(f"end-to-end environment unavailable in CI: {reason}", pytrace=False)
    pytest.skip(reason)


@pytest.fixture(scope="session")
def _hub_or_reason():
    # The outcome is shared: a hub that failed to start is not retried by
    # every test.
    hub = hubmod.Hub()
    try:
        hub.prepare()
        hub.start()
    except hubmod.HubUnavailable as err:
        hub.stop()
        yield None, str(err)
        return
    except BaseException:
        hub.stop()
        raise
    try:
        yield hub, None
    finally:
        hub.stop()


@pytest.fixture
def hub(_hub_or_reason):
    """The session's running hub."""
    hub, reason = _hub_or_reason
    if hub is None:
        unavailable(f"no hub: {reason}")
    if not hub.running():
        pytest.fail(f"the hub is no longer running:\n{hub.output()}", pytrace=False)
    return hub


@pytest.fixture
def spare_hub(_hub_or_reason):
    """Factory of further hubs of the test's own, for scenarios that stop
    and restart a hub or that need a second network beside the session's;
    they are stopped after the test."""
    _, reason = _hub_or_reason
    if reason is not None:
        unavailable(f"no hub: {reason}")
    hubs = []

    def start():
        extra = hubmod.Hub()
        hubs.append(extra)
        try:
            extra.prepare()
            extra.start()
        except hubmod.HubUnavailable as err:
            unavailable(f"no second hub: {err}")
        return extra

    yield start
    for extra in hubs:
        extra.stop()


_tags = itertools.count(1)


@pytest.fixture
def tag():
    """A suffix of two characters that no other test of the session has,
    for the nicks and channels a test uses on the shared hub: what one test
    left behind (a nick not yet released, a channel's modes, bans and
    timestamp) cannot meet the next."""
    n = next(_tags)
    assert n < 36 * 36, "more tests than two-character tags"
    digits = "0123456789abcdefghijklmnopqrstuvwxyz"
    return digits[n // 36] + digits[n % 36]


def _close_all(clients):
    for client in clients:
        try:
            client.close()
        except Exception:  # the test's own failure matters more
            pass
    clients.clear()


@pytest.fixture
def _clients():
    """The test's IRC clients; the daemons' teardown closes them first, so
    the daemons are seen handling their departure."""
    clients = []
    yield clients
    _close_all(clients)


@pytest.fixture
def irc_client(hub, _clients):
    """Factory of registered IRC clients on the session's hub, or on the
    hub given as `on`; all are closed after the test."""

    def connect(nick, on=None, **kwargs):
        client = ircclient.IrcClient((on or hub).client_port, nick, **kwargs)
        _clients.append(client)
        client.connect()
        return client

    return connect


@pytest.fixture
def oper_client(irc_client):
    """Factory of IRC operators that receive every server notice."""

    def connect(nick, on=None):
        client = irc_client(nick, on=on)
        answer = client.oper(hubmod.OPER_NAME, hubmod.OPER_PASSWORD)
        assert answer.command == "381", answer.raw
        client.send(f"MODE {nick} +s 65535")
        client.expect(lambda l: l.command == "008", what="the server notice mask")
        return client

    return connect


@pytest.fixture
def start_services(hub, request, _clients):
    """Factory that starts the daemon linked (or linking) to the session's
    hub, or to the hub given as `on`:
    start_services(settings={...}, databases={"nickserv.db": "..."}).
    After the test the clients leave, and every daemon started must still
    run (unless the test stopped it), exit with status 0 on SIGTERM and have
    reported no failed handler and no sanitizer finding; otherwise the test
    errs. When the test failed or a daemon was unwell, its output and log are
    printed."""
    started = []
    binary = servicesmod.binary_path()
    if not os.path.isfile(binary):
        unavailable(f"the daemon {binary} is not built")

    def start(settings=None, databases=None, on=None):
        sv = servicesmod.Services((on or hub).server_port, settings=settings,
                                  databases=databases, binary=binary)
        started.append((sv, on or hub))
        sv.prepare().start()
        return sv

    yield start
    _close_all(_clients)
    failed = getattr(request.node, "_e2e_failed", False)
    hubs = []
    unwell = []
    for sv, its_hub in started:
        sv.stop()
        faults = sv.faults()
        unwell += [f"{fault} (in {sv.dir})" for fault in faults]
        if failed or faults:
            print(f"\n=== daemon in {sv.dir}\n{sv.diagnostics()}")
        sv.cleanup()
        if its_hub not in hubs:
            hubs.append(its_hub)
    if failed or unwell:
        for its_hub in hubs:
            print(f"\n=== hub on port {its_hub.client_port}\n{its_hub.output()}")
    if unwell:
        pytest.fail("\n".join(unwell), pytrace=False)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.when == "call" and report.failed:
        item._e2e_failed = True
