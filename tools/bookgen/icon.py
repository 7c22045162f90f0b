"""Writes an icon file whose images are classic bitmap (DIB) entries, which
every Windows version reads, rather than PNG-compressed ones.

An opaque image is stored with 24 bits a pixel, one with transparency with
32 (its alpha kept); both carry the 1-bit AND mask (set where the image is
transparent).  Standard library only.
"""

import struct


def dib_entry(width, height, rgba):
    """The bytes of one icon image: a BITMAPINFOHEADER (its height doubled
    for the mask), the colour rows bottom-up, then the mask rows."""
    opaque = all(rgba[i + 3] == 255 for i in range(0, len(rgba), 4))
    bits = 24 if opaque else 32
    colour_stride = (width * bits // 8 + 3) // 4 * 4
    mask_stride = (width + 31) // 32 * 4
    colour = bytearray()
    mask = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        mask_row = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = rgba[(y * width + x) * 4:(y * width + x) * 4 + 4]
            row += bytes((b, g, r)) if opaque else bytes((b, g, r, a))
            if a < 128:
                mask_row[x // 8] |= 0x80 >> (x % 8)
        colour += row + bytes(colour_stride - len(row))
        mask += mask_row
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return bits, header + bytes(colour) + bytes(mask)


def write_icon(path, images):
    """images: a list of (width, height, rgba bytes), smallest first."""
    entries = [(w, h) + dib_entry(w, h, rgba) for w, h, rgba in images]
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for w, h, bits, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)
