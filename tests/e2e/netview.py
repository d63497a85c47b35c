"""What an IRC operator on the hub can see of the services' link: server
notices, LINKS and the link statistics. Scenarios use these to wait for the
link (and the end of the services' burst) before they talk to the services.
"""

import hub as hubmod

LINK_TIMEOUT = 30.0


def notice_with(text):
    return lambda l: l.command == "NOTICE" and text in l.text


def links_of(client):
    """The servers LINKS lists, by name, as their 364 lines."""
    client.send("LINKS")
    lines = client.collect_until(lambda l: l.command == "365", what="the end of LINKS")
    return {l.params[1]: l for l in lines if l.command == "364"}


def link_stats(client, server=hubmod.SERVICES_NAME):
    """(messages the hub sent to, messages it received from) the server,
    from STATS l."""
    client.send("STATS l")
    lines = client.collect_until(lambda l: l.command == "219", what="the end of STATS l")
    for l in lines:
        if l.command == "211" and l.params[1].startswith(server):
            return int(l.params[3]), int(l.params[5])
    raise AssertionError(f"no link to {server} in STATS l:\n" + "\n".join(l.raw for l in lines))


def wait_linked(watcher, sv, burst=False, timeout=LINK_TIMEOUT):
    """Waits for the hub's notice that the services linked and, with
    `burst`, that their burst is complete. `watcher` is an operator with
    server notices on; the daemon's output and log are added to a failure."""
    try:
        watcher.expect(notice_with(f"Link with {hubmod.SERVICES_NAME} established"),
                       timeout=timeout, what="the link notice")
        if burst:
            watcher.expect(notice_with(f"Completed net.burst from {hubmod.SERVICES_NAME}"),
                           timeout=timeout, what="the end of the services' burst")
    except AssertionError as err:
        raise AssertionError(f"{err}\n{sv.diagnostics()}") from None
