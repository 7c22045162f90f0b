#!/usr/bin/env python3
"""Converts bitmap faces of the public-domain misc-fixed family into the C++
header that the headless back end draws text with.

    tools/fontgen/fontgen.py [FONT_DIR] > platform/headless/font_faces.h

FONT_DIR holds the faces as installed by Debian's xfonts-base package
(default /usr/share/fonts/X11/misc).  The faces are read from their PCF files;
every character of Windows-1252 from 0x20 to 0xFF is rendered into a cell of
the face's advance by its ascent + descent, one 16-bit word per row with the
leftmost pixel in the top bit.  Characters that Windows-1252 leaves undefined,
and characters a face lacks, get the face's default character.  Run it once
when the set of faces changes; the generated header is kept in the tree.
"""

import gzip
import os
import struct
import sys

# (file, identifier, bold): the faces the back end uses, normal and bold.
FACES = [
    ("7x13", "face_7x13", False),
    ("7x13B", "face_7x13b", True),
    ("7x14", "face_7x14", False),
    ("7x14B", "face_7x14b", True),
    ("9x15", "face_9x15", False),
    ("9x15B", "face_9x15b", True),
    ("9x18", "face_9x18", False),
    ("9x18B", "face_9x18b", True),
    ("10x20", "face_10x20", False),
]

FIRST_CHAR = 0x20
LAST_CHAR = 0xFF

PCF_PROPERTIES = 1 << 0
PCF_ACCELERATORS = 1 << 1
PCF_METRICS = 1 << 2
PCF_BITMAPS = 1 << 3
PCF_BDF_ENCODINGS = 1 << 5
PCF_BDF_ACCELERATORS = 1 << 8

PCF_COMPRESSED_METRICS = 0x100


def cp1252_to_unicode(byte):
    """The Unicode code point of a Windows-1252 byte, or None if undefined."""
    try:
        return ord(bytes([byte]).decode("cp1252"))
    except UnicodeDecodeError:
        return None


class Table:
    def __init__(self, data, offset):
        (self.format,) = struct.unpack_from("<I", data, offset)
        self.big = bool(self.format & (1 << 2))
        self.data = data
        self.pos = offset + 4

    def _read(self, code, size):
        value = struct.unpack_from((">" if self.big else "<") + code, self.data, self.pos)[0]
        self.pos += size
        return value

    def i32(self):
        return self._read("i", 4)

    def i16(self):
        return self._read("h", 2)

    def u16(self):
        return self._read("H", 2)

    def u8(self):
        value = self.data[self.pos]
        self.pos += 1
        return value


