#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks that a screen is not blank and saves it as PNG.

Usage: screenshot-check.py SCREEN.xwd OUT.png
SCREEN.xwd is an X window dump, as Xvfb keeps its screen with -fbdir. The
screen counts as not blank when at least 2 % of its pixels differ from its
most common colour and it shows at least 16 colours (a window with text
does; an empty root window or a bare frame does not). Exit status 0: not
blank, 1: blank, 2: unreadable.
"""
import array
import collections
import struct
import sys
import zlib


def read_xwd(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    (header_size, version, _, _, width, height, _, byte_order, _, _, _,
     bits_per_pixel, bytes_per_line, _, red_mask, green_mask, blue_mask,
     _, _, ncolors) = fields[:20]
    if version != 7 or bits_per_pixel not in (24, 32):
        raise ValueError(f"unsupported dump: version {version}, {bits_per_pixel} bits a pixel")
    start = header_size + 12 * ncolors
    order = "little" if byte_order == 0 else "big"
    step = bits_per_pixel // 8

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return ((value & mask) >> shift) * 255 // (mask >> shift)

    rows, pixels = [], collections.Counter()
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        if len(line) < width * step:
            raise ValueError("the dump is shorter than its header says")
        if step == 4:  # the usual case, done in C rather than pixel by pixel
            values = array.array("I", line)
            if order != sys.byteorder:
                values.byteswap()
        else:
            values = [int.from_bytes(line[x:x + 3], order) for x in range(0, len(line), 3)]
        pixels.update(values)
        row = bytearray(3 * width)
        for offset, mask in enumerate((red_mask, green_mask, blue_mask)):
            shift = (mask & -mask).bit_length() - 1
            if mask >> shift == 0xFF and step == 4 and shift % 8 == 0:
                byte = shift // 8 if order == "little" else 3 - shift // 8
                row[offset::3] = line[byte::4]
            else:
                row[offset::3] = bytes(channel(v, mask) for v in values)
        rows.append(bytes(row))
    return width, height, rows, pixels


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    try:
        width, height, rows, counts = read_xwd(argv[1])
    except (OSError, ValueError, struct.error) as error:
        print(f"screenshot-check: {error}", file=sys.stderr)
        return 2
    background = counts.most_common(1)[0][1]
    other = 1 - background / (width * height)
    print(f"{width}x{height}, {len(counts)} colours, {other:.1%} off the background")
    write_png(argv[2], width, height, rows)
    return 0 if other >= 0.02 and len(counts) >= 16 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
