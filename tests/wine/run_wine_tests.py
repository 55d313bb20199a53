#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Runs the Windows build's tests under Wine, and canalarm.exe end to end
against canalarm-emu.

usage: run_wine_tests.py WINDOWS_BUILD_DIR CANALARM_EMU

1. A fresh, private Wine prefix; its server is started and warmed first
   (wineserver -p, wineboot), so that each program starts in well under a
   second.
2. Pseudo-terminals for the serial tests' lines (COM1, COM3, COM4, COM5) and
   an emulator (COM2) are made; the prefix's registry maps exactly these COM
   numbers to them and every other COM1..COM256 to nothing. Wine otherwise
   numbers the machine's own serial devices as COM ports, and /dev/ttyS0 may
   be the system console. The mapping is checked before any program runs,
   and again by tests/wine/wine-run before each test program.
3. ctest in the Windows build, every program through wine-run; the peer side
   of the test lines is served from here over a local socket. A build with
   the window then runs the window's tests (label gui), one at a time, in
   Xvfb with the Windows platform plugin; the DLLs they need (Qt's, mingw's
   runtime) are found through WINEPATH.
4. canalarm.exe ports lists exactly the mapped COM ports; then encode,
   version and upload against the emulator; the module must end up holding
   the file's images. The uploaded file is named outside every ANSI code
   page ("Łódź-прошивка.hexfw"), and info reads it as its ASCII-named twin.
"""
import fcntl
import json
import os
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty

import intelhex

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_base import RESTARTED, STEADY, dies_with_this_process, poll_until  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
LINE_PORTS = (1, 3, 4, 5)
EMU_PORT = 2
# The registry points every other COM1..COM255 at a path that does not exist,
# as the tool's ports folder masks ports on Linux; Wine may still give a
# machine's serial device a number above, which is then unlinked (map_ports).
MAX_COM = 255
MASKED = "/nonexistent/canalarm-masked-port"
TIOCGEXCL = 0x80045440
TIOCNXCL = 0x540D


class Line:
    """A pseudo-terminal whose slave is a COM port; we hold the master."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        self.path = os.ttyname(self.slave)
        os.set_blocking(self.master, False)
        self.vanished = False

    def reset(self):
        """Back to a quiet line between tests: no bytes either way."""
        if self.vanished:
            return 1
        termios.tcflush(self.slave, termios.TCIOFLUSH)
        self.drain(20)
        fcntl.ioctl(self.slave, TIOCNXCL)
        return 0

    def write(self, data, timeout_ms):
        deadline = time.monotonic() + timeout_ms / 1000
        done = 0
        while done < len(data):
            try:
                done += os.write(self.master, data[done:])
                continue
            except BlockingIOError:
                pass
            if time.monotonic() > deadline:
                return 0
            select.select([], [self.master], [], 0.01)
        return 1

    def read(self, n, timeout_ms):
        deadline = time.monotonic() + timeout_ms / 1000
        got = b""
        while len(got) < n:
            left = deadline - time.monotonic()
            if left <= 0:
                break
            if select.select([self.master], [], [], left)[0]:
                try:
                    got += os.read(self.master, n - len(got))
                except (BlockingIOError, OSError):
                    break
        return got

    def drain(self, quiet_ms):
        got = b""
        while select.select([self.master], [], [], quiet_ms / 1000)[0]:
            try:
                chunk = os.read(self.master, 65536)
            except (BlockingIOError, OSError):
                break
            if not chunk:
                break
            got += chunk
        return got

    def vanish(self):
        if not self.vanished:
            os.close(self.master)
            self.vanished = True

    def queued(self):
        return struct.unpack("i", fcntl.ioctl(self.slave, termios.FIONREAD, b"\0" * 4))[0]

    def fill(self, filler):
        """Writes from the port's side until the terminal takes no more."""
        os.set_blocking(self.slave, False)
        total, quiet = 0, 0
        block = bytes([filler]) * 1024
        while quiet < 100:
            try:
                total += os.write(self.slave, block)
                quiet = 0
            except BlockingIOError:
                quiet += 1
                time.sleep(0.005)
        os.set_blocking(self.slave, True)
        return total

    def exclusive(self):
        return struct.unpack("i", fcntl.ioctl(self.slave, TIOCGEXCL, b"\0" * 4))[0]

    def settings(self):
        iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(self.slave)
        speeds = {termios.B9600: 9600, termios.B19200: 19200, termios.B38400: 38400,
                  termios.B57600: 57600, termios.B115200: 115200}
        sizes = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}
        raw = (lflag & (termios.ICANON | termios.ECHO | termios.ISIG)) == 0 and \
            (oflag & termios.OPOST) == 0
        return struct.pack("<6I", speeds.get(ospeed, 0), sizes[cflag & termios.CSIZE],
                           int(bool(cflag & termios.PARENB)), int(bool(cflag & termios.CSTOPB)),
                           int(bool(cflag & termios.CRTSCTS)), int(raw))


