#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""canalarm-emu ends promptly on a stop signal, however soon after its start
it comes: 200 starts, each stopped with SIGTERM as soon as it has printed its
device, none may take over 2 seconds to end. A ports folder in a temporary
XDG_CONFIG_HOME keeps the emulator's link away from the user's.

usage: test_emu_stop.py CANALARM_EMU [STARTS]
"""
import os
import signal
import subprocess
import sys
import tempfile
import time

LIMIT = 2.0


def main():
    emu = sys.argv[1]
    starts = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    slowest = 0.0
    with tempfile.TemporaryDirectory(prefix="canalarm-xdg-") as config:
        env = dict(os.environ, XDG_CONFIG_HOME=config)
        for start in range(starts):
            process = subprocess.Popen([emu, "--link", "COM7"], env=env, stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL, text=True)
            device = process.stdout.readline().strip()
            if not device.startswith("/dev/pts/"):
                process.kill()
                process.wait()
                print(f"start {start}: the emulator said {device!r}, not a pseudo-terminal")
                return 1
            stopped = time.monotonic()
            process.send_signal(signal.SIGTERM)
            try:
                status = process.wait(timeout=LIMIT)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                print(f"start {start}: still running {LIMIT} s after SIGTERM")
                return 1
            process.stdout.close()
            took = time.monotonic() - stopped
            slowest = max(slowest, took)
            if status != 0:
                print(f"start {start}: exit status {status}")
                return 1
    print(f"{starts} starts and stops, the slowest stop took {slowest:.3f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
