#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Nothing of the customer's is lost: an upload keeps a module's settings,
a backup of the module's EEPROM is saved before every write, a write that
stops early says so and what the module took, and `params restore` puts a
backup's settings back. Against `canalarm-emu` on pseudo-terminals, through
a private ports folder; the backups go to a private XDG_DATA_HOME.

usage: test_customer_settings.py CANALARM CANALARM_EMU ASSEMBLED_HEX_DIR [tests...]
"""
import json
import os
import re
import signal
import stat
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import intelhex  # noqa: E402

import e2e_base as e2e  # noqa: E402

PARAMETER_BYTES = (0x21, 0x26, 0x27, 0x28, 0x61, 0x66, 0x67)
PIN_BYTES = (0x26, 0x66, 0x27, 0x67)
KEPT = "The module's settings were kept (PIN, CAN program, options)"
INCOMPLETE_SETTINGS = "The module's settings are now incomplete: restore them from the backup"
ACKED_WRITE = re.compile(r"packet \d+: write (FLASH|EEPROM) .*-> ack 0$")


def customer_eeprom(directory, name="customer.bin", pin=(9, 8, 7, 6), program=0x55,
                    smart_key=True, mode_fa=True, version=b"CUSTOMER FW 2.10"):
    """A module that holds a customer's settings: PIN 9876, CAN program 55,
    smart key on (option byte 1 bit 6), mode FA (option byte 2)."""
    image = bytearray(b"\xff" * 256)
    image[0x00:0x10] = bytes(range(16))
    image[0x21] = (0x40 if smart_key else 0) | 0x01
    for address, digit in zip(PIN_BYTES, pin):
        image[address] = digit
    image[0x28] = program
    image[0x61] = 0x10 if mode_fa else 0
    image[0xF0:0x100] = version
    path = os.path.join(directory, name)
    with open(path, "wb") as f:
        f.write(image)
    return path, bytes(image)


def file_eeprom(name="demo_firmware.hex"):
    ih = intelhex.IntelHex(os.path.join(e2e.ASSEMBLED, name))
    addresses = set(ih.addresses())
    return bytes(ih[0xF00000 + a] if 0xF00000 + a in addresses else 0xFF for a in range(256))


def settings(eeprom):
    return {a: eeprom[a] for a in PARAMETER_BYTES}


class CustomerSettingsTest(e2e.E2eTest):
    def setUp(self):
        super().setUp()
        self.backups = os.path.join(self.env["XDG_DATA_HOME"], "canalarm", "backups")

    def backup_files(self):
        if not os.path.isdir(self.backups):
            return []
        return sorted(os.path.join(self.backups, n) for n in os.listdir(self.backups))

    def listed(self):
        status, out, err = self.canalarm("backups", "--json")
        self.assertEqual(status, 0, err)
        return json.loads(out)["backups"]

    # --- an upload keeps the customer's settings ---------------------------------------------

    def test_upload_keeps_the_settings_of_a_module_that_holds_them(self):
        path, before = customer_eeprom(self.config.name)
        emu = self.emulator(1, "--eeprom", path, *e2e.STEADY)
        hexfw = self.hexfw()
        status, result, err = self.canalarm_json("upload", hexfw, "--port", "COM1")
        self.assertEqual(status, 0, err)
        self.assertIn(KEPT, result["messages"])
        self.assertTrue(result["settingsKept"])
        _, eeprom = emu.images()
        want = bytearray(file_eeprom())
        for address in PARAMETER_BYTES:
            want[address] = before[address]
        self.assertEqual(eeprom.hex(), bytes(want).hex())
        # The backup holds the module as it was, and the outcome.
        (backup,) = self.listed()
        self.assertEqual(result["backup"], backup["path"])
        self.assertEqual((backup["operation"], backup["outcome"], backup["port"]), ("upload", "done", "COM1"))
        self.assertEqual(backup["version"], "CUSTOMER FW 2.10")
        self.assertEqual(backup["deviceId"], "1A:43")
        self.assertEqual(backup["file"], os.path.abspath(hexfw))
        with open(backup["path"]) as f:
            text = f.read()
        self.assertIn("eeprom " + before.hex().upper() + "\n", text)

    def test_used_only_file_with_only_a_version_text_keeps_the_pin(self):
        # The file's EEPROM is the version text alone; every other EEPROM
        # byte of the written blocks is FF in the image.
        path, before = customer_eeprom(self.config.name)
        emu = self.emulator(1, "--eeprom", path, *e2e.STEADY)
        ih = intelhex.IntelHex()
        for i in range(16):
            ih[0x200 + i] = i
        for i, b in enumerate(b"NEW VERSION 3.00"):
            ih[0xF000F0 + i] = b
        hex_path = os.path.join(self.config.name, "version_only.hex")
        ih.write_hex_file(hex_path)
        status, out, err = self.canalarm("upload", hex_path, "--plain", "--used-only", "--port", "COM1")
        self.assertEqual(status, 0, out + err)
        _, eeprom = emu.images()
        self.assertEqual(settings(eeprom), settings(before))
        self.assertEqual(eeprom[0xF0:], b"NEW VERSION 3.00")

    def test_file_parameters_replace_the_settings_and_name_the_change(self):
        path, before = customer_eeprom(self.config.name)
        emu = self.emulator(1, "--eeprom", path, *e2e.STEADY)
        status, result, err = self.canalarm_json("upload", self.hexfw(), "--port", "COM1",
                                                 "--file-parameters")
        self.assertEqual(status, 0, err)
        _, eeprom = emu.images()
        self.assertEqual(eeprom, file_eeprom())
        replaced = [m for m in result["messages"] if m.startswith("The file's settings replaced")]
        self.assertEqual(len(replaced), 1, result["messages"])
        self.assertIn("PIN 9876 -> ", replaced[0])
        self.assertIn("smartKey on -> off", replaced[0])
        self.assertIn("Backup: " + result["backup"], replaced[0])

    def test_module_without_settings_gets_the_files(self):
        path, _ = customer_eeprom(self.config.name, pin=(0xFF,) * 4)
        emu = self.emulator(1, "--eeprom", path, *e2e.STEADY)
        status, result, err = self.canalarm_json("upload", self.hexfw(), "--port", "COM1")
        self.assertEqual(status, 0, err)
        self.assertNotIn(KEPT, result["messages"])
        self.assertEqual(emu.images()[1], file_eeprom())

    # --- the backups ---------------------------------------------------------------------------

    def test_backups_are_private_from_the_start(self):
        # A folder that someone made readable for all is made private again.
        os.makedirs(self.backups, mode=0o755)
        os.chmod(self.backups, 0o755)
        self.emulator(1, *e2e.STEADY)
        old = os.umask(0)  # the tool's own modes must do it, not the umask
        try:
            status, _, err = self.canalarm("params", "write", "--port", "COM1", "fs2=on")
        finally:
            os.umask(old)
        self.assertEqual(status, 0, err)
        self.assertEqual(stat.S_IMODE(os.stat(self.backups).st_mode), 0o700)
        (path,) = self.backup_files()
        self.assertEqual(stat.S_IMODE(os.stat(path).st_mode), 0o600)
        self.assertRegex(os.path.basename(path), r"^\d{8}T\d{6}\.\d{3}Z-COM1-params-write\.backup$")

    def test_backup_that_cannot_be_saved_stops_before_any_write(self):
        os.makedirs(os.path.dirname(self.backups))
        with open(self.backups, "w") as f:  # a file where the folder belongs
            f.write("in the way")
        cases = [("upload", ["upload", self.hexfw()]), ("params write", ["params", "write", "pin=1111"])]
        for com, (name, command) in enumerate(cases, start=1):
            with self.subTest(name):
                emu = self.emulator(com, *e2e.STEADY)
                status, result, err = self.canalarm_json(*command, "--port", f"COM{com}")
                self.assertEqual(status, 2, err)
                self.assertEqual(result["outcome"], "backup-failed")
                self.assertTrue(any(m.startswith("The backup could not be saved, nothing was written")
                                    for m in result["messages"]), result["messages"])
                self.assertNotRegex("\n".join(emu.traffic()), "write (FLASH|EEPROM)")

    def test_backups_are_listed_in_order_with_numbers(self):
        emu = self.emulator(1, *e2e.STEADY)
        for field in ("fs2=on", "fs2=off"):
            status, _, err = self.canalarm("params", "write", "--port", "COM1", field)
            self.assertEqual(status, 0, err)
            emu.restart()
        listed = self.listed()
        self.assertEqual([b["number"] for b in listed], [1, 2])
        self.assertEqual([b["path"] for b in listed], self.backup_files())
        self.assertLess(listed[0]["time"], listed[1]["time"])
        status, out, _ = self.canalarm("backups")
        self.assertEqual(status, 0)
        lines = out.splitlines()
        self.assertEqual(len(lines), 2)
        self.assertTrue(lines[1].startswith("2  "), lines)
        self.assertIn("params-write  done  1A:43", lines[1])

    # --- a parameter write that stops early ------------------------------------------------------

    def test_refused_block_six_is_said_and_restored_from_the_backup(self):
        path, before = customer_eeprom(self.config.name)
        emu = self.emulator(1, "--eeprom", path, "--error-at", "eeprom:6:5", *e2e.STEADY)
        status, result, err = self.canalarm_json("params", "write", "--port", "COM1", "pin=5555")
        self.assertEqual(status, 1, err)
        self.assertEqual(result["outcome"], "write-refused")
        self.assertTrue(result["partial"])
        self.assertEqual(result["blocksWritten"], 6)
        # The requested values are not the module's.
        self.assertNotIn("parameters", result)
        self.assertEqual(result["requested"]["pin"], "5555")
        self.assertIn(INCOMPLETE_SETTINGS + ": " + result["backup"], result["messages"])
        self.assertIn("params restore --port COM1", result["error"])
        emu.stop()
        _, eeprom = emu.images()
        self.assertEqual([eeprom[a] for a in PIN_BYTES], [5, 8, 5, 6])  # neither PIN

        # The module, its block 6 taken again, gets the backup back.
        with open(os.path.join(self.config.name, "half.bin"), "wb") as f:
            f.write(eeprom)
        self.emulators.remove(emu)
        self.remask(1)
        emu = self.emulator(1, "--eeprom", os.path.join(self.config.name, "half.bin"), *e2e.STEADY)
        status, out, err = self.canalarm("params", "restore", "--port", "COM1", "1", "--dry-run")
        self.assertEqual(status, 0, err)
        self.assertIn("Changes: PIN 5856 -> 9876", out)
        self.assertNotIn("write EEPROM", emu.text())
        emu.restart()
        status, result, err = self.canalarm_json("params", "restore", "--port", "COM1", result["backup"])
        self.assertEqual(status, 0, err)
        self.assertEqual(result["parameters"]["pin"], "9876")
        self.assertEqual(settings(emu.images()[1]), settings(before))
        # The restore took its own backup first.
        self.assertEqual([b["operation"] for b in self.listed()], ["params-write", "params-restore"])

    def test_ctrl_c_during_a_parameter_write_says_what_the_module_took(self):
        path, _ = customer_eeprom(self.config.name)
        # The write's link: the identity, 16 reads of the backup, then the
        # writes. The acknowledgement of the second write (packet 19) is held
        # back for a second, and the signal comes while it is on its way.
        emu = self.emulator(1, "--eeprom", path, "--fault", "delay:19:1000", *e2e.STEADY)
        tool = self.start("params", "write", "--port", "COM1", "pin=1111", "--json")
        self.wait_for_transcript(emu, "packet 19: write EEPROM")
        tool.send_signal(signal.SIGINT)
        out, err = tool.communicate(timeout=e2e.PATIENCE)
        self.assertEqual(tool.returncode, 130, err)
        result = json.loads(out)
        acked = sum(1 for line in emu.traffic() if ACKED_WRITE.search(line))
        self.assertTrue(result["partial"])
        self.assertEqual(result["blocksWritten"] + result["blockInDoubt"], acked)
        self.assertNotIn("parameters", result)
        self.assertEqual(result["requested"]["pin"], "1111")
        self.assertIn("params restore", err)

    # --- an upload that stops early ---------------------------------------------------------------

    def test_lost_port_keeps_the_report(self):
        emu = self.emulator(1, "--fault", "vanish:60", *e2e.STEADY)
        status, result, err = self.canalarm_json("upload", self.hexfw(), "--port", "COM1")
        emu.process.wait(timeout=e2e.PATIENCE)
        self.assertEqual(status, 1, err)
        self.assertEqual(result["outcome"], "port-lost")
        self.assertTrue(result["partial"])
        self.assertGreater(result["blocksWritten"], 0)
        self.assertIn("file", result)
        self.assertEqual(self.listed()[0]["outcome"], "port-lost")

    def test_ctrl_c_counts_the_block_in_flight(self):
        """The count says what the module acknowledged: a Ctrl-C in the
        middle of the FLASH phase (a 9600 bit/s wire) comes, nearly always,
        while a packet is on its way."""
        for run in range(5):
            with self.subTest(run=run):
                emu = self.emulator(run + 1, "--wire-speed", "9600", *e2e.STEADY)
                tool = self.start("upload", self.hexfw(), "--port", f"COM{run + 1}", "--json")
                self.wait_for_transcript(emu, f"write FLASH at 0x{0x200 + 16 * (10 + run):04X}")
                tool.send_signal(signal.SIGINT)
                out, err = tool.communicate(timeout=e2e.PATIENCE)
                self.assertEqual(tool.returncode, 130, err)
                result = json.loads(out)
                acked = sum(1 for line in emu.traffic() if ACKED_WRITE.search(line))
                self.assertTrue(result["partial"])
                self.assertEqual(result["blocksWritten"] + result["blockInDoubt"], acked, result)
                self.remask(run + 1)

    def test_ctrl_c_during_the_restart_pulse_sends_no_wake_up(self):
        """The signal comes while the tool holds the port in its 0.6 s
        restart pulse; a moment that fell later (a loaded machine) is not
        counted, and at least one of the runs must fall inside."""
        inside = 0
        for run in range(5):
            emu = self.emulator(run + 1)
            tool = self.start("upload", self.hexfw(), "--port", f"COM{run + 1}")
            self.wait_until_open(tool, emu.device)
            opened = time.monotonic()
            tool.send_signal(signal.SIGINT)
            signalled = time.monotonic()
            out, err = tool.communicate(timeout=e2e.PATIENCE)
            self.assertEqual(tool.returncode, 130, out + err)
            traffic = "\n".join(emu.traffic())
            if signalled - opened < 0.4:
                inside += 1
                self.assertNotIn("wake-up attempt", traffic)
                self.assertNotIn("key", traffic)
            self.remask(run + 1)
        self.assertGreater(inside, 0, "no signal fell inside the restart pulse")

    # --- contradictory fields --------------------------------------------------------------------

    def test_contradictory_fields_are_refused_before_the_port_opens(self):
        emu = self.emulator(1, *e2e.STEADY)
        cases = [
            (["fs1=on", "fs3=on"], "fs1=on and fs3=on contradict each other"),
            (["pin=1111", "pin=2222"], "pin=1111 and pin=2222 contradict each other"),
            (["mode=FI", "modeFA=on"], "mode=FI and modeFA=on contradict each other"),
            (["modeFA=off", "mode=FA"], "modeFA=off and mode=FA contradict each other"),
            (["smartKey=on", "smartKey=0"], "smartKey=on and smartKey=0 contradict each other"),
        ]
        for fields, said in cases:
            with self.subTest(fields):
                status, _, err = self.canalarm("params", "write", "--port", "COM1", *fields)
                self.assertEqual(status, 2, err)
                self.assertIn(said, err)
        # The same value twice, and FS1 with FS3 off, are no contradiction.
        status, _, err = self.canalarm("params", "write", "--port", "COM1", "pin=1111", "pin=1111",
                                       "fs1=on", "fs3=off")
        self.assertEqual(status, 0, err)
        self.assertEqual(emu.text().count("write EEPROM"), 16)


if __name__ == "__main__":
    e2e.main()
