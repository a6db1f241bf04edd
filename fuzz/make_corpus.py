#!/usr/bin/env python3
"""Writes the fuzzer's seed pictures into corpus/: small BMP files of every form the
loader meets, good and broken. Run again after changing it; the files are kept in git."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def picture(width, height, bits, colours, compression=0, top_down=False, gap=0,
            masks=None, rows=None):
    table = b"".join(struct.pack("<BBBB", (i * 37) & 255, (i * 91) & 255, (i * 13) & 255, 0)
                     for i in range(colours))
    offset = 54 + len(table) + gap
    row_bytes = (width * bits + 31) // 32 * 4
    if rows is None:
        data = bytearray()
        for y in range(height):
            row = bytearray(row_bytes)
            if bits in (1, 2, 4, 8):
                for x in range(width):
                    value = (x * 3 + y * 5) & ((1 << bits) - 1)
                    bit = x * bits
                    row[bit // 8] |= value << (8 - bits - bit % 8)
            data += row
        rows = bytes(data)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                       compression, len(rows), 2835, 2835, colours, 0)
    extra = b"".join(struct.pack("<I", m) for m in masks) if masks else b""
    return header + info + table + extra + b"\xa5" * gap + rows


SEEDS = {
    "bits1.bmp": picture(13, 3, 1, 2),
    "bits2.bmp": picture(5, 2, 2, 4),
    "bits4.bmp": picture(7, 3, 4, 16),
    "bits8.bmp": picture(6, 4, 8, 16),
    "top_down.bmp": picture(5, 3, 8, 8, top_down=True),
    "wide.bmp": picture(700, 2, 1, 2),
    "tall.bmp": picture(1, 482, 1, 2),
    "tall_top_down.bmp": picture(1, 482, 1, 2, top_down=True),
    "gap.bmp": picture(3, 2, 8, 4, gap=3),
    "table_300.bmp": picture(2, 2, 1, 300),
    "no_table.bmp": picture(4, 2, 8, 0),
    "truncated.bmp": picture(16, 8, 8, 4)[:-40],
    "rle8.bmp": picture(4, 2, 8, 4, compression=1,
                        rows=bytes([4, 1, 0, 0, 2, 3, 2, 2, 0, 1])),
    "rle4.bmp": picture(4, 2, 4, 4, compression=2, rows=bytes([4, 0x12, 0, 0, 4, 0x30, 0, 1])),
    "bitfields.bmp": picture(2, 2, 32, 0, compression=3,
                             masks=[0x00FF0000, 0x0000FF00, 0x000000FF]),
    "bits24.bmp": picture(2, 2, 24, 0),
    "bits16.bmp": picture(2, 2, 16, 0),
}

if __name__ == "__main__":
    out = os.path.join(HERE, "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
