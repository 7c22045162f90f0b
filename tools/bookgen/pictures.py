#!/usr/bin/python3
"""Draws the book's pictures and the navigation bar's bitmaps as 24-bit
uncompressed BMP files in books/demo/pictures.

Every picture is drawn at three times its size and scaled down, which
smooths its edges.  Needs python3-pil (Debian); the DejaVu fonts are used
for lettering when installed.
"""

import math
import os
import random
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from icon import write_icon  # noqa: E402
from world import PICTURES  # noqa: E402

OUT = os.path.normpath(os.path.join(HERE, "..", "..", "books", "demo", "pictures"))
S = 3  # drawing scale

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def font(size, bold=False, serif=True):
    name = ("DejaVuSerif" if serif else "DejaVuSans") + ("-Bold" if bold else "") + ".ttf"
    try:
        return ImageFont.truetype(FONT_DIR + name, int(round(size * S)))
    except OSError:
        return ImageFont.load_default()


class Pic:
    def __init__(self, w, h, bg=(255, 255, 255)):
        self.w, self.h = w, h
        self.img = Image.new("RGB", (w * S, h * S), bg)
        self.d = ImageDraw.Draw(self.img)

    # coordinates are in final pixels (floats allowed)
    def p(self, pts):
        return [(x * S, y * S) for x, y in pts]

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.d.rectangle([x0 * S, y0 * S, x1 * S, y1 * S], fill=fill, outline=outline, width=int(width * S))

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=1):
        self.d.rounded_rectangle([x0 * S, y0 * S, x1 * S, y1 * S], r * S, fill=fill, outline=outline, width=int(width * S))

    def ellipse(self, x0, y0, x1, y1, fill=None, outline=None, width=1):
        self.d.ellipse([x0 * S, y0 * S, x1 * S, y1 * S], fill=fill, outline=outline, width=int(width * S))

    def circle(self, x, y, r, fill=None, outline=None, width=1):
        self.ellipse(x - r, y - r, x + r, y + r, fill, outline, width)

    def poly(self, pts, fill=None, outline=None, width=1):
        self.d.polygon(self.p(pts), fill=fill, outline=outline)
        if outline and width > 1:
            self.d.line(self.p(pts + [pts[0]]), fill=outline, width=int(width * S))

    def line(self, pts, fill, width=1):
        self.d.line(self.p(pts), fill=fill, width=max(1, int(width * S)))

    def arc(self, x0, y0, x1, y1, a0, a1, fill, width=1):
        self.d.arc([x0 * S, y0 * S, x1 * S, y1 * S], a0, a1, fill=fill, width=int(width * S))

    def text(self, x, y, s, size, fill, bold=False, serif=True, anchor="la"):
        self.d.text((x * S, y * S), s, font=font(size, bold, serif), fill=fill, anchor=anchor)

    def vgrad(self, y0, y1, c0, c1):
        for y in range(int(y0 * S), int(y1 * S)):
            t = (y - y0 * S) / max(1, (y1 - y0) * S)
            c = tuple(int(c0[i] + (c1[i] - c0[i]) * t) for i in range(3))
            self.d.line([(0, y), (self.w * S, y)], fill=c)

    def save(self, name, blur=False):
        img = self.img
        if blur:
            img = img.filter(ImageFilter.GaussianBlur(S * 0.6))
        img = img.resize((self.w, self.h), Image.LANCZOS)
        img.save(os.path.join(OUT, name), format="BMP")


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


# ------------------------------------------------------------- elements

SKIN = (233, 196, 166)
INK = (30, 30, 40)


def portrait(pc, skin=SKIN, hair=(60, 40, 30), coat=(70, 70, 80), shirt=(240, 240, 235),
             hat=None, hat_col=(50, 50, 55), bg=((200, 190, 170), (150, 140, 120)),
             moustache=None, scar=False, glasses=False, freckles=False, bob=False,
             tie=(120, 30, 30), pipe=False, wrinkles=False, collar_up=False):
    w, h = pc.w, pc.h
    pc.vgrad(0, h, bg[0], bg[1])
    cx = w / 2
    hw = w * 0.22          # half width of head
    hh = hw * 1.3          # half height of head
    hy = h * 0.40          # head centre
    # shoulders and coat
    pc.poly([(cx - w * 0.48, h), (cx - w * 0.42, hy + hh * 1.25), (cx - hw * 0.6, hy + hh * 0.95),
             (cx + hw * 0.6, hy + hh * 0.95), (cx + w * 0.42, hy + hh * 1.25), (cx + w * 0.48, h)], fill=coat)
    # shirt front and tie
    pc.poly([(cx - hw * 0.55, hy + hh * 0.95), (cx + hw * 0.55, hy + hh * 0.95), (cx, h * 0.98)], fill=shirt)
    if tie:
        pc.poly([(cx - hw * 0.14, hy + hh * 1.05), (cx + hw * 0.14, hy + hh * 1.05), (cx + hw * 0.2, h * 0.93), (cx, h), (cx - hw * 0.2, h * 0.93)], fill=tie)
    # lapels
    lap = mix(coat, (0, 0, 0), 0.25)
    pc.line([(cx - hw * 0.55, hy + hh * 0.95), (cx - hw * 0.2, h * 0.98)], lap, 1.5)
    pc.line([(cx + hw * 0.55, hy + hh * 0.95), (cx + hw * 0.2, h * 0.98)], lap, 1.5)
    if collar_up:
        pc.poly([(cx - hw * 1.1, hy + hh * 0.5), (cx - hw * 0.5, hy + hh * 1.0), (cx - hw * 0.9, hy + hh * 1.4)], fill=lap)
        pc.poly([(cx + hw * 1.1, hy + hh * 0.5), (cx + hw * 0.5, hy + hh * 1.0), (cx + hw * 0.9, hy + hh * 1.4)], fill=lap)
    # neck
    pc.rect(cx - hw * 0.4, hy + hh * 0.6, cx + hw * 0.4, hy + hh * 1.0, fill=mix(skin, (0, 0, 0), 0.12))
    # hair behind (long or bob)
    if bob:
        pc.ellipse(cx - hw * 1.25, hy - hh * 1.1, cx + hw * 1.25, hy + hh * 0.75, fill=hair)
    # ears
    pc.ellipse(cx - hw * 1.12, hy - hh * 0.15, cx - hw * 0.85, hy + hh * 0.3, fill=skin)
    pc.ellipse(cx + hw * 0.85, hy - hh * 0.15, cx + hw * 1.12, hy + hh * 0.3, fill=skin)
    # head
    pc.ellipse(cx - hw, hy - hh, cx + hw, hy + hh, fill=skin, outline=mix(skin, (0, 0, 0), 0.3), width=0.6)
    # hair on top
    if not hat:
        pc.d.chord([(cx - hw * 1.05) * S, (hy - hh * 1.1) * S, (cx + hw * 1.05) * S, (hy + hh * 0.1) * S], 180, 360, fill=hair)
        if bob:
            pc.poly([(cx - hw * 1.0, hy - hh * 0.4), (cx + hw * 0.2, hy - hh * 0.9), (cx + hw * 1.0, hy - hh * 0.4),
                     (cx + hw * 1.0, hy - hh * 0.6), (cx - hw * 1.0, hy - hh * 0.6)], fill=hair)
    # eyes
    ey = hy - hh * 0.08
    for sx in (-1, 1):
        ex = cx + sx * hw * 0.42
        pc.ellipse(ex - hw * 0.17, ey - hh * 0.07, ex + hw * 0.17, ey + hh * 0.07, fill=(250, 250, 250))
        pc.circle(ex, ey, hw * 0.08, fill=(60, 50, 40))
        pc.line([(ex - hw * 0.22, ey - hh * 0.2), (ex + hw * 0.2, ey - hh * 0.22)], mix(hair, (0, 0, 0), 0.2), 1.2)
    if glasses:
        for sx in (-1, 1):
            ex = cx + sx * hw * 0.42
            pc.circle(ex, ey, hw * 0.26, outline=(40, 40, 40), width=0.8)
        pc.line([(cx - hw * 0.16, ey), (cx + hw * 0.16, ey)], (40, 40, 40), 0.8)
    if scar:
        ex = cx + hw * 0.42
        pc.line([(ex - hw * 0.05, ey - hh * 0.4), (ex + hw * 0.1, ey - hh * 0.02)], (250, 235, 230), 1.2)
        pc.line([(ex - hw * 0.05, ey - hh * 0.4), (ex + hw * 0.1, ey - hh * 0.02)], (170, 90, 90), 0.5)
    # nose and mouth
    pc.line([(cx, ey + hh * 0.05), (cx - hw * 0.08, hy + hh * 0.3), (cx + hw * 0.06, hy + hh * 0.33)], mix(skin, (0, 0, 0), 0.35), 0.8)
    my = hy + hh * 0.52
    pc.arc(cx - hw * 0.3, my - hh * 0.12, cx + hw * 0.3, my + hh * 0.08, 20, 160, (150, 70, 70), 1.2)
    if moustache:
        pc.poly([(cx - hw * 0.45, my - hh * 0.02), (cx, my - hh * 0.14), (cx + hw * 0.45, my - hh * 0.02), (cx, my - hh * 0.06)], fill=moustache)
    if freckles:
        rnd = random.Random(7)
        for _ in range(14):
            fx = cx + rnd.uniform(-hw * 0.7, hw * 0.7)
            fy = hy + rnd.uniform(0, hh * 0.35)
            pc.circle(fx, fy, 0.5, fill=(190, 120, 80))
    if wrinkles:
        for k in range(3):
            pc.line([(cx - hw * 0.5, hy - hh * (0.55 + k * 0.1)), (cx + hw * 0.5, hy - hh * (0.55 + k * 0.1))], mix(skin, (0, 0, 0), 0.25), 0.5)
    if pipe:
        pc.line([(cx + hw * 0.1, my + hh * 0.02), (cx + hw * 0.9, my + hh * 0.25)], (70, 40, 20), 1.6)
        pc.rect(cx + hw * 0.85, my + hh * 0.05, cx + hw * 1.15, my + hh * 0.4, fill=(80, 45, 25))
    if hat == "trilby":
        pc.ellipse(cx - hw * 1.6, hy - hh * 0.75, cx + hw * 1.6, hy - hh * 0.45, fill=mix(hat_col, (0, 0, 0), 0.2))
        pc.poly([(cx - hw * 1.0, hy - hh * 0.6), (cx - hw * 0.9, hy - hh * 1.35), (cx, hy - hh * 1.2),
                 (cx + hw * 0.9, hy - hh * 1.35), (cx + hw * 1.0, hy - hh * 0.6)], fill=hat_col)
        pc.rect(cx - hw * 1.0, hy - hh * 0.78, cx + hw * 1.0, hy - hh * 0.62, fill=(30, 30, 30))
    elif hat == "bowler":
        pc.ellipse(cx - hw * 1.45, hy - hh * 0.72, cx + hw * 1.45, hy - hh * 0.5, fill=mix(hat_col, (0, 0, 0), 0.2))
        pc.d.chord([(cx - hw * 1.0) * S, (hy - hh * 1.45) * S, (cx + hw * 1.0) * S, (hy - hh * 0.3) * S], 180, 360, fill=hat_col)
    elif hat == "cap":
        pc.d.chord([(cx - hw * 1.05) * S, (hy - hh * 1.25) * S, (cx + hw * 1.1) * S, (hy - hh * 0.2) * S], 180, 360, fill=hat_col)
        pc.poly([(cx - hw * 0.2, hy - hh * 0.72), (cx + hw * 1.5, hy - hh * 0.6), (cx + hw * 1.0, hy - hh * 0.8)], fill=mix(hat_col, (0, 0, 0), 0.3))


