#!/usr/bin/python3
"""A quick random-walk check of the generated book, run by the authors
while writing (the reader's own tests drive the real engine).

Plays the book many times from paragraph 2, picking every choice at random
(answers drawn from the accepted ones and from wrong ones), and reports the
paragraphs with text that no play reached, pages where a play got stuck,
and how often each ending was reached.

    tools/bookgen/walk.py [PLAYS] [SEED] [BIAS]
    tools/bookgen/walk.py --walkthrough     plays the scripted walkthroughs

BIAS is how often a play prefers a choice that leads to a scene rather
than to a place page (0 to 1).
"""

import os
import random
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
BOOK = os.path.normpath(os.path.join(HERE, "..", "..", "books", "demo"))
sys.path.insert(0, HERE)
from variables import VARIABLES  # noqa: E402

COUNTS = [len(v[2]) for v in VARIABLES]
ENDINGS = range(780, 786)


def load():
    paras = {}
    cur = None
    for fn in sorted(os.listdir(os.path.join(BOOK, "text"))):
        for line in open(os.path.join(BOOK, "text", fn), encoding="utf-8"):
            if line.startswith("@@"):
                continue
            if line.startswith("@"):
                cur = int(line[1:].split()[0])
                paras[cur] = []
                continue
            if cur is not None:
                paras[cur] += line.split()
    return {k: " ".join(v) + " " if v else "" for k, v in paras.items()}


class Game:
    def __init__(self, paras, rnd):
        self.paras = paras
        self.rnd = rnd
        self.val = [0] * len(VARIABLES)
        self.flag = [0] * len(VARIABLES)
        self.rp = [[0, 402, None] for _ in range(5)]
        self.current = 2
        self.shown = 2
        self.on_current = True

    # ---------------------------------------------------------- conditions
    def cond(self, s):
        toks = re.findall(r"\(|\)|!|&|\||%\d+|\d+|=|x|y|X", s)
        pos = [0]

        def peek():
            return toks[pos[0]] if pos[0] < len(toks) else None

        def take():
            pos[0] += 1
            return toks[pos[0] - 1]

        def term():
            t = take()
            if t == "!":
                return not term()
            assert t == "(", s
            if peek() == "X":
                take()
                v = int(take()[1:])
                take()
                return bool(self.flag[v])
            if peek() == "(" or peek() == "!":
                r = chain()
                assert take() == ")", s
                return r
            v = int(take()[1:])
            op = take()
            rhs = take()
            rv = self.val[int(rhs[1:])] if rhs.startswith("%") else int(rhs)
            take()
            lv = self.val[v]
            return lv == rv if op == "=" else lv > rv if op == "x" else lv < rv

        def chain():
            r = term()
            while peek() in ("&", "|"):
                op = take()
                r2 = term()
                r = (r and r2) if op == "&" else (r or r2)
            return r
        return chain()

    # ------------------------------------------------------------ a page
    def run(self, n):
        text = self.paras.get(n)
        if not text:
            raise RuntimeError("paragraph %d has no text" % n)
        hot = []
        i = 0
        last = True
        skip = False
        while i < len(text):
            c = text[i]
            if c == "}":
                skip = False
                i += 1
                continue
            if skip or c != "<":
                i += 1
                continue
            j = text.index(">", i)
            tag = text[i + 1:j]
            i = j + 1
            L = tag[0]
            lm = re.search(r'"([^"]*)"', tag)
            self.label = lm.group(1) if lm else tag
            if L == "O":
                last = self.cond(tag[1:])
                skip = not last
            elif L == "o":
                if last:
                    skip = True
                else:
                    last = self.cond(tag[1:])
                    skip = not last
            elif L == "E":
                skip = bool(last)
            elif L in "MgmNQRr":
                m = re.match(r'[MgmNQRr] ?(?:%(\d+) ?(z|%\d+|-?\d+)? ?)?(?:"([^"]*)"|\$?(\d+))? ?(-?\d+)?$', tag)
                if L in "MgmNQ" and L not in "NQ":
                    m2 = re.match(r'[Mgm] ?(?:"[^"]*"|\$?\d+) ?(-?\d+)', tag)
                    hot.append((L, None, None, int(m2.group(1)), self.label))
                    continue
                var = int(m.group(1))
                if L in "NQ":
                    if m.group(3) is None and m.group(4) is None:
                        self.flag[var] = 1 if L == "N" else 0
                    else:
                        hot.append((L, var, None, int(m.group(5)), self.label))
                    continue
                x = m.group(2)
                if x == "z":
                    x = self.rnd.randrange(32768) % COUNTS[var]
                elif x.startswith("%"):
                    x = self.val[int(x[1:])]
                else:
                    x = int(x)
                    if L == "r":
                        x += self.val[var]
                        if x < 0:
                            x = 0
                x = min(x, COUNTS[var] - 1)
                if m.group(3) is None and m.group(4) is None:
                    self.val[var] = x & 255
                else:
                    hot.append(("R", var, x, int(m.group(5)), self.label))
            elif L in "Ld":
                nums = re.findall(r"\((\d+)\) (\d+)", tag)
                default = int(tag.split()[-1])
                hot.append((L, None, [(int(a), int(t)) for a, t in nums], default, self.label))
            elif L == "S":
                ans = re.findall(r"\(([^)]*)\) (\d+)", tag)
                default = int(tag.split()[-1])
                hot.append(("S", None, [(a, int(t)) for a, t in ans], default, self.label))
            elif L == "s":
                k = int(tag.split("*")[1])
                self.rp[k] = [1, self.shown - 1, (list(self.val), list(self.flag))]
            elif L == "u":
                k = int(tag.split("*")[1].split()[0])
                if not self.rp[k][0]:
                    skip = True
                else:
                    hot.append(("u", k, None, None, self.label))
            elif L in "np":
                hot.append(("n" if L == "n" else "p", None, None, int(tag.split()[1]), "<%s>" % L))
        return hot

    def goto(self, n, mode):
        if mode == 1 or (mode == 0 and self.on_current):
            self.current = self.shown = n
            self.on_current = True
        else:
            self.shown = n
            self.on_current = False

    def take(self, h, roll=None, typed=None):
        kind, idx, data, target = h[:4]
        if kind in "MN QR":
            if kind == "N":
                self.flag[idx] = 1
            elif kind == "Q":
                self.flag[idx] = 0
            elif kind == "R":
                self.val[idx] = data & 255
            self.goto(target + 1, 0)
        elif kind == "m":
            self.goto(target + 1, 1)
        elif kind == "g":
            self.goto(target + 1, 2)
        elif kind in "np":
            self.goto(target + 1, 0)
        elif kind in "Ld":
            if roll is None:
                roll = self.rnd.randint(1, 20 if kind == "L" else 100)
            if kind == "L":
                dest = data[0][1] if roll <= data[0][0] else target
            else:
                dest, acc = target, 0
                for a, t in data:
                    acc += a
                    if roll <= acc:
                        dest = t
                        break
            self.goto(dest + 1, 0)
        elif kind == "S":
            opts = [a for a, t in data] + ["wrong", ""]
            if typed is None:
                typed = self.rnd.choice(opts)
            dest = target
            for a, t in data:
                if typed and a.replace(" ", "").upper() == typed.replace(" ", "").upper():
                    dest = t
                    break
            self.goto(dest + 1, 0)
        elif kind == "u":
            on, para, snap = self.rp[idx]
            self.val, self.flag = list(snap[0]), list(snap[1])
            self.goto(para + 1, 1)


