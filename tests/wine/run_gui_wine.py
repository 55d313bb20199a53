#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""canalarm-gui.exe under Wine and Xvfb, clicked by xdotool as a fitter
would, against canalarm-emu on COM1.

usage: run_gui_wine.py WINDOWS_BUILD_DIR CANALARM_EMU [--shots DIR] [--wire-speed BPS]
  WINDOWS_BUILD_DIR  a Windows build with the window (docs/windows.md)
  CANALARM_EMU       a Linux build's emulator
  --shots            where the screenshots are kept (default BUILD/gui-shots)
  --wire-speed       the emulator's simulated wire (default 38400 bit/s)

1. The build is installed into a folder as the package lays it out
   (cmake --install); every DLL a file there imports must be beside it or
   Windows's, and the programs must use Qt's C++ runtime.
2. A fresh private Wine prefix: COM1 is the emulator's pseudo-terminal and
   every other COM port leads nowhere, checked before anything runs and again
   by wine-run before each program; fonts; no window decorations.
3. window_control_map.exe writes where the window's controls are (the same
   window class on the same platform, style and fonts).
4. canalarm-gui.exe FILE starts (FILE: the firmware, encoded by canalarm.exe);
   the window must appear. Clicks, each followed by the window's own text,
   read back through the clipboard (select all, copy, xclip); the emulated
   module is restarted before each operation, as an RTS pulse restarts a
   real one:
   - Read (version): the log shows the emulator's version and Finished;
   - Write (upload), with the file's settings instead of the module's: the
     log ends with Finished; the processor time the
     program and the Wine server took meanwhile is printed;
   - the parameters tab, Reading: the module sees sixteen block reads, the
     identity and the reset that the window sends only after a good read.
   A screenshot after each, none blank. Another speed is clicked, Alt+F4
   ends the program with exit 0, and the speed is in the registry; the
   emulator's FLASH and EEPROM images are the file's.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import run_wine_tests as wine  # noqa: E402
from wine_gui import check_deployed, end_run, make_prefix, screenshot, start_xvfb, wait_for  # noqa: E402
from e2e_base import STEADY, dies_with_this_process  # noqa: E402

TITLE = "Bootloader"
EMU_PORT = 1
DONE = "Finished"
SETTINGS_KEY = r"HKCU\Software\canalarm\canalarm-gui"


