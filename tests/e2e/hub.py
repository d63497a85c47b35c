"""A real ircu hub for the end-to-end tests and for tools/run.sh.

Debian's ircd-ircu (2.10.12.10) cannot start here as shipped. It was compiled
for 1,048,572 connections, so it first refuses to run below a hard open-file
limit of that size ("ircd fd table too big") and then always stops with
"MAXCLIENTS (or MAXCONNECTIONS) is (at least) 786432 too large", because the
client capacity it hands to the server set-up is larger than P10 allows. The
hub is therefore run as a patched copy (capacity 4096) with a small preload
library that reports a large enough hard limit and ignores attempts to change
it. Only the exact package build we know is patched: anything else is refused
with a reason, which the tests turn into a skip (or a failure in CI).

ircu refuses to run as root, so when we are root it runs as the system user
`irc`, from a private directory that user owns.
"""

import atexit
import ctypes
import grp
import hashlib
import os
import pwd
import shutil
import signal
import socket
import subprocess
import tempfile
import time

SHIPPED_BINARY = "/usr/sbin/ircd-ircu"
SHIPPED_SHA256 = "94d5d059510744a68aa71445af8888f60ca473ff58c5b15eafcb9ea669ed2998"
# mov $0xfffe4,%esi: the client capacity passed at start-up.
CAPACITY_OFFSET = 0x483C1
CAPACITY_BYTES = bytes.fromhex("bee4ff0f00")
PATCHED_CAPACITY = 4096

HUB_NAME = "hub.test"
HUB_NUMERIC = 10  # "AK"; must differ from the services' numeric
SERVICES_NAME = "services.test"
SERVICES_NUMERIC = 1  # "AB"
LINK_PASSWORD = "linkpass"
OPER_NAME = "testoper"
OPER_PASSWORD = "operpass"
# How long the hub lets the services link stay silent before it pings. Below
# 90 s this hub has been seen dropping a link for "Ping timeout" in the same
# check that sent the first ping.
SERVER_PINGFREQ = 90

PRELOAD_SOURCE = r"""
#define _GNU_SOURCE
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

/* The hub sizes its descriptor table from the hard limit and refuses to run
   below its compiled maximum; report that maximum and leave the real limit
   alone. */
int getrlimit(__rlimit_resource_t resource, struct rlimit *rl) {
    if (syscall(SYS_prlimit64, 0, resource, NULL, rl) != 0) return -1;
    if (resource == RLIMIT_NOFILE) rl->rlim_max = 1048576;
    return 0;
}

int setrlimit(__rlimit_resource_t resource, const struct rlimit *rl) {
    if (resource == RLIMIT_NOFILE) return 0;
    return (int)syscall(SYS_prlimit64, 0, resource, rl, NULL);
}
"""

PR_SET_PDEATHSIG = 1


class HubUnavailable(Exception):
    """The hub cannot be prepared or started on this machine."""


def free_ports(count):
    """Returns `count` distinct TCP ports that are free on 127.0.0.1 now."""
    socks = []
    try:
        for _ in range(count):
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.bind(("127.0.0.1", 0))
            socks.append(s)
        return [s.getsockname()[1] for s in socks]
    finally:
        for s in socks:
            s.close()


def port_open(port, host="127.0.0.1"):
    try:
        with socket.create_connection((host, port), timeout=1):
            return True
    except OSError:
        return False


def die_with_parent():
    # Runs in the child between fork and exec: should the test process be
    # killed outright, the kernel stops the hub too instead of orphaning it.
    try:
        libc = ctypes.CDLL("libc.so.6", use_errno=True)
        libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)
    except OSError:
        pass


def _run_user():
    """(uid, gid) to run the hub as: `irc` when we are root, else ourselves."""
    if os.geteuid() != 0:
        return None
    try:
        pw = pwd.getpwnam("irc")
    except KeyError as err:
        raise HubUnavailable("the system user irc does not exist (is ircd-ircu installed?)") from err
    return pw.pw_uid, pw.pw_gid


