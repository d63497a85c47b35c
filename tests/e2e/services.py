"""The services daemon under test, run in a private directory.

The daemon reads its configuration and databases from the directory of its
executable, so the binary is copied into a temporary directory together with
a generated tesselsv.ini and any seeded database files, and started there with
"foreground". stop() sends SIGTERM and waits (bounded) for the exit.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

import hub as hubmod


REPO_ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DATABASE_FILES = ("nickserv.db", "chanserv.db", "operserv.db")
# What the daemon prints when a handler failed, and the sanitizers' reports.
FAULT_REPORTS = ("exception in parsecommand", "AddressSanitizer", "LeakSanitizer",
                 "runtime error:")


def binary_path():
    return os.environ.get("TESSELSV_BINARY") or os.path.join(REPO_ROOT, "build", "tesselsv")


def default_settings(server_port):
    """Configuration that links to the test hub as the server it expects."""
    return {
        "CONNECTADDR": "127.0.0.1",
        "CONNECTPORT": str(server_port),
        "CONNECTPASS": hubmod.LINK_PASSWORD,
        "SERVERNAME": hubmod.SERVICES_NAME,
        "SERVERID": str(hubmod.SERVICES_NUMERIC),
        "SERVERGCOS": "tesselsv under test",
        "LOGFILE": "tesselsv.log",
        "LOGMASK": "32767",  # every category, raw inbound lines included
    }


def render_ini(settings):
    return "".join(f"{key}={value}\n" for key, value in settings.items())


class Services:
    def __init__(self, server_port, settings=None, databases=None, binary=None, workdir=None):
        self.binary_source = binary or binary_path()
        self._own_dir = workdir is None
        self.dir = workdir or tempfile.mkdtemp(prefix="tessel-sv-")
        self.settings = default_settings(server_port)
        self.settings.update(settings or {})
        self.databases = dict(databases or {})
        self.binary = os.path.join(self.dir, "tesselsv")
        self.output_path = os.path.join(self.dir, "stdout.txt")
        self.proc = None
        self.exit_status = None
        self.stops = []  # (signal sent, exit status) of every stop()
        self.unasked_ends = []  # exit statuses of runs that ended before a stop()

    def path(self, name):
        return os.path.join(self.dir, name)

    def prepare(self):
        if not os.path.isfile(self.binary_source):
            raise FileNotFoundError(f"the daemon {self.binary_source} is not built")
        # A copy, not a link: the daemon's working directory is the directory
        # its own path names, and databases written there stay private.
        shutil.copy2(self.binary_source, self.binary)
        with open(self.path("tesselsv.ini"), "w") as f:
            f.write(render_ini(self.settings))
        for name, text in self.databases.items():
            with open(self.path(name), "w") as f:
                f.write(text)
        return self

    def start(self):
        out = open(self.output_path, "ab")
        try:
            self.proc = subprocess.Popen(
                [self.binary, "foreground"], cwd=self.dir, stdin=subprocess.DEVNULL,
                stdout=out, stderr=subprocess.STDOUT, preexec_fn=hubmod.die_with_parent,
                start_new_session=True)
        finally:
            out.close()
        self.exit_status = None
        return self

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def stop(self, timeout=20.0, sig=signal.SIGTERM):
        """Sends the signal (SIGTERM unless told), then waits up to `timeout`
        seconds; a daemon that does not stop is killed. Returns the exit
        status (negative for a signal), or None when it had to be killed."""
        proc = self.proc
        if proc is None:
            return self.exit_status
        if proc.poll() is not None:
            self.unasked_ends.append(proc.returncode)
        else:
            proc.send_signal(sig)
            try:
                proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout=10)
                self.proc = None
                self.exit_status = None
                self.stops.append((sig, None))
                return None
            self.stops.append((sig, proc.returncode))
        self.exit_status = proc.returncode
        self.proc = None
        return self.exit_status

    def wait_for_exit(self, timeout=20.0):
        """Waits for an end the test itself caused (OperServ DIE): the daemon
        must exit by itself within `timeout` seconds. Returns the exit status;
        such an end does not count as one nobody asked for."""
        proc = self.proc
        status = proc.wait(timeout=timeout)
        self.stops.append((None, status))
        self.exit_status = status
        self.proc = None
        return status

    def faults(self):
        """What went wrong with the daemon's health, once it is stopped: an
        end nobody asked for, a SIGTERM that did not end it with status 0,
        and what it reported of failed handlers and sanitizer findings."""
        found = [f"the daemon ended by itself with status {status}"
                 for status in self.unasked_ends]
        for sig, status in self.stops:
            if sig == signal.SIGTERM and status != 0:
                found.append("the daemon did not stop within the limit after SIGTERM"
                             if status is None else f"the daemon exited with status {status} "
                             "after SIGTERM")
        output = self.output()
        found += [f"the daemon reported {report!r}" for report in FAULT_REPORTS
                  if report in output]
        return found

    def cleanup(self):
        self.stop()
        if self._own_dir:
            shutil.rmtree(self.dir, ignore_errors=True)

    # -- what the daemon left behind ---------------------------------------

    def read(self, name):
        try:
            with open(self.path(name), "rb") as f:
                return f.read().decode("utf-8", "replace")
        except FileNotFoundError:
            return ""

    def log(self):
        return self.read(self.settings.get("LOGFILE", "tesselsv.log"))

    def output(self):
        return self.read("stdout.txt")

    def wait_for_log(self, pattern, timeout=15.0):
        """Waits until the log file has a line matching the regular
        expression and returns it."""
        rx = re.compile(pattern)
        deadline = time.monotonic() + timeout
        while True:
            for line in self.log().splitlines():
                if rx.search(line):
                    return line
            if time.monotonic() >= deadline:
                raise AssertionError(f"no log line matching {pattern!r} within {timeout} s; "
                                     f"log:\n{self.log()[-3000:]}")
            time.sleep(0.2)

    def diagnostics(self):
        """Everything worth showing when a test fails."""
        if self.running():
            state = "still running"
        elif self.proc is not None:
            state = f"exited with status {self.proc.returncode}"
        else:
            state = f"stopped, status {self.exit_status}"
        return (f"--- daemon {state}\n"
                f"--- daemon stdout\n{self.output()[-3000:] or '(empty)'}\n"
                f"--- daemon log\n{self.log()[-3000:] or '(empty)'}")
