# SPDX-License-Identifier: MIT
"""What every end-to-end test of the command line shares: the programs under
test, a private ports folder and data folder (for the backups), emulators and tools that end with the test, and
polls for the moments a test waits for.

Every COM port of these tests is a link in a private ports folder (a
temporary XDG_CONFIG_HOME) to an emulator's pseudo-terminal, or masked by a
link to nothing; a test refuses to run the tool while a port resolves to
anything else. Every process a test starts ends with the test, whether it
passes or fails, and with the test's own process should that be killed.
"""
import ctypes
import json
import os
import re
import select
import signal
import subprocess
import sys
import tempfile
import time
import unittest

CANALARM = EMU = ASSEMBLED = None  # set by main() from the command line
MASK = "/nonexistent/canalarm-test"
PATIENCE = 30  # seconds: the longest any wait for a condition may take
RESTARTED = "restart on request"
# Emulator options for a module that only a test's restart() restarts.
STEADY = ("--idle-reset", "0")

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)


def die_with_parent(parent):
    """For subprocess's preexec_fn, in the child: it is killed when the
    process `parent` ends, also when a test runner kills that first."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)
    if os.getppid() != parent:  # the parent ended before the prctl
        os._exit(1)


def dies_with_this_process():
    """A preexec_fn for Popen: the child is killed when this process ends."""
    parent = os.getpid()
    return lambda: die_with_parent(parent)


def start_process(args, env, **options):
    """Popen of a child that cannot outlive the test's process."""
    return subprocess.Popen(args, env=env, preexec_fn=dies_with_this_process(), **options)


def end_process(process):
    """Kills `process` if it still runs and reaps it; closes its pipes."""
    if process.poll() is None:
        process.kill()
    process.wait()
    for stream in (process.stdin, process.stdout, process.stderr):
        if stream:
            stream.close()


def poll_until(condition, what, timeout=PATIENCE, interval=0.005):
    """Polls `condition` until it holds; fails the test after `timeout`."""
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f"waited {timeout} s in vain for {what}")
        time.sleep(interval)


class Emulator:
    """One canalarm-emu process, reachable as COMn when `com` is given. Its
    transcript is stamped on the monotonic clock, so that its moments line up
    with time.monotonic() here.

    The tool's RTS pulse, which restarts a real module, cannot travel over a
    pseudo-terminal; the emulator's stand-in is a quiet line (--idle-reset,
    450 ms, against the tool's 600 ms of quiet). A module that meets long
    links (uploads, and parameter writes with their backup and double
    read), one operation at a time, runs STEADY instead: a pause of a loaded
    machine mid-link must not restart it, and a test restarts it with
    restart() before its next operation."""

    def __init__(self, env, com, *options, folder):
        self.com = com
        self.workdir = tempfile.mkdtemp(prefix="emu-", dir=folder)
        self.flash = os.path.join(self.workdir, "flash.bin")
        self.eeprom = os.path.join(self.workdir, "eeprom.bin")
        self.transcript = os.path.join(self.workdir, "transcript.txt")
        self.errors = os.path.join(self.workdir, "stderr.txt")
        # The port's mask gives way to the emulator, which puts it back when it ends.
        link = [] if com is None else ["--link", f"COM{com}", "--replace-link"]
        args = [EMU, *link, "--dump-flash", self.flash, "--dump-eeprom", self.eeprom,
                "--transcript", self.transcript, "--transcript-clock", "monotonic", *options]
        with open(self.errors, "w") as errors:
            self.process = start_process(args, env, stdout=subprocess.PIPE, stderr=errors, text=True)
        # The first line comes once everything is set up, the link included.
        ready = select.select([self.process.stdout], [], [], PATIENCE)[0]
        self.device = self.process.stdout.readline().strip() if ready else ""
        target = self.device
        if com is not None:
            target = os.path.realpath(os.path.join(env["XDG_CONFIG_HOME"], "canalarm", "ports",
                                                   f"com{com}"))
        if not target.startswith("/dev/pts/") or target != self.device:
            end_process(self.process)
            with open(self.errors) as f:
                said = f.read().strip()
            raise RuntimeError(f"COM{com} resolves to {target!r}, not the emulator's "
                               f"pseudo-terminal {self.device!r}; canalarm-emu said {said!r}")

    def stop(self):
        """Ends the emulator by SIGTERM, so that its images are dumped; one
        that does not end is killed, and the test fails."""
        hung = False
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=PATIENCE)
            except subprocess.TimeoutExpired:
                hung = True
        end_process(self.process)
        if hung:
            raise AssertionError(f"canalarm-emu on {self.device} did not end on SIGTERM")

    def restart(self):
        """Restarts the module, as the RTS pulse of the tool's next operation
        would (SIGUSR2), and waits until the emulator has done it."""
        done = self.text().count(RESTARTED)
        self.process.send_signal(signal.SIGUSR2)
        poll_until(lambda: self.text().count(RESTARTED) > done, "the emulator to restart")

    def text(self):
        """The transcript as it stands, the emulator still running."""
        with open(self.transcript) as f:
            return f.read()

    def traffic(self):
        """The transcript's lines about the line: wake-ups, keys, packets."""
        self.stop()
        return [line for line in self.text().splitlines() if not line.rstrip().endswith("stopped")]

    def images(self):
        self.stop()
        with open(self.flash, "rb") as f, open(self.eeprom, "rb") as e:
            return f.read(), e.read()


