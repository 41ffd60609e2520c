#!/usr/bin/env python3
"""Draws the program icon of Update.exe: a contact card with a setup arrow, 32x32 and 16x16,
16 colours, written as a Windows .ico file. Usage: make_icon.py OUTPUT.ico"""
import struct
import sys

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, NAVY, SILVER, GRAY, GREEN, BLUE, WHITE = 0, 2, 4, 7, 8, 10, 12, 15
CLEAR = None


def draw(size):
    """Returns rows (top first) of palette indices or CLEAR, drawn in unit coordinates."""
    def inside(px, py, x0, y0, x1, y1):
        return x0 <= px < x1 and y0 <= py < y1

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            u, v = (x + 0.5) / size, (y + 0.5) / size
            c = CLEAR
            # the card, with a navy edge
            if inside(u, v, 0.03, 0.12, 0.97, 0.80):
                edge = 1.0 / size
                c = NAVY if not inside(u, v, 0.03 + edge, 0.12 + edge,
                                       0.97 - edge, 0.80 - edge) else WHITE
                # the person: head and shoulders
                if (u - 0.26) ** 2 + (v - 0.34) ** 2 < 0.09 ** 2:
                    c = BLUE
                elif inside(u, v, 0.10, 0.47, 0.42, 0.72) and \
                        (u - 0.26) ** 2 + (v - 0.72) ** 2 < 0.17 ** 2:
                    c = BLUE
                # the address lines
                for top in (0.28, 0.42, 0.56):
                    if inside(u, v, 0.50, top, 0.88, top + 1.5 / size):
                        c = GRAY
            # the setup arrow, pointing down at the card's corner
            shaft = inside(u, v, 0.70, 0.52, 0.86, 0.78)
            head = 0.78 <= v < 0.98 and abs(u - 0.78) < (0.98 - v) * 0.9
            if shaft or head:
                border = not (inside(u, v, 0.70 + 1.0 / size, 0.52 + 1.0 / size,
                                     0.86 - 1.0 / size, 0.80)
                              or (0.78 <= v < 0.98 - 1.5 / size and
                                  abs(u - 0.78) < (0.98 - v) * 0.9 - 1.0 / size))
                c = DARK_GREEN if border else GREEN
            row.append(c)
        rows.append(row)
    return rows


def image(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor, mask = b"", b""
    for row in reversed(rows):  # bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            index = 0 if c is CLEAR else c
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if c is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += bytes(line)
        mask += bytes(bits)
    return header + palette + xor + mask


def main():
    images = [(32, image(32)), (16, image(16))]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
