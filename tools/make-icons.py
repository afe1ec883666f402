#!/usr/bin/env python3
"""Draws pelmora's two icons: a pile of three Windows 2000 style taskbar buttons.

    python3 tools/make-icons.py            writes res/pelmora202.ico and res/pelmora203.ico
    python3 tools/make-icons.py --check    exits 1 when the committed files differ

Both files hold a 16 x 16 and a 32 x 32 image. Icon 202 (the large class icon)
is 32-bit with an alpha channel; icon 203 (the small class icon and the
notification-area icon) is 256 colours with a transparency mask, which every
shell since Windows 95 can show. The drawing is plain integer geometry, so the
output is the same byte for byte on every run.
"""
import os
import struct
import sys

TRANSPARENT = None
BLACK = (0, 0, 0)
SHADOW = (128, 128, 128)
FACE = (212, 208, 200)
LIGHT = (255, 255, 255)
TEXT = (64, 64, 64)
NAVY = (10, 36, 106)
# The three applications' icons, back to front.
APP_COLOURS = [(0, 128, 0), (192, 96, 0), (0, 84, 227)]


def draw(size):
    """Returns size rows of size pixels (None = transparent)."""
    px = [[TRANSPARENT] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):  # inclusive corners
        for y in range(max(y0, 0), min(y1, size - 1) + 1):
            for x in range(max(x0, 0), min(x1, size - 1) + 1):
                px[y][x] = colour

    if size == 32:
        width, height, step_x, step_y, icon, text_h = 27, 11, 2, 8, 5, 2
        top = 3
    else:
        width, height, step_x, step_y, icon, text_h = 14, 6, 1, 4, 3, 1
        top = 2
    count = len(APP_COLOURS)
    for i, app in enumerate(APP_COLOURS):
        # Back buttons sit higher and further right; the front one is pressed
        # (sunken, like the active window's button).
        x0 = (count - 1 - i) * step_x
        y0 = top + i * step_y
        x1, y1 = x0 + width - 1, y0 + height - 1
        pressed = i == count - 1
        rect(x0, y0, x1, y1, FACE)
        hi, lo, outer = (SHADOW, LIGHT, BLACK) if pressed else (LIGHT, SHADOW, BLACK)
        if pressed:
            rect(x0, y0, x1, y0, outer)
            rect(x0, y0, x0, y1, outer)
            rect(x0 + 1, y0 + 1, x1 - 1, y0 + 1, hi)
            rect(x0 + 1, y0 + 1, x0 + 1, y1 - 1, hi)
            rect(x0, y1, x1, y1, lo)
            rect(x1, y0, x1, y1, lo)
        else:
            rect(x0, y0, x1, y0, hi)
            rect(x0, y0, x0, y1, hi)
            rect(x0 + 1, y1 - 1, x1 - 1, y1 - 1, lo)
            rect(x1 - 1, y0 + 1, x1 - 1, y1 - 1, lo)
            rect(x0, y1, x1, y1, outer)
            rect(x1, y0, x1, y1, outer)
        # The application's icon and a line of title text.
        iy = y0 + (height - icon) // 2
        ix = x0 + (3 if size == 32 else 2)
        rect(ix, iy, ix + icon - 1, iy + icon - 1, app)
        if size == 32:
            rect(ix, iy, ix + icon - 1, iy, NAVY if pressed else app)
        tx0 = ix + icon + (2 if size == 32 else 1)
        tx1 = x1 - (4 if size == 32 else 2)
        ty = y0 + (height - text_h) // 2
        rect(tx0, ty, tx1, ty + text_h - 1, NAVY if pressed else TEXT)
    return px


def row_bytes(bits, width):
    return ((bits * width + 31) // 32) * 4


def and_mask(px, size):
    out = bytearray()
    stride = row_bytes(1, size)
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if px[y][x] is TRANSPARENT:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def header(size, bits, image_bytes, colours_used):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0,
                       colours_used, 0)


def image_32bit(px, size):
    xor = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            c = px[y][x]
            xor += bytes((0, 0, 0, 0)) if c is TRANSPARENT else bytes((c[2], c[1], c[0], 255))
    mask = and_mask(px, size)
    return header(size, 32, len(xor) + len(mask), 0) + bytes(xor) + mask


def image_8bit(px, size):
    colours = []
    for row in px:
        for c in row:
            if c is not TRANSPARENT and c not in colours:
                colours.append(c)
    palette = [BLACK] + sorted(colours)  # index 0 also serves the transparent pixels
    index = {c: i for i, c in enumerate(palette)}
    pal = bytearray()
    for i in range(256):
        c = palette[i] if i < len(palette) else BLACK
        pal += bytes((c[2], c[1], c[0], 0))
    xor = bytearray()
    stride = row_bytes(8, size)
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            c = px[y][x]
            row[x] = 0 if c is TRANSPARENT else index[c]
        xor += row
    mask = and_mask(px, size)
    return header(size, 8, len(xor) + len(mask), 256) + bytes(pal) + bytes(xor) + mask


def ico(images):
    """images: list of (size, bits, data)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = b""
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
        blobs += data
    return out + blobs


def build():
    small, large = draw(16), draw(32)
    return {
        "pelmora202.ico": ico([(16, 32, image_32bit(small, 16)), (32, 32, image_32bit(large, 32))]),
        "pelmora203.ico": ico([(16, 8, image_8bit(small, 16)), (32, 8, image_8bit(large, 32))]),
    }


def main():
    res = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
    check = "--check" in sys.argv[1:]
    differ = False
    for name, data in build().items():
        path = os.path.join(res, name)
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                print(f"{path} differs from what tools/make-icons.py draws")
                differ = True
        else:
            with open(path, "wb") as f:
                f.write(data)
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
