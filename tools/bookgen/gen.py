#!/usr/bin/python3
"""Generates the book folder books/demo from the data tables and the
hand-written scene sources of this folder.

    tools/bookgen/gen.py            writes book.toml and text/*.tml

Hand-written pages live in scenes/*.tml.  A page there starts with a header
line "@ NAME" (NAME a symbolic name; "@ NAME = NUMBER" pins its number) and
may use these macros, which the generator replaces:

    [[NAME]]            the target (paragraph number minus one) of a page
    [[pt:PLACE:T]]      the target of a place page at time T (0-5)
    [[look:PLACE]]      the target of a place's look-around page
    [[%KEY]]            a story variable, written %N
    [[@PLACE]]          the number of a place (its value of Location)
    [[back:PLACE]]      links back to PLACE at the current time of day
    [[back:PLACE:LABEL]]    the same with another label
    [[later:PLACE]]     links on to PLACE one step later in the day
    [[later:PLACE:LABEL]]

The routine pages (the 360 place pages, the detail pages, the character
pages' topic lists) are built here from the tables.
"""

import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from places import PLACES, FAR_PLACES, DISTRICTS, KIND_TIMES, TIMES  # noqa: E402
from variables import VARIABLES  # noqa: E402
from looks import LOOKS  # noqa: E402
from topics import TOPICS  # noqa: E402
from world import (CHARACTERS, EVENTS, PRESENCE, PICTURES, SOUNDS,  # noqa: E402
                   BOOK_INFO, RESTART_NAMES, PLACE_SOUNDS, ITEMS)

BOOK = os.path.normpath(os.path.join(HERE, "..", "..", "books", "demo"))

PARAGRAPHS = 787
FIRST_DETAIL = 11
START = 403                 # saves all five restart points
FIRST_PLACE_PAGE = 404      # 60 places x 6 times: 404 .. 763
POOL = list(range(124, 403)) + list(range(764, 788))

PLACE_INDEX = {p[0]: i for i, p in enumerate(PLACES)}

# Walking goes both ways: a place's neighbours are those it lists and those
# that list it, in the order of the place list.
WALKS = {p[0]: set(p[5]) for p in PLACES}
for _p in PLACES:
    for _w in _p[5]:
        WALKS[_w].add(_p[0])
WALKS = {k: [p[0] for p in PLACES if p[0] in v] for k, v in WALKS.items()}
VAR_INDEX = {v[0]: i for i, v in enumerate(VARIABLES)}


def die(msg):
    sys.stderr.write("gen.py: " + msg + "\n")
    sys.exit(1)


def detail_paragraph(row):
    if row <= 50:
        return FIRST_DETAIL + row
    if row <= 54:
        return FIRST_DETAIL + 51
    return FIRST_DETAIL + 52 + (row - 55)


def place_page(key, t):
    if key not in PLACE_INDEX:
        die("unknown place " + key)
    t = max(0, min(5, int(t)))
    return FIRST_PLACE_PAGE + PLACE_INDEX[key] * 6 + t


# ---------------------------------------------------------------- sources

ENDINGS = set()  # the names of the scenes marked `@@ ending`


def read_scenes():
    pages = []          # (name, pinned number or None, text, file)
    seen = set()
    folder = os.path.join(HERE, "scenes")
    for fn in sorted(os.listdir(folder)):
        if not fn.endswith(".tml"):
            continue
        cur = None
        for line in open(os.path.join(folder, fn), encoding="utf-8"):
            line = line.rstrip("\n")
            if line.startswith("@@"):
                # `@@ ending` marks the page as an ending of the story; the
                # mark is kept in the generated text for the story checks.
                if cur is not None and re.match(r"@@\s*ending\b", line):
                    ENDINGS.add(cur[0])
                continue
            if line.startswith("@"):
                m = re.match(r"@\s*(\S+)(?:\s*=\s*(\d+))?\s*$", line)
                if not m:
                    die("%s: bad header %r" % (fn, line))
                name = m.group(1)
                if name in seen:
                    die("%s: page %s written twice" % (fn, name))
                seen.add(name)
                cur = [name, int(m.group(2)) if m.group(2) else None, [], fn]
                pages.append(cur)
                continue
            if cur is None:
                if line.strip():
                    die("%s: text before the first header" % fn)
                continue
            cur[2].append(line)
    return [(n, num, "\n".join(t).strip(), fn) for n, num, t, fn in pages]


