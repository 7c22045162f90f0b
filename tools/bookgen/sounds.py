#!/usr/bin/python3
"""Synthesises the book's fifteen sounds as 8-bit mono PCM wave files at
11025 samples per second in books/demo/sounds.  Needs python3-numpy.
Every sound is built from tones, filtered noise and envelopes, seeded so
that the files come out the same on every run.
"""

import os
import sys
import wave

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from world import SOUNDS  # noqa: E402

OUT = os.path.normpath(os.path.join(HERE, "..", "..", "books", "demo", "sounds"))
RATE = 11025
rng = np.random.default_rng(1937)


def t_axis(sec):
    return np.arange(int(sec * RATE)) / RATE


def noise(sec):
    return rng.uniform(-1, 1, int(sec * RATE))


def lowpass(x, cutoff, taps=101):
    n = np.arange(taps) - (taps - 1) / 2
    cutoff = min(cutoff, 0.45 * RATE)
    h = np.sinc(2 * cutoff / RATE * n) * np.hamming(taps)
    h /= h.sum()
    return np.convolve(x, h, mode="same")


def highpass(x, cutoff, taps=101):
    return x - lowpass(x, cutoff, taps)


def bandpass(x, lo, hi, taps=151):
    return lowpass(highpass(x, lo, taps), hi, taps)


def env_exp(sec, decay):
    return np.exp(-t_axis(sec) / decay)


def place(total, piece, at):
    i = int(at * RATE)
    j = min(len(total), i + len(piece))
    if i < len(total):
        total[i:j] += piece[:j - i]


def fade(x, fin=0.01, fout=0.05):
    a = int(fin * RATE)
    b = int(fout * RATE)
    if a:
        x[:a] *= np.linspace(0, 1, a)
    if b:
        x[-b:] *= np.linspace(1, 0, b)
    return x


def norm(x, peak=0.85):
    m = np.max(np.abs(x))
    return x * (peak / m) if m > 0 else x