def hub_config(client_port, server_port, motd_path, services_name=SERVICES_NAME,
               link_password=LINK_PASSWORD, taking_servers=True):
    """The ircd.conf text (2.10.12 block syntax) of a hub that takes the
    services as a hub-flagged, U-lined peer on 127.0.0.1; without
    `taking_servers` the server port is not opened."""
    server_listener = (f'Port {{ vhost = "127.0.0.1"; port = {server_port}; server = yes; }};\n'
                       if taking_servers else "")
    return f"""General {{
  name = "{HUB_NAME}";
  description = "tesselsv test hub";
  numeric = {HUB_NUMERIC};
}};

Admin {{
  Location = "tesselsv end-to-end tests";
  Contact = "root@localhost";
}};

Class {{
  name = "Server";
  pingfreq = {SERVER_PINGFREQ} seconds;
  connectfreq = 5 minutes;
  maxlinks = 1;
  sendq = 9000000;
}};

Class {{
  name = "Local";
  pingfreq = 2 minutes;
  sendq = 160000;
  maxlinks = 200;
}};

Class {{
  name = "Opers";
  pingfreq = 2 minutes;
  sendq = 160000;
  maxlinks = 20;
  local = no;
}};

Client {{
  ip = "*@*";
  host = "*@*";
  class = "Local";
}};

Connect {{
  name = "{services_name}";
  host = "127.0.0.1";
  password = "{link_password}";
  port = {server_port};
  class = "Server";
  autoconnect = no;
  hub;
}};

UWorld {{
  name = "{services_name}";
}};

Operator {{
  name = "{OPER_NAME}";
  host = "*@127.0.0.1";
  password = "$PLAIN${OPER_PASSWORD}";
  class = "Opers";
  local = no;
}};

Motd {{
  host = "*";
  file = "{motd_path}";
}};

{server_listener}Port {{ vhost = "127.0.0.1"; port = {client_port}; }};

features {{
  "HUB" = "TRUE";
  "NODNS" = "TRUE";
  "CONFIG_OPERCMDS" = "TRUE";
  "IPCHECK_CLONE_LIMIT" = "100";
  "MPATH" = "{motd_path}";
  "PPATH" = "ircd.pid";
  "LOG" = "SYSTEM" "FILE" "ircd.log";
  "LOG" = "SYSTEM" "LEVEL" "INFO";
}};
"""