# ------------------------------------------------------------ generated

def title_line(text):
    return "<H>%s<J>" % text


def talk_link(ch):
    c = CHARACTERS[ch]
    return '<g "Talk to %s" [[talk:%s]]>' % (c["short"], ch)


def place_text(i, t):
    key, name, district, kind, desc, walks, pic = PLACES[i]
    out = []
    out.append(title_line("%s, <l %%19><a><l %%104>" % name))
    out.append("<R %%0 %d><R %%104 %d>" % (i, t))
    snd = PLACE_SOUNDS.get(key)
    if snd is not None and t < 5:
        out.append("<A %d>" % snd)
    if pic is not None and t in (1, 3):
        out.append("<W 1><V %d><W 0>" % pic)
    out.append(desc + "<P>")
    out.append(KIND_TIMES[kind][t])
    if kind not in ("home", "office", "museum", "shop", "police", "pub"):
        out.append("<O (%12 = 7) >{The fog swallows everything beyond twenty yards.}"
                   "<o (%12 x 3) & (%12 y 6) >{The wet gets into your shoes.}")
    out.append("<P>")
    # who is here
    for pres in PRESENCE:
        if pres["place"] == key or pres["place"] == "*":
            cond = pres["cond"](t) if callable(pres["cond"]) else pres["cond"]
            if cond is None:
                continue
            out.append("<O %s >{%s<P>}" % (cond, pres["text"]))
    # events of the story
    for ev in EVENTS:
        if ev["place"] != key or t not in ev["times"]:
            continue
        out.append("<O %s >{%s<P>}" % (ev["cond"], ev["text"]))
    # look around
    if t < 4:
        out.append('<M "Look around" [[look:%s]]><P>' % key)
    else:
        out.append('<M "Look around in the dark" [[dark:%s]]><P>' % key)
    # travel
    if t < 5:
        out.append("<B>Walk to<D><U>")
    else:
        out.append("<B>Walk through the dark to<D><U>")
    for w in WALKS[key]:
        out.append('<M "%s" [[pt:%s:%d]]><U>' % (PLACES[PLACE_INDEX[w]][1], w, t))
    out.append("<P>")
    hubs = [h for d, (dn, h) in DISTRICTS.items() if d != district]
    # Crossing town takes the day on by one step, except in the early hours
    # (the first trains are empty and fast) and at night (the night buses).
    nt = t if t in (0, 5) else t + 1
    if t == 0:
        out.append('<M "Wait here for the day to begin" [[pt:%s:1]]><P>' % key)
        out.append("<B>Take an early train to<D><U>")
    elif t < 5:
        out.append("<B>Cross town by Underground or bus to<D><U>")
    else:
        out.append("<B>Take a night bus to<D><U>")
    for h in hubs:
        out.append('<M "%s" [[pt:%s:%d]]><a>' % (PLACES[PLACE_INDEX[h]][1], h, nt))
    out.append("<P>")
    if t < 5:
        if key != "home":
            out.append('<O (%%8 x 1) >{<r %%8 -2 "Take a taxi home" [[pt:home:%d]]><a>for two shillings.<P>}' % nt)
    else:
        if key == "home":
            out.append("The day is over. "
                       "<O (%19 = 0) >{<M \"Go to bed\" [[mon_night]]>}"
                       "<o (%19 = 1) >{<M \"Go to bed\" [[tue_night]]>}"
                       "<o (%19 = 2) >{<M \"Go to bed\" [[wed_night]]>}"
                       "<o (%19 = 3) >{<M \"Go to bed\" [[thu_night]]>}"
                       "<E>{<M \"Go to bed\" [[fri_night]]>}<P>")
        else:
            out.append("The last trains are gone. "
                       '<M "Walk home to Islington" [[pt:home:5]]><P>')
    out.append("<G>")
    return "\n".join(out)