def buildings(pc, base, rnd, col, lit=None, hmin=15, hmax=45, wmin=10, wmax=26):
    x = -5
    while x < pc.w:
        bw = rnd.uniform(wmin, wmax)
        bh = rnd.uniform(hmin, hmax)
        c = mix(col, (0, 0, 0), rnd.uniform(0, 0.25))
        pc.rect(x, base - bh, x + bw, base, fill=c)
        if rnd.random() < 0.5:
            pc.rect(x + bw * 0.3, base - bh - 5, x + bw * 0.4, base - bh, fill=c)   # chimney
        if lit:
            for wy in range(int(base - bh + 3), int(base - 3), 6):
                for wx in range(int(x + 2), int(x + bw - 3), 5):
                    if rnd.random() < 0.35:
                        pc.rect(wx, wy, wx + 2, wy + 3, fill=lit)
        x += bw + rnd.uniform(-2, 1)


def water(pc, y0, y1, c0, c1, rnd, glints=(255, 255, 255)):
    pc.vgrad(y0, y1, c0, c1)
    for _ in range(int(pc.w * (y1 - y0) / 60)):
        x = rnd.uniform(0, pc.w)
        y = rnd.uniform(y0 + 2, y1)
        l = rnd.uniform(3, 10)
        pc.line([(x, y), (x + l, y)], mix(c0, glints, 0.35), 0.6)


def clock_tower(pc, x, base, w, h, col, face=(240, 230, 190)):
    pc.rect(x, base - h, x + w, base, fill=col)
    # belfry and spire
    pc.rect(x - w * 0.08, base - h - w * 0.9, x + w * 1.08, base - h, fill=col)
    pc.poly([(x - w * 0.1, base - h - w * 0.9), (x + w / 2, base - h - w * 2.6), (x + w * 1.1, base - h - w * 0.9)], fill=mix(col, (0, 0, 0), 0.2))
    pc.line([(x + w / 2, base - h - w * 2.6), (x + w / 2, base - h - w * 3.1)], col, 1)
    # face
    fy = base - h - w * 0.45
    pc.circle(x + w / 2, fy, w * 0.38, fill=face, outline=(40, 40, 40), width=0.6)
    pc.line([(x + w / 2, fy), (x + w / 2, fy - w * 0.28)], (20, 20, 20), 0.8)
    pc.line([(x + w / 2, fy), (x + w / 2 + w * 0.2, fy)], (20, 20, 20), 0.8)
    # gothic ribs
    for k in range(1, 4):
        pc.line([(x + w * k / 4, base - h + 2), (x + w * k / 4, base)], mix(col, (0, 0, 0), 0.25), 0.5)


def steamer(pc, x, y, l, hull=(30, 30, 35), funnel=(200, 120, 40), smoke=True, masts=True):
    h = l * 0.12
    pc.poly([(x, y - h), (x + l, y - h * 1.1), (x + l * 0.93, y), (x + l * 0.06, y)], fill=hull)
    pc.rect(x + l * 0.05, y - h * 0.25, x + l * 0.94, y - h * 0.1, fill=(150, 40, 35))
    pc.rect(x + l * 0.35, y - h * 2.0, x + l * 0.7, y - h, fill=(230, 225, 210))
    pc.rect(x + l * 0.5, y - h * 3.3, x + l * 0.58, y - h * 2.0, fill=funnel)
    pc.rect(x + l * 0.5, y - h * 3.3, x + l * 0.58, y - h * 3.05, fill=(20, 20, 20))
    if masts:
        pc.line([(x + l * 0.2, y - h), (x + l * 0.2, y - h * 4)], hull, 0.8)
        pc.line([(x + l * 0.85, y - h), (x + l * 0.85, y - h * 3.6)], hull, 0.8)
    for k in range(6):
        pc.circle(x + l * (0.38 + k * 0.05), y - h * 1.5, l * 0.008, fill=(60, 60, 70))
    if smoke:
        for k in range(6):
            pc.circle(x + l * 0.54 - k * l * 0.06, y - h * 3.6 - k * h * 0.3, h * (0.5 + k * 0.2), fill=(130 + k * 12, 130 + k * 12, 135 + k * 12))


def locomotive(pc, x, y, l, col=(40, 90, 50)):
    h = l * 0.35
    pc.rect(x + l * 0.05, y - h * 0.9, x + l * 0.62, y - h * 0.35, fill=col)               # boiler
    pc.circle(x + l * 0.05, y - h * 0.625, h * 0.275, fill=mix(col, (0, 0, 0), 0.3))      # smokebox
    pc.rect(x + l * 0.12, y - h * 1.3, x + l * 0.18, y - h * 0.9, fill=(25, 25, 25))       # chimney
    pc.d.chord([((x + l * 0.33) * S), ((y - h * 1.1) * S), ((x + l * 0.43) * S), ((y - h * 0.7) * S)], 180, 360, fill=(190, 150, 60))  # dome
    pc.rect(x + l * 0.6, y - h * 1.25, x + l * 0.85, y - h * 0.35, fill=col)               # cab
    pc.rect(x + l * 0.65, y - h * 1.1, x + l * 0.78, y - h * 0.85, fill=(230, 220, 170))
    pc.rect(x + l * 0.58, y - h * 1.32, x + l * 0.88, y - h * 1.22, fill=(25, 25, 25))
    pc.rect(x, y - h * 0.38, x + l * 0.9, y - h * 0.28, fill=(25, 25, 25))                 # frame
    pc.rect(x + l * 0.85, y - h * 0.8, x + l, y - h * 0.3, fill=mix(col, (0, 0, 0), 0.2))  # tender
    for cxw, r in ((0.2, 0.2), (0.42, 0.2), (0.64, 0.2), (0.08, 0.11), (0.92, 0.11)):
        pc.circle(x + l * cxw, y - h * r, h * r, fill=(30, 30, 30), outline=(180, 180, 170), width=0.6)
        pc.circle(x + l * cxw, y - h * r, h * r * 0.2, fill=(180, 180, 170))
    pc.line([(x + l * 0.2, y - h * 0.2), (x + l * 0.64, y - h * 0.2)], (190, 190, 180), 1.2)  # rod
    pc.line([(x - l * 0.02, y), (x + l * 1.02, y)], (90, 80, 70), 1)


