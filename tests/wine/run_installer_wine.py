#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The Windows installer under Wine: a silent install into a fresh prefix,
the installed window started, a silent uninstall that leaves nothing.

usage: run_installer_wine.py SETUP_EXE

1. A fresh private prefix whose COM ports all lead nowhere, checked before
   anything runs (and by wine-run before each program).
2. SETUP_EXE /S /D=C:\\canalarm-test: canalarm-gui.exe and canalarm.exe at
   the top of that folder, the Start-menu entry, the uninstall entry and the
   *.hexfw file type (opening in canalarm-gui.exe) in the registry.
3. The installed canalarm.exe answers --version; the installed window starts
   in Xvfb (its window appears) and ends with exit 0 on Alt+F4.
4. Uninstall.exe /S: the folder, the Start-menu entry, the uninstall entry
   and the file type are gone (polled: the uninstaller finishes in a copy of
   itself after the first process has ended).
"""
import glob
import os
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import run_wine_tests as wine  # noqa: E402
from wine_gui import end_run, make_prefix, start_xvfb, wait_for  # noqa: E402

FOLDER = r"C:\canalarm-test"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\canalarm"
TYPE_KEYS = (r"HKLM\Software\Classes\.hexfw", r"HKLM\Software\Classes\canalarm.hexfw")
TITLE = "Bootloader"


def reg_query(env, key, value=None):
    """The registry key's (or value's) text as `reg query` prints it, None if absent."""
    args = [wine.WINE, "reg", "query", key] + (["/v", value] if value else ["/ve"] if value == "" else [])
    got = subprocess.run(args, env=env, capture_output=True, text=True)
    return got.stdout if got.returncode == 0 else None


def start_menu_links(prefix):
    return glob.glob(os.path.join(prefix, "drive_c", "**", "Start Menu", "**", "*.lnk"), recursive=True)


def unix_folder(prefix):
    return os.path.join(prefix, "drive_c", FOLDER[3:])


def main():
    setup = os.path.abspath(sys.argv[1])
    started = time.monotonic()
    workdir = tempfile.mkdtemp(prefix="canalarm-installer-wine-")
    prefix = os.path.join(workdir, "prefix")
    env = wine.wine_env(prefix)
    xvfb = program = None
    try:
        xvfb, display = start_xvfb()
        env = make_prefix(prefix, workdir, display)
        links_before = set(start_menu_links(prefix))
        folder = unix_folder(prefix)

        got = subprocess.run([wine.WINE_RUN, setup, "/S", "/D=" + FOLDER], env=env, timeout=300)
        if got.returncode != 0:
            sys.exit("the installer ended with %d" % got.returncode)
        for program_file in ("canalarm-gui.exe", "canalarm.exe", "Qt6Core.dll", "platforms/qwindows.dll",
                             "LICENSE.txt", "licenses/QT-NOTICE.txt", "licenses/DejaVu-fonts.txt", "Uninstall.exe"):
            if not os.path.isfile(os.path.join(folder, program_file)):
                sys.exit("the installer put no %s in %s" % (program_file, FOLDER))
        links = set(start_menu_links(prefix)) - links_before
        if not any(os.path.basename(link) == "CAN Alarm Bootloader.lnk" for link in links):
            sys.exit("no Start-menu entry for the window: %s" % sorted(links))
        if reg_query(env, UNINSTALL_KEY, "UninstallString") is None:
            sys.exit("no uninstall entry %s" % UNINSTALL_KEY)
        kind = reg_query(env, TYPE_KEYS[0], "")
        command = reg_query(env, TYPE_KEYS[1] + r"\shell\open\command", "")
        if not kind or "canalarm.hexfw" not in kind or not command or \
                FOLDER + "\\canalarm-gui.exe" not in command:
            sys.exit("*.hexfw does not open in the window: %s / %s" % (kind, command))
        print("installed in %.1f s: %s; Start menu: %s" % (
            time.monotonic() - started, ", ".join(sorted(os.listdir(folder))),
            ", ".join(sorted(os.path.relpath(link, prefix) for link in links))))

        version = subprocess.run([wine.WINE_RUN, os.path.join(folder, "canalarm.exe"), "--version"],
                                 env=env, capture_output=True, text=True, timeout=60)
        if version.returncode != 0 or not version.stdout.strip():
            sys.exit("the installed canalarm.exe --version: %d %s" % (version.returncode, version.stderr))

        program = subprocess.Popen([wine.WINE_RUN, os.path.join(folder, "canalarm-gui.exe")], env=env)
        wid = wait_for(lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", TITLE], env=env,
            stdout=subprocess.PIPE, text=True).stdout.split(), 120, "the installed window")[0]
        subprocess.run(["xdotool", "key", "--window", wid, "alt+F4"], env=env, check=True)
        code = program.wait(timeout=60)
        program = None
        if code != 0:
            sys.exit("the installed canalarm-gui.exe ended with %d" % code)
        print("the installed window started and ended (exit 0)")

        got = subprocess.run([wine.WINE_RUN, os.path.join(folder, "Uninstall.exe"), "/S"], env=env, timeout=300)
        if got.returncode != 0:
            sys.exit("the uninstaller ended with %d" % got.returncode)

        def left_behind():
            left = []
            if os.path.exists(folder):
                left.append("%s: %s" % (FOLDER, os.listdir(folder)))
            left += sorted(set(start_menu_links(prefix)) - links_before)
            left += [key for key in (UNINSTALL_KEY,) + TYPE_KEYS if reg_query(env, key) is not None]
            return left
        try:
            wait_for(lambda: not left_behind(), 120, "the uninstall")
        except SystemExit:
            sys.exit("the uninstall left %s" % left_behind())
        print("the installer under Wine: passed in %.1f s" % (time.monotonic() - started))
        return 0
    finally:
        end_run(env, workdir, program=program, xvfb=xvfb)


if __name__ == "__main__":
    sys.exit(main())
