#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The `canalarm` link commands end to end, against `canalarm-emu` on
pseudo-terminals.

Every COM port of these tests is a link in a private ports folder (a
temporary XDG_CONFIG_HOME) to an emulator's pseudo-terminal; a test refuses
to run when a port resolves to anything else.

usage: test_link_commands.py CANALARM CANALARM_EMU ASSEMBLED_HEX_DIR
"""
import hashlib
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import intelhex

CANALARM = EMU = ASSEMBLED = None


class Emulator:
    """One canalarm-emu process, reachable as COMn. The tests mask every port
    with a link to nothing; the emulator takes the mask's place and puts it
    back when it ends (--replace-link)."""

    def __init__(self, env, com, *options):
        self.com = com
        self.workdir = tempfile.mkdtemp(prefix="emu-")
        self.flash = os.path.join(self.workdir, "flash.bin")
        self.eeprom = os.path.join(self.workdir, "eeprom.bin")
        self.transcript = os.path.join(self.workdir, "transcript.txt")
        args = [EMU, "--link", f"COM{com}", "--replace-link", "--dump-flash", self.flash,
                "--dump-eeprom", self.eeprom, "--transcript", self.transcript, *options]
        self.process = subprocess.Popen(args, env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        self.device = self.process.stdout.readline().strip()
        link = os.path.join(env["XDG_CONFIG_HOME"], "canalarm", "ports", f"com{com}")
        deadline = time.monotonic() + 10
        while not os.path.islink(link) and time.monotonic() < deadline:
            time.sleep(0.01)
        target = os.path.realpath(link)
        if not target.startswith("/dev/pts/") or target != self.device:
            self.stop()
            raise RuntimeError(f"COM{com} resolves to {target}, not the emulator's pseudo-terminal")

    def stop(self):
        """Ends the emulator; its images are dumped."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=10)
        self.process.stdout.close()
        self.process.stderr.close()

    def traffic(self):
        """The transcript's lines about the line: wake-ups, keys, packets."""
        self.stop()
        with open(self.transcript) as f:
            return [line for line in f.read().splitlines() if not line.rstrip().endswith("stopped")]

    def images(self):
        self.stop()
        with open(self.flash, "rb") as f, open(self.eeprom, "rb") as e:
            return f.read(), e.read()


