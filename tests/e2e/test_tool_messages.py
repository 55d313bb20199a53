#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""What `canalarm` says, end to end against `canalarm-emu` on
pseudo-terminals: port errors in words, the window's language codes, an
erased module, the file's extents and a refused parameter write as one line
each, and firmware files read in the form their names say, with a hint when
they do not load.

Every COM port is masked or points at an emulator's pseudo-terminal, never at
a real device (e2e_base).

usage: test_tool_messages.py CANALARM CANALARM_EMU ASSEMBLED_HEX_DIR
"""
import fcntl
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import intelhex  # noqa: E402

import e2e_base as e2e  # noqa: E402

NOBODY = 65534


class ToolMessagesTest(e2e.E2eTest):
    def module(self, com=1, *options, restarts=False):
        """A fresh emulator on COMn for one command; the one before it on COMn
        ends. Its module waits for the wake-up; unless the command needs it to
        `restarts` between links (a parameter write reads twice), a quiet line
        never restarts it, which a loaded machine could otherwise cause in the
        middle of a link."""
        for emu in self.emulators:
            if emu.com == com:
                emu.stop()
        return self.emulator(com, *([] if restarts else e2e.STEADY), *options)

    def erased_eeprom(self):
        path = os.path.join(self.config.name, "erased.bin")
        with open(path, "wb") as f:
            f.write(b"\xff" * 256)
        return path

    # --- ports ----------------------------------------------------------------------------

    def test_port_errors_are_said_in_words(self):
        emu = self.module(1)
        cases = [
            # A masked port: a link to nothing.
            ("COM2", "canalarm: COM2 (/nonexistent/canalarm-test): no such device"),
            # Neither a link nor a default device.
            ("COM60", "canalarm: COM60: no such device"),
        ]
        for port, said in cases:
            with self.subTest(port):
                status, out, err = self.canalarm("version", "--port", port)
                self.assertEqual(status, 3)
                self.assertEqual(out.splitlines(), ["Error opening port"])
                self.assertEqual(err, said + "\n")
                status, result, _ = self.canalarm_json("version", "--port", port)
                self.assertEqual(result["error"], said[len("canalarm: "):])
        # Another program holds the emulator's line.
        holder = os.open(emu.device, os.O_RDWR | os.O_NOCTTY)
        try:
            fcntl.flock(holder, fcntl.LOCK_EX | fcntl.LOCK_NB)
            status, _, err = self.canalarm("version", "--port", "COM1")
        finally:
            os.close(holder)
        self.assertEqual(status, 3)
        self.assertEqual(err, f"canalarm: COM1 ({emu.device}): in use by another program\n")
        self.assertEqual(emu.traffic(), [])

    def test_permission_denied_gives_the_advice_once(self):
        emu = self.module(1)
        command = [e2e.CANALARM, "version", "--port", emu.device]
        if os.geteuid() == 0:
            # Root opens any device: the tool runs as nobody, whom the
            # pseudo-terminal (mode 620, root's) does not let in.
            os.chmod(emu.device, 0o600)
            command = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", *command]
        else:
            os.chmod(emu.device, 0)
        run = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=300,
                             preexec_fn=e2e.dies_with_this_process())
        self.assertEqual(run.returncode, 3, run.stdout + run.stderr)
        self.assertEqual(run.stderr.splitlines(), [
            f"canalarm: {emu.device}: permission denied",
            "canalarm: add yourself to the port's group (usually: sudo usermod -aG dialout $USER), "
            "then log in again"])
        self.assertEqual(emu.traffic(), [])

    # --- language -------------------------------------------------------------------------

    def test_the_windows_language_codes_are_taken(self):
        said = {}
        for lang in ("pl", "0", "HU", "6"):
            with self.subTest(lang):
                self.module(1)
                status, out, err = self.canalarm("version", "--port", "COM1", "--lang", lang)
                self.assertEqual(status, 0, err)
                said[lang] = out
        self.assertEqual(said["pl"].splitlines()[0], "Wyszukuje...")
        self.assertEqual(said["pl"], said["0"])
        self.assertEqual(said["HU"], said["6"])
        self.assertNotEqual(said["HU"], said["pl"])
        status, out, err = self.canalarm("version", "--port", "COM1", "--lang", "xx")
        self.assertEqual(status, 2)
        self.assertIn("unknown language xx: use pl, en, de, ru, sk, cz, hu or 0-6", err)

    # --- an erased module -----------------------------------------------------------------

    def test_an_erased_module_holds_no_version_and_no_program_number(self):
        erased = self.erased_eeprom()
        self.module(1, "--eeprom", erased)
        status, out, err = self.canalarm("version", "--port", "COM1")
        self.assertEqual(status, 0, err)
        self.assertEqual(out.splitlines(), ["Waiting for bootloader...", "OK",
                                            "Program version: none (erased, all 16 bytes FF)",
                                            "Finished"])
        self.module(1, "--eeprom", erased)
        status, result, _ = self.canalarm_json("version", "--port", "COM1")
        self.assertIsNone(result["version"])
        self.assertEqual(result["versionHex"], "ff" * 16)

        self.module(1, "--eeprom", erased)
        status, out, err = self.canalarm("params", "read", "--port", "COM1")
        self.assertEqual(status, 0, err)
        self.assertIn("pin = not set (bytes ff ff ff ff)", out.splitlines())
        self.assertIn("programNumber = not set (byte ff)", out.splitlines())
        self.module(1, "--eeprom", erased)
        status, result, _ = self.canalarm_json("params", "read", "--port", "COM1")
        parameters = result["parameters"]
        self.assertIsNone(parameters["programNumber"])
        self.assertEqual(parameters["programNumberByte"], "ff")
        self.assertIsNone(parameters["pin"])

    # --- one line each --------------------------------------------------------------------

    def test_flash_size_is_one_line(self):
        self.module(1)
        ih = intelhex.IntelHex(os.path.join(e2e.ASSEMBLED, "demo_firmware.hex"))
        flash = max(a for a in ih.addresses() if a < 0x8000)
        eeprom = max(a for a in ih.addresses() if a >= 0xF00000) - 0xF00000
        line = f"Flash = {flash - 512}B, Eeprom = {eeprom}B"
        status, out, err = self.canalarm("upload", self.hexfw(), "--port", "COM1", "--flash-size")
        self.assertEqual(status, 0, err)
        lines = [m for m in out.splitlines() if not m.startswith(("Saving a backup", "Backup: "))]
        self.assertEqual(lines, [line, "Waiting for bootloader...", "OK",
                                 "The module's settings were kept (PIN, CAN program, options)",
                                 "FLASH writing...", "EEPROM writing...", "Finished"])
        self.module(1)
        status, result, _ = self.canalarm_json("upload", self.hexfw(), "--port", "COM1",
                                               "--flash-size")
        self.assertEqual(status, 0)
        self.assertEqual([m for m in result["messages"] if m.startswith(("Flash", "Eeprom"))], [line])

    def test_a_refused_parameter_write_is_one_line(self):
        self.module(1, "--error-at", "eeprom:2:9", restarts=True)
        status, out, _ = self.canalarm("params", "write", "--port", "COM1", "fs2=on")
        self.assertEqual(status, 1)
        said = [line for line in out.splitlines() if line.startswith("EEPROM writing error")]
        self.assertEqual(said, ["EEPROM writing error; error code 9"])
        # The line after it says that the settings are now incomplete.
        self.assertEqual(out.splitlines()[-2], said[0])
        self.module(1, "--error-at", "eeprom:2:9", restarts=True)
        status, result, _ = self.canalarm_json("params", "write", "--port", "COM1", "fs2=on")
        self.assertEqual(result.get("errorCode"), 9, result)
        self.assertEqual([m for m in result["messages"] if m.startswith("EEPROM writing error")],
                         said)

    # --- the firmware file's form ---------------------------------------------------------

    def test_a_plain_hex_file_is_read_by_its_name(self):
        emu = self.module(1)
        plain = os.path.join(self.config.name, "demo.HEX")
        shutil.copy(os.path.join(e2e.ASSEMBLED, "demo_firmware.hex"), plain)
        status, out, err = self.canalarm("upload", plain, "--port", "COM1")
        self.assertEqual(status, 0, out + err)
        flash, eeprom = emu.images()
        self.assertNotEqual(flash[512:], b"\xff" * (0x8000 - 512))
        # The same file, made record-encoded, gives the same images.
        emu2 = self.module(2)
        status, out, err = self.canalarm("upload", self.hexfw(), "--port", "COM2")
        self.assertEqual(status, 0, out + err)
        self.assertEqual(emu2.images(), (flash, eeprom))

    def test_a_file_that_does_not_load_says_how_to_ask_for_the_other_form(self):
        emu = self.module(1)
        records = os.path.join(self.config.name, "firmware.txt")
        shutil.copy(os.path.join(e2e.ASSEMBLED, "demo_firmware.hex"), records)
        hexfw = self.hexfw()
        cases = [
            ([records], f"{records}: read as record-encoded (by its name): failed at line pair 1: "
                        "not a data or extended address record; it loads as plain Intel HEX: "
                        "use --plain"),
            ([hexfw, "--plain"], f"{hexfw}: read as plain Intel HEX (--plain): failed at line 1: "
                                 "not a data or extended address record; it loads as "
                                 "record-encoded: use --encoded"),
        ]
        for args, said in cases:
            with self.subTest(args[-1]):
                status, out, err = self.canalarm("upload", *args, "--port", "COM1")
                self.assertEqual(status, 2)
                self.assertEqual(out.splitlines(), ["Error loading file"])
                self.assertEqual(err, f"canalarm: {said}\n")
                status, result, _ = self.canalarm_json("upload", *args, "--port", "COM1")
                self.assertEqual((result["outcome"], result["error"]), ("file-error", said))
                status, _, err = self.canalarm("info", *args)
                self.assertEqual(status, 1)
                self.assertEqual(err, f"canalarm: {said}\n")
        self.assertEqual(emu.traffic(), [])
        status, _, err = self.canalarm("upload", records, "--plain", "--port", "COM2")
        self.assertEqual(status, 3, err)  # loads now: only the masked port stops it


if __name__ == "__main__":
    e2e.main()
