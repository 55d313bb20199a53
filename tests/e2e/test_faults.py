#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Faults end to end: the device vanishing, a damaged wire, a busy port,
damaged files and refused parameter writes, `canalarm` against
`canalarm-emu` on pseudo-terminals.

Every test asserts what the user is shown, the exit status, what the module
holds afterwards (the emulator's dumps) and that the port opens cleanly
afterwards. The ports folder and the emulator fixture are e2e_base.py's:
every COM port is masked or points at an emulator's pseudo-terminal, never
at a real device.

usage: test_faults.py CANALARM CANALARM_EMU ASSEMBLED_HEX_DIR
"""
import os
import random
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import intelhex  # noqa: E402

import e2e_base as e2e  # noqa: E402

BLOCK = 16
FIRST_FLASH_BLOCK = 32       # blocks 0..31 hold the bootloader
PARAMETER_BYTES = (0x21, 0x26, 0x27, 0x28, 0x61, 0x66, 0x67)
# An upload's link starts with the backup read: the identity and 16 EEPROM
# blocks. Its Nth write packet is packet N + 17.
BACKUP_READ = 17


class FaultTest(e2e.E2eTest):
    # --- helpers ----------------------------------------------------------------------

    def expected_images(self, name="demo_firmware.hex"):
        ih = intelhex.IntelHex(os.path.join(e2e.ASSEMBLED, name))
        addresses = set(ih.addresses())
        flash = bytes(ih[a] if a in addresses else 0xFF for a in range(0x8000))
        eeprom = bytearray(ih[0xF00000 + a] if 0xF00000 + a in addresses else 0xFF
                           for a in range(256))
        # The emulated module holds settings (PIN 1234): an upload keeps them.
        _, module = self.emulator(None).images()
        for address in PARAMETER_BYTES:
            eeprom[address] = module[address]
        return flash, bytes(eeprom)

    def assert_port_opens(self, com, emu=None):
        """A version read succeeds on the port: on the same module, restarted
        as the tool's RTS pulse would restart it (a reply it still held back
        is dropped), or on a fresh emulator when the old one has gone."""
        if emu is None or emu.process.poll() is not None:
            if emu is not None:
                emu.stop()
            self.remask(com)
            emu = self.emulator(com, *e2e.STEADY)
        else:
            emu.restart()
        status, out, err = self.canalarm("version", "--port", f"COM{com}")
        self.assertEqual(status, 0, err)
        self.assertEqual(out.splitlines()[-1], "Finished")
        return emu

    def assert_blocks(self, got, want, before, written, untouched_from=None):
        """Every block holds what was sent or what it held before; blocks in
        `written` hold what was sent; from `untouched_from` on nothing changed."""
        for block in range(len(got) // BLOCK):
            span = slice(block * BLOCK, (block + 1) * BLOCK)
            self.assertIn(got[span], (want[span], before[span]), f"block {block} corrupted")
            if block in written:
                self.assertEqual(got[span], want[span], f"block {block} not written")
            if untouched_from is not None and block >= untouched_from:
                self.assertEqual(got[span], before[span], f"block {block} written too late")

    def run_until_vanished(self, emu, args, kill_after=None):
        """Runs canalarm while the emulator's line closes (by a fault, or by
        ending the emulator once `kill_after` shows in its transcript); returns
        status and output. A tool that still runs long after is hung."""
        tool = self.start(*args)
        if kill_after is not None:
            self.wait_for_transcript(emu, kill_after)
            emu.process.send_signal(signal.SIGTERM)
        emu.process.wait(timeout=e2e.PATIENCE)
        try:
            out, err = tool.communicate(timeout=e2e.PATIENCE)
        except subprocess.TimeoutExpired:
            self.fail("canalarm hangs after the device vanished")
        return tool.returncode, out, err

    # --- the device vanishes ------------------------------------------------------------

    def test_device_vanishes(self):
        hexfw = self.hexfw()
        want_flash, _ = self.expected_images()
        cases = [
            # name, emulator options, command, transcript line that ends the emulator
            ("upload", ["--fault", f"vanish:{40 + BACKUP_READ}", *e2e.STEADY], ["upload", hexfw], None),
            ("params read", ["--fault", "vanish:5"], ["params", "read"], None),
            ("params write", ["--reply-delay", "15"], ["params", "write", "pin=4321"],
             "write EEPROM"),
        ]
        for com, (name, options, command, kill_after) in enumerate(cases, start=1):
            with self.subTest(name):
                emu = self.emulator(com, *options)
                status, out, err = self.run_until_vanished(
                    emu, [*command, "--port", f"COM{com}"], kill_after)
                self.assertEqual(status, 1, err)
                # The port's own error, said in words, whether the hang-up met
                # a write or a wait for the module's answer: a wait that did
                # not wake at the hang-up would run out its time limit and
                # call it a transmission error.
                self.assertNotIn("Serl exception", err)
                self.assertIn(f"COM{com}: port error: The device is not connected", err)
                self.assertNotIn("Error data transmission", out)
                self.assertNotEqual(out.splitlines()[-1], "Finished")
                flash, eeprom = emu.images()
                erased = b"\xff" * len(flash)
                if name == "upload":
                    written = range(FIRST_FLASH_BLOCK, FIRST_FLASH_BLOCK + 39)
                    self.assert_blocks(flash, want_flash, erased, written,
                                       untouched_from=FIRST_FLASH_BLOCK + 40)
                else:
                    self.assertEqual(flash, erased)
                    # The read changed nothing; the write left every block old or new.
                    fresh = self.emulator(30 + com)
                    _, before = fresh.images()
                    want = bytearray(before)
                    if name == "params write":
                        want[0x26], want[0x66], want[0x27], want[0x67] = 4, 3, 2, 1
                    self.assert_blocks(eeprom, bytes(want), before, written=range(0))
                    if name == "params read":
                        self.assertEqual(eeprom, before)
                self.assert_port_opens(com, emu)

    def test_batch_upload_with_a_vanishing_device(self):
        # One port of a batch loses its device; the others, each on its own
        # thread, finish untouched.
        hexfw = self.hexfw()
        want_flash, want_eeprom = self.expected_images()
        good = [self.emulator(4, *e2e.STEADY), self.emulator(6, *e2e.STEADY)]
        gone = self.emulator(5, "--fault", f"vanish:{60 + BACKUP_READ}", *e2e.STEADY)
        status, out, err = self.canalarm("upload", hexfw, "--port", "COM4", "--port", "COM5",
                                         "--port", "COM6")
        self.assertEqual(status, 1, err)
        lines = out.splitlines()
        self.assertEqual([line for line in lines if not line.startswith("COM5")],
                         ["COM4: done", "COM6: done"])
        failed = [line for line in lines if line.startswith("COM5")]
        self.assertEqual(len(failed), 1)
        self.assertNotIn("done", failed[0])
        self.assertNotIn("Serl exception", out + err)
        for emu in good:
            flash, eeprom = emu.images()
            self.assertEqual((flash[512:], eeprom), (want_flash[512:], want_eeprom))
        flash, _ = gone.images()
        self.assert_blocks(flash, want_flash, b"\xff" * 0x8000,
                           range(FIRST_FLASH_BLOCK, FIRST_FLASH_BLOCK + 59),
                           untouched_from=FIRST_FLASH_BLOCK + 60)
        self.assert_port_opens(5, gone)

    # --- a damaged wire -----------------------------------------------------------------

    def test_wire_faults_during_upload(self):
        hexfw = self.hexfw()
        want_flash, _ = self.expected_images()
        erased = b"\xff" * 0x8000
        first = FIRST_FLASH_BLOCK
        faulty = first + 39  # the block of write packet 40
        cases = [
            # fault at write packet 40, last message, was the faulty block written
            (f"garbage:in:{40 + BACKUP_READ}:3", "Error data transmission", False),
            (f"garbage:out:{40 + BACKUP_READ}:2", "FLASH writing error00000470; error code 255", True),
            (f"flip:in:{40 + BACKUP_READ}:5:3", "FLASH writing error00000470; error code 1", False),
            (f"flip:out:{40 + BACKUP_READ}", "FLASH writing error00000470; error code 1", True),
            (f"drop:in:{40 + BACKUP_READ}:7", "Error data transmission", False),
            (f"drop:out:{40 + BACKUP_READ}", "Error data transmission", True),
            (f"delay:{40 + BACKUP_READ}:1700", "Error data transmission", True),
            (f"short:{40 + BACKUP_READ}", "Error data transmission", True),
        ]
        for com, (fault, message, faulty_written) in enumerate(cases, start=1):
            with self.subTest(fault):
                emu = self.emulator(com, "--fault", fault, *e2e.STEADY)
                status, out, err = self.canalarm("upload", hexfw, "--port", f"COM{com}")
                self.assertEqual(status, 1, err)
                self.assertEqual(out.splitlines()[-1], message)
                emu = self.assert_port_opens(com, emu)
                flash, _ = emu.images()
                written = range(first, faulty + 1 if faulty_written else faulty)
                self.assert_blocks(flash, want_flash, erased, written, untouched_from=faulty + 1)
                if not faulty_written:
                    self.assertEqual(flash[faulty * BLOCK:(faulty + 1) * BLOCK], b"\xff" * BLOCK)

    def test_wire_faults_during_parameter_write_stop_it_before_any_write(self):
        # A fault at packet 5 hits the read that every write starts with.
        for com, fault in enumerate(("garbage:in:5:2", "flip:in:5:9:1", "drop:in:5:4",
                                     "drop:out:5:3", "delay:5:1700", "short:5"), start=1):
            with self.subTest(fault):
                emu = self.emulator(com, "--fault", fault)
                status, out, err = self.canalarm("params", "write", "pin=9876",
                                                 "--port", f"COM{com}")
                self.assertEqual(status, 1, err)
                self.assertEqual(out.splitlines()[-1], "Error data transmission")
                emu = self.assert_port_opens(com, emu)
                with open(emu.transcript) as f:
                    self.assertNotIn("write EEPROM", f.read())
                fresh = self.emulator(40 + com)
                self.assertEqual(emu.images()[1], fresh.images()[1])

    # --- a busy port --------------------------------------------------------------------

    def test_second_instance_while_an_upload_runs(self):
        # Each reply held 3 ms: the upload lasts 6 s at the least, however
        # fast the machine, and three refused starts fit in well after its
        # fifth packet; a slower machine only makes the upload longer.
        emu = self.emulator(1, "--reply-delay", "3", *e2e.STEADY)
        hexfw = self.hexfw()
        upload = self.start("upload", hexfw, "--port", "COM1")
        self.wait_for_transcript(emu, "packet 5:")
        for command in (["version"], ["upload", hexfw], ["params", "write", "pin=1111"]):
            with self.subTest(command[0]):
                status, out, err = self.canalarm(*command, "--port", "COM1")
                self.assertEqual(status, 3)
                self.assertEqual(out.splitlines(), ["Error opening port"])
                self.assertIn("in use", err)
        out, err = upload.communicate(timeout=120)
        self.assertEqual(upload.returncode, 0, err)
        self.assertEqual(out.splitlines()[-1], "Finished")
        want_flash, want_eeprom = self.expected_images()
        self.assert_port_opens(1, emu)
        flash, eeprom = emu.images()
        self.assertEqual(flash[512:], want_flash[512:])
        self.assertEqual(eeprom, want_eeprom)

    # --- files --------------------------------------------------------------------------

    def test_files_that_do_not_load_are_never_sent(self):
        folder = self.config.name
        hexfw = self.hexfw()
        plain = os.path.join(e2e.ASSEMBLED, "demo_firmware.hex")

        def write(name, data):
            path = os.path.join(folder, name)
            with open(path, "wb") as f:
                f.write(data)
            return path

        os.makedirs(os.path.join(folder, "folder.hexfw"))
        big = os.path.join(folder, "long.hexfw")
        with open(big, "wb") as f:
            line = b":" + b"A" * (1 << 20)
            for _ in range(100):
                f.write(line)
        cases = [
            ("missing", [os.path.join(folder, "missing.hexfw")]),
            ("a directory", [os.path.join(folder, "folder.hexfw")]),
            ("empty", [write("empty.hexfw", b"")]),
            ("empty plain", [write("empty.hex", b""), "--plain"]),
            ("binary", [write("binary.hexfw", random.Random(7).randbytes(4096))]),
            ("binary plain", [write("binary.hex", random.Random(8).randbytes(4096)), "--plain"]),
            ("a 100 MB line", [big]),
            (".hex read as .hexfw", [plain, "--encoded"]),
            (".hexfw read as .hex", [hexfw, "--plain"]),
        ]
        # Root reads a file of mode 000; for root the directory stands for a
        # file that can't be read.
        if os.geteuid() != 0:
            with open(hexfw, "rb") as f:
                locked = write("locked.hexfw", f.read())
            os.chmod(locked, 0)
            cases.append(("unreadable", [locked]))
        emu = self.emulator(1)
        for name, args in cases:
            with self.subTest(name):
                status, out, err = self.canalarm("upload", *args, "--port", "COM1")
                self.assertEqual(status, 2, err)
                self.assertEqual(out.splitlines(), ["Error loading file"])
        self.assertEqual(emu.traffic(), [])
        fresh = self.assert_port_opens(1, emu)
        self.assertEqual(fresh.images()[0], b"\xff" * 0x8000)

    def test_file_changed_during_upload_is_read_once(self):
        emu = self.emulator(1, "--reply-delay", "2", *e2e.STEADY)
        path = self.hexfw()
        other = self.hexfw("eeprom_table.hex")
        with open(path, "rb") as f:
            first = f.read()
        upload = self.start("upload", path, "--port", "COM1")
        self.wait_for_transcript(emu, "packet 3:")
        with open(other, "rb") as f, open(path, "wb") as g:
            g.write(f.read())
        out, err = upload.communicate(timeout=120)
        self.assertEqual(upload.returncode, 0, err)
        # The module holds the file as it was when the upload read it.
        flash, eeprom = emu.images()
        want_flash, want_eeprom = self.expected_images()
        self.assertEqual(flash[512:], want_flash[512:])
        self.assertEqual(eeprom, want_eeprom)
        # The next upload reads the file anew.
        emu2 = self.emulator(2, *e2e.STEADY)
        status, _, err = self.canalarm("upload", path, "--port", "COM2")
        self.assertEqual(status, 0, err)
        flash2, eeprom2 = emu2.images()
        want_flash2, want_eeprom2 = self.expected_images("eeprom_table.hex")
        self.assertEqual((flash2[512:], eeprom2), (want_flash2[512:], want_eeprom2))
        with open(path, "rb") as f:
            self.assertNotEqual(first, f.read())

    # --- parameter writes -----------------------------------------------------------------

    def test_parameter_write_after_a_cancelled_read_sends_nothing(self):
        # Each reply held 150 ms: the read, which has 1.25 s for the wake-up
        # and all 16 blocks, can never end well, so nothing but a Cancel or
        # its time limit ends it. Ctrl-C follows the second packet at once,
        # a second before that limit.
        emu = self.emulator(1, "--reply-delay", "150")
        tool = self.start("params", "write", "pin=5555", "--port", "COM1")
        self.wait_for_transcript(emu, "packet 2:")
        tool.send_signal(signal.SIGINT)
        out, _ = tool.communicate(timeout=10)
        self.assertEqual(tool.returncode, 130)
        self.assertEqual(out.splitlines()[-1], "Cancel")
        emu = self.assert_port_opens(1, emu)
        with open(emu.transcript) as f:
            self.assertNotIn("write EEPROM", f.read())
        self.assertEqual(emu.images()[1], self.emulator(2).images()[1])

    def test_damaged_read_reply_is_not_written_back(self):
        # A read reply carries nothing the tool may check it by, so `params
        # write` reads twice and writes only when both reads agree. Noise that
        # hits one read (the first link only) is caught that way.
        for com, fault in enumerate(("flip:out:5:8:0", "garbage:out:5:1"), start=1):
            with self.subTest(fault):
                emu = self.emulator(com, "--fault", fault, "--faults-once")
                before = self.emulator(10 + com).images()[1]
                status, out, _ = self.canalarm("params", "write", "pin=1234", "--port",
                                               f"COM{com}")
                self.assertEqual(status, 1)
                self.assertIn("nothing was written", out.splitlines()[-1])
                self.assertEqual(emu.images()[1], before)

    def test_good_read_keeps_the_other_249_bytes(self):
        start = bytes(random.Random(249).randbytes(256))
        image = os.path.join(self.config.name, "module.bin")
        with open(image, "wb") as f:
            f.write(start)
        emu = self.emulator(1, "--eeprom", image, *e2e.STEADY)
        status, out, err = self.canalarm("params", "write", "--port", "COM1", "pin=2468",
                                         "programNumber=45", "--verify")
        self.assertEqual(status, 0, err)
        emu = self.assert_port_opens(1, emu)
        eeprom = emu.images()[1]
        for address in range(256):
            if address not in PARAMETER_BYTES:
                self.assertEqual(eeprom[address], start[address], hex(address))
        self.assertEqual([eeprom[a] for a in (0x26, 0x66, 0x27, 0x67)], [2, 4, 6, 8])
        self.assertEqual(eeprom[0x28], 0x45)


if __name__ == "__main__":
    e2e.main()
