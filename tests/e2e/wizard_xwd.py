#!/usr/bin/env python3
"""Reads a screen dump of xwd (ZPixmap, 24 or 32 bits a pixel) without an image toolkit.

  wizard_xwd.py png SCREEN.xwd OUT.png X,Y,W,H   writes that rectangle as a PNG
  wizard_xwd.py red SCREEN.xwd X,Y,W,H           prints how many pixels there are red (text
                                                 drawn in red (255, 0, 0), smoothing included)
"""
import struct
import sys
import zlib


def read_rows(path, rect):
    data = open(path, "rb").read()
    f = struct.unpack(">25I", data[:100])
    header, fmt, width, height = f[0], f[2], f[4], f[5]
    order, bpp, bpl, ncolours = f[7], f[11], f[12], f[19]
    if fmt != 2 or bpp not in (24, 32):
        sys.exit("unsupported xwd dump: format %d, %d bits a pixel" % (fmt, bpp))
    pixels = data[header + ncolours * 12:]
    x, y, w, h = rect
    x, y = max(0, x), max(0, y)
    w, h = max(0, min(w, width - x)), max(0, min(h, height - y))
    step = bpp // 8
    # Least significant byte first: blue, green, red (and the pad byte).
    r, g, b = (2, 1, 0) if order == 0 else (step - 3, step - 2, step - 1)
    rows = []
    for row in range(y, y + h):
        line = pixels[row * bpl + x * step: row * bpl + (x + w) * step]
        out = bytearray(w * 3)
        out[0::3], out[1::3], out[2::3] = line[r::step], line[g::step], line[b::step]
        rows.append(bytes(out))
    return w, h, rows


def write_png(path, w, h, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def main(argv):
    rect = tuple(int(v) for v in argv[-1].split(","))
    if argv[1] == "png":
        w, h, rows = read_rows(argv[2], rect)
        write_png(argv[3], w, h, rows)
    elif argv[1] == "red":
        _, _, rows = read_rows(argv[2], rect)
        print(sum(1 for row in rows for i in range(0, len(row), 3)
                  if row[i] >= 200 and row[i + 1] <= 90 and row[i + 2] <= 90))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