class Window:
    """canalarm-gui.exe's window, clicked where the control map says."""

    def __init__(self, env, wid, controls, shots):
        self.env, self.wid, self.controls, self.shots = env, wid, controls, shots

    def xdotool(self, *args):
        # Without a window manager xdotool warns of the X server's focus at
        # every key it sends; anything else it says is shown.
        done = subprocess.run(["xdotool", *args], env=self.env, stderr=subprocess.PIPE, text=True)
        said = [line for line in done.stderr.splitlines() if "XGetInputFocus returned" not in line]
        if said:
            print("\n".join(said), file=sys.stderr)
        if done.returncode != 0:
            sys.exit("xdotool %s failed (%d)" % (" ".join(args), done.returncode))

    def click(self, name):
        x, y, w, h = self.controls[name]
        self.xdotool("mousemove", "--window", self.wid, str(x + w // 2), str(y + h // 2), "click", "1")

    def text_of(self, name):
        """The control's text as the clipboard gets it: select all, copy. (The
        clipboard is not emptied first, so a check must tell this text from
        the one copied before.)"""
        self.click(name)
        self.xdotool("key", "--window", self.wid, "ctrl+a", "ctrl+c")
        # xclip waits for the clipboard's owner, which may never answer: a
        # request that met a busy window once hung for good.
        try:
            got = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=self.env,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=10)
        except subprocess.TimeoutExpired:
            return ""
        return got.stdout.decode("utf-8", "replace") if got.returncode == 0 else ""

    def wait_text(self, name, predicate, timeout, what):
        seen = [""]

        def check():
            seen[0] = self.text_of(name)
            return predicate(seen[0])
        try:
            wait_for(check, timeout, what)
            return seen[0]
        except SystemExit:
            shot = self.shoot_screen("timed-out.png")
            sys.exit("timed out waiting for %s (the screen: %s); %s shows:\n%s" % (what, shot, name, seen[0]))


    def shoot_screen(self, name):
        shot = os.path.join(self.shots, name)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", shot])
        return shot

    def operate(self, control, emu, transcript, timeout, what, attempts=1):
        """Restarts the module, clicks `control` and waits for the
        operation's closing reset on the wire; returns the kinds of the
        packets it sent. With `attempts` above 1, an operation whose packets
        stopped without the reset (the line quiet for 10 s) is tried again,
        and each new attempt is said."""
        for attempt in range(1, attempts + 1):
            wine.restart_module(emu, transcript)
            start = len(transcript_lines(transcript))
            self.click(control)
            deadline = time.monotonic() + timeout
            quiet_since, seen = time.monotonic(), start
            while time.monotonic() < deadline:
                kinds = operation_ended(transcript, start)
                if kinds:
                    return kinds
                now = len(transcript_lines(transcript))
                if now != seen:
                    quiet_since, seen = time.monotonic(), now
                elif now > start and time.monotonic() - quiet_since > 10 and attempt < attempts:
                    shot = self.shoot_screen("attempt-%d.png" % attempt)
                    print("%s: attempt %d stopped without the reset (the screen: %s); clicked again"
                          % (what, attempt, shot))
                    break
                time.sleep(0.1)
            else:
                shot = self.shoot_screen("timed-out.png")
                sys.exit("timed out waiting for %s (the screen: %s); the emulator's transcript ends:\n%s"
                         % (what, shot, "\n".join(transcript_lines(transcript)[-12:])))
        sys.exit("%s failed %d times" % (what, attempts))


def log_lines(text):
    """The log's lines without the time each begins with ("08:36:35 ")."""
    return [re.sub(r"^\d\d:\d\d:\d\d ", "", line) for line in text.splitlines()]


def read_control_map(path):
    controls = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            name, *numbers = line.split()
            controls[name] = tuple(int(n) for n in numbers)
    return controls


def cpu_seconds(pid):
    """User and system time of a process so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wineserver_pid(prefix):
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                # /usr/lib/wine/wineserver starts wineserver64 (or 32).
                if not os.path.basename(f.read().split(b"\0")[0]).startswith(b"wineserver"):
                    continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if b"WINEPREFIX=" + prefix.encode() in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


def transcript_lines(transcript):
    with open(transcript) as f:
        return f.read().splitlines()


def operation_ended(transcript, start):
    """The kinds of the packets since line `start` of the transcript ("read
    EEPROM", "identity", ...) once the last is the reset that ends an
    operation; None before."""
    packets = [line.split(": ", 1)[1] for line in transcript_lines(transcript)[start:] if " packet " in line]
    kinds = [packet.split(" at ")[0] for packet in packets]
    return kinds if kinds[-1:] == ["reset"] else None


def deploy(build, folder):
    subprocess.run(["cmake", "--install", build, "--prefix", folder], check=True,
                   stdout=subprocess.DEVNULL)
    shutil.copy(os.path.join(build, "tests", "ui", "window_control_map.exe"), folder)


def remembered_speed(env):
    """The speed the window stored in the registry, None if none."""
    got = subprocess.run([wine.WINE, "reg", "query", SETTINGS_KEY, "/v", "speed"], env=env,
                         capture_output=True, text=True)
    return got.stdout.split()[-1] if got.returncode == 0 and got.stdout.split() else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("emu")
    parser.add_argument("--shots")
    parser.add_argument("--wire-speed", default="38400")
    args = parser.parse_args()
    build, emu_program = os.path.abspath(args.build), os.path.abspath(args.emu)
    shots = os.path.abspath(args.shots or os.path.join(build, "gui-shots"))
    os.makedirs(shots, exist_ok=True)
    started = time.monotonic()

    workdir = tempfile.mkdtemp(prefix="canalarm-gui-wine-")
    prefix = os.path.join(workdir, "prefix")
    env = wine.wine_env(prefix)
    emu = xvfb = program = None
    try:
        app = os.path.join(workdir, "canalarm")
        deploy(build, app)

        emu_dir = os.path.join(workdir, "emu")
        os.makedirs(emu_dir)
        transcript = os.path.join(emu_dir, "transcript.txt")
        emu = subprocess.Popen([emu_program, *STEADY, "--wire-speed", args.wire_speed,
                                "--transcript", transcript,
                                "--dump-flash", os.path.join(emu_dir, "flash.bin"),
                                "--dump-eeprom", os.path.join(emu_dir, "eeprom.bin")],
                               stdout=subprocess.PIPE, text=True,
                               preexec_fn=dies_with_this_process())
        emu_device = emu.stdout.readline().strip()
        xvfb, display = start_xvfb()
        env = make_prefix(prefix, workdir, display, {EMU_PORT: emu_device})
        check_deployed(app, os.path.join(prefix, "drive_c", "windows", "system32"),
                       ("canalarm-gui.exe", "canalarm.exe", "window_control_map.exe", "Qt6Core.dll"))
        print("deployed; Wine prefix ready in %.1f s; COM%d=%s" % (
            time.monotonic() - started, EMU_PORT, emu_device))

        # The firmware file, encoded as a fitter gets it.
        hexfw = os.path.join(workdir, "demo_firmware.hexfw")
        encode = subprocess.run([wine.WINE_RUN, os.path.join(app, "canalarm.exe"), "encode",
                                 wine.windows_path(os.path.join(build, "tests", "firmware", "demo_firmware.hex")),
                                 "-o", wine.windows_path(hexfw)], env=env, capture_output=True, text=True)
        if encode.returncode != 0:
            sys.exit("canalarm.exe encode failed: %s" % encode.stderr)

        control_map = os.path.join(workdir, "controls.txt")
        subprocess.run([wine.WINE_RUN, os.path.join(app, "window_control_map.exe"),
                        wine.windows_path(control_map)], env=env, check=True, timeout=120)
        controls = read_control_map(control_map)

        program = subprocess.Popen([wine.WINE_RUN, os.path.join(app, "canalarm-gui.exe"),
                                    wine.windows_path(hexfw)], env=env)
        wid = wait_for(lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", TITLE], env=env,
            stdout=subprocess.PIPE, text=True).stdout.split(), 120, "the window")[0]
        print("the window is up after %.1f s" % (time.monotonic() - started))
        window = Window(env, wid, controls, shots)

        # Each screenshot is taken before the log is copied, whose selection
        # would show in it.
        window.operate("Button2", emu, transcript, 120, "the version read")
        screenshot(display, os.path.join(shots, "version.png"), wid, settle=True)
        log = window.wait_text("meLog", lambda t: DONE in log_lines(t), 60, "the version")
        if "CANALARM EMU 1.0" not in log:
            sys.exit("the version read logs:\n%s" % log)
        print("version read:\n%s" % log.rstrip())

        # The upload, and what the window's waits cost meanwhile.
        server = wineserver_pid(prefix)
        cpu_before = (cpu_seconds(program.pid), cpu_seconds(server) if server else 0.0)
        # The file's settings too (the window keeps the module's by
        # default), so that the module ends up holding the file exactly.
        window.click("cbKeepSettings")
        upload_start = time.monotonic()
        # The window is left alone until the upload's closing reset is on the
        # wire (a clipboard request could meet it busy), then its log is read.
        kinds = window.operate("bbUpload", emu, transcript, 600, "the upload")
        took = time.monotonic() - upload_start
        if "write FLASH" not in kinds or "write EEPROM" not in kinds:
            sys.exit("the upload sent %s" % sorted(set(kinds)))
        program_cpu = cpu_seconds(program.pid) - cpu_before[0]
        server_cpu = (cpu_seconds(server) - cpu_before[1]) if server else float("nan")
        print("upload: %.1f s at %s bit/s; processor time: canalarm-gui.exe %.2f s (%.0f %%), "
              "wineserver %.2f s (%.0f %%)" % (took, args.wire_speed, program_cpu, 100 * program_cpu / took,
                                              server_cpu, 100 * server_cpu / took))
        screenshot(display, os.path.join(shots, "upload.png"), wid, settle=True)
        # The clipboard may still hold the version read's log, which ends
        # the same way: the upload's own lines tell them apart.
        window.wait_text("meLog", lambda t: "FLASH writing..." in t and "EEPROM writing..." in t
                         and log_lines(t)[-1:] == [DONE], 60, "the upload's log")

        # X delivers the clicks in order: the tab is shown before the second.
        # The status line takes no focus, so its text cannot be copied: the
        # window's verdict is read on the wire instead, where the reset that
        # ends a read is sent only once the window took all sixteen blocks
        # and the identity as good. The window gives the wake-up and the
        # sixteen blocks 25 ticks of 50 ms together, as the module's tool
        # always did; a machine so loaded that Wine pumps the window's events
        # more slowly than that ends the read in "Error data transmission",
        # and the read is then clicked again (each attempt is said).
        window.click("tab:TabSheet2")
        kinds = window.operate("BitBtn2", emu, transcript, 120, "the parameter read", attempts=3)
        if kinds != ["read EEPROM"] * 16 + ["identity", "reset"]:
            sys.exit("the parameter read sent %s" % kinds)
        print("parameter read: 16 blocks, the identity, then the reset that follows a good read")
        screenshot(display, os.path.join(shots, "parameters.png"), wid, settle=True)

        # Another speed, which the window remembers in the registry.
        if remembered_speed(env) is not None:
            sys.exit("a speed was remembered before one was chosen")
        window.click("tab:TabSheet1")
        window.click("RadioButton2")
        window.xdotool("key", "--window", wid, "alt+F4")
        code = program.wait(timeout=60)
        if code != 0:
            sys.exit("canalarm-gui.exe ended with %d" % code)
        speed = remembered_speed(env)
        if speed is None:
            sys.exit("no speed in the registry (%s)" % SETTINGS_KEY)
        print("the window remembered speed %s in %s" % (speed, SETTINGS_KEY))
        failure = wine.check_images(emu, emu_dir, build)
        if failure:
            sys.exit(failure)
        print("canalarm-gui.exe under Wine: passed in %.1f s; screenshots in %s" % (
            time.monotonic() - started, shots))
        return 0
    finally:
        end_run(env, workdir, program=program, emu=emu, xvfb=xvfb)


if __name__ == "__main__":
    sys.exit(main())
