#!/usr/bin/env python3
"""Measures a menu open on the X screen, as the tests look at pelmora's group menu.

    python3 tools/menu-look.py X Y WIDTH HEIGHT    (the menu's client area)

Prints the height of its items and the width and height of the first item's
icon, as far as its pixels show: "items 18 high, icons 15x14". The menu's background is its most
common colour and its frame the lines around that differ from it all along; of
the pixels inside that differ, the first run of columns is the icons', and each
run of rows in those columns one item's icon. Gives zeros for fewer than two
icons. Needs ImageMagick's import and the display in DISPLAY.
"""
import collections
import subprocess
import sys


def look(px, w, h):
    back = collections.Counter(px).most_common(1)[0][0]

    def marked(xa, xb, ya, yb):  # the pixels in the box that differ from the background
        return sum(px[y * w + x] != back for y in range(ya, yb) for x in range(xa, xb))

    top, bottom, x0 = 0, h, 0
    while top < bottom and marked(0, w, top, top + 1) == w:
        top += 1
    while bottom > top and marked(0, w, bottom - 1, bottom) == w:
        bottom -= 1
    while x0 < w and marked(x0, x0 + 1, top, bottom) in (0, bottom - top):
        x0 += 1
    x1 = x0
    while x1 < w and marked(x1, x1 + 1, top, bottom):
        x1 += 1
    runs = []  # [first row, row after] of each icon
    for y in range(top, bottom):
        if marked(x0, x1, y, y + 1):
            if runs and runs[-1][1] == y:
                runs[-1][1] = y + 1
            else:
                runs.append([y, y + 1])
    if len(runs) < 2:
        return 0, 0, 0
    return runs[1][0] - runs[0][0], x1 - x0, runs[0][1] - runs[0][0]


def main(args):
    x, y, w, h = (int(a) for a in args)
    rgb = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}",
                          "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    px = [rgb[i:i + 3] for i in range(0, len(rgb), 3)]
    item, width, height = look(px, w, h) if len(px) == w * h else (0, 0, 0)
    print(f"items {item} high, icons {width}x{height}")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    main(sys.argv[1:])
