#!/usr/bin/python3
"""Brings up a local IRC network on 127.0.0.1 for trying the services by hand:
one real ircu hub configured for them, and the daemon linked to it in the
foreground. Started by tools/run.sh after the build.

The daemon runs from run/ in the repository (a link to build/tesselsv, so a
rebuild is picked up and run/ is its working directory): its configuration,
databases and log stay there between runs. The first start writes
run/tesselsv.ini from doc/tesselsv.ini.example (every key with its comment)
with the recommended settings for this network switched on; later starts
rewrite only the link settings to match the hub and keep every other line.

Ports: the client port is 6667 and the server port 4400 when they are free,
otherwise free ones; TESSEL_CLIENT_PORT and TESSEL_SERVER_PORT choose others.
Ctrl-C stops the services (which squit and save) and then the hub.
"""

import os
import signal
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import hub as hubmod  # noqa: E402
import services as servicesmod  # noqa: E402

RUN_DIR = os.path.join(ROOT, "run")
EXAMPLE_CONFIG = os.path.join(ROOT, "doc", "tesselsv.ini.example")
# Set on the first start, over the example's lines. Every identified IRC
# operator is a Services operator on this private network.
FIRST_RUN_SETTINGS = {"LOGFILE": "tesselsv.log", "LOGMASK": "8191", "SOP": "*",
                      "PASSHASH": "argon2id"}


def choose_port(env, preferred, taken):
    if os.environ.get(env):
        return int(os.environ[env])
    if preferred not in taken and not hubmod.port_open(preferred):
        return preferred
    return next(p for p in hubmod.free_ports(3) if p not in taken)


def set_key(lines, key, value):
    """Sets KEY=value in place of the key's first line, active or commented
    out, and drops its other active lines; appends it when absent."""
    out, done = [], False
    for line in lines:
        name = line.lstrip("#").partition("=")[0].upper()
        is_key = "=" in line and name == key and (line[:1] != "#" or " " not in name)
        if is_key and not done:
            out.append(f"{key}={value}")
            done = True
        elif is_key and line[:1] == "#":
            out.append(line)
        elif not is_key:
            out.append(line)
    if not done:
        out.append(f"{key}={value}")
    return out


def write_config(path, link_settings):
    """Writes the link keys into the configuration, keeping every other line;
    a first start begins from the example with the recommended settings."""
    if os.path.exists(path):
        with open(path) as f:
            lines = f.read().splitlines()
        wanted = dict(link_settings)
    else:
        with open(EXAMPLE_CONFIG) as f:
            lines = f.read().splitlines()
        wanted = {**FIRST_RUN_SETTINGS, **link_settings}
    for key, value in wanted.items():
        lines = set_key(lines, key.upper(), value)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    binary = servicesmod.binary_path()
    if not os.path.isfile(binary):
        sys.exit(f"{binary} is not built")
    client_port = choose_port("TESSEL_CLIENT_PORT", 6667, ())
    server_port = choose_port("TESSEL_SERVER_PORT", 4400, (client_port,))

    hub = hubmod.Hub(client_port=client_port, server_port=server_port)
    try:
        hub.prepare()
        print(f"starting the hub {hubmod.HUB_NAME} ...", flush=True)
        hub.start()
    except hubmod.HubUnavailable as err:
        hub.stop()
        sys.exit(f"cannot start the hub: {err}")

    status = 1
    try:
        os.makedirs(RUN_DIR, exist_ok=True)
        link = os.path.join(RUN_DIR, "tesselsv")
        if os.path.islink(link) or os.path.exists(link):
            os.unlink(link)
        os.symlink(os.path.abspath(binary), link)
        settings = servicesmod.default_settings(server_port)
        link_settings = {k: settings[k] for k in
                         ("CONNECTADDR", "CONNECTPORT", "CONNECTPASS", "SERVERNAME", "SERVERID")}
        link_settings["SERVHOST"] = settings["SERVERNAME"]
        write_config(os.path.join(RUN_DIR, "tesselsv.ini"), link_settings)

        print(f"""
hub {hubmod.HUB_NAME} (numeric {hubmod.HUB_NUMERIC}) on 127.0.0.1:
  clients          port {client_port}
  services link    port {server_port}, password {hubmod.LINK_PASSWORD}, as {hubmod.SERVICES_NAME}
  IRC operator     /oper {hubmod.OPER_NAME} {hubmod.OPER_PASSWORD}
                   (identified IRC operators are Services operators here)

Connect an IRC client, for example:
  irssi -c 127.0.0.1 -p {client_port}
and talk to the services:
  /msg NickServ help
  /msg NickServ@{hubmod.SERVICES_NAME} identify <password>   (IDENTIFY wants this form)

The services run from {RUN_DIR} (tesselsv.ini, databases, tesselsv.log).
Ctrl-C stops the services and the hub.
""", flush=True)

        daemon = subprocess.Popen([link, "foreground"], cwd=RUN_DIR)
        # Asked to stop ourselves: the services stop first, the hub after.
        signal.signal(signal.SIGTERM, lambda *_: daemon.send_signal(signal.SIGTERM))
        while True:
            try:
                status = daemon.wait()
                break
            except KeyboardInterrupt:
                # The terminal's SIGINT reached the daemon as well: give it
                # the time to squit and save, then insist.
                try:
                    status = daemon.wait(timeout=20)
                except subprocess.TimeoutExpired:
                    daemon.send_signal(signal.SIGTERM)
                    try:
                        status = daemon.wait(timeout=10)
                    except subprocess.TimeoutExpired:
                        daemon.kill()
                        status = daemon.wait()
                break
        print(f"the services exited with status {status}", flush=True)
    finally:
        print("stopping the hub", flush=True)
        hub.stop()
    return 0 if status in (0, -signal.SIGINT) else 1


if __name__ == "__main__":
    sys.exit(main())
