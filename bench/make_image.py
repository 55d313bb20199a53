#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes a plain Intel HEX file of a full image: 32 KiB of program memory,
the 16 configuration bytes and the 256 EEPROM bytes, 16 data bytes a record,
with pseudo-random contents (fixed seed, so every run loads the same file).

usage: make_image.py OUT.hex
"""
import random
import sys


def record(address, rtype, data):
    body = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, rtype]) + bytes(data)
    checksum = (-sum(body)) & 0xFF
    return ":" + (body + bytes([checksum])).hex().upper()


def segment(lines, upper, size, rng):
    lines.append(record(0, 4, [upper >> 8, upper & 0xFF]))
    for address in range(0, size, 16):
        lines.append(record(address, 0, [rng.randrange(256) for _ in range(min(16, size - address))]))


def main():
    rng = random.Random(6)
    lines = []
    segment(lines, 0x0000, 0x8000, rng)  # program memory
    segment(lines, 0x0030, 0x10, rng)    # configuration bytes
    segment(lines, 0x00F0, 0x100, rng)   # data EEPROM
    lines.append(":00000001FF")
    with open(sys.argv[1], "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
