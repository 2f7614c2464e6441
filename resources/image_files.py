# SPDX-License-Identifier: GPL-3.0-or-later
"""Writers for the few image formats our generators produce: PNG, Windows BMP-in-ICO
and cursor (.cur) images. Pixels are rows of (r, g, b, a) tuples, top row first."""
import struct
import zlib


def png_bytes(pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(pixels, bits):
    """A BITMAPINFOHEADER image as icons and cursors store it: colour rows bottom-up,
    then the 1-bit AND mask (set = transparent); bits is 24 or 32."""
    height, width = len(pixels), len(pixels[0])
    colour = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b, a in row:
            line += bytes((b, g, r, a)) if bits == 32 else bytes((b, g, r))
        line += b"\x00" * (-len(line) % 4)
        colour += line
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray((width + 7) // 8)
        for x, px in enumerate(row):
            if px[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        line += b"\x00" * (-len(line) % 4)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + bytes(colour) + bytes(mask)


def icon_directory(kind, entries):
    """kind 1 = icon, 2 = cursor. entries: (width, height, field4, field6, data) where
    field4/field6 are planes/bit count for icons and the hotspot x/y for cursors."""
    out = struct.pack("<HHH", 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    for width, height, field4, field6, data in entries:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, field4, field6,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(entry[4] for entry in entries)
