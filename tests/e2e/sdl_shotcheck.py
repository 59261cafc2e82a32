#!/usr/bin/env python3
"""Checks a screenshot (binary PPM) of velkaro against what the program must
show. Prints one line per finding; exits 1 when a check fails.

  sdl_shotcheck.py start  SHOT
  sdl_shotcheck.py style  SHOT STYLE MODE_W MODE_H
  sdl_shotcheck.py clusters SHOT
  sdl_shotcheck.py hosted SHOT X Y W H

"hosted" expects the start picture inside the window at (X, Y), W x H, and
nothing but black around it.

The picture of mode MODE_W x MODE_H is expected where the back end puts it on
the screen: as large as fits, 4:3 for 320x200 and 640x400, its own shape
otherwise, centred between black bars. Picture pixels are compared at the
middle of the screen pixels that show them.
"""
import sys

# Shared palette: index bits RRRGGGBB.
LEVEL8 = (0, 32, 64, 96, 128, 160, 192, 255)
LEVEL4 = (0, 64, 128, 255)


def colour(i):
    return (LEVEL8[(i >> 5) & 7], LEVEL8[(i >> 2) & 7], LEVEL4[i & 3])


BLACK, WHITE = colour(0), colour(255)
YELLOW = colour(252)
# Indices the card pictures and captions use.
ART = {colour(i) for i in (0, 3, 7, 9, 10, 16, 146, 210, 218, 219, 252, 254, 255)}
STYLE_FILL = {1: 128, 2: 16, 3: 2, 4: 224, 5: 28, 6: 3}

DIGITS = {
    0: ("###", "#.#", "#.#", "#.#", "###"),
    1: ("..#", "..#", "..#", "..#", "..#"),
    2: ("###", "..#", "###", "#..", "###"),
    3: ("###", "..#", "###", "..#", "###"),
    4: ("#.#", "#.#", "###", "..#", "..#"),
    5: ("###", "#..", "###", "..#", "###"),
    6: ("###", "#..", "###", "#.#", "###"),
    7: ("###", "..#", "..#", "..#", "..#"),
    8: ("###", "#.#", "###", "#.#", "###"),
    9: ("###", "#.#", "###", "..#", "###"),
}


class Shot:
    def __init__(self, path):
        data = open(path, "rb").read()
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise SystemExit("%s: not an 8-bit binary PPM" % path)
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:pos + 1 + 3 * self.width * self.height]

    def crop(self, x, y, w, h):
        part = Shot.__new__(Shot)
        part.width, part.height = w, h
        part.pixels = b"".join(self.pixels[3 * ((y + r) * self.width + x):3 * ((y + r) * self.width + x + w)]
                               for r in range(h))
        return part

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])


def picture_rect(w, h, sw, sh):
    num, den = (4, 3) if (w, h) in ((320, 200), (640, 400)) else (w, h)
    if sw * den >= sh * num:
        rh, rw = sh, (2 * sh * num + den) // (2 * den)
    else:
        rw, rh = sw, (2 * sw * den + num) // (2 * num)
    return (sw - rw) // 2, (sh - rh) // 2, rw, rh