def bale(pc, x, y, w, h, col=(215, 200, 160)):
    pc.rect(x, y, x + w, y + h, fill=col, outline=mix(col, (0, 0, 0), 0.35), width=0.6)
    pc.line([(x + w * 0.3, y), (x + w * 0.3, y + h)], mix(col, (0, 0, 0), 0.4), 0.7)
    pc.line([(x + w * 0.7, y), (x + w * 0.7, y + h)], mix(col, (0, 0, 0), 0.4), 0.7)
    r = min(w, h) * 0.18
    cx, cy = x + w / 2, y + h / 2
    pc.arc(cx - r, cy - r, cx + r, cy + r, 40, 320, (20, 20, 20), 0.8)
    pc.arc(cx - r * 0.6, cy - r * 0.6, cx + r * 0.6, cy + r * 0.6, 40, 320, (20, 20, 20), 0.8)


# ---------------------------------------------------------------- pictures

def p00(fn):
    pc = Pic(159, 134)
    rnd = random.Random(1)
    pc.vgrad(0, 90, (60, 50, 100), (235, 140, 80))
    pc.circle(120, 78, 10, fill=(255, 210, 130))
    base = 92
    buildings(pc, base, rnd, (45, 40, 60), lit=(250, 210, 120), hmin=8, hmax=22)
    # Parliament with the clock tower
    pc.rect(20, base - 22, 95, base, fill=(50, 42, 60))
    for k in range(8):
        pc.poly([(22 + k * 9, base - 22), (25 + k * 9, base - 29), (28 + k * 9, base - 22)], fill=(50, 42, 60))
    clock_tower(pc, 98, base, 10, 38, (50, 42, 60), face=(255, 225, 150))
    water(pc, base, 134, (200, 120, 90), (40, 40, 70), rnd, glints=(255, 220, 160))
    for k in range(12):
        pc.line([(116 + rnd.uniform(-6, 6), base + 4 + k * 3), (124 + rnd.uniform(-6, 6), base + 4 + k * 3)], (255, 200, 120), 0.8)
    # bridge
    pc.rect(0, base + 6, 159, base + 10, fill=(40, 35, 50))
    for k in range(6):
        pc.arc(-10 + k * 30, base + 6, 20 + k * 30, base + 30, 180, 360, (40, 35, 50), 2.5)
    pc.save(fn)


def p01(fn):
    pc = Pic(141, 130, (245, 238, 220))
    pc.vgrad(0, 130, (90, 30, 30), (50, 15, 15))
    # open ledger
    pc.poly([(12, 40), (70, 34), (70, 118), (12, 122)], fill=(250, 245, 230))
    pc.poly([(70, 34), (129, 40), (129, 122), (70, 118)], fill=(245, 240, 222))
    pc.line([(70, 34), (70, 118)], (150, 140, 120), 1)
    for k in range(10):
        y = 50 + k * 7
        pc.line([(18, y), (64, y - 0.5)], (170, 190, 210), 0.5)
        pc.line([(76, y - 0.5), (123, y)], (170, 190, 210), 0.5)
    pc.line([(50, 42), (50, 118)], (210, 120, 120), 0.5)
    pc.line([(108, 42), (108, 118)], (210, 120, 120), 0.5)
    rnd = random.Random(3)
    for k in range(9):
        y = 48 + k * 7
        pc.line([(20, y), (20 + rnd.uniform(15, 28), y)], (50, 50, 90), 0.6)
        pc.line([(52, y), (52 + rnd.uniform(5, 10), y)], (50, 50, 90), 0.6)
    steamer(pc, 78, 80, 42, funnel=(200, 120, 40), smoke=False)
    pc.line([(74, 82), (124, 82)], (80, 110, 150), 0.8)
    pc.line([(18, 76), (64, 76)], (200, 30, 30), 1)          # a line struck through
    pc.text(70.5, 6, "THE PERPETUA", 12, (245, 220, 150), bold=True, anchor="ma")
    pc.text(70.5, 21, "CLAIM", 10, (245, 220, 150), bold=True, anchor="ma")
    pc.save(fn)


def p02(fn):
    pc = Pic(16, 9, (255, 255, 255))
    pc.poly([(1, 3), (9, 3), (9, 1), (15, 4.5), (9, 8), (9, 6), (1, 6)], fill=(40, 60, 140))
    pc.save(fn)


def p03(fn):
    pc = Pic(22, 22, (255, 255, 255))
    pc.circle(11, 11, 10, fill=(245, 235, 205), outline=(90, 70, 40), width=0.8)
    pc.poly([(11, 1.5), (13, 11), (11, 20.5), (9, 11)], fill=(40, 40, 40))
    pc.poly([(1.5, 11), (11, 9), (20.5, 11), (11, 13)], fill=(120, 120, 120))
    pc.poly([(11, 1.5), (13, 11), (9, 11)], fill=(190, 40, 40))
    pc.save(fn)


def p04(fn):
    pc = Pic(59, 49, (255, 255, 255))
    pc.line([(42, 6), (50, 3), (56, 8), (54, 16)], (190, 150, 60), 1)
    pc.circle(26, 27, 20, fill=(200, 160, 70), outline=(120, 90, 30), width=1)
    pc.circle(26, 27, 16.5, fill=(250, 246, 232), outline=(120, 90, 30), width=0.6)
    pc.rect(23.5, 3, 28.5, 7.5, fill=(200, 160, 70))
    pc.circle(26, 3, 2.5, outline=(200, 160, 70), width=1)
    for k in range(12):
        a = k * math.pi / 6
        pc.line([(26 + 13.5 * math.sin(a), 27 - 13.5 * math.cos(a)), (26 + 15.5 * math.sin(a), 27 - 15.5 * math.cos(a))], (30, 30, 30), 0.8)
    pc.line([(26, 27), (26 + 9 * math.sin(5.5), 27 - 9 * math.cos(5.5))], (20, 20, 20), 1.2)
    pc.line([(26, 27), (26 + 12 * math.sin(0.3), 27 - 12 * math.cos(0.3))], (20, 20, 20), 0.8)
    pc.circle(26, 27, 1.2, fill=(20, 20, 20))
    pc.save(fn)


def p05(fn):
    pc = Pic(115, 31, (255, 255, 255))
    pc.rect(0.5, 0.5, 114.5, 30.5, fill=(226, 205, 150), outline=(120, 100, 60), width=0.8)
    pc.rect(86, 0.5, 87, 30.5, fill=(150, 130, 90))
    pc.text(43, 2.5, "SOUTHERN RAILWAY", 5.5, (60, 40, 20), bold=True, serif=False, anchor="ma")
    pc.text(43, 10, "WATERLOO to", 5, (30, 30, 30), anchor="ma")
    pc.text(43, 16.5, "SOUTHAMPTON DOCKS", 5.2, (30, 30, 30), bold=True, anchor="ma")
    pc.text(43, 23.5, "BOAT TRAIN  \u00b7  3rd CLASS", 4.5, (140, 30, 30), serif=False, anchor="ma")
    pc.text(100.5, 8, "No.", 5, (30, 30, 30), anchor="ma")
    pc.text(100.5, 15, "0417", 6, (30, 30, 30), bold=True, anchor="ma")
    pc.save(fn)


def p06(fn):
    pc = Pic(100, 130)
    portrait(pc, hair=(35, 25, 25), coat=(60, 80, 110), shirt=(245, 240, 230), tie=None, bob=True,
             bg=((215, 205, 190), (165, 150, 140)))
    pc.save(fn)


def p07(fn):
    pc = Pic(160, 127, (200, 190, 165))
    pc.vgrad(0, 80, (205, 195, 170), (185, 175, 150))
    pc.rect(0, 80, 160, 127, fill=(120, 85, 55))
    for k in range(9):
        pc.line([(0, 84 + k * 5), (160, 84 + k * 5)], (105, 72, 45), 0.5)
    # window
    pc.rect(96, 10, 146, 62, fill=(220, 225, 230), outline=(90, 70, 50), width=2)
    pc.line([(121, 10), (121, 62)], (90, 70, 50), 1.5)
    pc.line([(96, 36), (146, 36)], (90, 70, 50), 1.5)
    rnd = random.Random(5)
    for k in range(4):
        pc.rect(98 + k * 12, 40 + rnd.uniform(0, 8), 106 + k * 12, 61, fill=(150, 150, 160))
    # clock
    pc.circle(50, 22, 11, fill=(245, 240, 225), outline=(80, 50, 30), width=1.5)
    pc.line([(50, 22), (50, 14)], (20, 20, 20), 0.9)
    pc.line([(50, 22), (56, 24)], (20, 20, 20), 0.9)
    # desks
    for dx, dy in ((12, 70), (70, 78)):
        pc.rect(dx, dy, dx + 55, dy + 6, fill=(95, 60, 35))
        pc.rect(dx + 3, dy + 6, dx + 7, dy + 30, fill=(80, 50, 30))
        pc.rect(dx + 48, dy + 6, dx + 52, dy + 30, fill=(80, 50, 30))
        pc.rect(dx + 10, dy - 2, dx + 30, dy, fill=(245, 245, 235))
        pc.rect(dx + 34, dy - 8, dx + 48, dy, fill=(60, 90, 60))   # ledger
    # lamp
    pc.line([(95, 78), (95, 62)], (40, 40, 40), 1)
    pc.poly([(88, 62), (102, 62), (98, 55), (92, 55)], fill=(40, 110, 60))
    pc.poly([(86, 64), (104, 64), (112, 78), (78, 78)], fill=(255, 245, 200))
    pc.save(fn)