def write(name, x):
    x = fade(norm(x))
    data = (np.clip(x, -1, 1) * 127 + 128).round().astype(np.uint8).tobytes()   # 8-bit PCM is unsigned
    with wave.open(os.path.join(OUT, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(RATE)
        w.writeframes(data)


# ----------------------------------------------------------- the pieces

def shot(sec=0.6, bright=4000, body=120, decay=0.08):
    n = noise(sec)
    crack = lowpass(n, bright) * env_exp(sec, decay * 0.35)
    t = t_axis(sec)
    thump = np.sin(2 * np.pi * body * t * np.exp(-t * 6)) * env_exp(sec, decay)
    tail = lowpass(noise(sec), 600) * env_exp(sec, decay * 3) * 0.35       # the echo off walls
    return crack * 1.0 + thump * 0.8 + tail


def chuff(sec=0.22, cutoff=2500):
    n = bandpass(noise(sec), 300, cutoff)
    e = np.minimum(1, t_axis(sec) / 0.01) * env_exp(sec, sec / 3)
    return n * e


def clack(sec=0.12, pitch=900):
    t = t_axis(sec)
    return (bandpass(noise(sec), 400, 3000) * 0.7 + np.sin(2 * np.pi * pitch * t) * 0.4) * env_exp(sec, 0.025)


def tube_train():
    sec = 3.0
    t = t_axis(sec)
    f = 180 + 420 * np.clip(t / 2.2, 0, 1) ** 0.8          # the motors' whine rising
    phase = 2 * np.pi * np.cumsum(f) / RATE
    whine = (np.sin(phase) + 0.4 * np.sin(2 * phase)) * 0.25
    rumble = lowpass(noise(sec), 180) * 1.5
    x = whine + rumble
    for k, at in enumerate(np.arange(0.3, sec, 0.32)):
        place(x, clack(0.1, 700) * 0.6, at)
        place(x, clack(0.1, 650) * 0.5, at + 0.08)
    return x * np.minimum(1, t / 0.6)


def luger():
    x = np.zeros(int(0.9 * RATE))
    place(x, shot(0.8, 5000, 110, 0.09), 0.02)
    place(x, clack(0.05, 2000) * 0.2, 0.25)                 # the toggle snapping back
    return x


def taxi():
    sec = 2.4
    t = t_axis(sec)
    idle = np.sign(np.sin(2 * np.pi * 22 * t)) * 0.3 + np.sin(2 * np.pi * 44 * t) * 0.3
    engine = lowpass(idle + lowpass(noise(sec), 300) * 0.4, 400)
    x = engine * 0.9
    for at, dur in ((0.7, 0.28), (1.15, 0.45)):              # honk, honk
        h = t_axis(dur)
        horn = np.sign(np.sin(2 * np.pi * 380 * h)) * 0.5 + np.sign(np.sin(2 * np.pi * 478 * h)) * 0.5
        place(x, lowpass(horn, 2200) * 0.5 * np.minimum(1, h / 0.02), at)
    return x


def walking():
    sec = 3.0
    x = np.zeros(int(sec * RATE))
    for k, at in enumerate(np.arange(0.1, sec - 0.2, 0.48)):
        heel = bandpass(noise(0.09), 150, 1800) * env_exp(0.09, 0.018)
        toe = bandpass(noise(0.07), 300, 2500) * env_exp(0.07, 0.012) * 0.5
        place(x, heel * (0.9 if k % 2 else 1.0), at)
        place(x, toe, at + 0.06)
    return x + lowpass(noise(sec), 200) * 0.02


def ocean_liner():
    sec = 3.6
    t = t_axis(sec)
    x = np.zeros_like(t)
    for f0, a in ((73, 1.0), (110, 0.7)):
        for h in range(1, 9):
            x += a / h * np.sin(2 * np.pi * f0 * h * t + h)
    e = np.minimum(1, t / 0.25) * np.minimum(1, (sec - t) / 0.8)
    x = lowpass(x, 900) * e
    return x + lowpass(noise(sec), 150) * 0.2


def big_ben():
    sec = 4.0
    t = t_axis(sec)
    f0 = 165.0
    x = np.zeros_like(t)
    for ratio, amp, decay in ((0.5, 0.6, 2.8), (1.0, 1.0, 2.0), (1.19, 0.5, 1.4), (1.5, 0.4, 1.1),
                              (2.0, 0.5, 0.9), (2.52, 0.3, 0.6), (3.0, 0.2, 0.4), (4.1, 0.15, 0.25)):
        x += amp * np.sin(2 * np.pi * f0 * ratio * t) * np.exp(-t / decay)
    strike = bandpass(noise(0.05), 500, 4000) * env_exp(0.05, 0.01)
    place(x, strike * 0.5, 0)
    return x


def police_whistle():
    sec = 1.9
    x = np.zeros(int(sec * RATE))
    for at, dur in ((0.05, 0.75), (1.0, 0.8)):
        t = t_axis(dur)
        trill = 1 + 0.5 * np.sin(2 * np.pi * 28 * t)          # the pea rattling
        f = 2700 + 120 * np.sin(2 * np.pi * 28 * t)
        phase = 2 * np.pi * np.cumsum(f) / RATE
        tone = np.sin(phase) * trill + bandpass(noise(dur), 2000, 4000) * 0.15
        e = np.minimum(1, t / 0.03) * np.minimum(1, (dur - t) / 0.05)
        place(x, tone * e, at)
    return x


def ferry():
    sec = 3.5
    t = t_axis(sec)
    paddles = lowpass(noise(sec), 500) * (0.5 + 0.5 * np.sin(2 * np.pi * 1.6 * t) ** 2)
    engine = np.sin(2 * np.pi * 38 * t) * 0.3 * (0.6 + 0.4 * np.sign(np.sin(2 * np.pi * 3.2 * t)))
    water = bandpass(noise(sec), 200, 1200) * 0.25 * (0.7 + 0.3 * np.sin(2 * np.pi * 0.4 * t))
    x = paddles + lowpass(engine, 200) + water
    h = t_axis(1.2)
    horn = sum(np.sin(2 * np.pi * 220 * k * h) / k for k in range(1, 6))
    place(x, lowpass(horn, 1200) * 0.35 * np.minimum(1, h / 0.1) * np.minimum(1, (1.2 - h) / 0.3), 1.8)
    return x


def steam_train():
    sec = 3.0
    x = np.zeros(int(sec * RATE))
    for k, at in enumerate(np.arange(0.05, sec, 0.25)):
        place(x, chuff(0.22) * (1.0 if k % 2 == 0 else 0.7), at)
    h = t_axis(0.9)
    whistle = (np.sin(2 * np.pi * 620 * h) + 0.6 * np.sin(2 * np.pi * 780 * h) + 0.3 * np.sin(2 * np.pi * 930 * h))
    place(x, whistle * 0.25 * np.minimum(1, h / 0.05) * np.minimum(1, (0.9 - h) / 0.2), 1.6)
    return x + lowpass(noise(sec), 120) * 0.15


def pistol():
    return shot(0.55, 7000, 180, 0.06)


def steam_train_starting():
    sec = 4.5
    x = np.zeros(int(sec * RATE))
    hiss = highpass(noise(1.0), 2500) * np.exp(-t_axis(1.0) / 0.5) * 0.3
    place(x, hiss, 0)
    at, gap = 0.5, 0.9
    while at < sec - 0.3:
        place(x, chuff(min(0.4, gap * 0.8), 2000) * 1.1, at)
        at += gap
        gap = max(0.22, gap * 0.8)
    return x


def rails_clacking():
    sec = 3.2
    x = lowpass(noise(sec), 160) * 0.5
    for at in np.arange(0.1, sec - 0.3, 0.55):                # each rail joint: two bogies
        place(x, clack(0.12, 850), at)
        place(x, clack(0.12, 800) * 0.85, at + 0.13)
    return x


def inside_train():
    sec = 3.2
    t = t_axis(sec)
    x = lowpass(noise(sec), 250) * 1.2 * (0.85 + 0.15 * np.sin(2 * np.pi * 0.7 * t))
    for at in np.arange(0.2, sec - 0.3, 0.6):
        place(x, lowpass(clack(0.14, 500), 900) * 0.5, at)
        place(x, lowpass(clack(0.14, 480), 900) * 0.45, at + 0.15)
    rattle = bandpass(noise(sec), 1500, 3500) * 0.05 * (np.sin(2 * np.pi * 9 * t) > 0.6)
    return x + rattle


def steam_train_stops():
    sec = 4.0
    x = np.zeros(int(sec * RATE))
    at, gap = 0.05, 0.25
    while at < 2.0:
        place(x, chuff(0.2, 1800) * (1.0 - at / 2.5), at)
        at += gap
        gap *= 1.25
    h = t_axis(1.4)
    f = 3100 - 600 * h / 1.4                                   # brake squeal
    squeal = np.sin(2 * np.pi * np.cumsum(f) / RATE) * 0.25 * np.minimum(1, h / 0.1) * np.minimum(1, (1.4 - h) / 0.3)
    place(x, squeal, 1.0)
    hiss = highpass(noise(1.6), 2200) * np.minimum(1, t_axis(1.6) / 0.05) * np.exp(-t_axis(1.6) / 0.7) * 0.6
    place(x, hiss, 2.3)
    return x


def pistol_luger():
    x = np.zeros(int(2.6 * RATE))
    for at, kind in ((0.05, "L"), (0.45, "P"), (0.7, "L"), (1.25, "P"), (1.6, "P"), (1.9, "L")):
        s = shot(0.6, 5000, 110, 0.08) if kind == "L" else shot(0.5, 7000, 180, 0.06) * 0.8
        place(x, s, at)
    return x


MAKERS = {
    "TUBE_TRAIN": tube_train, "LUGER": luger, "TAXI": taxi, "WALKING": walking,
    "OCEAN_LINER": ocean_liner, "BIG_BEN": big_ben, "POLICEWHISTLE": police_whistle,
    "FERRY": ferry, "STEAM_TRAIN": steam_train, "PISTOL": pistol,
    "STEAM_TRAIN_STARTING": steam_train_starting, "TRAIN_RAILS_CLACKING": rails_clacking,
    "INSIDE_TRAIN": inside_train, "STEAM_TRAIN_STOPS": steam_train_stops, "PISTOL_LUGER": pistol_luger,
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, fn in SOUNDS:
        write(fn, MAKERS[name]())
    print("sounds written to", OUT)


if __name__ == "__main__":
    main()