def span_middle(p, origin, extent, size):
    lo = -(-p * extent // size)
    hi = -(-(p + 1) * extent // size)
    return origin + (lo + hi - 1) // 2


class Checks:
    def __init__(self):
        self.failed = 0

    def expect(self, ok, text):
        print(("ok   " if ok else "BAD  ") + text)
        if not ok:
            self.failed += 1


def panel_row(mode_w, mode_h, fill):
    """Picture pixels of the panel's bottom row: width and height, whose
    cells the cards can never cover. Returns {(x, y): colour}."""
    expected = {}
    top = mode_h - 24
    for x in range(mode_w - 72, mode_w):
        for y in range(top, top + 12):
            expected[(x, y)] = WHITE if x == mode_w - 1 else fill
    for value, left in ((mode_w, mode_w - 72), (mode_h, mode_w - 40)):
        # Each number restores its eight cells before drawing its digits.
        for x in range(left, min(left + 64, mode_w)):
            for y in range(top, top + 12):
                expected[(x, y)] = WHITE if x == mode_w - 1 else fill
        for i, ch in enumerate(str(value)[:8]):
            cx = left + 8 * i
            if cx + 8 > mode_w:
                break
            for r, row in enumerate(DIGITS[int(ch)]):
                for c, mark in enumerate(row):
                    if mark == "#":
                        for dx in (0, 1):
                            for dy in (0, 1):
                                expected[(cx + 1 + 2 * c + dx, top + 1 + 2 * r + dy)] = WHITE
    return expected


def check_start(shot, c, scale=1.0):
    """scale: the picture's size on screen against 800x600, for the
    thresholds that count pixels."""
    counts = {}
    for i in range(0, len(shot.pixels), 3):
        px = tuple(shot.pixels[i:i + 3])
        counts[px] = counts.get(px, 0) + 1
    total = shot.width * shot.height
    stray = {k: v for k, v in counts.items() if k not in ART}
    c.expect(not stray, "only card and caption colours on black (stray: %s)" % sorted(stray.items())[:5])
    c.expect(counts.get(colour(227), 0) == 0, "no transparent magenta shows")
    c.expect(counts.get(BLACK, 0) >= total * 0.97, "black background (%d of %d)" % (counts.get(BLACK, 0), total))
    c.expect(counts.get(YELLOW, 0) >= 150 * scale * scale, "caption letters (%d yellow pixels)" % counts.get(YELLOW, 0))
    groups = clusters(shot, max(4, round(16 * scale)))
    c.expect(len(groups) == 3 and min(groups) >= 30 * scale * scale,
             "three cards, each with its caption (caption pixels per group: %s)" % groups)


def clusters(shot, cell=16):
    """Groups of non-black pixels, joined when closer than a cell (a card
    and its caption make one), each with its number of caption pixels."""
    marked = {}
    for y in range(shot.height):
        row = y * shot.width * 3
        for x in range(shot.width):
            i = row + 3 * x
            px = (shot.pixels[i], shot.pixels[i + 1], shot.pixels[i + 2])
            if px != BLACK:
                key = (x // cell, y // cell)
                marked[key] = marked.get(key, 0) + (px == YELLOW)
    groups, seen = [], set()
    for start in marked:
        if start in seen:
            continue
        yellow = 0
        stack = [start]
        seen.add(start)
        while stack:
            cx, cy = stack.pop()
            yellow += marked[(cx, cy)]
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    n = (cx + dx, cy + dy)
                    if n in marked and n not in seen:
                        seen.add(n)
                        stack.append(n)
        groups.append(yellow)
    return groups


def check_style(shot, c, style, mode_w, mode_h):
    fill = colour(STYLE_FILL[style])
    rx, ry, rw, rh = picture_rect(mode_w, mode_h, shot.width, shot.height)
    sx = [span_middle(p, rx, rw, mode_w) for p in range(mode_w)]
    sy = [span_middle(p, ry, rh, mode_h) for p in range(mode_h)]

    bad = [(x, y) for (x, y), want in panel_row(mode_w, mode_h, fill).items() if shot.at(sx[x], sy[y]) != want]
    c.expect(not bad, "panel shows %d and %d at their places (%d wrong pixels, first %s)"
             % (mode_w, mode_h, len(bad), bad[:3]))

    edges = [(x, 0) for x in range(mode_w)] + [(x, mode_h - 1) for x in range(mode_w)]
    edges += [(0, y) for y in range(mode_h)] + [(mode_w - 1, y) for y in range(mode_h)]
    white = sum(shot.at(sx[x], sy[y]) == WHITE for x, y in edges)
    c.expect(white >= len(edges) * 0.9, "one-pixel white frame (%d of %d edge pixels)" % (white, len(edges)))
    inner = [(x, y) for x in (1, mode_w - 2) for y in range(1, mode_h - 1)]
    inner += [(x, y) for y in (1, mode_h - 2) for x in range(1, mode_w - 1)]
    filled = sum(shot.at(sx[x], sy[y]) == fill for x, y in inner)
    c.expect(filled >= len(inner) * 0.9, "frame is one pixel wide (%d of %d pixels inside it are fill)"
             % (filled, len(inner)))

    samples = [(x, y) for x in range(0, mode_w, 3) for y in range(0, mode_h, 3)]
    filled = sum(shot.at(sx[x], sy[y]) == fill for x, y in samples)
    c.expect(filled >= len(samples) * 0.9, "fill colour %s (%d of %d samples)" % (fill, filled, len(samples)))

    bars = [(x, y) for y in range(0, shot.height, 4) for x in range(0, shot.width, 2)
            if not (rx <= x < rx + rw and ry <= y < ry + rh)]
    black = sum(shot.at(x, y) == BLACK for x, y in bars)
    c.expect(black == len(bars), "bars outside (%d, %d, %d, %d) are black (%d of %d samples)"
             % (rx, ry, rw, rh, black, len(bars)))
    # The picture's own edges reach the bars: no stray scaling margin.
    c.expect(shot.at(rx, sy[mode_h // 2]) == WHITE and shot.at(rx + rw - 1, sy[mode_h // 2]) == WHITE
             and shot.at(sx[mode_w // 2], ry) in ART and shot.at(sx[mode_w // 2], ry + rh - 1) in ART,
             "picture spans the rectangle edge to edge")


def check_hosted(shot, c, x, y, w, h):
    outside = 0
    for sy in range(shot.height):
        for sx in range(shot.width):
            if not (x <= sx < x + w and y <= sy < y + h) and shot.at(sx, sy) != BLACK:
                outside += 1
    c.expect(outside == 0, "nothing drawn outside the window (%d pixels)" % outside)
    rx, ry, rw, rh = picture_rect(800, 600, w, h)
    check_start(shot.crop(x, y, w, h), c, rw / 800)


def main(argv):
    if len(argv) < 3:
        raise SystemExit(__doc__)
    what, shot = argv[1], Shot(argv[2])
    c = Checks()
    if what == "start":
        check_start(shot, c)
    elif what == "clusters":
        print(clusters(shot))
        return 0
    elif what == "hosted":
        check_hosted(shot, c, *(int(v) for v in argv[3:7]))
    elif what == "style":
        check_style(shot, c, int(argv[3]), int(argv[4]), int(argv[5]))
    else:
        raise SystemExit(__doc__)
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
