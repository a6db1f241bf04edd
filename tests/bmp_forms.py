#!/usr/bin/python3
"""Pictures in every form that the launcher loads, made here, by PIL and by ImageMagick,
read by our loader (bmp-dump) and by independent decoders, ImageMagick always and PIL where
it reads the form: the same colours in every pixel.

    bmp_forms.py BMP_DUMP"""

import io
import os
import random
import struct
import subprocess
import sys
import tempfile

from PIL import Image

W, H = 640, 480


def header(width, height, bits, compression, table, data, header_size=40):
    extra = bytes(header_size - 40)
    offset = 14 + header_size + 4 * len(table)
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression,
                       len(data), 2835, 2835, len(table), 0) + extra
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in table)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + colours + data


def rows(pixels, width, height, bits):
    """Uncompressed bottom-up rows, padded to 4 bytes."""
    out = b""
    per = 8 // bits
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(0, width, per):
            byte = 0
            for k in range(per):
                value = pixels[y * width + x + k] if x + k < width else 0
                byte |= value << (8 - bits * (k + 1))
            row.append(byte)
        row += bytes(-len(row) % 4)
        out += row
    return out


def rle(pixels, width, height, bits, rng, deltas=True):
    """Run-length data with runs, absolute runs, deltas over skipped pixels (which then read
    as 0, as PIL takes them) and ends of line, bottom row first."""
    out = bytearray()
    y = 0
    lines = list(reversed(range(height)))
    while y < height:
        row = pixels[lines[y] * width:(lines[y] + 1) * width]
        x = 0
        while x < width:
            if deltas and row[x] == 0 and rng.random() < 0.3:  # skip zeros with a delta, maybe upwards
                n = 1
                while x + n < width and row[x + n] == 0 and n < 255:
                    n += 1
                out += bytes((0, 2, n, 0))
                x += n
                continue
            n = 1
            while x + n < width and row[x + n] == row[x] and n < 255:
                n += 1
            if bits == 4 and n == 1 and x + 1 < width:
                # Two alternating nibbles, for as long as the row alternates.
                n = 2
                while x + n < width and row[x + n] == row[x + n % 2] and n < 255:
                    n += 1
                out += bytes((n, row[x] << 4 | row[x + 1]))
                x += n
            elif n >= 3 or bits == 4 or width - x < 3 or rng.random() < 0.5:
                value = row[x] if bits == 8 else row[x] << 4 | row[x]
                out += bytes((n, value))
                x += n
            else:
                n = min(width - x, rng.randint(3, 40))
                chunk = row[x:x + n]
                if bits == 8:
                    data = bytes(chunk)
                else:
                    data = bytes((chunk[i] << 4 | (chunk[i + 1] if i + 1 < n else 0))
                                 for i in range(0, n, 2))
                out += bytes((0, n)) + data + bytes(len(data) % 2)
                x += n
        out += bytes((0, 0))
        y += 1
    out += bytes((0, 1))
    return bytes(out)


def picture(width, height, bits, rng):
    colours = 1 << bits
    pixels = []
    for y in range(height):
        for x in range(width):
            band = (x // 7 + y // 5) % colours
            pixels.append(0 if (x * y) % 11 == 0 else band if rng.random() < 0.8
                          else rng.randrange(colours))
    table = [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(colours)]
    return pixels, table


def forms(rng, work):
    """(name, bytes) for every form."""
    for bits in (1, 4, 8):
        for size in (40, 108, 124):
            w, h = rng.randint(1, 200), rng.randint(1, 150)
            pixels, table = picture(w, h, bits, rng)
            yield ("raw%d-h%d" % (bits, size),
                   header(w, h, bits, 0, table, rows(pixels, w, h, bits), size))
    for bits, compression in ((8, 1), (4, 2)):
        for size, deltas in ((40, False), (40, True), (124, True)):
            w, h = rng.randint(1, 300), rng.randint(1, 200)
            pixels, table = picture(w, h, bits, rng)
            data = rle(pixels, w, h, bits, rng, deltas)
            yield ("rle%d-h%d%s" % (bits, size, "-delta" if deltas else ""),
                   header(w, h, bits, compression, table, data, size))
    # Today's editors: PIL, and ImageMagick's 40-, 108- and 124-byte headers and RLE8.
    pixels, table = picture(W, H, 8, rng)
    source = Image.new("P", (W, H))
    source.putpalette([c for rgb in table for c in rgb])
    source.putdata(pixels)
    buffer = io.BytesIO()
    source.save(buffer, "BMP")
    yield "pil", buffer.getvalue()
    png = os.path.join(work, "source.png")
    source.save(png)
    for name, args in (("magick-bmp3", ["BMP3:"]), ("magick-bmp", ["BMP:"]),
                       ("magick-rle8", ["-compress", "RLE", "BMP3:"])):
        out = os.path.join(work, name + ".bmp")
        target = args[-1] + out
        done = subprocess.run(["convert", png, "-type", "Palette"] + args[:-1] + [target],
                              capture_output=True)
        if done.returncode != 0:
            raise SystemExit("convert failed: %s" % done.stderr.decode(errors="replace"))
        with open(out, "rb") as f:
            yield name, f.read()


def decoded(path, with_pil):
    """(reader, RGB image or the reason it failed) from ImageMagick and, if asked, PIL."""
    done = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True)
    if done.returncode == 0:
        w, h = map(int, done.stdout.split())
        rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True)
        yield "ImageMagick", (Image.frombytes("RGB", (w, h), rgb.stdout)
                              if rgb.returncode == 0 and len(rgb.stdout) == 3 * w * h
                              else rgb.stderr.decode(errors="replace"))
    else:
        yield "ImageMagick", done.stderr.decode(errors="replace")
    if not with_pil:
        return
    try:
        image = Image.open(path)
        image.load()
        yield "PIL", image.convert("RGB")
    except (OSError, ValueError) as e:
        yield "PIL", str(e)


def main(dump):
    rng = random.Random(2007)
    failures = 0
    count = 0
    with tempfile.TemporaryDirectory() as work:
        for name, data in forms(rng, work):
            count += 1
            path = os.path.join(work, name + ".bmp")
            with open(path, "wb") as f:
                f.write(data)
            out = os.path.join(work, name + "-page.bmp")
            done = subprocess.run([dump, path, out], capture_output=True, timeout=30)
            code = done.stdout.decode().strip()
            page = Image.open(out).convert("RGB")
            problems = [] if code == "0" else ["load_bmp gave %s" % code]
            # PIL 9.4 places the pixels after a delta elsewhere than ImageMagick and the
            # format's description do: it is not asked about those.
            for reader, image in decoded(path, "-delta" not in name):
                if isinstance(image, str):
                    print("    %s cannot read it: %s" % (reader, image))
                    continue
                w, h = min(image.width, W), min(image.height, H)
                ours = page.crop((0, 0, w, h)).tobytes()
                expected = image.crop((0, 0, w, h)).tobytes()
                if ours != expected:
                    wrong = sum(1 for i in range(0, len(ours), 3) if ours[i:i + 3]
                                != expected[i:i + 3])
                    problems.append("%d of %d pixels differ from %s" % (wrong, w * h, reader))
            size = struct.unpack("<ii", data[18:26])
            print("%-14s %4dx%-4d header %3d: %s" % (name, size[0], size[1], data[14],
                                                     "; ".join(problems) or "same"))
            failures += bool(problems)
    print("%d forms, %d differ" % (count, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
