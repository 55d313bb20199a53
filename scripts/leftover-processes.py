#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Finds the processes a test run left behind: every process that carries
the run's mark (the environment variable CANALARM_TEST_RUN, which
scripts/test.sh sets once and every program it starts inherits) other than
this one and its ancestors. Those that a stage just told to stop (a server,
a window) get PATIENCE seconds to go; any still there then is named, killed,
and makes the exit status 1.

A process that clears its environment drops the mark: scripts that start
programs with a clean environment pass the mark on explicitly
(scripts/test-install.sh). Processes of other users cannot be read and are
not looked at; the install test checks its own root's processes itself.

usage: scripts/leftover-processes.py WHAT [PATIENCE]
  WHAT      the stage that has just ended, for the message
  PATIENCE  seconds to wait for processes that are ending (default 10)
"""
import os
import signal
import sys
import time

MARK = "CANALARM_TEST_RUN"


def ancestors():
    """This process and every process it descends from."""
    chain, pid = set(), os.getpid()
    while pid > 1 and pid not in chain:
        chain.add(pid)
        try:
            with open(f"/proc/{pid}/stat") as f:
                # The command name, in parentheses, may hold spaces: split after it.
                pid = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            break
    return chain


def marked(mark, skip):
    """{pid: command line} of the processes that carry `mark`."""
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) in skip:
            continue
        try:
            with open(f"/proc/{name}/environ", "rb") as f:
                if mark not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{name}/cmdline", "rb") as f:
                found[int(name)] = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except OSError:  # gone meanwhile, or another user's
            pass
    return found


def main():
    what = sys.argv[1] if len(sys.argv) > 1 else "the run"
    patience = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    value = os.environ.get(MARK)
    if not value:
        sys.exit(f"leftover-processes: {MARK} is not set; nothing to look for")
    mark = f"{MARK}={value}".encode()
    skip = ancestors()
    deadline = time.monotonic() + patience
    left = marked(mark, skip)
    while left and time.monotonic() < deadline:
        time.sleep(0.1)
        left = marked(mark, skip)
    if not left:
        return 0
    print(f"== {what} left {len(left)} process(es) running; killing them:", file=sys.stderr)
    for pid, command in sorted(left.items()):
        print(f"  {pid}  {command or '(no command line)'}", file=sys.stderr)
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    return 1


if __name__ == "__main__":
    sys.exit(main())
