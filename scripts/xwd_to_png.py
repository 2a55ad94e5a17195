#!/usr/bin/env python3
"""Converts an X window dump (Xvfb's -fbdir frame buffer file) into a PNG.

Used to take a picture of pds-studio on a virtual display without any image
tools: xwd_to_png.py /tmp/fb/Xvfb_screen0 out.png. Handles the 24/32-bit
true-colour dumps Xvfb writes.
"""
import struct
import sys
import zlib


def main(src, dst):
    data = open(src, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bpp, stride, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bpp not in (24, 32):
        sys.exit(f"xwd_to_png: {bpp} bits per pixel is not supported")
    pixels = data[header_size + 12 * ncolors:]
    step = bpp // 8
    rows = []
    for y in range(height):
        line = pixels[y * stride:y * stride + width * step]
        out = bytearray(b"\0")  # PNG filter type 0 for the row
        for x in range(0, width * step, step):
            px = line[x:x + step]
            b, g, r = (px[0], px[1], px[2]) if byte_order == 0 else (px[-1], px[-2], px[-3])
            out += bytes((r, g, b))
        rows.append(bytes(out))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    open(dst, "wb").write(png)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: xwd_to_png.py XWD_FILE PNG_FILE")
    main(sys.argv[1], sys.argv[2])
