#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Nothing reaches the module that the fitter did not mean, and the command
line says what happened: Ctrl-C stops before the next write packet, a PIN
is written only when typed or as the module held it, and the results name
what went on. Against `canalarm-emu` on pseudo-terminals, through a private
ports folder.

usage: test_unmeant_writes.py CANALARM CANALARM_EMU ASSEMBLED_HEX_DIR [tests...]
"""
import os
import random
import re
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_base as e2e  # noqa: E402

INCOMPLETE = "The module now holds incomplete firmware: write the file again before use"
CANCEL_RUNS = 20
WRITE_PACKET = re.compile(r"^(\d+\.\d+)  packet \d+: write (FLASH|EEPROM)")
# The events after which the module answers and the tool decides what to send next.
DECISION = re.compile(r"^(\d+\.\d+)  (packet \d+:|wake-up attempt \d+ answered)")


def eeprom_file(directory, pin_bytes):
    """A 256-byte EEPROM image: erased, but for the version text and the
    PIN bytes (digit order: 0x26, 0x66, 0x27, 0x67)."""
    image = bytearray(b"\xff" * 256)
    image[0xF0:0x100] = b"UNMEANT TEST 1.0"
    for address, value in zip((0x26, 0x66, 0x27, 0x67), pin_bytes):
        image[address] = value
    path = os.path.join(directory, "eeprom-%s.bin" % bytes(pin_bytes).hex())
    with open(path, "wb") as f:
        f.write(image)
    return path


def pin_of(eeprom):
    return [eeprom[a] for a in (0x26, 0x66, 0x27, 0x67)]


class UnmeantWritesTest(e2e.E2eTest):
    # --- Cancel ---------------------------------------------------------------------------

    def test_ctrl_c_at_any_moment_stops_before_the_next_write_packet(self):
        """SIGINT at a random moment from the port's opening through the
        restart pulse, the wake-up and the first write packets. A write packet
        whose decision came after the signal (the module's answer to the
        event before it left after the signal) must never be sent.

        The emulator simulates a 9600 bit/s wire, so an upload lasts some
        50 s, far beyond any moment drawn. The moments span twice the time
        this machine took, in a first run, from the port's opening to the
        first write packet; the first run itself is cancelled right after
        that packet. The seed comes from CANCEL_SEED when it is set, and
        every failure names it."""
        path = self.hexfw()
        seed = int(os.environ.get("CANCEL_SEED") or random.SystemRandom().randrange(1 << 32))
        rng = random.Random(seed)
        print(f"CANCEL_SEED={seed}", file=sys.stderr)
        window = None
        partial_runs = 0
        for run in range(CANCEL_RUNS):
            said = f"CANCEL_SEED={seed}, run {run}"
            emu = self.emulator(run + 1, "--wire-speed", "9600", *e2e.STEADY)
            tool = self.start("upload", path, "--port", f"COM{run + 1}")
            self.wait_until_open(tool, emu.device)
            opened = time.monotonic()
            if window is None:
                first_write, _ = self.transcript_moment(emu, r"packet \d+: write FLASH")
                window = 2 * (first_write - opened)
                moment = f"after the first write packet, {first_write - opened:.3f} s after the opening"
            else:
                pause = rng.uniform(0.0, window)
                time.sleep(max(0.0, opened + pause - time.monotonic()))
                moment = f"{pause:.3f} s after the opening (of at most {window:.3f} s)"
            tool.send_signal(signal.SIGINT)
            # Taken once the signal is on its way: a pause of this process
            # between the clock and the kill must not make a write look late.
            signalled = time.monotonic()
            out, err = tool.communicate(timeout=e2e.PATIENCE)
            said += f", signal {moment}"
            self.assertEqual(tool.returncode, 130, f"{said}: {out}{err}")
            self.assertEqual(out.splitlines()[-1], "Cancel", said)

            previous = None
            writes = 0
            for line in emu.traffic():
                write = WRITE_PACKET.match(line)
                if write:
                    writes += 1
                    self.assertTrue(previous is not None and previous <= signalled,
                                    f"{said}: {line!r} was sent after the signal at "
                                    f"{signalled:.6f} (its cue came at {previous})")
                decision = DECISION.match(line)
                if decision:
                    previous = float(decision.group(1))
            # Blocks went in: the fitter is told, on standard error.
            self.assertEqual(INCOMPLETE in err, writes > 0, f"{said}: {writes} writes; {err}")
            if run > 0:
                partial_runs += writes > 0
            self.remask(run + 1)
        # Half the random moments fall after the first write packet, give or
        # take this machine's wobble: that all of them fell before is a
        # chance of about one in a million.
        self.assertGreater(partial_runs, 0, f"CANCEL_SEED={seed}")

    def test_partial_upload_is_said_in_json(self):
        self.emulator(1, "--error-at", "flash:40:6", *e2e.STEADY)
        status, result, err = self.canalarm_json("upload", self.hexfw(), "--port", "COM1")
        self.assertEqual(status, 1)
        self.assertEqual(result["outcome"], "write-refused")
        self.assertEqual(result["errorCode"], 6)
        self.assertTrue(result["partial"])
        self.assertEqual(result["blocksWritten"], 40 - 32)
        self.assertEqual(result["messages"][-1], INCOMPLETE)
        self.assertIn(INCOMPLETE, err)
        # A refusal of the very first block leaves the module as it was.
        self.emulator(2, "--error-at", "flash:32:6", *e2e.STEADY)
        status, result, err = self.canalarm_json("upload", self.hexfw(), "--port", "COM2")
        self.assertEqual(status, 1)
        self.assertFalse(result["partial"])
        self.assertNotIn(INCOMPLETE, err)

    # --- PIN -------------------------------------------------------------------------------

    def test_write_without_pin_keeps_the_modules_pin_bytes(self):
        for pin in ([0xFF] * 4, [0x0C, 0x03, 0x04, 0x05]):
            with self.subTest(pin=bytes(pin).hex()):
                emu = self.emulator(1, "--eeprom", eeprom_file(self.config.name, pin), *e2e.STEADY)
                status, result, _ = self.canalarm_json("params", "read", "--port", "COM1")
                self.assertEqual(status, 0)
                self.assertIsNone(result["parameters"]["pin"])
                self.assertEqual(result["parameters"]["pinBytes"], bytes(pin).hex())
                self.assertEqual(result["messages"][-1], "The module has no PIN code set")
                emu.restart()
                status, out, _ = self.canalarm("params", "read", "--port", "COM1")
                self.assertIn("pin = not set (bytes %s)" % " ".join("%02x" % b for b in pin),
                              out.splitlines())
                emu.restart()
                status, out, err = self.canalarm("params", "write", "--port", "COM1", "fs2=on")
                self.assertEqual(status, 0, err)
                _, eeprom = emu.images()
                self.assertEqual(pin_of(eeprom), pin)
                self.assertEqual(eeprom[0x61] & 0x08, 0x08)
                self.emulators.remove(emu)
                self.remask(1)

    def test_typed_pin_is_written_digit_by_digit(self):
        emu = self.emulator(1, "--eeprom", eeprom_file(self.config.name, [0xFF] * 4), *e2e.STEADY)
        status, out, err = self.canalarm("params", "write", "--port", "COM1", "pin=0907")
        self.assertEqual(status, 0, err)
        self.assertIn("pin = 0907", out.splitlines())
        self.assertEqual(pin_of(emu.images()[1]), [0, 9, 0, 7])

    # --- results -----------------------------------------------------------------------------

    def test_reads_that_differ_are_named_so(self):
        # Packet 3 of the first link only: the first read's block 2 comes back
        # damaged, the second read's doesn't.
        emu = self.emulator(1, "--fault", "flip:out:3:4", "--faults-once", *e2e.STEADY)
        status, result, _ = self.canalarm_json("params", "write", "--port", "COM1", "fs2=on")
        self.assertEqual(status, 1)
        self.assertEqual(result["outcome"], "reads-differ")
        self.assertNotIn("write EEPROM", "\n".join(emu.traffic()))

    def test_refused_parameter_write_shows_the_modules_code(self):
        emu = self.emulator(1, "--error-at", "eeprom:2:9", *e2e.STEADY)
        status, out, _ = self.canalarm("params", "write", "--port", "COM1", "fs2=on")
        self.assertEqual(status, 1)
        # Then, blocks 0 and 1 taken, the settings are said to be incomplete.
        self.assertEqual(out.splitlines()[-2], "EEPROM writing error; error code 9")
        emu.restart()
        status, result, _ = self.canalarm_json("params", "write", "--port", "COM1", "fs2=on")
        self.assertEqual(result["outcome"], "write-refused")
        self.assertEqual(result["errorCode"], 9)

    def upload_used_only(self, name, records):
        """Uploads a plain HEX file of `records` (only its blocks) to an
        emulator on COM1: (hex path, emulator, status, stdout, stderr)."""
        hex_path = os.path.join(self.config.name, name)
        with open(hex_path, "w") as f:
            f.write(records)
        emu = self.emulator(1, *e2e.STEADY)
        status, out, err = self.canalarm("upload", hex_path, "--plain", "--used-only",
                                         "--port", "COM1")
        return hex_path, emu, status, out, err

    def test_upload_without_eeprom_data_says_so(self):
        # One FLASH block, not the whole memory: the notice is what counts.
        _, emu, status, out, err = self.upload_used_only(
            "flash_only.hex", ":10020000000102030405060708090A0B0C0D0E0F76\n:00000001FF\n")
        self.assertEqual(status, 0, out + err)
        self.assertIn("No data EEPROM to program", out.splitlines())
        self.assertNotIn("write EEPROM", "\n".join(emu.traffic()))

    def test_flash_only_in_the_bootloader_area_is_warned_of(self):
        hex_path, emu, status, _, err = self.upload_used_only(
            "low.hex", ":10010000000102030405060708090A0B0C0D0E0F77\n:00000001FF\n")
        self.assertEqual(status, 0, err)
        self.assertIn("below address 512", err)
        self.assertIn("no FLASH block is sent", err)
        self.assertNotIn("write FLASH", "\n".join(emu.traffic()))
        # Without --used-only the whole memory is written: only the first
        # warning. (The module refuses the first block, to keep the test short.)
        self.remask(1)
        self.emulator(2, "--error-at", "flash:32:1", *e2e.STEADY)
        status, _, err = self.canalarm("upload", hex_path, "--plain", "--port", "COM2")
        self.assertEqual(status, 1, err)
        self.assertIn("below address 512", err)
        self.assertNotIn("no FLASH block is sent", err)


if __name__ == "__main__":
    e2e.main()