class PcfFont:
    def __init__(self, path):
        with gzip.open(path, "rb") if path.endswith(".gz") else open(path, "rb") as f:
            data = f.read()
        if data[:4] != b"\x01fcp":
            raise ValueError(f"{path}: not a PCF file")
        (count,) = struct.unpack_from("<I", data, 4)
        self.tables = {}
        for i in range(count):
            kind, _fmt, _size, offset = struct.unpack_from("<IIII", data, 8 + 16 * i)
            self.tables[kind] = offset
        self.data = data
        self._read_properties()
        self._read_accelerators()
        self._read_metrics()
        self._read_bitmaps()
        self._read_encodings()

    def _table(self, kind):
        if kind not in self.tables:
            raise ValueError(f"missing PCF table {kind}")
        return Table(self.data, self.tables[kind])

    def _read_properties(self):
        t = self._table(PCF_PROPERTIES)
        n = t.i32()
        props = []
        for _ in range(n):
            name = t.i32()
            is_string = t.u8()
            value = t.i32()
            props.append((name, is_string, value))
        t.pos += (4 - (n & 3)) & 3 if n & 3 else 0
        string_size = t.i32()
        strings = self.data[t.pos:t.pos + string_size]

        def text(offset):
            end = strings.index(b"\0", offset)
            return strings[offset:end].decode("latin-1")

        self.properties = {}
        for name, is_string, value in props:
            self.properties[text(name)] = text(value) if is_string else value

    def _read_accelerators(self):
        kind = PCF_BDF_ACCELERATORS if PCF_BDF_ACCELERATORS in self.tables else PCF_ACCELERATORS
        t = self._table(kind)
        t.pos += 8  # eight flag bytes
        self.ascent = t.i32()
        self.descent = t.i32()

    def _read_metrics(self):
        t = self._table(PCF_METRICS)
        self.metrics = []
        if t.format & PCF_COMPRESSED_METRICS:
            n = t.i16()
            for _ in range(n):
                lb, rb, w, a, d = (t.u8() - 0x80 for _ in range(5))
                self.metrics.append((lb, rb, w, a, d))
        else:
            n = t.i32()
            for _ in range(n):
                lb, rb, w, a, d = (t.i16() for _ in range(5))
                t.u16()  # attributes
                self.metrics.append((lb, rb, w, a, d))

    def _read_bitmaps(self):
        t = self._table(PCF_BITMAPS)
        self.bitmap_format = t.format
        n = t.i32()
        self.offsets = [t.i32() for _ in range(n)]
        sizes = [t.i32() for _ in range(4)]
        size = sizes[t.format & 3]
        self.bitmap_data = self.data[t.pos:t.pos + size]

    def _read_encodings(self):
        t = self._table(PCF_BDF_ENCODINGS)
        self.min2 = t.i16()
        self.max2 = t.i16()
        self.min1 = t.i16()
        self.max1 = t.i16()
        self.default_char = t.i16()
        count = (self.max2 - self.min2 + 1) * (self.max1 - self.min1 + 1)
        self.indices = [t.u16() for _ in range(count)]

    def glyph_index(self, code):
        b1, b2 = code >> 8, code & 0xFF
        if not (self.min1 <= b1 <= self.max1 and self.min2 <= b2 <= self.max2):
            return None
        index = self.indices[(b1 - self.min1) * (self.max2 - self.min2 + 1) + (b2 - self.min2)]
        return None if index == 0xFFFF else index

    def glyph_rows(self, index):
        """The glyph's ink as a list of rows of 0/1, with its metrics."""
        lb, rb, _w, a, d = self.metrics[index]
        pad = 1 << (self.bitmap_format & 3)
        unit = 1 << ((self.bitmap_format >> 4) & 3)
        msb_byte = bool(self.bitmap_format & (1 << 2))
        msb_bit = bool(self.bitmap_format & (1 << 3))
        width = rb - lb
        row_bytes = ((width + 7) // 8 + pad - 1) // pad * pad
        start = self.offsets[index]
        rows = []
        for r in range(a + d):
            raw = bytearray(self.bitmap_data[start + r * row_bytes:start + (r + 1) * row_bytes])
            if msb_byte != msb_bit and unit > 1:
                for u in range(0, len(raw), unit):
                    raw[u:u + unit] = raw[u:u + unit][::-1]
            bits = []
            for c in range(width):
                byte = raw[c // 8]
                bit = (byte >> (7 - c % 8)) & 1 if msb_bit else (byte >> (c % 8)) & 1
                bits.append(bit)
            rows.append(bits)
        return lb, a, rows


def render_face(font):
    advances = {m[2] for m in font.metrics}
    if len(advances) != 1:
        raise ValueError("not a fixed-width face")
    advance = advances.pop()
    height = font.ascent + font.descent
    if advance > 16:
        raise ValueError("faces wider than 16 pixels do not fit a 16-bit row")
    default = font.glyph_index(font.default_char)
    cells = []
    for byte in range(FIRST_CHAR, LAST_CHAR + 1):
        code = cp1252_to_unicode(byte)
        index = font.glyph_index(code) if code is not None else None
        if index is None:
            index = default
        cell = [0] * height
        if index is not None:
            lb, glyph_ascent, rows = font.glyph_rows(index)
            for r, bits in enumerate(rows):
                y = font.ascent - glyph_ascent + r
                if not 0 <= y < height:
                    continue
                for c, bit in enumerate(bits):
                    x = lb + c
                    if bit and 0 <= x < advance:
                        cell[y] |= 0x8000 >> x
        cells.append(cell)
    return advance, height, font.ascent, cells


def main():
    font_dir = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/fonts/X11/misc"
    out = []
    out.append("// Generated by tools/fontgen/fontgen.py from the misc-fixed bitmap faces")
    out.append("// (public domain; see platform/headless/FONTS.md).  Do not edit.")
    out.append("//")
    out.append("// Each face holds the characters 0x20 to 0xFF of Windows-1252, one cell of")
    out.append("// `advance` x `height` pixels each, one 16-bit word per row, the leftmost")
    out.append("// pixel in the top bit.")
    out.append("#pragma once")
    out.append("")
    out.append("#include <cstdint>")
    out.append("")
    out.append("namespace tomelet::headless::fonts {")
    out.append("")
    out.append(f"constexpr int32_t FIRST_CHAR = 0x{FIRST_CHAR:02X};")
    out.append(f"constexpr int32_t CHAR_COUNT = {LAST_CHAR - FIRST_CHAR + 1};")
    out.append("")
    out.append("struct face {")
    out.append("    const char* name;")
    out.append("    int32_t advance;")
    out.append("    int32_t height;")
    out.append("    int32_t ascent;")
    out.append("    bool bold;")
    out.append("    const uint16_t* rows;  // CHAR_COUNT cells of `height` rows")
    out.append("};")
    table = []
    for file_name, ident, bold in FACES:
        path = os.path.join(font_dir, file_name + ".pcf.gz")
        font = PcfFont(path)
        copyright_text = str(font.properties.get("COPYRIGHT", ""))
        if "public domain" not in copyright_text.lower():
            raise ValueError(f"{path}: not marked public domain: {copyright_text!r}")
        advance, height, ascent, cells = render_face(font)
        out.append("")
        out.append(f"// {font.properties.get('FONT', file_name)}")
        out.append(f"// {copyright_text}")
        out.append(f"inline constexpr uint16_t {ident}[] = {{")
        for i, cell in enumerate(cells):
            words = ", ".join(f"0x{w:04X}" for w in cell)
            out.append(f"    {words},  // 0x{FIRST_CHAR + i:02X}")
        out.append("};")
        table.append(f'    {{"{file_name}", {advance}, {height}, {ascent}, {"true" if bold else "false"}, {ident}}},')
    out.append("")
    out.append("inline constexpr face faces[] = {")
    out.extend(table)
    out.append("};")
    out.append("")
    out.append("}  // namespace tomelet::headless::fonts")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