class PeerServer:
    """Serves the test programs' peer requests (SerlTestLine_wine.cpp)."""

    def __init__(self, lines):
        self.lines = lines
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.address = "127.0.0.1:%d" % self.listener.getsockname()[1]
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            conn, _ = self.listener.accept()
            threading.Thread(target=self.serve, args=(conn,), daemon=True).start()

    @staticmethod
    def receive(conn, n):
        data = b""
        while len(data) < n:
            chunk = conn.recv(n - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return data

    def serve(self, conn):
        with conn:
            try:
                while True:
                    op, com, a, b, length = struct.unpack("<cBiiI", self.receive(conn, 14))
                    payload = self.receive(conn, length)
                    status, body = self.handle(op, com, a, b, payload)
                    conn.sendall(struct.pack("<iI", status, len(body)) + body)
            except (EOFError, ConnectionError):
                pass

    def handle(self, op, com, a, b, payload):
        if op == b"M":
            return (1 if com in self.lines or com == EMU_PORT else 0), b""
        line = self.lines.get(com)
        if line is None:
            return 1, b""
        if op == b"A":
            return line.reset(), b""
        if op == b"W":
            return line.write(payload, a), b""
        if op == b"R":
            return 0, line.read(a, b)
        if op == b"D":
            return 0, line.drain(a)
        if op == b"V":
            line.vanish()
            return 0, b""
        if op == b"Q":
            return line.queued(), b""
        if op == b"F":
            return line.fill(a), b""
        if op == b"X":
            return line.exclusive(), b""
        if op == b"S":
            return 0, line.settings()
        return -1, b""


def wine_env(prefix):
    return dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEARCH="win64",
                # No Mono or Gecko: nothing here needs them, and asking costs time.
                WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY="")


def dll_folders(build):
    """Where the build's programs find their DLLs: mingw's runtime, and Qt's
    when the build has the window (its programs then share Qt's runtime)."""
    folders = []
    for dll in ("libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"):
        path = subprocess.run(["x86_64-w64-mingw32-g++-posix", "-print-file-name=" + dll],
                              check=True, stdout=subprocess.PIPE, text=True).stdout.strip()
        folder = os.path.dirname(os.path.realpath(path))
        if folder not in folders:
            folders.append(folder)
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith("Qt6_DIR:") and not line.rstrip().endswith("NOTFOUND"):
                qt = os.path.realpath(os.path.join(line.split("=", 1)[1].strip(), "..", "..", ".."))
                folders.append(os.path.join(qt, "bin"))
    return folders


def has_window(build):
    return os.path.exists(os.path.join(build, "app", "canalarm-gui.exe"))


