# SPDX-License-Identifier: MIT
"""What the Wine runs of Qt windows share: a prefix that can draw text and
whose COM ports are checked, an Xvfb display, screenshots that must not be
blank, polling for a condition."""
import glob
import os
import shutil
import subprocess
import sys
import time

import run_wine_tests as wine

TRIPLET = "x86_64-w64-mingw32"


def make_prefix(prefix, workdir, display, mapping=None):
    """A fresh prefix on X `display`: COM ports as `mapping` says ({n:
    pseudo-terminal}), every other one to nothing, checked; fonts; no window
    decorations. The display must be there from the start: Wine's desktop
    process, started with the prefix, draws every window on the display it
    found, and on none when it found none."""
    env = dict(wine.wine_env(prefix), DISPLAY=display)
    os.makedirs(prefix)
    subprocess.run([wine.WINESERVER, "-p"], env=env, check=True, stderr=subprocess.DEVNULL)
    subprocess.run([wine.WINE, "wineboot", "-i"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Wine draws no text until the fonts are in the prefix's Fonts folder.
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    for ttf in glob.glob("/usr/share/wine/fonts/*.ttf"):
        shutil.copy(ttf, fonts)
    reg = os.path.join(workdir, "x11.reg")
    with open(reg, "w") as f:
        f.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"
                "\"Decorated\"=\"N\"\r\n")
    subprocess.run([wine.WINE, "regedit", "/S", reg], env=env, check=True)
    # The COM ports (this restarts the prefix), then checked: check_ports
    # refuses to go on if any leads elsewhere.
    mapping = mapping or {}
    wine.map_ports(env, mapping, workdir)
    env["CANALARM_WINE_PORTS"] = wine.check_ports(prefix, mapping)
    return env


def start_xvfb(size="1024x768x24"):
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", size,
                             "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        display = f.readline().strip()
    if not display:
        sys.exit("Xvfb did not start")
    return xvfb, ":" + display


def end_run(env, workdir, program=None, emu=None, xvfb=None):
    """Stops what a run started, whichever of them it got to, and removes
    its folder: the program, the prefix's server, the emulator, Xvfb."""
    if program and program.poll() is None:
        program.kill()
    subprocess.run([wine.WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
    if emu and emu.poll() is None:
        emu.kill()
    if emu:
        emu.wait()
    if xvfb:
        xvfb.terminate()
        xvfb.wait()
    shutil.rmtree(workdir, ignore_errors=True)


def wait_for(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    sys.exit("timed out waiting for %s" % what)


def screenshot(display, path, window="root", settle=False):
    """A shot of the screen (or of one X window); fails when it is blank.
    With `settle`, once two shots half a second apart are the same (Wine
    may paint an operation's end a moment after it is on the wire), or
    after 20 s."""
    subprocess.run(["import", "-display", display, "-window", window, path], check=True)
    deadline = time.monotonic() + 20
    while settle and time.monotonic() < deadline:
        with open(path, "rb") as f:
            before = f.read()
        time.sleep(0.5)
        subprocess.run(["import", "-display", display, "-window", window, path], check=True)
        with open(path, "rb") as f:
            if f.read() == before:
                break
    colours = int(subprocess.run(["identify", "-format", "%k", path], check=True,
                                 stdout=subprocess.PIPE, text=True).stdout)
    if colours < 16:
        sys.exit("%s is blank (%d colours)" % (path, colours))
    print("screenshot %s: %d colours" % (path, colours))
    return colours


def runtime_dll(name):
    path = subprocess.run(["%s-g++-posix" % TRIPLET, "-print-file-name=" + name],
                          check=True, stdout=subprocess.PIPE, text=True).stdout.strip()
    if not os.path.isfile(path):
        sys.exit("no %s in the mingw toolchain" % name)
    return os.path.realpath(path)


def imports(pe):
    out = subprocess.run(["%s-objdump" % TRIPLET, "-p", pe], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    return {line.split(":", 1)[1].strip() for line in out.splitlines() if "DLL Name:" in line}


def api_set(name):
    """An API set (api-ms-win-..., ext-ms-...): a name that Windows's loader
    maps to its own DLLs, not a file that anyone deploys."""
    return name.startswith(("api-ms-win-", "ext-ms-win-"))


def check_deployed(folder, system32, programs):
    """Every DLL a deployed file imports is beside the program or Windows's,
    and the programs use the one C++ runtime Qt's DLLs use."""
    deployed = {os.path.basename(p).lower() for p in glob.glob(os.path.join(folder, "*.dll"))}
    missing = set()
    for pe in glob.glob(os.path.join(folder, "**", "*.dll"), recursive=True) + \
            glob.glob(os.path.join(folder, "*.exe")):
        for dll in imports(pe):
            name = dll.lower()
            if name not in deployed and not api_set(name) and \
                    not os.path.exists(os.path.join(system32, name)):
                missing.add("%s (for %s)" % (dll, os.path.relpath(pe, folder)))
    if missing:
        sys.exit("not deployed: %s" % ", ".join(sorted(missing)))
    for pe in programs:
        names = imports(os.path.join(folder, pe))
        print("%s imports %s" % (pe, ", ".join(sorted(names))))
        if "libstdc++-6.dll" not in names:
            sys.exit("%s does not use libstdc++-6.dll: a second C++ runtime" % pe)
