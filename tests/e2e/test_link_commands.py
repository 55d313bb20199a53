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
import os
import signal
import sys

import intelhex

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_base as e2e  # noqa: E402


class LinkCommandsTest(e2e.E2eTest):
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
        self.emulator(9, "--reply-delay", "20", *e2e.STEADY)
        status, out, _ = self.canalarm("ports")
        self.assertEqual(status, 0)
        # The masked numbers are listed as links to nothing; each emulator is
        # named as its pseudo-terminal's other end, not as a holder.
        lines = out.splitlines()
        self.assertEqual([line for line in lines if not line.endswith("\tnot present")],
                         [f"COM{e.com}\t{e.device}\tpseudo-terminal, other end canalarm-emu "
                          f"(pid {e.process.pid})" for e in (emu, self.emulators[1])])
        self.assertEqual(len(lines), 50)
        # An upload of some 40 s (each reply held 20 ms) holds COM9 while its
        # packets go.
        busy = self.start("upload", self.hexfw(), "--port", "COM9")
        try:
            self.wait_for_transcript(self.emulators[1], "packet 1:")
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
                emu = self.emulator(com, *e2e.STEADY)
                # The file's EEPROM whole, parameters included: the module's
                # own settings (PIN 1234) give way to the file's.
                status, out, err = self.canalarm("upload", self.hexfw(name), "--port", f"COM{com}",
                                                 "--verify", "--file-parameters")
                self.assertEqual(status, 0, err)
                lines = out.splitlines()
                self.assertEqual(lines[:3], ["Waiting for bootloader...", "OK",
                                             "Saving a backup of the module's EEPROM..."])
                self.assertRegex(lines[3], r"^Backup: .*-COM%d-upload\.backup$" % com)
                self.assertTrue(lines[4].startswith("The file's settings replaced the module's: PIN 1234 -> "),
                                lines)
                self.assertEqual(lines[5:], ["FLASH writing...", "EEPROM writing...", "Finished"])
                flash, eeprom = emu.images()
                ih = intelhex.IntelHex(os.path.join(e2e.ASSEMBLED, name))
                want_flash = bytes(ih[a] if a in ih.addresses() else 0xFF
                                   for a in range(512, 0x8000))
                want_eeprom = bytes(ih[0xF00000 + a] if 0xF00000 + a in ih.addresses() else 0xFF
                                    for a in range(256))
                self.assertEqual(flash[512:], want_flash)
                self.assertEqual(flash[:512], b"\xff" * 512)  # the bootloader's blocks stay
                self.assertEqual(eeprom, want_eeprom)

    def test_upload_refusals(self):
        self.emulator(1, "--error-at", "flash:32:5", "--error-at", "eeprom:3:7", *e2e.STEADY)
        hexfw = self.hexfw()
        status, out, _ = self.canalarm("upload", hexfw, "--port", "COM1")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "FLASH writing error00000200; error code 5")
        self.emulators[0].restart()
        status, out, _ = self.canalarm("upload", hexfw, "--port", "COM1", "--used-only",
                                       "--lang", "0")
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[-1], "Błąd zapisu pamięci FLASH 00000200; error code 5")

    def test_upload_eeprom_refusal_and_silence(self):
        self.emulator(1, "--error-at", "eeprom:3:7", *e2e.STEADY)  # after the whole FLASH
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
            self.emulator(com, *e2e.STEADY)
        status, out, err = self.canalarm("upload", self.hexfw(), "--port", "COM4", "--port",
                                         "COM5", "--port", "COM6")
        self.assertEqual(status, 0, err)
        self.assertEqual(sorted(out.splitlines()),
                         ["COM4: done", "COM5: done", "COM6: done"])
        digests = {hashlib.sha256(emu.images()[0]).hexdigest() for emu in self.emulators}
        self.assertEqual(len(digests), 1)

    def test_cancel_with_ctrl_c(self):
        # Each reply held 20 ms: the upload lasts some 40 s, and Ctrl-C comes
        # once its first write packet has gone.
        emu = self.emulator(1, "--reply-delay", "20", *e2e.STEADY)
        process = self.start("upload", self.hexfw(), "--port", "COM1")
        self.wait_for_transcript(emu, "write FLASH")
        process.send_signal(signal.SIGINT)
        out, _ = process.communicate(timeout=10)
        self.assertEqual(process.returncode, 130)
        self.assertEqual(out.splitlines()[-1], "Cancel")

    # --- parameters ----------------------------------------------------------------------

    def test_parameter_round_trip(self):
        emu = self.emulator(2, *e2e.STEADY)
        status, before, _ = self.canalarm_json("params", "read", "--port", "COM2")
        self.assertEqual(status, 0)
        emu.restart()
        status, out, err = self.canalarm("params", "write", "--port", "COM2", "pin=0907",
                                         "fs3=on", "mode=FA", "programNumber=37", "--verify")
        self.assertEqual(status, 0, err)
        emu.restart()
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


if __name__ == "__main__":
    e2e.main()