class LinkCommandsTest(unittest.TestCase):
    def setUp(self):
        self.config = tempfile.TemporaryDirectory(prefix="canalarm-xdg-")
        # `ports` describes what sysfs and /dev hold: here empty trees, so that
        # it never opens a device of this machine.
        fake_sys = os.path.join(self.config.name, "sys")
        fake_dev = os.path.join(self.config.name, "dev")
        os.makedirs(fake_sys)
        os.makedirs(fake_dev)
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.config.name,
                        CANALARM_SYSFS_ROOT=fake_sys, CANALARM_DEV_ROOT=fake_dev)
        self.emulators = []
        # Every port the tool could probe is masked by a link to nothing, so
        # that no COM number falls back to a real device such as /dev/ttyS0.
        self.ports = os.path.join(self.config.name, "canalarm", "ports")
        os.makedirs(self.ports)
        for n in range(1, 51):
            os.symlink("/nonexistent/canalarm-test", os.path.join(self.ports, f"com{n}"))

    def tearDown(self):
        for emu in self.emulators:
            emu.stop()
        self.config.cleanup()

    def emulator(self, com=1, *options):
        emu = Emulator(self.env, com, *options)
        self.emulators.append(emu)
        return emu

    def canalarm(self, *args, timeout=60):
        run = subprocess.run([CANALARM, *args], env=self.env, capture_output=True, text=True,
                             timeout=timeout)
        return run.returncode, run.stdout, run.stderr

    def canalarm_json(self, *args):
        status, out, err = self.canalarm(*args, "--json")
        return status, json.loads(out), err

    def hexfw(self, name="demo_firmware.hex"):
        path = os.path.join(self.config.name, name + "fw")
        status, _, err = self.canalarm("encode", os.path.join(ASSEMBLED, name), "-o", path)
        self.assertEqual(status, 0, err)
        return path

    # --- version read -----------------------------------------------------------------

    def test_version_read(self):
        self.emulator(1, "--version-text", "TEST 2.5", "--identity", "34:12")
        status, out, _ = self.canalarm("version", "--port", "COM1")
        self.assertEqual(status, 0)
        self.assertEqual(out.splitlines(), ["Waiting for bootloader...", "OK",
                                            "Program version: TEST 2.5        ", "Finished"])
        status, result, _ = self.canalarm_json("version", "--port", "COM1", "--device-id")
        self.assertEqual(status, 0)
        self.assertEqual(result["deviceId"], "34:12")
        self.assertEqual(result["messages"][2], "Device ID: 34:12")
        self.assertEqual(result["version"], "TEST 2.5        ")

    def test_version_read_in_polish_with_a_random_key(self):
        emu = self.emulator(1)
        status, out, _ = self.canalarm("version", "--port", "COM1", "--lang", "0", "--random-key")
        self.assertEqual(status, 0)
        self.assertEqual(out.splitlines()[0], "Wyszukuje...")
        self.assertEqual(out.splitlines()[-1], "Gotowe")
        emu.stop()
        with open(emu.transcript) as f:
            self.assertIn("new key", f.read())

    def test_no_bootloader_and_no_port(self):
        self.emulator(1, "--answer-after", "1000")
        status, out, _ = self.canalarm("version", "--port", "COM1")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines(), ["Waiting for bootloader...", "Bootloader no response"])
        # COM2 has a link to nothing: the port can't be opened.
        status, out, err = self.canalarm("version", "--port", "COM2")
        self.assertEqual(status, 3)
        self.assertEqual(out.splitlines(), ["Error opening port"])
        self.assertIn("COM2", err)

    def test_reply_cut_short(self):
        self.emulator(1, "--fault", "short:1")
        status, out, _ = self.canalarm("version", "--port", "COM1")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "Error data transmission")

    def test_ports_lists_the_emulators_and_marks_those_in_use(self):
        emu = self.emulator(7)
        self.emulator(9, "--reply-delay", "20")
        status, out, _ = self.canalarm("ports")
        self.assertEqual(status, 0)
        # The masked numbers are listed as links to nothing.
        lines = out.splitlines()
        self.assertEqual([line for line in lines if not line.endswith("\tnot present")],
                         [f"COM7\t{emu.device}\tpseudo-terminal",
                          f"COM9\t{self.emulators[1].device}\tpseudo-terminal"])
        self.assertEqual(len(lines), 50)
        busy = subprocess.Popen([CANALARM, "upload", self.hexfw(), "--port", "COM9"],
                                env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            time.sleep(1.5)
            status, result, _ = self.canalarm_json("ports")
            states = {p["port"]: p["state"] for p in result["ports"] if p["present"]}
            self.assertEqual(states, {"COM7": "free", "COM9": "in use"})
            # A second tool on the busy port is refused and leaves it alone.
            status, out, err = self.canalarm("version", "--port", "COM9")
            self.assertEqual(status, 3)
            self.assertIn("COM9", err)
        finally:
            busy.send_signal(signal.SIGINT)
            busy.wait(timeout=10)

    # --- upload --------------------------------------------------------------------------

    def test_upload_leaves_the_files_images_in_the_module(self):
        for com, name in ((3, "demo_firmware.hex"), (4, "eeprom_table.hex")):
            with self.subTest(name):
                emu = self.emulator(com)
                status, out, err = self.canalarm("upload", self.hexfw(name), "--port", f"COM{com}",
                                                 "--verify")
                self.assertEqual(status, 0, err)
                self.assertEqual(out.splitlines(), ["Waiting for bootloader...", "OK",
                                                    "FLASH writing...", "EEPROM writing...",
                                                    "Finished"])
                flash, eeprom = emu.images()
                ih = intelhex.IntelHex(os.path.join(ASSEMBLED, name))
                want_flash = bytes(ih[a] if a in ih.addresses() else 0xFF
                                   for a in range(512, 0x8000))
                want_eeprom = bytes(ih[0xF00000 + a] if 0xF00000 + a in ih.addresses() else 0xFF
                                    for a in range(256))
                self.assertEqual(flash[512:], want_flash)
                self.assertEqual(flash[:512], b"\xff" * 512)  # the bootloader's blocks stay
                self.assertEqual(eeprom, want_eeprom)

    def test_upload_refusals(self):
        self.emulator(1, "--error-at", "flash:32:5", "--error-at", "eeprom:3:7")
        hexfw = self.hexfw()
        status, out, _ = self.canalarm("upload", hexfw, "--port", "COM1")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "FLASH writing error00000200; error code 5")
        status, out, _ = self.canalarm("upload", hexfw, "--port", "COM1", "--used-only",
                                       "--lang", "0")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "Błąd zapisu pamięci FLASH 00000200; error code 5")

    def test_upload_eeprom_refusal_and_silence(self):
        self.emulator(1, "--error-at", "eeprom:3:7")
        status, out, _ = self.canalarm("upload", self.hexfw(), "--port", "COM1")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "EEPROM writing error; error code 7")
        self.emulator(2, "--silent-after", "40")
        status, out, _ = self.canalarm("upload", self.hexfw(), "--port", "COM2")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "Error data transmission")

    def test_upload_of_a_file_that_does_not_load_touches_no_port(self):
        emu = self.emulator(1)
        broken = os.path.join(self.config.name, "broken.hex")
        with open(broken, "w") as f:
            f.write(":0400000000EF01F01D\n:00000001FF\n")
        status, out, _ = self.canalarm("upload", broken, "--plain", "--port", "COM1")
        self.assertEqual(status, 2)
        self.assertEqual(out.splitlines(), ["Error loading file"])
        self.assertEqual(emu.traffic(), [])

    def test_gang_upload(self):
        for com in (4, 5, 6):
            self.emulator(com)
        status, out, err = self.canalarm("upload", self.hexfw(), "--port", "COM4", "--port",
                                         "COM5", "--port", "COM6")
        self.assertEqual(status, 0, err)
        self.assertEqual(sorted(out.splitlines()),
                         ["COM4: done", "COM5: done", "COM6: done"])
        digests = {hashlib.sha256(emu.images()[0]).hexdigest() for emu in self.emulators}
        self.assertEqual(len(digests), 1)

    def test_cancel_with_ctrl_c(self):
        self.emulator(1, "--reply-delay", "20")
        process = subprocess.Popen([CANALARM, "upload", self.hexfw(), "--port", "COM1"],
                                   env=self.env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   text=True)
        time.sleep(2.0)
        process.send_signal(signal.SIGINT)
        out, _ = process.communicate(timeout=10)
        self.assertEqual(process.returncode, 130)
        self.assertEqual(out.splitlines()[-1], "Cancel")

    # --- parameters ----------------------------------------------------------------------

    def test_parameter_round_trip(self):
        emu = self.emulator(2)
        status, before, _ = self.canalarm_json("params", "read", "--port", "COM2")
        self.assertEqual(status, 0)
        status, out, err = self.canalarm("params", "write", "--port", "COM2", "pin=0907",
                                         "fs3=on", "mode=FA", "programNumber=37", "--verify")
        self.assertEqual(status, 0, err)
        status, after, _ = self.canalarm_json("params", "read", "--port", "COM2")
        self.assertEqual(status, 0)
        expected = dict(before["parameters"], pin="0907", pinBytes="00090007", fs1=False,
                        fs3=True, modeFA=True, programNumber="37", programNumberByte="37")
        self.assertEqual(after["parameters"], expected)
        # Every byte outside the parameter block came back unchanged.
        old, new = bytes.fromhex(before["eeprom"]), bytes.fromhex(after["eeprom"])
        for address in range(256):
            if address not in (0x21, 0x26, 0x27, 0x28, 0x61, 0x66, 0x67):
                self.assertEqual(old[address], new[address], hex(address))
        self.assertEqual(new[0x26], 0)
        self.assertEqual(new[0x66], 9)
        self.assertEqual(new[0x28], 0x37)
        self.assertEqual(emu.images()[1], new)

    def test_parameter_write_refuses_bad_fields_before_touching_the_module(self):
        emu = self.emulator(1)
        for field in ("pin=12a4", "programNumber=30", "nonsense=1", "fs1=maybe"):
            status, _, err = self.canalarm("params", "write", "--port", "COM1", field)
            self.assertEqual(status, 2, field)
            self.assertIn("canalarm:", err)
        self.assertEqual(emu.traffic(), [])

    def test_parameter_read_that_times_out_writes_nothing(self):
        emu = self.emulator(1, "--silent-after", "7")
        status, out, _ = self.canalarm("params", "write", "--port", "COM1", "pin=1111")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "Error data transmission")
        emu.stop()
        with open(emu.transcript) as f:
            text = f.read()
        self.assertIn("read EEPROM", text)
        self.assertNotIn("write EEPROM", text)


def main():
    global CANALARM, EMU, ASSEMBLED
    CANALARM, EMU, ASSEMBLED = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)


if __name__ == "__main__":
    main()
