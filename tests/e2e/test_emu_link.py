#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""canalarm-emu --link COMn and the links a fitter made: a link the emulator
did not make is refused, or with --replace-link taken over and put back when
the emulator ends on SIGTERM or SIGINT; the link of a killed emulator is
taken over without asking.

The ports folder is private (a temporary XDG_CONFIG_HOME). A fitter's link
leads to /dev/ttyUSB0, which no test opens: `canalarm` runs only on a port
that resolves to the emulator's pseudo-terminal. Every process ends with the
test (e2e_base).

usage: test_emu_link.py CANALARM CANALARM_EMU
"""
import os
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_base as e2e  # noqa: E402

FITTERS_DEVICE = "/dev/ttyUSB0"


class EmuLinkTest(unittest.TestCase):
    def setUp(self):
        self.config = tempfile.TemporaryDirectory(prefix="canalarm-xdg-")
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.config.name)
        self.ports = os.path.join(self.config.name, "canalarm", "ports")
        os.makedirs(self.ports)
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            e2e.end_process(process)
        self.config.cleanup()

    def link(self, com):
        return os.path.join(self.ports, f"com{com}")

    def target(self, com):
        """Where comN leads, as the link says; None without a link."""
        return os.readlink(self.link(com)) if os.path.islink(self.link(com)) else None

    def start(self, com, *options):
        """An emulator on COMn: (process, its pseudo-terminal or '' when it did not start).
        A fresh module waits for the wake-up: no restart on a quiet line, which
        a loaded machine could otherwise cause in the middle of a read."""
        process = e2e.start_process([e2e.EMU, "--link", f"COM{com}", *e2e.STEADY, *options],
                                    self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    text=True)
        self.processes.append(process)
        return process, process.stdout.readline().strip()

    def stop(self, process, sig=signal.SIGTERM):
        process.send_signal(sig)
        self.assertEqual(process.wait(timeout=20), 0)

    def version_read(self, com, device):
        """A version read on COMn, once COMn is seen to lead to the emulator."""
        resolved = os.path.realpath(self.link(com))
        if not device.startswith("/dev/pts/") or resolved != device:
            self.fail(f"refusing to run: COM{com} leads to {resolved}, not the emulator's {device!r}")
        run = subprocess.run([e2e.CANALARM, "version", "--port", f"COM{com}"], env=self.env,
                             capture_output=True, text=True, timeout=300,
                             preexec_fn=e2e.dies_with_this_process())
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertIn("Program version: CANALARM EMU 1.0", run.stdout)

    def test_a_link_the_emulator_did_not_make_is_refused_and_left_alone(self):
        os.symlink(FITTERS_DEVICE, self.link(22))
        os.symlink("/nonexistent/hidden", self.link(23))
        for com, target in ((22, FITTERS_DEVICE), (23, "/nonexistent/hidden")):
            with self.subTest(com=com):
                process, device = self.start(com)
                self.assertEqual(device, "")
                self.assertEqual(process.wait(timeout=20), 1)
                said = process.stderr.read()
                self.assertIn(f"COM{com} is a link to {target}", said)
                self.assertIn("--replace-link", said)
                self.assertEqual(self.target(com), target)
        self.assertEqual(sorted(os.listdir(self.ports)), ["com22", "com23"])

    def test_a_replaced_link_comes_back_when_the_emulator_stops(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig.name):
                os.symlink(FITTERS_DEVICE, self.link(22))
                process, device = self.start(22, "--replace-link")
                self.assertEqual(self.target(22), device)
                self.version_read(22, device)
                self.stop(process, sig)
                self.assertEqual(self.target(22), FITTERS_DEVICE)
                self.assertIn(f"its link to {FITTERS_DEVICE} comes back", process.stderr.read())
                os.remove(self.link(22))
        self.assertEqual(os.listdir(self.ports), [])

    def test_a_killed_emulators_link_is_taken_over_and_the_fitters_comes_back(self):
        """SIGKILL leaves the emulator no moment to clean up: its link and note
        stay. The next emulator takes the link over without asking, however
        the pseudo-terminal's number has been given out since, and puts back
        the fitter's link that the killed one had replaced."""
        for before in (None, FITTERS_DEVICE):
            with self.subTest(before=before):
                if before:
                    os.symlink(before, self.link(24))
                killed, old_device = self.start(24, *(["--replace-link"] if before else []))
                self.assertEqual(self.target(24), old_device)
                killed.kill()
                killed.wait()
                self.assertEqual(self.target(24), old_device)

                process, device = self.start(24)
                self.assertTrue(device, process.stderr.read() if process.poll() is not None else "")
                self.assertEqual(self.target(24), device)
                self.version_read(24, device)
                self.stop(process)
                self.assertEqual(self.target(24), before)
                if before:
                    os.remove(self.link(24))
        self.assertEqual(os.listdir(self.ports), [])

    def test_the_link_of_a_running_emulator_is_not_taken(self):
        first, device = self.start(25)
        second, nothing = self.start(25)
        self.assertEqual(nothing, "")
        self.assertEqual(second.wait(timeout=20), 1)
        self.assertEqual(self.target(25), device)
        self.version_read(25, device)
        self.stop(first)
        self.assertIsNone(self.target(25))
        self.assertEqual(os.listdir(self.ports), [])


if __name__ == "__main__":
    e2e.main(("CANALARM", "EMU"))