def p08(fn):
    pc = Pic(69, 130)
    pc.vgrad(0, 130, (150, 175, 205), (220, 225, 230))
    clock_tower(pc, 20, 130, 29, 62, (175, 155, 110), face=(245, 240, 220))
    pc.rect(0, 118, 69, 130, fill=(160, 140, 100))
    pc.save(fn)


def p09(fn):
    pc = Pic(227, 157)
    rnd = random.Random(9)
    pc.vgrad(0, 100, (150, 170, 200), (215, 215, 220))
    buildings(pc, 100, rnd, (140, 140, 150), hmin=8, hmax=20)
    water(pc, 100, 157, (110, 120, 125), (60, 70, 80), rnd)
    col = (70, 80, 100)
    for tx in (55, 150):
        pc.rect(tx, 30, tx + 22, 112, fill=(185, 180, 165), outline=(120, 115, 100), width=0.8)
        pc.poly([(tx - 2, 30), (tx + 11, 12), (tx + 24, 30)], fill=(90, 100, 120))
        for k in range(3):
            pc.rect(tx + 8, 40 + k * 20, tx + 14, 50 + k * 20, fill=(70, 70, 80))
    pc.rect(77, 82, 150, 88, fill=col)                 # bascules
    pc.rect(77, 38, 150, 43, fill=col)                 # high walkway
    pc.line([(0, 70), (30, 82), (55, 40)], col, 2.5)   # suspension chains
    pc.line([(177, 40), (200, 82), (227, 70)], col, 2.5)
    pc.rect(0, 84, 55, 88, fill=col)
    pc.rect(177, 84, 227, 88, fill=col)
    steamer(pc, 20, 135, 60, funnel=(30, 30, 30))
    pc.save(fn)


def p10(fn):
    pc = Pic(227, 167)
    rnd = random.Random(10)
    pc.vgrad(0, 110, (15, 20, 45), (40, 45, 80))
    for _ in range(40):
        pc.circle(rnd.uniform(0, 227), rnd.uniform(0, 70), 0.4, fill=(230, 230, 255))
    pc.circle(185, 28, 12, fill=(240, 235, 200))
    pc.circle(190, 25, 11, fill=(40, 45, 80))
    water(pc, 115, 167, (25, 30, 55), (10, 12, 25), rnd, glints=(255, 200, 100))
    # piles
    for k in range(8):
        pc.rect(30 + k * 18, 100, 34 + k * 18, 140, fill=(40, 30, 25))
    # crooked tavern
    pc.poly([(20, 105), (170, 100), (165, 45), (95, 20), (25, 50)], fill=(70, 50, 40))
    pc.poly([(20, 52), (95, 18), (170, 47), (172, 40), (95, 10), (18, 45)], fill=(50, 35, 30))
    pc.rect(120, 8, 130, 30, fill=(60, 40, 35))
    for wx, wy in ((40, 60), (70, 56), (110, 58), (140, 62), (45, 82), (80, 80), (130, 82)):
        pc.rect(wx, wy, wx + 14, wy + 11, fill=(250, 200, 90), outline=(40, 25, 20), width=1)
        pc.line([(wx + 7, wy), (wx + 7, wy + 11)], (40, 25, 20), 0.8)
        for k in range(6):
            pc.line([(wx + 2 + rnd.uniform(0, 10), 120 + k * 5 + (wy - 56) * 0.3), (wx + 6 + rnd.uniform(0, 10), 120 + k * 5 + (wy - 56) * 0.3)], (200, 150, 60), 0.6)
    pc.rect(60, 36, 130, 46, fill=(30, 25, 20))
    pc.text(95, 37.5, "ANCHOR & HOPE", 6, (230, 200, 120), bold=True, anchor="ma")
    pc.save(fn)


def p11(fn):
    pc = Pic(85, 130)
    portrait(pc, hair=(110, 100, 90), coat=(150, 130, 95), shirt=(235, 235, 225), hat="trilby",
             hat_col=(90, 85, 75), tie=(60, 60, 90), pipe=True, moustache=(110, 100, 90), collar_up=True,
             bg=((185, 190, 195), (130, 135, 145)))
    pc.save(fn)


def p12(fn):
    pc = Pic(128, 128, (235, 230, 220))
    pc.vgrad(0, 128, (120, 90, 60), (80, 55, 35))
    pc.poly([(28, 18), (104, 12), (112, 108), (34, 116)], fill=(30, 80, 50))
    pc.poly([(104, 12), (110, 16), (118, 110), (112, 108)], fill=(235, 230, 210))
    for k in range(6):
        pc.line([(105 + k, 14 + k * 0.5), (113 + k * 0.6, 108)], (200, 195, 180), 0.4)
    pc.poly([(28, 18), (40, 17), (46, 115), (34, 116)], fill=(25, 65, 40))
    pc.rect(55, 40, 95, 62, fill=(235, 225, 190), outline=(120, 100, 60), width=0.8)
    pc.text(75, 44, "CARGO", 6.5, (40, 30, 20), bold=True, anchor="ma")
    pc.text(75, 53, "1937", 6, (40, 30, 20), anchor="ma")
    pc.line([(46, 30), (104, 26)], (190, 160, 70), 1.2)
    pc.line([(50, 100), (109, 96)], (190, 160, 70), 1.2)
    pc.save(fn)


def p13(fn):
    pc = Pic(128, 128)
    pc.vgrad(0, 128, (210, 205, 195), (170, 165, 155))
    pc.rrect(14, 40, 70, 100, 4, fill=(35, 35, 35))               # body
    pc.poly([(70, 48), (100, 54), (100, 86), (70, 92)], fill=(50, 45, 45))   # bellows
    for k in range(5):
        x = 74 + k * 6
        pc.line([(x, 49 + k * 1.2), (x, 91 - k * 1.2)], (20, 20, 20), 0.8)
    pc.rect(100, 52, 108, 88, fill=(180, 180, 175))              # lens board
    pc.circle(112, 70, 11, fill=(40, 40, 40), outline=(190, 190, 185), width=1.2)
    pc.circle(112, 70, 6, fill=(70, 90, 120))
    pc.circle(109, 67, 2, fill=(200, 220, 240))
    pc.rect(24, 32, 40, 40, fill=(60, 60, 60))                   # viewfinder
    pc.rect(52, 34, 62, 40, fill=(150, 150, 150))                # shutter button
    pc.line([(18, 104), (40, 118), (80, 118), (100, 110)], (110, 70, 40), 2)   # strap
    pc.save(fn)


def p14(fn):
    pc = Pic(128, 128)
    pc.vgrad(0, 128, (190, 200, 210), (150, 160, 170))
    pc.rect(0, 0, 14, 128, fill=(120, 80, 60))
    pc.line([(14, 20), (90, 20)], (40, 40, 40), 2.5)
    pc.line([(14, 40), (60, 20)], (40, 40, 40), 1.5)
    for bx, by in ((50, 64), (90, 64), (70, 96)):
        pc.line([(bx, 20), (bx, by - 14)] if by == 64 else [(70, 20), (70, by - 14)], (40, 40, 40), 1)
    pc.line([(50, 20), (70, 82)], (40, 40, 40), 0.8)
    pc.line([(90, 20), (70, 82)], (40, 40, 40), 0.8)
    for bx, by in ((50, 64), (90, 64), (70, 96)):
        pc.circle(bx, by, 15, fill=(205, 160, 50), outline=(130, 95, 20), width=1)
        pc.circle(bx - 5, by - 5, 4, fill=(250, 225, 140))
    pc.save(fn)