def detail_text(row):
    """A detail page; its Next and Previous links page through all of them,
    like the leaves of the reader's notebook."""
    key, name, values, text = VARIABLES[row]
    if text is None:
        return None
    here = detail_paragraph(row)
    prev_p = here - 1 if here > FIRST_DETAIL else None
    next_p = here + 1 if here < detail_paragraph(len(VARIABLES) - 1) else None
    links = ""
    if prev_p:
        links += "<p %d>" % (prev_p - 1)
    if next_p:
        links += "<n %d>" % (next_p - 1)
    if row == VAR_INDEX["comb1"]:
        name = "The Combination"      # the one page of the safe's four numbers
    return "%s\n%s<P>\n%s%s<G>" % (title_line(name), text, detail_footer(row), links)


def detail_footer(row):
    if VARIABLES[row][0] in ITEMS:
        return "<O (X %%%d) >{You have it with you.<P>}" % row
    return ""


def hub_text(ch):
    c = CHARACTERS[ch]
    out = [title_line(c["name"]), c["intro"] + "<P>", "<B>Ask about<D><U>"]
    for tk, label in c["topics"]:
        out.append('<M "%s" [[topic:%s:%s]]><U>' % (label, ch, tk))
    if c.get("extra"):
        out.append("<P>" + c["extra"])
    out.append("<P>When you have finished, the Rtrn button takes you back to the story.<P>")
    out.append("<G>")
    return "\n".join(out)


# --------------------------------------------------------------- macros

def expand(text, names, where):
    def back(key, label, delta, link):
        blocks = []
        for t in range(6):
            tag = "O" if t == 0 else "o"
            blocks.append('<%s (%%104 = %d) >{<%s "%s" %d>}' % (tag, t, link, label, place_page(key, t + delta) - 1))
        return "".join(blocks)

    def sub(m):
        s = m.group(1)
        if s.startswith("%"):
            k = s[1:]
            if k not in VAR_INDEX:
                die("%s: unknown variable %s" % (where, k))
            return "%%%d" % VAR_INDEX[k]
        if s.startswith("@"):
            k = s[1:]
            if k not in PLACE_INDEX:
                die("%s: unknown place %s" % (where, k))
            return str(PLACE_INDEX[k])
        if s == "inventory":
            lines = []
            for k in ITEMS:
                v = VAR_INDEX[k]
                lines.append('<O (X %%%d) >{<g "%s" %d><U>}' % (v, VARIABLES[v][1], detail_paragraph(v) - 1))
            return "".join(lines)
        parts = s.split(":")
        if parts[0] == "pt":
            return str(place_page(parts[1], parts[2]) - 1)
        if parts[0] in ("back", "later", "mback", "mlater"):
            label = parts[2] if len(parts) > 2 else "Go on"
            return back(parts[1], label, 1 if parts[0].endswith("later") else 0,
                        "m" if parts[0].startswith("m") else "M")
        if parts[0] == "detail":
            return str(detail_paragraph(VAR_INDEX[parts[1]]) - 1)
        if s not in names:
            die("%s: unknown page %s" % (where, s))
        return str(names[s] - 1)
    out = re.sub(r"\[\[([^\]]+)\]\]", sub, text)
    return out


# ------------------------------------------------------------ checking

def split_runs(text, limit=240):
    """Long prose is broken by an <F> tag (which shows nothing) after a
    space, so that no run of running text between two tags gets long."""
    parts = re.split(r"(<[^>]*>|[{}])", text)
    out = []
    for p in parts:
        if p.startswith("<") or p in ("{", "}"):
            out.append(p)
            continue
        flat = " ".join(p.split(" "))
        while len(" ".join(flat.split())) > limit:
            cut = flat.rfind(" ", 0, limit - 20)
            if cut <= 0:
                break
            out.append(flat[:cut + 1] + "<F>")
            flat = flat[cut + 1:]
        out.append(flat)
    return "".join(out)


def check_limits(num, text):
    """The limits the reader holds a page to (the compiler checks the rest)."""
    assembled = " ".join(text.split()) + " "
    if len(assembled) > 3316:
        die("paragraph %d assembles to %d characters" % (num, len(assembled)))
    flat = " ".join(text.split())
    # runs of running text between tags or braces
    for run in re.split(r"<[^>]*>|[{}]", flat):
        if len(run) > 290:
            die("paragraph %d has a run of %d characters: %s..." % (num, len(run), run[:60]))
    hot = len(re.findall(r"<(?:[MgmLdSu] |[NQRr] [^>]*\")", flat))
    if hot > 60:
        die("paragraph %d has %d hotwords" % (num, hot))
    if text and not (flat.startswith("<H>") and flat.endswith("<G>")):
        die("paragraph %d does not open with <H> and end with <G>" % num)