class E2eTest(unittest.TestCase):
    """A private ports folder with COM1..COM{MASKED_PORTS} masked, fake empty
    sysfs and /dev trees, and the emulators and tools of one test."""

    MASKED_PORTS = 50

    def setUp(self):
        self.config = tempfile.TemporaryDirectory(prefix="canalarm-xdg-")
        self.addCleanup(self.config.cleanup)
        self.emulators = []
        self.tools = []
        self.addCleanup(self.end_processes)
        sys_root, dev_root = self.fake_roots(self.config.name)
        # The backups the tool saves before every write go there too, never
        # into the user's own data folder.
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.config.name,
                        XDG_DATA_HOME=os.path.join(self.config.name, "data"),
                        CANALARM_SYSFS_ROOT=sys_root, CANALARM_DEV_ROOT=dev_root)
        self.ports = os.path.join(self.config.name, "canalarm", "ports")
        os.makedirs(self.ports)
        # Every port the tool could probe leads nowhere until an emulator links
        # it, so that no COM number falls back to a real device such as /dev/ttyS0.
        for n in range(1, self.MASKED_PORTS + 1):
            os.symlink(MASK, os.path.join(self.ports, f"com{n}"))

    def fake_roots(self, folder):
        """The sysfs and /dev that `ports` describes: empty trees here, so
        that it never opens a device of this machine."""
        roots = os.path.join(folder, "sys"), os.path.join(folder, "dev")
        for root in roots:
            os.makedirs(root)
        return roots

    def end_processes(self):
        for tool in self.tools:
            end_process(tool)
        failures = []
        for emu in self.emulators:
            try:
                emu.stop()
            except AssertionError as e:
                failures.append(str(e))
        if failures:
            raise AssertionError("; ".join(failures))

    # --- emulators ------------------------------------------------------------------

    def emulator(self, com=1, *options):
        emu = Emulator(self.env, com, *options, folder=self.config.name)
        self.emulators.append(emu)
        return emu

    def remask(self, com):
        """An emulator that is killed cannot put the port's mask back; mask
        the port again so that it never falls back to a real device."""
        link = os.path.join(self.ports, f"com{com}")
        if not os.path.lexists(link):
            os.symlink(MASK, link)

    def wait_for_transcript(self, emu, text, timeout=PATIENCE):
        poll_until(lambda: text in emu.text(), f"the emulator to log {text!r}", timeout)

    def transcript_moment(self, emu, pattern):
        """The first match of `pattern` (after the stamp) in the transcript,
        waited for: (monotonic seconds, match)."""
        found = []

        def seen():
            for line in emu.text().splitlines():
                stamp, _, event = line.partition("  ")
                m = re.search(pattern, event)
                if m:
                    found.append((float(stamp), m))
                    return True
            return False

        poll_until(seen, f"the emulator to log {pattern!r}")
        return found[0]

    # --- the command line -------------------------------------------------------------

    def check_ports(self):
        """Refuses to go on while a COM number leads to anything but a
        pseudo-terminal (or to nothing)."""
        for name in os.listdir(self.ports):
            if not re.fullmatch(r"com[0-9]+", name):
                continue  # an emulator's note of the link it replaced
            target = os.path.realpath(os.path.join(self.ports, name))
            if os.path.exists(target) and not target.startswith("/dev/pts/"):
                raise RuntimeError(f"REFUSING TO RUN: {name} leads to {target}")

    def canalarm(self, *args, timeout=300):
        """Runs the command line to its end: (status, stdout, stderr). The
        limit is there to catch a hang: a sanitized build on a loaded machine
        takes a minute to read a 100 MB file."""
        tool = self.start(*args)
        try:
            out, err = tool.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            end_process(tool)
            self.fail(f"canalarm {' '.join(args)} still ran after {timeout} s")
        return tool.returncode, out, err

    def canalarm_json(self, *args):
        status, out, err = self.canalarm(*args, "--json")
        return status, json.loads(out), err

    def start(self, *args):
        """Starts the command line; it ends with the test at the latest."""
        self.check_ports()
        tool = start_process([CANALARM, *args], self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
        self.tools.append(tool)
        return tool

    def wait_until_open(self, process, device, timeout=PATIENCE):
        """Polls until `process` holds `device` open (the link has started)."""
        fd_dir = f"/proc/{process.pid}/fd"

        def holds():
            if process.poll() is not None:
                self.fail("the tool ended before it opened the port")
            try:
                names = os.listdir(fd_dir)
            except FileNotFoundError:
                return False
            for fd in names:
                try:
                    if os.path.realpath(os.path.join(fd_dir, fd)) == device:
                        return True
                except OSError:
                    pass
            return False

        poll_until(holds, f"the tool to open {device}", timeout, interval=0.001)

    def hexfw(self, name="demo_firmware.hex"):
        """The assembled HEX file `name`, record-encoded by the tool."""
        path = os.path.join(self.config.name, name + "fw")
        status, _, err = self.canalarm("encode", os.path.join(ASSEMBLED, name), "-o", path)
        self.assertEqual(status, 0, err)
        return path


def main(programs=("CANALARM", "EMU", "ASSEMBLED")):
    """Takes the programs from the command line, then runs the tests named
    after them (all when none is)."""
    for i, name in enumerate(programs, start=1):
        globals()[name] = sys.argv[i]
    unittest.main(module="__main__", argv=sys.argv[:1] + sys.argv[len(programs) + 1:],
                  verbosity=2)