def p15(fn):
    pc = Pic(128, 128)
    pc.vgrad(0, 128, (200, 195, 185), (150, 145, 135))
    g = (45, 45, 50)
    pc.rect(18, 44, 104, 56, fill=g)                      # barrel and receiver
    pc.rect(100, 42, 106, 46, fill=g)                     # front sight
    pc.poly([(60, 56), (84, 56), (92, 104), (76, 108)], fill=(110, 70, 40))   # grip
    pc.poly([(62, 56), (66, 56), (78, 104), (76, 108)], fill=g)
    pc.arc(44, 52, 66, 74, 0, 180, g, 2.5)                # trigger guard
    pc.line([(56, 57), (54, 66)], g, 2)                   # trigger
    pc.circle(70, 42, 5, fill=g)                          # toggle
    pc.circle(82, 43, 4, fill=g)
    pc.line([(20, 47), (98, 47)], (120, 120, 130), 0.6)
    pc.save(fn)


def p16(fn):
    pc = Pic(85, 130)
    portrait(pc, hair=(50, 45, 40), coat=(120, 120, 125), shirt=(40, 40, 45), hat="trilby", hat_col=(70, 70, 75),
             tie=(30, 30, 30), scar=True, collar_up=True, bg=((120, 115, 110), (60, 58, 60)))
    pc.save(fn)


def p17(fn):
    pc = Pic(156, 112)
    rnd = random.Random(17)
    pc.vgrad(0, 112, (200, 205, 210), (165, 165, 165))
    pc.rect(0, 88, 156, 112, fill=(90, 90, 95))
    buildings(pc, 70, rnd, (175, 160, 140), hmin=30, hmax=60)
    b = (20, 20, 25)
    pc.rect(30, 44, 118, 82, fill=b)                       # body
    pc.poly([(40, 44), (44, 22), (112, 22), (116, 44)], fill=b)   # cab roof
    pc.rect(48, 26, 74, 42, fill=(170, 190, 200))          # windows
    pc.rect(80, 26, 108, 42, fill=(170, 190, 200))
    pc.line([(82, 28), (100, 40)], (230, 240, 245), 0.6)   # the cracked rear window
    pc.poly([(118, 52), (146, 56), (148, 80), (118, 82)], fill=b)  # bonnet
    pc.rect(144, 52, 150, 80, fill=(190, 190, 185))        # radiator
    pc.circle(140, 56, 4, fill=(240, 230, 170), outline=(150, 150, 150))  # lamp
    pc.poly([(10, 82), (30, 64), (30, 82)], fill=b)        # rear and luggage
    pc.rect(120, 30, 136, 38, fill=(220, 200, 60))         # TAXI sign
    pc.text(128, 30.5, "TAXI", 5, (20, 20, 20), bold=True, serif=False, anchor="ma")
    for wx in (46, 124):
        pc.circle(wx, 86, 11, fill=(25, 25, 25))
        pc.circle(wx, 86, 5, fill=(170, 170, 170))
    pc.arc(32, 70, 60, 98, 180, 360, (40, 40, 45), 2)
    pc.arc(110, 70, 138, 98, 180, 360, (40, 40, 45), 2)
    pc.text(74, 62, "4471", 5, (200, 200, 200), serif=False, anchor="ma")
    pc.save(fn)


def p18(fn):
    pc = Pic(227, 158)
    rnd = random.Random(18)
    pc.vgrad(0, 90, (160, 170, 180), (205, 205, 200))
    buildings(pc, 90, rnd, (110, 110, 115), hmin=6, hmax=16)
    for k in range(4):
        pc.line([(150 + k * 14, 90), (150 + k * 14, 55), (165 + k * 14, 62)], (80, 80, 85), 1)   # cranes
    water(pc, 90, 158, (120, 125, 120), (70, 75, 70), rnd)
    # paddle ferry
    pc.poly([(30, 112), (200, 112), (190, 132), (40, 132)], fill=(40, 40, 45))
    pc.rect(35, 100, 195, 112, fill=(235, 230, 215))
    for k in range(8):
        pc.rect(44 + k * 19, 103, 50 + k * 19, 108, fill=(60, 60, 70))
    pc.d.chord([(95 * S), (92 * S), (135 * S), (132 * S)], 180, 360, fill=(180, 50, 40))   # paddle box
    for k in range(7):
        a = math.pi + k * math.pi / 6
        pc.line([(115, 112), (115 + 18 * math.cos(a), 112 + 18 * math.sin(a))], (120, 35, 30), 0.8)
    pc.rect(108, 70, 116, 100, fill=(230, 200, 60))        # funnel
    pc.rect(108, 70, 116, 74, fill=(20, 20, 20))
    for k in range(5):
        pc.circle(112 - k * 10, 64 - k * 4, 5 + k * 2, fill=(140 + k * 10, 140 + k * 10, 145 + k * 10))
    pc.rect(50, 92, 70, 100, fill=(60, 60, 140))           # a lorry on deck
    pc.rect(150, 92, 175, 100, fill=(140, 60, 40))
    pc.line([(30, 132), (200, 132)], (230, 230, 230), 0.8)
    pc.save(fn)


def p19(fn):
    pc = Pic(142, 72)
    pc.vgrad(0, 72, (215, 220, 225), (235, 235, 230))
    for k in range(5):
        pc.circle(22 - k * 4, 14 - k * 2, 5 + k * 1.6, fill=(200 - k * 5, 200 - k * 5, 205 - k * 5))
    locomotive(pc, 8, 66, 126)
    pc.rect(0, 66, 142, 72, fill=(140, 120, 100))
    for k in range(12):
        pc.rect(k * 12, 67, k * 12 + 6, 69, fill=(90, 70, 50))
    pc.save(fn)


def p20(fn):
    pc = Pic(122, 130)
    portrait(pc, hair=(150, 150, 150), coat=(30, 30, 35), shirt=(250, 250, 250), moustache=(140, 140, 140),
             tie=(120, 20, 40), bg=((110, 60, 50), (60, 30, 25)))
    pc.line([(100, 130), (106, 90)], (50, 40, 30), 2)          # cane
    pc.circle(106, 88, 3, fill=(220, 220, 225))
    pc.save(fn)


def p21(fn):
    pc = Pic(56, 130)
    pc.vgrad(0, 130, (165, 165, 150), (120, 118, 105))
    pc.circle(28, 30, 26, fill=(215, 205, 150))
    pc.circle(28, 30, 16, fill=(240, 230, 170))
    pc.rect(26, 34, 30, 124, fill=(40, 45, 40))
    pc.rect(22, 118, 34, 126, fill=(40, 45, 40))
    pc.poly([(19, 22), (37, 22), (34, 38), (22, 38)], fill=(250, 240, 190), outline=(40, 45, 40))
    pc.poly([(17, 22), (39, 22), (28, 14)], fill=(40, 45, 40))
    pc.line([(22, 40), (34, 40)], (40, 45, 40), 1.5)
    pc.rect(22, 54, 34, 56, fill=(40, 45, 40))
    pc.save(fn, blur=True)


def p22(fn):
    pc = Pic(136, 200)
    pc.vgrad(0, 200, (185, 190, 200), (210, 205, 195))
    brick = (150, 80, 60)
    pc.rect(10, 20, 126, 190, fill=brick)
    for y in range(22, 190, 5):
        pc.line([(10, y), (126, y)], (130, 68, 52), 0.4)
    pc.rect(6, 14, 130, 22, fill=(200, 195, 185))
    for wy in (32, 80):
        for wx in (22, 78):
            pc.rect(wx, wy, wx + 36, wy + 34, fill=(70, 80, 95), outline=(240, 240, 235), width=2)
            pc.line([(wx + 18, wy), (wx + 18, wy + 34)], (240, 240, 235), 1)
            pc.line([(wx, wy + 17), (wx + 36, wy + 17)], (240, 240, 235), 1)
    pc.rect(80, 128, 110, 176, fill=(240, 240, 235))
    pc.rect(20, 128, 56, 160, fill=(70, 80, 95), outline=(240, 240, 235), width=2)
    pc.rect(84, 132, 106, 176, fill=(40, 100, 60))        # the green door
    pc.rect(89, 137, 101, 152, fill=(35, 85, 50))
    pc.circle(102, 160, 1.5, fill=(220, 190, 80))
    pc.rect(91, 154, 99, 156, fill=(220, 190, 80))        # letter box
    pc.text(95, 124, "12", 6, (240, 240, 235), bold=True, anchor="ma")
    pc.rect(74, 176, 116, 182, fill=(200, 200, 195))      # step
    pc.rect(70, 182, 120, 190, fill=(185, 185, 180))
    pc.rect(0, 190, 136, 200, fill=(120, 120, 125))
    pc.save(fn)