class Hub:
    """One hub process in a private directory.

    prepare() copies, verifies and patches the binary and builds the preload
    library; start() writes the configuration and waits (bounded) until both
    ports accept connections; stop() ends the process and removes the
    directory. Every failure to prepare or start raises HubUnavailable with
    the reason and the hub's own output.
    """

    def __init__(self, client_port=None, server_port=None, workdir=None):
        self.requested_ports = (client_port, server_port)
        self.client_port = client_port
        self.server_port = server_port
        self._own_dir = workdir is None
        self.dir = workdir or tempfile.mkdtemp(prefix="tessel-hub-")
        self.proc = None
        self.output_path = os.path.join(self.dir, "hub.out")
        self.binary = os.path.join(self.dir, "ircd")
        self.preload = os.path.join(self.dir, "fdlimit.so")
        self.config = os.path.join(self.dir, "ircd.conf")
        self.motd = os.path.join(self.dir, "ircd.motd")
        self.user = None

    # -- preparation ---------------------------------------------------

    def prepare(self):
        self.user = _run_user()
        if not os.path.exists(SHIPPED_BINARY):
            raise HubUnavailable(f"{SHIPPED_BINARY} is missing (install the package ircd-ircu)")
        with open(SHIPPED_BINARY, "rb") as f:
            image = bytearray(f.read())
        digest = hashlib.sha256(image).hexdigest()
        if digest != SHIPPED_SHA256:
            raise HubUnavailable(
                f"{SHIPPED_BINARY} has sha256 {digest}, not the 2.10.12.10 build this "
                f"harness knows how to patch ({SHIPPED_SHA256})")
        found = bytes(image[CAPACITY_OFFSET:CAPACITY_OFFSET + len(CAPACITY_BYTES)])
        if found != CAPACITY_BYTES:
            raise HubUnavailable(
                f"{SHIPPED_BINARY}: bytes at {CAPACITY_OFFSET:#x} are {found.hex()}, "
                f"expected {CAPACITY_BYTES.hex()}")
        image[CAPACITY_OFFSET + 1:CAPACITY_OFFSET + 5] = PATCHED_CAPACITY.to_bytes(4, "little")
        with open(self.binary, "wb") as f:
            f.write(image)
        os.chmod(self.binary, 0o755)
        self._build_preload()
        with open(self.motd, "w") as f:
            f.write("tesselsv test hub\n")
        self._hand_over()

    def _build_preload(self):
        src = os.path.join(self.dir, "fdlimit.c")
        with open(src, "w") as f:
            f.write(PRELOAD_SOURCE)
        cc = shutil.which("gcc") or shutil.which("cc")
        if cc is None:
            raise HubUnavailable("no C compiler (gcc) to build the hub's preload library")
        try:
            res = subprocess.run([cc, "-shared", "-fPIC", "-O2", "-o", self.preload, src],
                                 capture_output=True, text=True, timeout=120)
        except subprocess.TimeoutExpired as err:
            raise HubUnavailable("building the preload library timed out") from err
        if res.returncode != 0:
            raise HubUnavailable("building the preload library failed:\n" + res.stderr)

    def _hand_over(self):
        """Makes the directory and its files the hub user's own."""
        if self.user is None:
            return
        uid, gid = self.user
        for name in [self.dir] + [os.path.join(self.dir, n) for n in os.listdir(self.dir)]:
            os.chown(name, uid, gid)
        os.chmod(self.dir, 0o755)

    # -- running ---------------------------------------------------------

    def start(self, timeout=60.0, attempts=3):
        """Starts the hub; free ports are drawn again if one got taken
        between choosing it and the hub binding it."""
        last = None
        for _ in range(attempts):
            self.client_port, self.server_port = self.requested_ports
            if self.client_port is None or self.server_port is None:
                self.client_port, self.server_port = free_ports(2)
            try:
                self._start_once(timeout)
                return self
            except HubUnavailable as err:
                last = err
                self._kill()
                if None not in self.requested_ports:
                    break
        raise last

    def _write_config(self, taking_servers=True):
        with open(self.config, "w") as f:
            f.write(hub_config(self.client_port, self.server_port, self.motd,
                               taking_servers=taking_servers))
        self._hand_over()

    def _start_once(self, timeout, taking_servers=True):
        self._write_config(taking_servers)
        env = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LD_PRELOAD": self.preload}
        kwargs = {}
        if self.user is not None:
            kwargs = {"user": self.user[0], "group": self.user[1], "extra_groups": []}
        out = open(self.output_path, "ab")
        try:
            self.proc = subprocess.Popen(
                [self.binary, "-n", "-d", self.dir, "-f", self.config],
                cwd=self.dir, env=env, stdin=subprocess.DEVNULL, stdout=out,
                stderr=subprocess.STDOUT, preexec_fn=die_with_parent,
                # Out of the terminal's process group: ircu takes SIGINT as
                # "restart", and a Ctrl-C meant for the services must not
                # reach it.
                start_new_session=True, **kwargs)
        finally:
            out.close()
        _live_hubs.add(self)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise HubUnavailable(
                    f"the hub exited with status {self.proc.returncode}:\n{self.output()}")
            if port_open(self.client_port) and (not taking_servers
                                                or port_open(self.server_port)):
                return
            time.sleep(0.2)
        raise HubUnavailable(
            f"the hub did not open ports {self.client_port}/{self.server_port} "
            f"within {timeout:.0f} s:\n{self.output()}")

    def restart(self, timeout=20.0, taking_servers=True, attempts=4):
        """Stops the hub process and starts it again on the same ports, as a
        network would see a hub that went down and came back: every link and
        client of the old process is gone. A port the old process held a
        moment too long is tried again (`attempts` starts of up to `timeout`
        seconds each). Without `taking_servers` the hub takes clients only
        until take_servers()."""
        self._kill()
        for attempt in range(attempts):
            try:
                self._start_once(timeout, taking_servers)
                return self
            except HubUnavailable:
                self._kill()
                if attempt == attempts - 1:
                    raise
                time.sleep(1)
        return self

    def take_servers(self, timeout=15.0):
        """Opens the server port of a hub restarted without it: the
        configuration gains the port and the hub re-reads it (SIGHUP), again
        until the port accepts connections."""
        self._write_config(taking_servers=True)
        deadline = time.monotonic() + timeout
        while not port_open(self.server_port):
            if time.monotonic() >= deadline or not self.running():
                raise HubUnavailable(f"the hub did not open port {self.server_port} "
                                     f"on a re-read:\n{self.output()}")
            self.proc.send_signal(signal.SIGHUP)
            time.sleep(0.5)
        return self

    def output(self):
        """What the hub wrote to its standard output and its log so far."""
        parts = []
        for path in (self.output_path, os.path.join(self.dir, "ircd.log")):
            try:
                with open(path, "rb") as f:
                    text = f.read().decode("utf-8", "replace")
            except OSError:
                continue
            if text:
                parts.append(f"--- {os.path.basename(path)}\n{text[-4000:]}")
        return "\n".join(parts) or "(no output)"

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def _kill(self, grace=10.0):
        proc, self.proc = self.proc, None
        _live_hubs.discard(self)
        if proc is None or proc.poll() is not None:
            return
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=10)

    def stop(self):
        self._kill()
        if self._own_dir:
            shutil.rmtree(self.dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


# Hubs still running when the interpreter exits (an interrupted session) are
# stopped here; the parent-death signal covers a killed interpreter.
_live_hubs = set()


@atexit.register
def _stop_leftovers():
    for hub in list(_live_hubs):
        hub.stop()


def start_hub(timeout=60.0):
    """Prepares and starts a hub on free ports; the caller stops it."""
    hub = Hub()
    try:
        hub.prepare()
        hub.start(timeout=timeout)
    except BaseException:
        hub.stop()
        raise
    return hub
