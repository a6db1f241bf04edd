#!/usr/bin/python3
"""Pictures for the Wine checks.

  pixels.py picture OUT.bmp          an 8-bit test background with every colour index in use
  pixels.py compare SHOT SNAP X Y [SCALE]
                                     exit 0 when SNAP, each pixel repeated SCALE times across
                                     and down, equals SHOT's area at (X, Y), else 1
"""
import sys

from PIL import Image, ImageChops


def picture(path):
    im = Image.new("P", (640, 480))
    # A palette that is not the game's, so that a window left in it would show.
    im.putpalette([(i * 37 + k * 91) % 256 for i in range(256) for k in range(3)])
    im.putdata([((x // 8) ^ (y // 6) ^ (x * y // 97)) & 255
                for y in range(480) for x in range(640)])
    im.save(path)


def compare(shot_path, snap_path, x, y, scale=1):
    shot = Image.open(shot_path).convert("RGB")
    snap = Image.open(snap_path).convert("RGB")
    if scale != 1:
        snap = snap.resize((snap.width * scale, snap.height * scale), Image.NEAREST)
    area = shot.crop((x, y, x + snap.width, y + snap.height))
    diff = ImageChops.difference(area, snap)
    box = diff.getbbox()
    if box is None:
        return 0
    wrong = sum(1 for p in diff.getdata() if p != (0, 0, 0))
    print(f"{wrong} pixels differ, within {box} of the client area at ({x}, {y})")
    return 1


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "picture":
        picture(sys.argv[2])
    elif len(sys.argv) in (6, 7) and sys.argv[1] == "compare":
        sys.exit(compare(sys.argv[2], sys.argv[3], *map(int, sys.argv[4:])))
    else:
        sys.exit(__doc__)