def p23(fn):
    pc = Pic(160, 127)
    pc.vgrad(0, 127, (175, 185, 200), (215, 215, 215))
    red, white = (170, 60, 50), (235, 230, 220)
    pc.rect(20, 30, 140, 110, fill=red)
    for y in range(34, 110, 10):
        pc.rect(20, y, 140, y + 4, fill=white)
    for tx in (14, 128):
        pc.rect(tx, 20, tx + 18, 110, fill=red)
        for y in range(24, 110, 10):
            pc.rect(tx, y, tx + 18, y + 4, fill=white)
        pc.poly([(tx - 2, 20), (tx + 9, 4), (tx + 20, 20)], fill=(80, 80, 90))
    for wx in range(40, 124, 16):
        for wy in (44, 64, 84):
            pc.rect(wx, wy, wx + 7, wy + 10, fill=(60, 70, 90))
    pc.rect(70, 90, 90, 110, fill=(50, 40, 35))
    pc.circle(80, 86, 3.5, fill=(60, 90, 200))            # blue lamp
    pc.rect(0, 110, 160, 127, fill=(110, 110, 110))
    pc.save(fn)


def p24(fn):
    pc = Pic(160, 63)
    rnd = random.Random(24)
    pc.vgrad(0, 45, (120, 135, 150), (190, 195, 195))
    water(pc, 45, 63, (70, 90, 100), (40, 55, 65), rnd)
    steamer(pc, 15, 48, 130, funnel=(40, 40, 40))
    pc.text(22, 41, "PERPETUA", 3.5, (230, 230, 230), serif=False)
    pc.save(fn)


def p25(fn):
    pc = Pic(77, 51, (255, 255, 255))
    pc.poly([(4, 6), (72, 3), (74, 47), (6, 49)], fill=(248, 246, 236), outline=(150, 140, 120))
    rnd = random.Random(25)
    for k in range(6):
        y = 10 + k * 6.5
        x = 9
        while x < 66:
            l = rnd.uniform(4, 11)
            pc.line([(x, y + rnd.uniform(-0.6, 0.6)), (x + l, y + rnd.uniform(-0.6, 0.6))], (40, 40, 110), 0.7)
            x += l + 2.5
    pc.text(62, 40, "N.", 6, (40, 40, 110), anchor="ma")
    pc.save(fn)


def p26(fn):
    pc = Pic(142, 131)
    rnd = random.Random(26)
    pc.vgrad(0, 131, (150, 155, 165), (190, 190, 185))
    brick = (140, 75, 55)
    pc.poly([(10, 40), (71, 14), (132, 40), (132, 110), (10, 110)], fill=brick)
    for y in range(42, 110, 4):
        pc.line([(10, y), (132, y)], (125, 65, 48), 0.4)
    for wx in range(20, 125, 22):
        pc.rect(wx, 50, wx + 10, 64, fill=(40, 40, 45))
        for k in range(3):
            pc.line([(wx + 2.5 + k * 2.5, 50), (wx + 2.5 + k * 2.5, 64)], (90, 90, 90), 0.5)
    pc.rect(56, 74, 86, 110, fill=(60, 45, 35))
    pc.rect(30, 22, 112, 34, fill=(230, 225, 210))
    pc.text(71, 23.5, "HARKER & SON", 6.5, (30, 30, 30), bold=True, anchor="ma")
    pc.rect(0, 110, 142, 131, fill=(100, 95, 90))
    for k in range(0, 142, 6):
        pc.line([(k, 96), (k, 131)], (60, 60, 60), 0.8)
    pc.line([(0, 100), (142, 100)], (60, 60, 60), 0.8)
    pc.line([(0, 118), (142, 118)], (60, 60, 60), 0.8)
    pc.save(fn)


def p27(fn):
    pc = Pic(116, 130)
    portrait(pc, hair=(185, 80, 35), coat=(90, 80, 70), shirt=(235, 235, 225), tie=(40, 70, 40), freckles=True,
             bg=((200, 205, 185), (150, 160, 140)))
    pc.save(fn)


def p28(fn):
    pc = Pic(109, 80, (250, 248, 240))
    pc.rect(0, 0, 108, 79, fill=(242, 238, 225), outline=(150, 145, 130))
    pc.text(54.5, 2, "DAILY COURIER", 9, (20, 20, 20), bold=True, anchor="ma")
    pc.line([(4, 15), (104, 15)], (20, 20, 20), 0.8)
    pc.text(54.5, 18, "WAS THE PERPETUA", 7, (20, 20, 20), bold=True, serif=False, anchor="ma")
    pc.text(54.5, 27, "SUNK AT ALL?", 7, (20, 20, 20), bold=True, serif=False, anchor="ma")
    pc.rect(6, 38, 50, 72, fill=(150, 150, 150))
    steamer(pc, 9, 66, 38, hull=(50, 50, 50), funnel=(90, 90, 90), smoke=False, masts=False)
    rnd = random.Random(28)
    for k in range(11):
        y = 39 + k * 3.2
        pc.line([(55, y), (55 + rnd.uniform(35, 48), y)], (90, 90, 90), 0.6)
    pc.save(fn)


DISTRICT_POS = {
    "isl": (118, 32), "north": (80, 30), "city": (140, 78), "east": (170, 92), "docks": (205, 105),
    "west": (86, 118), "fleet": (114, 88), "westend": (70, 82), "south": (128, 132), "victoria": (52, 130),
}


def p29(fn):
    pc = Pic(227, 205, (238, 230, 205))
    pc.vgrad(0, 205, (240, 232, 208), (228, 218, 190))
    pc.rect(2, 2, 224, 202, outline=(120, 90, 60), width=1.2)
    # the river Thames
    river = [(0, 150), (30, 140), (55, 145), (75, 130), (90, 112), (110, 104), (135, 108), (160, 110),
             (178, 118), (192, 140), (206, 145), (216, 125), (227, 118)]
    pc.line(river, (90, 130, 180), 8)
    pc.line(river, (150, 185, 220), 5)
    # parks
    pc.ellipse(30, 86, 58, 110, fill=(170, 200, 150))
    pc.ellipse(70, 20, 96, 38, fill=(170, 200, 150))
    # roads
    roads = [[(20, 60), (80, 62), (140, 70), (200, 74)], [(118, 10), (118, 60), (122, 100)],
             [(60, 30), (70, 82), (86, 118), (128, 140), (150, 190)], [(140, 78), (170, 92), (205, 105)]]
    for r in roads:
        pc.line(r, (200, 180, 150), 2.2)
    from places import DISTRICTS
    for key, (name, hub) in DISTRICTS.items():
        x, y = DISTRICT_POS[key]
        pc.circle(x, y, 3, fill=(180, 40, 40), outline=(80, 20, 20))
    labels = {"isl": "Islington", "north": "King's Cross", "city": "City", "east": "Wapping", "docks": "Woolwich",
              "west": "Westminster", "fleet": "Fleet St", "westend": "West End", "south": "Southwark", "victoria": "Victoria"}
    for key, (x, y) in DISTRICT_POS.items():
        pc.text(x, y + 4, labels[key], 6, (50, 40, 30), serif=False, anchor="ma")
    pc.text(113, 6, "LONDON", 9, (90, 60, 40), bold=True, anchor="ma")
    pc.text(40, 160, "Thames", 6, (60, 90, 140), anchor="la")
    # compass
    pc.poly([(205, 20), (208, 30), (205, 28), (202, 30)], fill=(60, 40, 30))
    pc.text(205, 10, "N", 6, (60, 40, 30), anchor="ma")
    pc.save(fn)


def p30(fn):
    pc = Pic(227, 207)
    pc.vgrad(0, 207, (175, 175, 170), (120, 110, 100))
    # glass roof: arches and ribs
    for k in range(6):
        pc.arc(-40 + k * 60, -40, 60 + k * 60, 120, 180, 360, (90, 85, 80), 2)
    for k in range(0, 227, 12):
        pc.line([(k, 0), (k, 40)], (140, 140, 135), 0.6)
    # the clock hanging
    pc.line([(113, 0), (113, 40)], (60, 60, 60), 1.2)
    pc.rect(96, 40, 130, 52, fill=(70, 60, 50))
    pc.circle(113, 60, 13, fill=(245, 240, 220), outline=(60, 50, 40), width=1.5)
    pc.line([(113, 60), (113, 50)], (20, 20, 20), 1)
    pc.line([(113, 60), (120, 63)], (20, 20, 20), 1)
    # platforms and trains
    pc.rect(0, 130, 227, 207, fill=(150, 140, 125))
    for k, col in enumerate(((60, 80, 60), (100, 60, 40), (60, 80, 60))):
        x = 10 + k * 75
        pc.poly([(x, 170), (x + 50, 120), (x + 62, 120), (x + 20, 175)], fill=col)
    pc.rect(20, 100, 80, 112, fill=(30, 30, 30))
    pc.text(50, 101.5, "PLATFORM 12", 5.5, (240, 220, 130), bold=True, serif=False, anchor="ma")
    rnd = random.Random(30)
    for _ in range(26):
        x = rnd.uniform(5, 222)
        y = rnd.uniform(150, 195)
        s = 0.7 + (y - 150) / 60
        pc.rect(x - 3 * s, y - 14 * s, x + 3 * s, y, fill=rnd.choice([(40, 40, 50), (70, 60, 50), (90, 40, 40), (50, 60, 80)]))
        pc.circle(x, y - 16 * s, 2.4 * s, fill=SKIN)
        pc.rect(x - 3 * s, y - 19.5 * s, x + 3 * s, y - 17.5 * s, fill=(30, 30, 30))
    pc.rect(150, 178, 175, 190, fill=(120, 80, 40))     # trunk
    pc.save(fn)