def map_ports(env, mapping, workdir):
    """Registry: the mapped COM numbers to their terminals, all others to nothing."""
    lines = ["REGEDIT4", "", r"[HKEY_LOCAL_MACHINE\Software\Wine\Ports]"]
    for n in range(1, MAX_COM + 1):
        lines.append('"COM%d"="%s"' % (n, mapping.get(n, MASKED)))
    reg = os.path.join(workdir, "ports.reg")
    with open(reg, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    subprocess.run([WINE, "regedit", "/S", reg], env=env, check=True)
    # The port links are made when the prefix starts: restart it.
    # (The server's own reports, such as a dump of its objects when it
    # ends, are no part of a test's output.)
    subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-p"], env=env, check=True, stderr=subprocess.DEVNULL)
    subprocess.run([WINE, "wineboot"], env=env, check=True)
    # A COM number the registry could not reserve may have gone to one of the
    # machine's devices: remove its link, so that the name leads nowhere. The
    # running prefix does not make it again; a restarted one would, and the
    # check before every program would then refuse to run it.
    dosdevices = os.path.join(env["WINEPREFIX"], "dosdevices")
    ours = {"com%d" % n for n in range(1, MAX_COM + 1)}
    for name in os.listdir(dosdevices):
        if name.startswith("com") and name not in ours:
            os.unlink(os.path.join(dosdevices, name))


def check_ports(prefix, mapping):
    """Every COM link of the prefix is one of ours, and all of ours are there."""
    dosdevices = os.path.join(prefix, "dosdevices")
    found = {}
    for name in os.listdir(dosdevices):
        if name.startswith("com"):
            found[name] = os.readlink(os.path.join(dosdevices, name))
    want = {"com%d" % n: mapping.get(n, MASKED) for n in range(1, MAX_COM + 1)}
    if found != want or not all(p.startswith("/dev/pts/") or p == MASKED for p in found.values()):
        strays = {k: v for k, v in found.items() if want.get(k) != v}
        sys.exit("REFUSING TO RUN: the Wine prefix maps %s" % strays)
    listing = os.path.join(prefix, "checked-ports.txt")
    with open(listing, "w") as f:
        for name, path in sorted(want.items()):
            f.write("%s %s\n" % (name, path))
    return listing


def run(args, env, timeout=120):
    start = time.monotonic()
    p = subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout)
    return p.returncode, p.stdout, p.stderr, time.monotonic() - start


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def restart_module(emu, transcript):
    """Restarts the emulated module for the next operation, as the RTS pulse
    does a real one. The emulator runs STEADY (it never restarts on a quiet
    line), so that a pause mid-link (a loaded machine, a slow backup save
    under Wine) cannot restart it."""
    def restarts():
        with open(transcript) as f:
            return f.read().count(RESTARTED)
    done = restarts()
    emu.send_signal(signal.SIGUSR2)
    poll_until(lambda: restarts() > done, "the emulator to restart", timeout=30, interval=0.05)


