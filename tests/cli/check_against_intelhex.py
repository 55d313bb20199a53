#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Holds `canalarm info` against Debian's python3-intelhex.

For every valid plain Intel HEX file the tests have, the FLASH, EEPROM and
configuration images and the highest addresses that `canalarm info --plain
--json` reports must match what intelhex reads; the record-encoded copy made
by `canalarm encode` must report the same. Where the tool's rules are
stricter than intelhex (upper-case digits only, the exact end-record text, no
other record types), the tool's rule is pinned.

usage: check_against_intelhex.py CANALARM PUBLIC_HEX_DIR ASSEMBLED_DIR
"""
import glob
import hashlib
import json
import os
import subprocess
import sys
import tempfile

import intelhex

FLASH = (0x000000, 0x8000)
CONFIG = (0x300000, 16)
EEPROM = (0xF00000, 256)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def info(canalarm, path, plain=True):
    args = [canalarm, "info", path, "--json"] + (["--plain"] if plain else [])
    run = subprocess.run(args, capture_output=True, text=True)
    return run.returncode, json.loads(run.stdout)


def image(ih, base, size):
    return bytes(ih[base + i] if (base + i) in ih.addresses() else 0xFF for i in range(size))


def highest(ih, base, size):
    inside = [a - base for a in ih.addresses() if base <= a < base + size]
    return max(inside) if inside else -1


def expected(path):
    ih = intelhex.IntelHex(path)
    return {
        "flashSha256": hashlib.sha256(image(ih, *FLASH)).hexdigest(),
        "eepromSha256": hashlib.sha256(image(ih, *EEPROM)).hexdigest(),
        "configSha256": hashlib.sha256(image(ih, *CONFIG)).hexdigest(),
        # Records of these files never straddle an image boundary, so the
        # highest byte in range is where a record ended.
        "highestFlash": highest(ih, *FLASH),
        "highestEeprom": highest(ih, *EEPROM),
    }


def check_valid_file(canalarm, path, workdir):
    name = os.path.basename(path)
    status, got = info(canalarm, path)
    check(status == 0 and got["result"] == 3, f"{name}: not loaded: {got['result']}")
    want = expected(path)
    for key, value in want.items():
        check(got[key] == value, f"{name}: {key} is {got[key]}, intelhex says {value}")
    encoded = os.path.join(workdir, name + "fw")
    run = subprocess.run([canalarm, "encode", path, "-o", encoded], capture_output=True, text=True)
    check(run.returncode == 0, f"{name}: encode failed: {run.stderr}")
    status, again = info(canalarm, encoded, plain=False)
    check(status == 0, f"{name}: encoded copy does not load")
    for key in want:
        check(again[key] == got[key], f"{name}: encoded copy differs in {key}")


def check_stricter_rules(canalarm, sample, workdir):
    """Files intelhex accepts but the tool must refuse."""
    with open(sample) as f:
        lines = f.read().splitlines()

    def variant(name, new_lines, intelhex_takes_it=True):
        path = os.path.join(workdir, name)
        with open(path, "w") as f:
            f.write("\n".join(new_lines) + "\n")
        if intelhex_takes_it:
            intelhex.IntelHex(path)
        status, got = info(canalarm, path)
        check(status == 1 and not got["loaded"], f"{name}: loaded, but must be refused")
        return got["result"]

    lower = [l.lower() if l != ":00000001FF" else l for l in lines]
    check(variant("lower-case.hex", lower) == 2, "lower-case digits must fail the checksum")
    spaced = lines[:-1] + [":00000001FF  "]
    check(variant("end-record-blank.hex", spaced, intelhex_takes_it=False) == 1, "end record with blanks is a bad line")
    check(variant("end-record-lower.hex", lines[:-1] + [":00000001ff"]) == 1,
          "lower-case end record is a bad line")
    segment = [":020000021000EC"] + lines
    check(variant("segment-address.hex", segment) == 1, "type 02 is a bad line")


def main():
    canalarm, public_dir, assembled_dir = sys.argv[1:4]
    files = sorted(glob.glob(os.path.join(public_dir, "*.hex")))
    files += sorted(glob.glob(os.path.join(assembled_dir, "*.hex")))
    check(len(files) >= 7, f"expected at least 7 files, found {len(files)}")
    with tempfile.TemporaryDirectory() as workdir:
        for path in files:
            check_valid_file(canalarm, path, workdir)
        check_stricter_rules(canalarm, os.path.join(assembled_dir, "demo_firmware.hex"), workdir)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(files)} files checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