def play_script(paras, steps, verbose=False):
    """Plays one scripted game.  Each step is the start of a hotword label
    on the page shown ("@k" picks the k-th of several, counted from 0;
    "=roll" gives a chance button's roll, "=answer" an answer field's text),
    or "Rtrn", or "#N" to look up paragraph N
    from the menu.  Returns the game."""
    g = Game(paras, random.Random(0))
    for step in steps:
        hot = g.run(g.shown)
        if verbose:
            print("%4d %s" % (g.shown, paras[g.shown][:60]))
        if step == "Rtrn":
            g.shown, g.on_current = g.current, True
            continue
        if step.startswith("#"):
            g.goto(int(step[1:]), 2)
            continue
        label, _, extra = step.partition("=")
        label, _, nth = label.partition("@")
        found = [h for h in hot if h[4].startswith(label)]
        if len(found) <= (int(nth) if nth else 0):
            raise SystemExit("paragraph %d: no choice %r among %s" % (g.shown, step, [h[4] for h in hot]))
        h = found[int(nth) if nth else 0]
        if h[0] in "Ld":
            g.take(h, roll=int(extra) if extra else 1)
        elif h[0] == "S":
            g.take(h, typed=extra)
        else:
            g.take(h)
    g.run(g.shown)
    return g


def main():
    if sys.argv[1:2] == ["--walkthrough"]:
        walkthroughs()
        return
    plays = int(sys.argv[1]) if len(sys.argv) > 1 else 300
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 1
    bias = float(sys.argv[3]) if len(sys.argv) > 3 else 0.5
    paras = load()
    rnd = random.Random(seed)
    reached = set()
    endings = {}
    stuck = {}
    for play in range(plays):
        g = Game(paras, rnd)
        for step in range(3000):
            reached.add(g.shown)
            hot = g.run(g.shown)
            if g.shown in ENDINGS and rnd.random() < 0.7:
                endings[g.shown] = endings.get(g.shown, 0) + 1
                break
            r = rnd.random()
            if not g.on_current and (not hot or r < 0.3):
                g.shown = g.current          # Rtrn
                g.on_current = True
                continue
            if r < 0.03:
                g.goto(6, 2)                 # Information
                continue
            if r < 0.04:
                g.goto(3, 2)                 # Restart
                continue
            if r < 0.05:
                g.goto(rnd.choice((4, 5, 7)), 2)   # the other side pages
                continue
            if not hot:
                stuck[g.shown] = stuck.get(g.shown, 0) + 1
                break
            story = [h for h in hot if h[3] is not None and not 403 <= h[3] <= 762 and h[0] != "n"]
            if story and rnd.random() < bias:
                g.take(rnd.choice(story))
            else:
                g.take(rnd.choice(hot))
    text = {k for k, v in paras.items() if v}
    missing = sorted(text - reached)
    print("plays %d, paragraphs reached %d of %d" % (plays, len(reached & text), len(text)))
    print("endings", dict(sorted(endings.items())))
    if stuck:
        print("stuck on", stuck)
    print("not reached (%d):" % len(missing), missing)



