#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""canalarm on real serial drivers: a QEMU guest (Debian's kernel, software
emulation) drives an emulated FTDI USB adapter with ftdi_sio (/dev/ttyUSB0)
and a second 16550 UART with 8250 (/dev/ttyS1); each port is wired through
QEMU to a canalarm-emu on a host pseudo-terminal. The host never opens a
serial device: it sees only the emulators' pseudo-terminals.

One guest boots for the whole run; the scenarios run in order in it (their
names are numbered) and each is checked against the emulators' transcripts,
and at the end against their memory dumps. The adapter is pulled out through
the QEMU monitor in the middle of an upload and plugged back in.

usage: test_vm.py CANALARM CANALARM_EMU ASSEMBLED_HEX_DIR [unittest args]
Set CANALARM_VM_LOG to a folder to keep the guest's console and transcripts.
"""
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import guest_image  # noqa: E402
import intelhex  # noqa: E402
from guest import Guest  # noqa: E402
import e2e_base as e2e  # noqa: E402

ADAPTER, UART = "/dev/ttyUSB0", "/dev/ttyS1"
LATENCY = "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"
FIRMWARE = "/root/demo.hexfw"
BAUD = "38400"
PULL_AT = "packet 12:"       # from the upload's 12th packet on the module hangs; the adapter goes
# The emulator's stand-in for the restart pulse, which can't travel through
# QEMU: a quiet line. Longer than the tool's wait for an answer (1.5 s), so a
# guest that a busy host holds up fails no sooner than it would anyway; the
# tool's own pulse keeps the line quiet for only 0.6 s.
IDLE_RESET_S = 2.0


def expected_images(assembled):
    ih = intelhex.IntelHex(os.path.join(assembled, "demo_firmware.hex"))
    addresses = set(ih.addresses())
    flash = bytes(ih[a] if a in addresses else 0xFF for a in range(0x8000))
    return flash, {a: ih[0xF00000 + a] for a in range(256) if 0xF00000 + a in addresses}


class Transcript:
    """The lines an emulator logged since the last look."""

    def __init__(self, path):
        self.path, self.seen = path, 0

    def new_lines(self):
        with open(self.path) as f:
            f.seek(self.seen)
            text = f.read()
        self.seen += len(text.encode())
        return text.splitlines()

    def wait_for(self, text, limit=60):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            with open(self.path) as f:
                f.seek(self.seen)
                if text in f.read():
                    return True
            time.sleep(0.005)
        return False


class RealDriversTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Whatever has been started ends with the class, also when a later
        # step of this setup fails.
        cls.work = tempfile.mkdtemp(prefix="canalarm-vm-")
        cls.addClassCleanup(shutil.rmtree, cls.work, ignore_errors=True)
        cls.config = os.path.join(cls.work, "xdg")
        cls.env = dict(os.environ, XDG_CONFIG_HOME=cls.config)
        ports = os.path.join(cls.config, "canalarm", "ports")
        os.makedirs(ports)
        for n in range(1, 51):
            os.symlink(e2e.MASK, os.path.join(ports, f"com{n}"))
        # Emulator() checks that COMn leads to its pseudo-terminal.
        quiet = ("--idle-reset", str(int(IDLE_RESET_S * 1000)))
        cls.emus = {}
        cls.addClassCleanup(cls.keep_transcripts)
        for com, dev in ((1, ADAPTER), (2, UART)):
            cls.emus[dev] = e2e.Emulator(cls.env, com, *quiet, folder=cls.work)
            cls.addClassCleanup(cls.emus[dev].stop)
        cls.transcripts = {dev: Transcript(emu.transcript) for dev, emu in cls.emus.items()}
        firmware = os.path.join(cls.work, "demo.hexfw")
        subprocess.run([e2e.CANALARM, "encode", os.path.join(e2e.ASSEMBLED, "demo_firmware.hex"),
                        "-o", firmware], check=True, env=cls.env, capture_output=True)
        kernel, moddir = guest_image.cached_kernel()
        initramfs = os.path.join(cls.work, "initramfs.cpio")
        guest_image.build_initramfs(initramfs, moddir, e2e.CANALARM,
                                    os.path.join(HERE, "guest_init.sh"), {FIRMWARE: firmware})
        log_dir = os.environ.get("CANALARM_VM_LOG")
        cls.guest = Guest(kernel, initramfs, cls.emus[ADAPTER].device, cls.emus[UART].device,
                          cls.work, os.path.join(log_dir, "console.txt") if log_dir else None,
                          preexec_fn=e2e.dies_with_this_process())
        cls.addClassCleanup(cls.guest.stop)
        cls.started = time.monotonic()
        cls.guest.wait_ready()
        if not cls.guest.wait_for(f"test -c {ADAPTER}"):
            raise RuntimeError("the guest never saw the FTDI adapter")
        print(f"guest ready after {time.monotonic() - cls.started:.1f} s", file=sys.stderr)

    @classmethod
    def keep_transcripts(cls):
        log_dir = os.environ.get("CANALARM_VM_LOG")
        if log_dir:
            for dev, emu in cls.emus.items():
                shutil.copy(emu.transcript, os.path.join(log_dir, os.path.basename(dev) + ".txt"))

    def setUp(self):
        self.test_started = time.monotonic()

    def tearDown(self):
        print(f"  {self.id().rsplit('.', 1)[-1]}: {time.monotonic() - self.test_started:.1f} s",
              file=sys.stderr)

    def canalarm(self, *args, limit=120):
        """(status, stdout and stderr together) of canalarm in the guest."""
        return self.guest.run("canalarm " + " ".join(args) + " --no-progress 2>&1", limit=limit)

    def assert_finished(self, status, out):
        self.assertEqual(status, 0, out)
        self.assertEqual(out.splitlines()[-1], "Finished", out)

    # --- each driver ------------------------------------------------------------------

    def sysfs(self, path):
        status, out = self.guest.run(f"cat {path}")
        self.assertEqual(status, 0, out)
        return out.strip()

    def test_0_ports_describe_the_adapter_and_the_uart(self):
        status, out = self.guest.run("canalarm ports --json 2>&1")
        self.assertEqual(status, 0, out)
        ports = {p["device"]: p for p in json.loads(out[out.index("{"):])["ports"]}
        adapter, uart = ports.get(ADAPTER), ports.get(UART)
        self.assertIsNotNone(adapter, out)
        self.assertIsNotNone(uart, out)
        # The adapter as QEMU presents it (an FT232B, 0403:6001, made by
        # "QEMU"), and as the guest's own sysfs says.
        usb = "/sys/bus/usb-serial/devices/ttyUSB0/../.."
        self.assertEqual((adapter["kind"], adapter["present"], adapter["driver"]),
                         ("usb-adapter", True, "ftdi_sio"), out)
        self.assertEqual((adapter["vendorId"], adapter["productId"]), ("0403", "6001"), out)
        self.assertEqual((adapter["manufacturer"], adapter["product"]), ("QEMU", "QEMU USB SERIAL"), out)
        self.assertEqual([adapter["vendorId"], adapter["productId"], adapter["manufacturer"],
                          adapter["product"], adapter["serialNumber"]],
                         [self.sysfs(f"{usb}/{f}") for f in
                          ("idVendor", "idProduct", "manufacturer", "product", "serial")], out)
        self.assertEqual(adapter["port"], "COM5", out)
        # The second UART: on board, a 16550 behind it (a PNP device whose
        # driver the guest's sysfs names).
        self.assertEqual((uart["kind"], uart["present"], uart["port"]), ("onboard-uart", True, "COM2"), out)
        status, driver = self.guest.run("basename $(readlink /sys/class/tty/ttyS1/device/driver)")
        self.assertEqual(uart["driver"], driver.strip(), out)
        self.assertFalse(adapter["inUse"] or uart["inUse"], out)

    def test_1_version_read_over_each_driver(self):
        for dev in (ADAPTER, UART):
            with self.subTest(dev):
                status, out = self.canalarm("version", "--device-id", "--port", dev, "--baud", BAUD)
                self.assert_finished(status, out)
                self.assertIn("CANALARM EMU 1.0", out)
                self.assertIn("Device ID: 1A:43", out)
                lines = self.transcripts[dev].new_lines()
                self.assertTrue(any("identity" in line for line in lines), lines)

    def test_2_upload_over_each_driver(self):
        flash, _ = expected_images(e2e.ASSEMBLED)
        blocks = {f"{a:04X}" for a in range(0x200, 0x8000, 16) if flash[a:a + 16] != b"\xff" * 16}
        for dev in (ADAPTER, UART):
            with self.subTest(dev):
                status, out = self.canalarm("upload", FIRMWARE, "--port", dev, "--baud", BAUD)
                self.assert_finished(status, out)
                written = {m.group(1) for line in self.transcripts[dev].new_lines()
                           if (m := re.search(r"write FLASH at 0x(\w{4}),.* -> ack 0$", line))}
                self.assertLessEqual(blocks, written)

    def read_parameters(self, dev):
        status, out = self.canalarm("params", "read", "--port", dev, "--baud", BAUD, "--json")
        self.assertEqual(status, 0, out)
        return json.loads(out[out.index("{"):])["parameters"]

    def test_3_parameters_over_each_driver(self):
        for dev, pin in ((ADAPTER, "4321"), (UART, "8765")):
            with self.subTest(dev):
                before = self.read_parameters(dev)
                self.assertNotEqual(before["pin"], pin)
                status, out = self.canalarm("params", "write", f"pin={pin}", "--port", dev, "--baud", BAUD)
                self.assertEqual(status, 0, out)
                self.assertIn("Finished", out.splitlines(), out)
                after = self.read_parameters(dev)
                if "pinBytes" in after:  # the PIN's four digits, one a byte
                    self.assertEqual(after.pop("pinBytes"), "".join(f"0{d}" for d in pin))
                    before.pop("pinBytes")
                self.assertEqual(after, dict(before, pin=pin))
                lines = self.transcripts[dev].new_lines()
                self.assertTrue(any("write EEPROM" in line for line in lines), lines)

    def test_4_both_ports_at_once(self):
        # The last upload on the UART: with the file's settings, so that the
        # module ends up holding the file exactly (an upload keeps the PIN
        # written above by default).
        status, out = self.canalarm("upload", FIRMWARE, "--port", ADAPTER, "--port", UART, "--baud", BAUD,
                                    "--file-parameters")
        self.assertEqual(status, 0, out)
        for dev in (ADAPTER, UART):
            lines = self.transcripts[dev].new_lines()
            self.assertTrue(any(re.search(r"packet \d+: reset", line) for line in lines), (dev, lines))

    def test_5_low_latency_on_the_adapter_while_open(self):
        # The values the adapter's latency timer takes while an upload runs,
        # read in the guest as often as it can, then the value afterwards.
        status, out = self.guest.run(
            f"before=$(cat {LATENCY}); "
            f"canalarm upload {FIRMWARE} --port {ADAPTER} --baud {BAUD} --no-progress >/tmp/up.txt 2>&1 & p=$!; "
            f"seen=; while kill -0 $p 2>/dev/null; do v=$(cat {LATENCY}); "
            'case " $seen " in *" $v "*) ;; *) seen="$seen $v";; esac; usleep 100000; done; '
            "wait $p; rc=$?; "
            f'echo "before=$before seen=$seen after=$(cat {LATENCY}) rc=$rc"; cat /tmp/up.txt')
        self.assertEqual(status, 0, out)
        m = re.search(r"before=(\d+) seen=([\d ]*) after=(\d+) rc=(\d+)", out)
        self.assertIsNotNone(m, out)
        before, seen, after, rc = m.group(1), m.group(2).split(), m.group(3), m.group(4)
        self.assertEqual(rc, "0", out)
        self.assertIn("Finished", out.splitlines(), out)
        self.assertNotEqual(before, "1", out)
        self.assertIn("1", seen, out)
        self.assertEqual(after, before, out)

    # --- the adapter pulled out and plugged back ----------------------------------------

    def test_6_adapter_pulled_mid_upload(self):
        transcript = self.transcripts[ADAPTER]
        transcript.new_lines()
        # The tool's end is stamped in the kernel's log, on the clock of the
        # kernel's own disconnect message.
        self.guest.send(
            f"canalarm upload {FIRMWARE} --port {ADAPTER} --baud {BAUD} --no-progress >/tmp/pull.txt 2>&1; "
            'rc=$?; echo "canalarm ended" >/dev/kmsg; echo "@@end $rc"; cat /tmp/pull.txt; '
            "dmesg | tail -n 25")
        self.assertTrue(transcript.wait_for(PULL_AT), "the upload never reached the pull")
        # The module hangs, and the adapter goes once a packet has gone
        # unanswered: the tool is waiting for an answer when the kernel sees
        # the disconnect. Nothing may reach QEMU's adapter after the pull
        # either: QEMU 7.2's usb-serial hands bytes from its line to a device
        # already unplugged and crashes (usb_wakeup() without a bus).
        self.emus[ADAPTER].process.send_signal(signal.SIGUSR1)
        self.assertTrue(transcript.wait_for("-> ignored (silent)"), "the module never hung")
        self.guest.unplug_adapter()
        RealDriversTest.pulled_at = time.monotonic()
        status, out = self.guest.result(limit=60)
        self.assertEqual(status, 0, out)
        m = re.search(r"@@end (\d+)", out)
        self.assertIsNotNone(m, out)
        rc = int(m.group(1))
        d = re.search(r"\[\s*([\d.]+)\].*USB disconnect", out)
        e = re.search(r"\[\s*([\d.]+)\].*canalarm ended", out)
        self.assertIsNotNone(d, out)
        self.assertIsNotNone(e, out)
        disconnected, ended = float(d.group(1)), float(e.group(1))
        self.assertEqual(rc, 1, out)
        self.assertIn(f"{ADAPTER}: port error: The device is not connected", out)
        self.assertNotIn("Error data transmission", out)
        self.assertNotIn("Finished", out)
        # The port error, not the transmission error of a wait run out, says
        # the wait ended at the disconnect; how soon is a figure, not a check.
        print(f"the tool ended {ended - disconnected:.3f} s after the disconnect", file=sys.stderr)
        lines = transcript.new_lines()
        self.assertFalse(any(re.search(r"packet \d+: reset", line) for line in lines), lines)

    def test_7_adapter_plugged_back(self):
        self.guest.plug_adapter()
        self.assertTrue(self.guest.wait_for(f"test -c {ADAPTER}"), "the adapter did not come back")
        # The module was left in the middle of the upload: it restarts once
        # the line has been quiet long enough.
        time.sleep(max(0.0, getattr(self, "pulled_at", 0.0) + IDLE_RESET_S - time.monotonic()))
        status, out = self.canalarm("upload", FIRMWARE, "--port", ADAPTER, "--baud", BAUD, "--file-parameters")
        self.assert_finished(status, out)

    # --- what the modules hold ----------------------------------------------------------

    def test_8_images_exact(self):
        flash, eeprom_bytes = expected_images(e2e.ASSEMBLED)
        self.guest.stop()
        for dev in (ADAPTER, UART):
            with self.subTest(dev):
                got_flash, got_eeprom = self.emus[dev].images()
                # Below 0x200 lies the bootloader, which an upload leaves alone.
                self.assertEqual(got_flash[0x200:], flash[0x200:])
                for address, value in eeprom_bytes.items():
                    self.assertEqual(got_eeprom[address], value, f"EEPROM {address:02X}")
        print(f"whole run {time.monotonic() - self.started:.1f} s after boot", file=sys.stderr)


def main():
    e2e.main()


if __name__ == "__main__":
    main()