def end_to_end(build, env, emu_dir, emu):
    """canalarm.exe encode, version and upload against the emulator on COM2."""
    canalarm = [WINE_RUN, os.path.join(build, "cli", "canalarm.exe")]
    # Paths as a Windows user gives them (Wine's Z: is the root); "/..." would
    # read as an option on Windows.
    hexfile = windows_path(os.path.join(build, "tests", "firmware", "demo_firmware.hex"))
    hexfw = windows_path(os.path.join(emu_dir, "demo_firmware.hexfw"))
    status, out, err, _ = run(canalarm + ["encode", hexfile, "-o", hexfw], env)
    if status != 0:
        return "encode failed (%d): %s" % (status, err)
    # A name that no ANSI code page holds, written, read and uploaded: the
    # arguments reach the program as Wine reads them in the UTF-8 locale.
    env = dict(env, LANG="C.UTF-8", LC_ALL="C.UTF-8")
    status, out, err, _ = run(canalarm + ["info", "--json", hexfw], env)
    if status != 0:
        return "info failed (%d): %s" % (status, err)
    plain_name = json.loads(out)
    hexfw = windows_path(os.path.join(emu_dir, UNICODE_NAME))
    status, out, err, _ = run(canalarm + ["encode", hexfile, "-o", hexfw], env)
    if status != 0 or sorted(os.listdir(emu_dir)).count(UNICODE_NAME) != 1:
        return "encode to %s failed (%d): %s; the folder holds %s" % (UNICODE_NAME, status, err,
                                                                      os.listdir(emu_dir))
    status, out, err, _ = run(canalarm + ["info", "--json", hexfw], env)
    if status != 0:
        return "info on %s failed (%d): %s" % (UNICODE_NAME, status, err)
    unicode_name = json.loads(out)
    same = ("loaded", "records", "flashSha256", "eepromSha256", "configSha256", "help")
    if unicode_name["file"] != hexfw or any(unicode_name[k] != plain_name[k] for k in same):
        return "info on %s reads %s, not what it reads of the same file named in ASCII: %s" % (
            UNICODE_NAME, unicode_name, plain_name)
    print("canalarm.exe encode and info: %s read as its ASCII-named twin" % UNICODE_NAME)

    transcript = os.path.join(emu_dir, "transcript.txt")
    restart_module(emu, transcript)
    status, out, err, took = run(canalarm + ["version", "--port", "COM%d" % EMU_PORT], env)
    print("canalarm.exe version: exit %d in %.1f s\n%s" % (status, took, out.rstrip()))
    if status != 0 or "Program version: CANALARM EMU 1.0" not in out:
        return "version failed (%d): %s %s" % (status, out, err)

    # The file's settings too (an upload keeps a module's own by default), so
    # that the module ends up holding the file exactly.
    restart_module(emu, transcript)
    status, out, err, took = run(canalarm + ["upload", hexfw, "--port", "COM%d" % EMU_PORT,
                                             "--verify", "--file-parameters"], env, timeout=300)
    print("canalarm.exe upload: exit %d in %.1f s\n%s" % (status, took, out.rstrip()))
    if status != 0 or out.splitlines()[-1:] != ["Finished"]:
        return "upload failed (%d): %s %s" % (status, out, err)
    return None


def check_ports_listing(build, env, lines):
    """canalarm.exe ports: exactly the mapped COM ports whose lines are still
    there (a test may have hung one up), each described; no assign."""
    canalarm = [WINE_RUN, os.path.join(build, "cli", "canalarm.exe")]
    status, out, err, _ = run(canalarm + ["ports"], env)
    print("canalarm.exe ports: exit %d\n%s" % (status, out.rstrip()))
    status, out, err, _ = run(canalarm + ["ports", "--json"], env)
    if status != 0:
        return "ports --json failed (%d): %s" % (status, err)
    listed = json.loads(out)["ports"]
    present = sorted(int(p["port"][3:]) for p in listed if p["present"])
    mapped = sorted({n for n in LINE_PORTS if not lines[n].vanished} | {EMU_PORT})
    if present != mapped:
        return "ports lists %s, not the mapped %s" % (present, mapped)
    for port in listed:
        # Wine's SetupAPI may know no name for a port; then the line is the
        # port's own, and a name it does give belongs to that port.
        name = port.get("friendlyName", "")
        if port["device"] != port["port"] or (name and port["port"] not in name):
            return "ports describes %s as %s" % (port["port"], port)
        if not port["summary"].startswith(port["port"]):
            return "ports summarises %s as %r" % (port["port"], port["summary"])
    named = [p["port"] for p in listed if p.get("friendlyName")]
    print("friendly names from SetupAPI: %s" % (", ".join(named) if named else "none under Wine"))
    status, _, err, _ = run(canalarm + ["ports", "assign", "COM7", "COM2"], env)
    if status != 2 or "Device Manager" not in err:
        return "ports assign on Windows: exit %d, %s" % (status, err)
    return None


def check_images(emu, emu_dir, build):
    emu.send_signal(signal.SIGTERM)
    emu.wait(timeout=10)
    with open(os.path.join(emu_dir, "flash.bin"), "rb") as f:
        flash = f.read()
    with open(os.path.join(emu_dir, "eeprom.bin"), "rb") as f:
        eeprom = f.read()
    ih = intelhex.IntelHex(os.path.join(build, "tests", "firmware", "demo_firmware.hex"))
    have = set(ih.addresses())
    want_flash = bytes(ih[a] if a in have else 0xFF for a in range(512, 0x8000))
    want_eeprom = bytes(ih[0xF00000 + a] if 0xF00000 + a in have else 0xFF for a in range(256))
    if flash[512:] != want_flash or flash[:512] != b"\xff" * 512:
        return "the emulator's FLASH is not the file's"
    if eeprom != want_eeprom:
        return "the emulator's EEPROM is not the file's"
    print("the emulator holds the file's FLASH and EEPROM images")
    return None


WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine-run")
# A firmware file's name outside every ANSI code page (Polish and Russian).
UNICODE_NAME = "\u0141\u00f3d\u017a-\u043f\u0440\u043e\u0448\u0438\u0432\u043a\u0430.hexfw"


def main():
    from wine_gui import start_xvfb  # it imports this module: not at the top
    build, emu_program = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    started = time.monotonic()
    workdir = tempfile.mkdtemp(prefix="canalarm-wine-")
    prefix = os.path.join(workdir, "prefix")
    env = wine_env(prefix)
    emu = xvfb = None
    try:
        # The window's tests need a display from the start: Wine's desktop,
        # started with the prefix, draws on the display it found then, and
        # a window test started first after a prefix made without one could
        # not create its window.
        if has_window(build):
            xvfb, env["DISPLAY"] = start_xvfb()
        # A server that stays up between programs, then the prefix made in it.
        os.makedirs(prefix)
        subprocess.run([WINESERVER, "-p"], env=env, check=True)
        subprocess.run([WINE, "wineboot", "-i"], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        lines = {n: Line() for n in LINE_PORTS}
        emu_dir = os.path.join(workdir, "emu")
        os.makedirs(emu_dir)
        emu = subprocess.Popen([emu_program, *STEADY, "--transcript", os.path.join(emu_dir, "transcript.txt"),
                                "--dump-flash", os.path.join(emu_dir, "flash.bin"),
                                "--dump-eeprom", os.path.join(emu_dir, "eeprom.bin")],
                               stdout=subprocess.PIPE, text=True,
                               preexec_fn=dies_with_this_process())
        emu_device = emu.stdout.readline().strip()
        mapping = {n: line.path for n, line in lines.items()}
        mapping[EMU_PORT] = emu_device

        map_ports(env, mapping, workdir)
        listing = check_ports(prefix, mapping)
        print("Wine prefix ready in %.1f s; COM ports: %s" % (time.monotonic() - started,
              ", ".join("COM%d=%s" % kv for kv in sorted(mapping.items()))))

        peer = PeerServer(lines)
        env.update(CANALARM_WINE_PORTS=listing, CANALARM_WINE_PEER=peer.address,
                   WINEPATH=";".join(windows_path(d) for d in dll_folders(build)))
        # CANALARM_WINE_CTEST: ctest options that pick fewer tests ("-R units").
        picked = os.environ.get("CANALARM_WINE_CTEST", "").split()
        ctest = ["ctest", "--test-dir", build, "--output-on-failure", *picked]
        tests = subprocess.run(ctest + ["-j", str(os.cpu_count() or 2), "-LE", "gui"], env=env)
        failure = None if tests.returncode == 0 else "ctest under Wine failed"
        if has_window(build):
            # The window's tests, in Xvfb with the Windows platform plugin,
            # one at a time: they share the prefix's registry, where each
            # forgets the window's settings, and they describe the COM ports
            # by opening them, which must not meet a serial test's line.
            tests = subprocess.run(ctest + ["-L", "gui"], env=env)
            failure = failure or (None if tests.returncode == 0 else "the window's tests under Wine failed")
        failure = (failure or check_ports_listing(build, env, lines) or end_to_end(build, env, emu_dir, emu)
                   or check_images(emu, emu_dir, build))
        print("Windows tests under Wine: %s in %.1f s" % ("FAILED: " + failure if failure else "passed",
                                                          time.monotonic() - started))
        return 1 if failure else 0
    finally:
        if emu and emu.poll() is None:
            emu.kill()
        if emu:
            emu.wait()
        subprocess.run([WINESERVER, "-k"], env=env)
        if xvfb:
            xvfb.terminate()
            xvfb.wait()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