# The walkthrough to the best ending, step by step.
TRIUMPH = [
    "Begin", "Get up",
    "Go down to breakfast", "Promise her", "Finish your tea",
    "Angel Station", "Bank Station", "Greaves & Pollard", "Wait here", "Go to Mr Greaves", "Tell him about", "Thank him",
    "Read the claim file", "Copy the manifest", "Put the file away",
    "The Crane Line Offices", "Go in and ask", "Promise", "Leave quietly",
    "Fenchurch Street Station", "Tower Hill", "Wapping High Street",
    "Bank Station", "Tower Hill", "Wapping High Street", "The Anchor and Hope",
    "Wait for Ned", "Slip out=1", "Walk on", "Walk home", "Go to bed", "Sleep",
    # Tuesday
    "Get dressed", "London Bridge Station", "Sole & Daughter", "Wait here", "Show the ticket", "S=Ned Ferris",
    "Pay the ten", "Go out into the street", "Temple Station", "Fleet Street", "Ask Pell to develop",
    "Ask for his card", "Go", "Westminster Station", "Whitehall", "New Scotland Yard", "Ask to see a detective",
    "Go", "Victoria Station", "The Left-Luggage Office", "Hand over", "Run for it=10", "Go on",
    "Walk home", "Go to bed", "Sleep",
    # Wednesday
    "Get dressed", "Woolwich Arsenal Station", "The Woolwich Ferry, South Pier", "Cross on the ferry",
    "Borrow his oilskin", "Go ashore", "Harker's Bonded Warehouse", "Wait here", "Watch the gate", "Go",
    "Tower Hill", "Bank Station", "Woolwich Arsenal Station",
    "Harker's Bonded Warehouse", "Climb the fence", "Pick the lock=1", "Run=10", "Go",
    "Walk home", "Go to bed", "Sleep",
    # Thursday
    "Get dressed", "Victoria Station", "Clara's Lodgings", "Ring Clara's bell", "Take her letter", "Go",
    "Bank Station", "Greaves & Pollard", "Wait here", "Ask Mr Greaves to stop", "Go",
    "Piccadilly Circus", "Victoria Station", "Hyde Park Corner", "Curzon Street", "Find a way into", "Try the coal hole=1", "Go on", "Go home",
    "Bank Station", "Greaves & Pollard", "The Crane Line Offices", "Let yourself in", "S=9 27 14 3",
    "Slip out past=1", "Go", "Walk home", "Go to bed", "Sleep",
    # Friday
    "Go downstairs", "Westminster Station", "Whitehall", "New Scotland Yard", "Wait here", "Put the ledger", "Go",
    "London Bridge Station", "Borough Market", "The Elephant and Castle", "Waterloo Station",
    "Go to the booking office", "Show Pell's press card", "Go",
    "Westminster Station", "The Lambeth Walk", "Waterloo Station", "Go to the platform", "Go to Hollis",
    "Board with Hollis", "Settle into", "Walk along the corridor", "Wait for him=1", "Open the trunk",
    "Go on", "Go on", "Hurry to the quay", "Go aboard and find", "Let Hollis answer", "Go home",
]

# Caught at the safe on Thursday night, then back to Thursday morning by the
# Restart page, and on to the end by the same road as above.
_cut = TRIUMPH.index("Slip out past=1")
_thursday = [i for i, s in enumerate(TRIUMPH) if s == "Get dressed"][2]
ARRESTED = (TRIUMPH[:_cut] + ["Slip out past=20", "Go on", "Go back to a morning", "Go back to@3"]
            + TRIUMPH[_thursday:])


def walkthroughs():
    paras = load()
    for name, script in (("triumph", TRIUMPH), ("arrested, then Thursday again", ARRESTED)):
        g = play_script(paras, script)
        print("%-30s ends on paragraph %d: %s" % (name, g.shown, paras[g.shown].split("<J>")[0][3:]))


if __name__ == "__main__":
    main()
