#!/usr/bin/env python3
# Draws the product's logo and name pictures and the program icon into
# src/res/ (24-bit BMP, 32-bit ICO). Run by hand after changing a picture.
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "src", "res")

# 5x7 letters of the product name.
FONT = {
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
}

BG = (255, 255, 255)
BLUE = (30, 90, 170)
GREEN = (40, 150, 70)


def bmp(path, w, h, pixel):
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - w * 3)
        data += line
    head = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(head + info + data)


def logo_pixel(size):
    # Two arrows chasing each other round a circle: blue above, green below.
    c = (size - 1) / 2.0
    r_out, r_in = size * 0.46, size * 0.30

    def pixel(x, y):
        dx, dy = x - c, y - c
        d = (dx * dx + dy * dy) ** 0.5
        if r_in <= d <= r_out:
            if dy < -size * 0.04:
                return BLUE
            if dy > size * 0.04:
                return GREEN
        # arrow heads at the left and right ends
        ay = abs(dy)
        if dx > 0 and dy >= 0 and ay < size * 0.18 and abs(dx - (r_in + r_out) / 2) < size * 0.18 - ay:
            return BLUE
        if dx < 0 and dy <= 0 and ay < size * 0.18 and abs(-dx - (r_in + r_out) / 2) < size * 0.18 - ay:
            return GREEN
        return BG
    return pixel


def name_pixel(text, scale, w, h):
    x0 = 4
    y0 = (h - 7 * scale) // 2

    def pixel(x, y):
        col = (x - x0) // scale
        rowi = (y - y0) // scale
        if x < x0 or y < y0 or rowi >= 7:
            return BG
        letter, lx = divmod(col, 6)
        if letter >= len(text) or lx >= 5:
            return BG
        return BLUE if FONT[text[letter]][rowi][lx] == "1" else BG
    return pixel


def ico(path, size):
    px = logo_pixel(size)
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b = px(x, y)
            a = 0 if (r, g, b) == BG else 255
            xor += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    andmask = b"\0" * (mask_row * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    img = info + xor + andmask
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(img), 6 + 16)
    with open(path, "wb") as f:
        f.write(head + entry + img)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    bmp(os.path.join(OUT, "logo.bmp"), 48, 48, logo_pixel(48))
    bmp(os.path.join(OUT, "name.bmp"), 4 + 7 * 6 * 4 + 4, 48, name_pixel("VANTORO", 4, 4 + 7 * 6 * 4 + 4, 48))
    ico(os.path.join(OUT, "vantoro.ico"), 32)