def p31(fn):
    pc = Pic(227, 207, (20, 18, 15))
    pc.vgrad(0, 207, (25, 22, 18), (10, 9, 8))
    # torch beam
    pc.poly([(227, 180), (60, 40), (40, 140)], fill=(90, 80, 55))
    pc.poly([(227, 180), (80, 70), (60, 125)], fill=(150, 135, 90))
    for row in range(6):
        for col in range(7):
            x = 8 + col * 30 + (row % 2) * 8
            y = 20 + row * 26
            lit = 0.9 - abs((x + y) - 220) / 260
            c = mix((40, 35, 25), (225, 205, 160), max(0.15, min(1, lit)))
            bale(pc, x, y, 26, 22, col=c)
    pc.rect(0, 176, 227, 207, fill=(35, 30, 25))
    pc.line([(30, 190), (70, 185), (110, 192)], (140, 120, 80), 1)      # cut rope
    pc.line([(120, 188), (150, 196)], (140, 40, 40), 2)                 # the striped scarf
    pc.line([(126, 190), (130, 191)], (220, 200, 60), 2)
    pc.line([(138, 192), (142, 193)], (220, 200, 60), 2)
    pc.save(fn)


def p32(fn):
    pc = Pic(227, 173)
    rnd = random.Random(32)
    pc.vgrad(0, 100, (240, 170, 110), (250, 215, 160))
    pc.circle(180, 70, 14, fill=(255, 230, 170))
    # hills
    pc.poly([(0, 100), (40, 80), (90, 92), (140, 74), (190, 88), (227, 80), (227, 173), (0, 173)], fill=(110, 130, 80))
    pc.poly([(0, 120), (60, 104), (130, 116), (227, 100), (227, 173), (0, 173)], fill=(90, 115, 65))
    for _ in range(12):
        x = rnd.uniform(0, 227)
        y = rnd.uniform(95, 115)
        pc.circle(x, y, rnd.uniform(3, 6), fill=(60, 85, 50))
    # embankment and train
    pc.rect(0, 140, 227, 146, fill=(120, 100, 80))
    pc.line([(0, 140), (227, 140)], (70, 60, 50), 1)
    locomotive(pc, 150, 140, 70, col=(60, 90, 60))
    for k in range(4):
        x = 12 + k * 36
        pc.rect(x, 118, x + 33, 136, fill=(110, 65, 40))
        pc.rect(x, 116, x + 33, 119, fill=(80, 45, 30))
        for w in range(4):
            pc.rect(x + 3 + w * 7.5, 122, x + 8 + w * 7.5, 128, fill=(240, 220, 160))
        pc.circle(x + 7, 138, 2.5, fill=(30, 30, 30))
        pc.circle(x + 26, 138, 2.5, fill=(30, 30, 30))
    for k in range(9):
        pc.circle(158 - k * 16, 100 - k * 3 - rnd.uniform(0, 4), 6 + k * 1.5, fill=(235 - k * 3, 235 - k * 3, 235 - k * 3))
    pc.rect(0, 146, 227, 173, fill=(95, 120, 70))
    pc.save(fn)


def p33(fn):
    pc = Pic(227, 189)
    rnd = random.Random(33)
    pc.vgrad(0, 120, (20, 25, 55), (60, 55, 90))
    for _ in range(30):
        pc.circle(rnd.uniform(0, 227), rnd.uniform(0, 60), 0.4, fill=(230, 230, 255))
    water(pc, 140, 189, (30, 35, 60), (10, 12, 25), rnd, glints=(255, 220, 140))
    # the liner
    hull = (20, 20, 25)
    pc.poly([(20, 100), (215, 96), (205, 140), (30, 140)], fill=hull)
    pc.rect(25, 130, 208, 134, fill=(170, 40, 35))
    pc.rect(45, 78, 195, 100, fill=(235, 235, 230))
    pc.rect(60, 64, 180, 78, fill=(235, 235, 230))
    for fx in (80, 115, 150):
        pc.rect(fx, 32, fx + 16, 64, fill=(210, 120, 40))
        pc.rect(fx, 32, fx + 16, 38, fill=(20, 20, 20))
    for row, y in enumerate((84, 92, 70)):
        for x in range(50 if row < 2 else 64, 192 if row < 2 else 178, 6):
            if rnd.random() < 0.8:
                pc.rect(x, y, x + 2.5, y + 3, fill=(255, 230, 140))
    for x in range(30, 205, 7):
        if rnd.random() < 0.6:
            pc.circle(x, 112, 1, fill=(255, 220, 130))
    pc.text(185, 120, "AURELIAN", 4, (230, 230, 230), serif=False, anchor="ma")
    # quay and shed
    pc.rect(0, 140, 227, 150, fill=(70, 65, 60))
    pc.line([(120, 140), (150, 110)], (120, 110, 100), 2)   # gangway
    pc.rect(0, 150, 60, 189, fill=(60, 55, 50))
    pc.save(fn)


def p34(fn):
    pc = Pic(227, 205)
    pc.vgrad(0, 205, (210, 190, 150), (170, 145, 105))
    # panelled wall
    for k in range(0, 227, 45):
        pc.rect(k + 4, 10, k + 41, 110, outline=(140, 110, 70), width=1)
    # porthole
    pc.circle(113, 55, 26, fill=(30, 35, 70), outline=(180, 150, 70), width=4)
    pc.circle(120, 45, 3, fill=(240, 235, 200))
    pc.line([(90, 68), (136, 68)], (60, 70, 110), 1)
    # bed
    pc.rect(10, 120, 120, 160, fill=(240, 240, 235))
    pc.rect(10, 150, 120, 172, fill=(120, 40, 45))
    pc.rect(6, 108, 14, 180, fill=(110, 75, 40))
    pc.rect(10, 118, 38, 132, fill=(250, 250, 250))
    # attache case
    pc.rect(40, 132, 84, 152, fill=(90, 55, 30), outline=(50, 30, 15))
    pc.rect(58, 129, 66, 133, fill=(190, 160, 70))
    # table and champagne
    pc.rect(150, 130, 210, 136, fill=(110, 75, 40))
    pc.rect(176, 136, 184, 180, fill=(100, 70, 40))
    pc.rect(160, 104, 168, 130, fill=(30, 70, 40))
    pc.rect(162, 98, 166, 104, fill=(200, 170, 60))
    pc.poly([(188, 112), (198, 112), (194, 122)], fill=(230, 225, 180))
    pc.line([(193, 120), (193, 130)], (200, 200, 200), 0.8)
    pc.rect(0, 180, 227, 205, fill=(120, 50, 40))
    pc.text(200, 20, "B 14", 7, (120, 90, 50), bold=True, anchor="ma")
    pc.save(fn)


def p35(fn):
    pc = Pic(227, 114)
    rnd = random.Random(35)
    pc.vgrad(0, 60, (160, 170, 185), (215, 215, 210))
    buildings(pc, 60, rnd, (150, 145, 140), hmin=6, hmax=20)
    water(pc, 60, 88, (120, 125, 125), (90, 95, 95), rnd)
    pc.rect(0, 88, 227, 96, fill=(170, 160, 140))            # river wall
    pc.rect(0, 96, 227, 114, fill=(120, 120, 115))
    pc.poly([(150, 88), (154, 30), (158, 28), (162, 30), (166, 88)], fill=(60, 55, 50))   # the needle
    pc.rect(142, 80, 174, 88, fill=(80, 75, 65))
    for k in range(5):
        x = 14 + k * 30 + (40 if k > 3 else 0)
        pc.rect(x, 60, x + 2, 88, fill=(40, 45, 40))
        pc.circle(x + 1, 58, 3, fill=(240, 230, 170), outline=(40, 45, 40))
    for k in range(6):
        x = 190 + (k % 2) * 10
        pc.circle(x + k * 3, 40 + k * 3, 10, fill=(90, 110, 70))     # plane tree
    pc.rect(198, 60, 202, 88, fill=(80, 60, 40))
    pc.save(fn)


