#!/usr/bin/env python3
"""Packs PNG pictures into one Windows icon file (each entry PNG-compressed, as Windows reads since Vista).

Usage: make-ico.py OUT.ico IN.png...
"""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit("not a PNG file")
    return struct.unpack(">II", data[16:24])


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    images = []
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            images.append(f.read())
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for data in images:
        width, height = png_size(data)
        # 256 is written as 0; 32 bits a pixel.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(header + entries + b"".join(images))


if __name__ == "__main__":
    main()
