#!/usr/bin/env python3
"""Cuts the web reader's fonts down to the characters its book and its own
texts use, as WOFF2 files.

    subset.py --out DIR [--whole] FONT... -- SOURCE...

Each FONT (a TrueType or OpenType file) is written to DIR as NAME.woff2,
NAME being its file name without the extension.  The characters kept are
printable ASCII (what a reader types into an answer field, digits, the
menus) and every character of the SOURCE files and of the files in SOURCE
folders that are UTF-8 text (the book's folder, the page, its scripts and the
engine's sources, whose messages the reader shows).  The engine writes text
in Windows-1252; a C++ escape "\\xNN" in a SOURCE is taken as that
character of Windows-1252, so a message spelled with escapes keeps its
characters.  A character a font lacks is left out; the page's font stack
shows it in the next face.  With --whole the fonts are written whole (the
preview reader, whose book changes as it is edited).

The layout tables (kerning, ligatures) and the hinting of the kept glyphs
stay, so that text measures as it does in the whole font.  Needs Debian's
python3-fonttools and python3-brotli.
"""

import os
import re
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

ESCAPE = re.compile(rb"\\x([0-9A-Fa-f]{2})")


def characters_of(path, chars):
    with open(path, "rb") as f:
        data = f.read()
    # Pictures, sounds and other binary files of a book's folder say nothing.
    if b"\0" in data:
        return
    try:
        chars.update(data.decode("utf-8"))
    except UnicodeDecodeError:
        return
    for m in ESCAPE.finditer(data):
        try:
            chars.add(bytes([int(m.group(1), 16)]).decode("cp1252"))
        except UnicodeDecodeError:
            pass


def gather(sources):
    chars = {chr(c) for c in range(0x20, 0x7F)}
    for source in sources:
        if os.path.isdir(source):
            for folder, _, names in os.walk(source):
                for name in sorted(names):
                    characters_of(os.path.join(folder, name), chars)
        elif os.path.isfile(source):
            characters_of(source, chars)
        else:
            sys.exit(f"subset.py: no such file or folder: {source}")
    # Controls and other invisible characters draw nothing.
    return sorted(c for c in chars if c.isprintable() or c == "\u00a0")


def write(font_path, out_dir, text):
    name = os.path.splitext(os.path.basename(font_path))[0]
    out = os.path.join(out_dir, name + ".woff2")
    font = TTFont(font_path)
    if text is not None:
        options = subset.Options()
        options.flavor = "woff2"
        options.layout_features = ["*"]
        options.notdef_outline = True
        subsetter = subset.Subsetter(options)
        subsetter.populate(text="".join(text))
        subsetter.subset(font)
    font.flavor = "woff2"
    temporary = out + ".tmp"
    font.save(temporary)
    os.replace(temporary, out)


def main(argv):
    if "--" not in argv:
        sys.exit(__doc__)
    split = argv.index("--")
    options, sources = argv[:split], argv[split + 1:]
    whole = "--whole" in options
    options = [o for o in options if o != "--whole"]
    if len(options) < 3 or options[0] != "--out":
        sys.exit(__doc__)
    out_dir, fonts = options[1], options[2:]
    os.makedirs(out_dir, exist_ok=True)
    text = None if whole else gather(sources)
    for font in fonts:
        write(font, out_dir, text)


if __name__ == "__main__":
    main(sys.argv[1:])