def p36(fn):
    pc = Pic(227, 207)
    pc.vgrad(0, 207, (120, 90, 70), (80, 55, 40))
    for k in range(0, 227, 38):
        pc.rect(k + 3, 8, k + 35, 120, outline=(95, 68, 50), width=1)
    # window with night outside
    pc.rect(150, 20, 210, 90, fill=(20, 25, 50), outline=(60, 40, 30), width=3)
    pc.line([(180, 20), (180, 90)], (60, 40, 30), 2)
    pc.circle(195, 35, 5, fill=(230, 230, 200))
    # safe
    green = (40, 90, 60)
    pc.rect(20, 70, 90, 170, fill=green, outline=(20, 50, 30), width=2)
    pc.rect(26, 76, 84, 164, outline=(200, 180, 90), width=1)
    pc.circle(55, 110, 14, fill=(190, 190, 180), outline=(90, 90, 80), width=1.2)
    for k in range(20):
        a = k * math.pi / 10
        pc.line([(55 + 11 * math.cos(a), 110 + 11 * math.sin(a)), (55 + 13.5 * math.cos(a), 110 + 13.5 * math.sin(a))], (40, 40, 40), 0.5)
    pc.circle(55, 110, 4, fill=(90, 90, 80))
    pc.rect(68, 130, 80, 136, fill=(190, 190, 180))
    pc.text(55, 80, "No. 4", 5, (200, 180, 90), bold=True, serif=False, anchor="ma")
    # desk
    pc.rect(110, 130, 220, 140, fill=(70, 40, 25))
    pc.rect(115, 140, 125, 190, fill=(60, 35, 20))
    pc.rect(205, 140, 215, 190, fill=(60, 35, 20))
    pc.rect(130, 120, 160, 130, fill=(230, 225, 210))
    pc.line([(175, 130), (175, 108)], (40, 40, 40), 1)
    pc.poly([(168, 108), (182, 108), (178, 100), (172, 100)], fill=(40, 110, 60))
    pc.rect(0, 190, 227, 207, fill=(110, 40, 35))
    pc.save(fn)


def p37(fn):
    pc = Pic(227, 205)
    rnd = random.Random(37)
    pc.vgrad(0, 205, (10, 10, 30), (30, 25, 45))
    pc.rect(20, 20, 210, 120, fill=(25, 22, 30))
    signs = [("COCOA", (255, 200, 60), 30, 28), ("STOUT", (80, 220, 120), 110, 28),
             ("TONIC", (255, 90, 90), 36, 60), ("PICTURES", (120, 170, 255), 124, 60), ("TEA", (255, 255, 255), 76, 92)]
    for text, col, x, y in signs:
        pc.rect(x - 4, y - 3, x + 76, y + 18, fill=(15, 15, 20))
        pc.text(x + 36, y, text, 10, col, bold=True, serif=False, anchor="ma")
    for _ in range(80):
        x, y = rnd.uniform(22, 208), rnd.uniform(22, 118)
        pc.circle(x, y, 0.7, fill=(255, 240, 180))
    # the fountain and the little archer
    pc.rect(96, 160, 130, 175, fill=(70, 70, 75))
    pc.rect(108, 140, 118, 160, fill=(80, 80, 85))
    pc.circle(113, 132, 4, fill=(70, 70, 75))
    pc.line([(105, 128), (121, 136)], (70, 70, 75), 1.5)
    pc.arc(104, 120, 118, 140, 250, 20, (70, 70, 75), 1)
    pc.rect(0, 175, 227, 205, fill=(40, 38, 45))
    # bus and headlights
    pc.rrect(150, 150, 215, 185, 3, fill=(180, 30, 30))
    for k in range(5):
        pc.rect(154 + k * 12, 154, 162 + k * 12, 162, fill=(255, 230, 150))
    pc.circle(160, 186, 5, fill=(20, 20, 20))
    pc.circle(205, 186, 5, fill=(20, 20, 20))
    for _ in range(14):
        x = rnd.uniform(5, 140)
        y = rnd.uniform(175, 200)
        pc.rect(x - 2, y - 10, x + 2, y, fill=(15, 15, 20))
        pc.circle(x, y - 12, 1.8, fill=(50, 45, 50))
    pc.save(fn)


def p38(fn):
    pc = Pic(227, 207, (238, 230, 205))
    pc.vgrad(0, 207, (238, 232, 210), (226, 216, 188))
    pc.rect(2, 2, 224, 204, outline=(120, 90, 60), width=1.2)
    river = [(0, 60), (25, 64), (50, 80), (62, 110), (58, 140), (72, 160), (98, 162), (112, 140), (110, 110),
             (125, 92), (150, 96), (170, 120), (185, 135), (205, 130), (227, 118)]
    pc.line(river, (90, 130, 180), 11)
    pc.line(river, (150, 185, 220), 7)
    marks = [("Tower", 8, 50, "lb"), ("Wapping", 36, 88, "rb"), ("Limehouse", 70, 96, "lb"),
             ("Millwall", 85, 140, "la"), ("Island Gdns", 76, 172, "la"), ("Greenwich", 110, 176, "la"),
             ("Charlton", 155, 138, "ra"), ("Harker's", 182, 146, "ma"), ("N. Woolwich", 198, 112, "mb"),
             ("Woolwich", 205, 152, "ma")]
    for name, x, y, anc in marks:
        pc.circle(x if name != "Harker's" else 186, y - 4 if anc.endswith("a") else y + 4, 2.2, fill=(180, 40, 40))
    for name, x, y, anc in marks:
        pc.text(x, y, name, 6, (50, 40, 30), serif=False, anchor=anc)
    # the ferry crossing
    pc.line([(196, 118), (200, 138)], (40, 40, 40), 1)
    pc.line([(196, 122), (200, 134)], (40, 40, 40), 0.6)
    pc.text(113, 8, "THE RIVER", 9, (90, 60, 40), bold=True, anchor="ma")
    pc.text(113, 22, "Tower to Woolwich", 6, (90, 60, 40), anchor="ma")
    pc.save(fn)


def p39(fn):
    pc = Pic(130, 157)
    portrait(pc, hair=(235, 235, 235), coat=(35, 35, 40), shirt=(250, 250, 250), moustache=(240, 240, 240),
             glasses=True, wrinkles=True, tie=(40, 40, 60), skin=(230, 200, 180), bg=((120, 95, 75), (80, 60, 45)))
    pc.save(fn)


DRAW = [p00, p01, p02, p03, p04, p05, p06, p07, p08, p09, p10, p11, p12, p13, p14, p15, p16, p17, p18, p19,
        p20, p21, p22, p23, p24, p25, p26, p27, p28, p29, p30, p31, p32, p33, p34, p35, p36, p37, p38, p39]


# ------------------------------------------------------- navigation bar

BLUE = (30, 60, 200)
DARK = (10, 20, 70)
GREY = (192, 192, 192)


def nav(res, glyph, bg):
    pc = Pic(40, 22, bg)

    if glyph in ("?", "R", "i"):
        f = font(16, bold=True, serif=False)
        for ox in (-1, 0, 1):
            for oy in (-1, 0, 1):
                pc.d.text((20 * S + ox * S, 11 * S + oy * S), glyph, font=f, fill=DARK, anchor="mm")
        pc.d.text((20 * S, 11 * S), glyph, font=f, fill=BLUE, anchor="mm")
    elif glyph == "left":
        pts = [(8, 11), (18, 3), (18, 7.5), (32, 7.5), (32, 14.5), (18, 14.5), (18, 19)]
        pc.poly(pts, fill=BLUE, outline=DARK, width=1.2)
    elif glyph in ("dleft", "dright"):
        for off in (0, 10):
            if glyph == "dleft":
                pts = [(9 + off, 11), (19 + off, 3), (19 + off, 19)]
            else:
                pts = [(31 - off, 11), (21 - off, 3), (21 - off, 19)]
            pc.poly(pts, fill=BLUE, outline=DARK, width=1.2)
    pc.save("nav%d.bmp" % res)


def icon():
    """The program's icon (group 420): the cover of the title picture, at 16
    and 32 pixels, stored as classic bitmap entries (icon.py)."""
    im = Image.open(os.path.join(OUT, PICTURES[1][3])).convert("RGB")
    w, h = im.size
    s = min(w, h)
    im = im.crop(((w - s) // 2, (h - s) // 2, (w - s) // 2 + s, (h - s) // 2 + s))
    images = []
    for size in (16, 32):
        small = im.resize((size, size), Image.LANCZOS).convert("RGBA")
        images.append((size, size, small.tobytes()))
    write_icon(os.path.join(OUT, "icon.ico"), images)


def main():
    os.makedirs(OUT, exist_ok=True)
    for (res, w, h, fn, what, _alt), draw in zip(PICTURES, DRAW):
        draw(fn)
        im = Image.open(os.path.join(OUT, fn))
        assert im.size == (w, h), (fn, im.size, (w, h))
    nav(1112, "?", GREY)
    nav(1107, "R", GREY)
    nav(1108, "i", GREY)
    nav(1109, "left", GREY)
    nav(1110, "dleft", GREY)
    nav(1111, "dright", GREY)
    nav(1113, "left", (255, 255, 255))
    nav(1114, "dleft", (255, 255, 255))
    nav(1115, "dright", (255, 255, 255))
    icon()
    print("pictures written to", OUT)


if __name__ == "__main__":
    main()