# ----------------------------------------------------------------- main

def toml_str(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_toml(path):
    L = ["# The full-size demo book, \"The Perpetua Claim\".",
         "# Generated by tools/bookgen/gen.py from its tables; edit those, not this file.",
         "", "[book]"]
    for k, v in BOOK_INFO.items():
        L.append("%s = %s" % (k, toml_str(v) if isinstance(v, str) else v))
    L.append("paragraphs = %d" % PARAGRAPHS)
    L.append("")
    for i, (res, w, h, fn, what, alt) in enumerate(PICTURES):
        L += ["[[picture]]    # %d: %s" % (i, what), "resource = %d" % res,
              "width = %d" % w, "height = %d" % h, "alt = %s" % toml_str(alt), 'file = "pictures/%s"' % fn, ""]
    for res in range(1107, 1116):
        L += ["[[bitmap]]", "resource = %d" % res, 'file = "pictures/nav%d.bmp"' % res, ""]
    for i, (name, fn) in enumerate(SOUNDS):
        L += ["[[sound]]      # %d" % i, "name = %s" % toml_str(name), 'file = "sounds/%s"' % fn, ""]
    for i, (key, name, values, text) in enumerate(VARIABLES):
        L += ["[[variable]]   # %%%d %s" % (i, key), "name = %s" % toml_str(name),
              "detail_target = %d" % (detail_paragraph(i) - 1),
              "values = [" + ", ".join(toml_str(v) for v in values) + "]", ""]
    for name in RESTART_NAMES:
        L += ["[[restart_point]]", "name = %s" % toml_str(name), "target = %d" % (START - 1), ""]
    open(path, "w", encoding="utf-8").write("\n".join(L))


def write_design(names):
    L = [open(os.path.join(HERE, "design-head.md"), encoding="utf-8").read().rstrip(), ""]
    L += ["## The 116 variables", "",
          "Row, name, values (count and the first ones), detail page (paragraph). The key is the",
          "name the scene sources use (`[[%key]]`).", "",
          "| Row | Key | Name | Values | Detail |", "|---|---|---|---|---|"]
    for i, (key, name, values, text) in enumerate(VARIABLES):
        shown = ", ".join(values[:6]) + (", ..." if len(values) > 6 else "")
        L.append("| %d | %s | %s | %d: %s | %d |" % (i, key, name, len(values), shown.replace("|", "/"), detail_paragraph(i)))
    L += ["", "Rows 51 to 54 (the four numbers of the safe's combination) share one detail page.",
          "Items (the held flag lists them on the Information page): " + ", ".join(ITEMS) + ".", ""]
    L += ["## Paragraph map", "",
          "| Paragraphs | What |", "|---|---|",
          "| 1 | no paragraph |", "| 2 | the opening page (Sunday night) |",
          "| 3 to 7 | Restart, Objective, Credits, Information, Hints |", "| 8 to 10 | empty |",
          "| 11 to 123 | the detail pages of the variables |",
          "| 124 to 402, 764 to 787 | scenes, conversations and look-around pages (numbered by gen.py in source order) |",
          "| 403 | Monday morning: sets up the story and saves all five restart points |",
          "| 404 to 763 | the place pages: 404 + 6 x place + time |",
          "| 780 to 785 | the endings |", "",
          "### Places (place number: name; first page)", ""]
    for i, p in enumerate(PLACES):
        L.append("- %d: %s (%s), pages %d to %d" % (i, p[1], DISTRICTS[p[2]][0], FIRST_PLACE_PAGE + 6 * i, FIRST_PLACE_PAGE + 6 * i + 5))
    L += ["", "### Named pages (paragraph: name)", ""]
    for n in sorted(names, key=lambda k: names[k] or 0):
        if names[n]:
            L.append("- %d: %s" % (names[n], n))
    open(os.path.join(BOOK, "DESIGN.md"), "w", encoding="utf-8").write("\n".join(L) + "\n")


def main():
    scenes = read_scenes()
    for ch, c in CHARACTERS.items():
        for tk, label in c["topics"]:
            if (ch, tk) not in TOPICS:
                die("no answer for %s about %s" % (ch, tk))
            text = TOPICS[(ch, tk)]
            scenes.append(("topic:%s:%s" % (ch, tk), None,
                           "<H>%s: %s<J>\n%s<P>\n<M \"Ask something else\" [[talk:%s]]><p [[talk:%s]]>\n<G>"
                           % (c["short"], label[0].upper() + label[1:], text, ch, ch), "topics.py"))
    for key, (dt, dx, nt, nx) in LOOKS.items():
        scenes.append(("look:" + key, None, "<H>%s<J>\n%s\n[[back:%s:Go on]]\n<G>" % (dt, dx, key), "looks.py"))
        scenes.append(("dark:" + key, None, "<H>%s<J>\n%s\n[[back:%s:Go on]]\n<G>" % (nt, nx, key), "looks.py"))
    names = {}
    fixed = {}
    for n, num, text, fn in scenes:
        if num is not None:
            if num in fixed:
                die("number %d pinned twice" % num)
            fixed[num] = n
            names[n] = num
    # generated pages that need names: talk hubs
    hub_names = ["talk:%s" % c for c in CHARACTERS]
    free = [p for p in POOL if p not in fixed]
    wanted = hub_names + [n for n, num, t, fn in scenes if num is None]
    if len(wanted) > len(free):
        die("%d pages for %d free numbers" % (len(wanted), len(free)))
    for n, p in zip(wanted, free):
        names[n] = p
    scene_names = [s[0] for s in scenes]
    missing_looks = [p[0] for p in PLACES
                     if "look:%s" % p[0] not in scene_names or "dark:%s" % p[0] not in scene_names]
    unused = free[len(wanted):]

    texts = {}
    for n, num, text, fn in scenes:
        texts[names[n]] = (fn, text, n)
    for c in CHARACTERS:
        texts[names["talk:%s" % c]] = ("generated", hub_text(c), "talk:" + c)
    for i in range(len(PLACES)):
        for t in range(6):
            texts[FIRST_PLACE_PAGE + i * 6 + t] = ("generated", place_text(i, t), "pt")
    for r in range(len(VARIABLES)):
        d = detail_text(r)
        if d is not None:
            texts[detail_paragraph(r)] = ("generated", d, "detail:" + VARIABLES[r][0])

    # expand macros
    final = {}
    for num, (fn, text, n) in texts.items():
        final[num] = split_runs(expand(text, names, "%s (%s)" % (fn, n)))

    problems = []
    if missing_looks:
        problems.append("look-around pages missing: " + " ".join(missing_looks))
    if unused:
        problems.append("%d numbers unused: %s" % (len(unused), unused[:20]))
    for num in range(2, PARAGRAPHS + 1):
        if num in (8, 9, 10):
            continue
        if num not in final:
            problems.append("paragraph %d has no text" % num)
    for num, text in sorted(final.items()):
        check_limits(num, text)

    os.makedirs(os.path.join(BOOK, "text"), exist_ok=True)
    for f in os.listdir(os.path.join(BOOK, "text")):
        if f.endswith(".tml"):
            os.remove(os.path.join(BOOK, "text", f))
    groups = [("01-opening.tml", range(2, 11)), ("02-details.tml", range(11, 124)),
              ("03-story.tml", range(124, 404)), ("04-places.tml", range(404, 764)),
              ("05-endings.tml", range(764, 788))]
    for fname, rng in groups:
        out = ["@@ Generated by tools/bookgen/gen.py; edit the sources there.", ""]
        for num in rng:
            if num in (8, 9, 10):
                out.append("@ %d" % num)
                continue
            if num not in final:
                continue
            label = texts[num][2]
            out.append("@ %d %s" % (num, label))
            if label in ENDINGS:
                out.append("@@ ending")
            out.append(final[num])
            out.append("")
        open(os.path.join(BOOK, "text", fname), "w", encoding="utf-8").write("\n".join(out) + "\n")
    write_toml(os.path.join(BOOK, "book.toml"))
    write_design(names)
    for p in problems:
        sys.stderr.write("gen.py: " + p + "\n")
    print("written %d paragraphs with text; %d problems" % (len(final), len(problems)))


if __name__ == "__main__":
    main()
