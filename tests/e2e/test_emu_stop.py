#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""canalarm-emu ends on a stop signal, however soon after its start it
comes: 200 starts, each stopped with SIGTERM as soon as it has printed its
device, and every one must end (a missed stop never would; the slowest stop
is printed, how fast it is is no matter for a test). SIGUSR1 is no stop: the
module falls silent and the emulator goes on until SIGTERM. A ports folder in
a temporary XDG_CONFIG_HOME keeps the emulator's link away from the user's.

usage: test_emu_stop.py CANALARM_EMU [STARTS]
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_base import PATIENCE, end_process, start_process  # noqa: E402


def launch(emu, env, *options):
    """A running emulator and its device, or None when it printed no pseudo-terminal."""
    process = start_process([emu, "--link", "COM7", *options], env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    device = process.stdout.readline().strip()
    if not device.startswith("/dev/pts/"):
        end_process(process)
        print(f"the emulator said {device!r}, not a pseudo-terminal")
        return None
    return process


def hang_is_no_stop(emu, env, folder):
    """SIGUSR1 is noted in the transcript and the emulator keeps running."""
    transcript = os.path.join(folder, "transcript.txt")
    process = launch(emu, env, "--transcript", transcript)
    if process is None:
        return False
    process.send_signal(signal.SIGUSR1)
    deadline = time.monotonic() + PATIENCE
    noted = False
    while not noted and time.monotonic() < deadline and process.poll() is None:
        with open(transcript) as f:
            noted = "silent on request" in f.read()
        time.sleep(0.01)
    running = process.poll() is None
    process.send_signal(signal.SIGTERM)
    try:
        status = process.wait(timeout=PATIENCE)
    except subprocess.TimeoutExpired:
        status = "none: it still ran"
    end_process(process)
    if not (noted and running and status == 0):
        print(f"SIGUSR1: noted {noted}, still running {running}, exit status {status}")
        return False
    return True


def main():
    emu = sys.argv[1]
    starts = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    slowest = 0.0
    with tempfile.TemporaryDirectory(prefix="canalarm-xdg-") as config:
        env = dict(os.environ, XDG_CONFIG_HOME=config)
        for start in range(starts):
            process = launch(emu, env)
            if process is None:
                return 1
            stopped = time.monotonic()
            process.send_signal(signal.SIGTERM)
            try:
                status = process.wait(timeout=PATIENCE)
            except subprocess.TimeoutExpired:
                end_process(process)
                print(f"start {start}: still running {PATIENCE} s after SIGTERM")
                return 1
            end_process(process)
            took = time.monotonic() - stopped
            slowest = max(slowest, took)
            if status != 0:
                print(f"start {start}: exit status {status}")
                return 1
        if not hang_is_no_stop(emu, env, config):
            return 1
    print(f"{starts} starts and stops, the slowest stop took {slowest:.3f} s; SIGUSR1 is no stop")
    return 0


if __name__ == "__main__":
    sys.exit(main())
