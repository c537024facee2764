#!/usr/bin/env python3
"""Loudspeaker wiring diagrams (130 x 250 px), written as SVG files.

Usage: haut-parleurs.py OUTPUT_FOLDER

Every drawing shares the same pieces: the amplifier box with its "+" and "-"
terminals at the top, the loudspeaker symbol (magnet, cone, "+" mark on the
upper terminal, letter on the right) and wires of 2 px. Each drawing below is
described by its wires, its junction dots and its loudspeakers, so the ten
pictures stay alike. Edit the coordinates here, then run scripts/make-pictures.
"""

import os
import sys

WIDTH, HEIGHT = 130, 250
INK = "#111111"
FONT = "DejaVu Sans"

# Amplifier terminals (x of the "+" and of the "-", y of both).
PLUS_X, MINUS_X, TERM_Y = 12, 118, 32
# Left and right speaker columns when two stand side by side; the single column.
COL_L, COL_R, COL_MID = 36, 80, 58


class Drawing:
    def __init__(self):
        self.parts = []

    def wire(self, *points):
        pts = " ".join(f"{x},{y}" for x, y in points)
        self.parts.append(f'<polyline points="{pts}" class="w"/>')

    def dot(self, x, y):
        self.parts.append(f'<circle cx="{x}" cy="{y}" r="3" fill="{INK}"/>')

    def speaker(self, cx, cy, letter):
        """Loudspeaker; its terminals are (cx, cy - 9) at the top ("+") and (cx, cy + 9)."""
        self.parts.append(
            f'<rect x="{cx - 5}" y="{cy - 9}" width="10" height="18" class="magnet"/>'
            f'<polygon points="{cx + 5},{cy - 9} {cx + 14},{cy - 16} {cx + 14},{cy + 16} '
            f'{cx + 5},{cy + 9}" class="cone"/>'
            f'<text x="{cx - 9}" y="{cy - 9}" class="pol">+</text>'
            f'<text x="{cx + 17}" y="{cy + 5}" class="name">{letter}</text>'
        )

    def svg(self):
        head = f"""<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" viewBox="0 0 {WIDTH} {HEIGHT}">
<style>
  text {{ font-family: '{FONT}'; fill: {INK}; }}
  .w {{ fill: none; stroke: {INK}; stroke-width: 2; stroke-linejoin: round; stroke-linecap: round; }}
  .magnet {{ fill: #c9d3de; stroke: {INK}; stroke-width: 2; }}
  .cone {{ fill: #ffffff; stroke: {INK}; stroke-width: 2; stroke-linejoin: round; }}
  .pol {{ font-size: 12px; font-weight: bold; text-anchor: middle; }}
  .name {{ font-size: 13px; font-weight: bold; }}
  .amp {{ font-size: 13px; font-weight: bold; text-anchor: middle; }}
</style>
<rect width="{WIDTH}" height="{HEIGHT}" fill="#ffffff"/>
<rect x="4" y="4" width="{WIDTH - 8}" height="{TERM_Y - 4}" rx="3" fill="#eef1f4" stroke="{INK}" stroke-width="2"/>
<text x="{WIDTH / 2}" y="23" class="amp">Ampli</text>
<text x="{PLUS_X + 4}" y="24" class="amp">+</text>
<text x="{MINUS_X - 4}" y="24" class="amp">\u2212</text>
"""
        tail = (
            f'<circle cx="{PLUS_X}" cy="{TERM_Y}" r="3.5" fill="#ffffff" stroke="{INK}" stroke-width="2"/>\n'
            f'<circle cx="{MINUS_X}" cy="{TERM_Y}" r="3.5" fill="#ffffff" stroke="{INK}" stroke-width="2"/>\n'
            "</svg>\n"
        )
        return head + "\n".join(self.parts) + "\n" + tail


def from_plus(d, y, x_end):
    """Wire from the "+" terminal down to height y, then right to x_end."""
    d.wire((PLUS_X, TERM_Y), (PLUS_X, y), (x_end, y))


def to_minus(d, x_start, y):
    """Wire from (x_start, y) right to the "-" column, then up to the "-" terminal."""
    d.wire((x_start, y), (MINUS_X, y), (MINUS_X, TERM_Y))


def series(letters, top, step):
    """Speakers one under the other in a single column, "+" of each to "-" of the one above."""
    d = Drawing()
    centres = [top + 32 + i * step for i in range(len(letters))]
    from_plus(d, top, COL_MID)
    d.wire((COL_MID, top), (COL_MID, centres[0] - 9))
    for a, b in zip(centres, centres[1:]):
        d.wire((COL_MID, a + 9), (COL_MID, b - 9))
    bottom = centres[-1] + 28
    d.wire((COL_MID, centres[-1] + 9), (COL_MID, bottom))
    to_minus(d, COL_MID, bottom)
    for letter, cy in zip(letters, centres):
        d.speaker(COL_MID, cy, letter)
    return d


def parallel_row(d, top, letters, last):
    """One rung of the ladder: "+" bus at top, speakers side by side, "-" bus below.

    The "+" rail runs down the left edge, the "-" rail up the right edge; `last`
    tells whether the rails end at this rung (a corner) or go on (a junction)."""
    cols = [COL_L, COL_R][: len(letters)]
    cy, bottom = top + 32, top + 62
    d.wire((PLUS_X, top), (cols[-1], top))
    d.wire((cols[0], bottom), (MINUS_X, bottom))
    for x in cols:
        d.wire((x, top), (x, cy - 9))
        d.wire((x, cy + 9), (x, bottom))
    if len(cols) == 2:
        d.dot(cols[0], top)
        d.dot(cols[1], bottom)
    if not last:
        d.dot(PLUS_X, top)
        d.dot(MINUS_X, bottom)
    for x, letter in zip(cols, letters):
        d.speaker(x, cy, letter)
    return bottom


def parallel(rows, top, gap):
    d = Drawing()
    tops = []
    y = top
    for i, letters in enumerate(rows):
        tops.append(y)
        bottom = parallel_row(d, y, letters, i == len(rows) - 1)
        y = bottom + gap
    d.wire((PLUS_X, TERM_Y), (PLUS_X, tops[-1]))
    d.wire((MINUS_X, bottom), (MINUS_X, TERM_Y))
    return d


def pair(d, top, first, second):
    """Two speakers in parallel between a bus at `top` and a bus 62 px lower."""
    cy, bottom = top + 32, top + 62
    d.wire((COL_L, top), (COL_R, top))
    d.wire((COL_L, bottom), (COL_R, bottom))
    for x in (COL_L, COL_R):
        d.wire((x, top), (x, cy - 9))
        d.wire((x, cy + 9), (x, bottom))
    d.speaker(COL_L, cy, first)
    d.speaker(COL_R, cy, second)
    return bottom


def hybrid_3a():
    """A parallel B; that pair in series with C."""
    d = Drawing()
    top = 58
    from_plus(d, top, COL_L)
    d.dot(COL_L, top)
    mid = pair(d, top, "A", "B")
    d.dot(COL_MID, mid)
    cy = mid + 58
    d.wire((COL_MID, mid), (COL_MID, cy - 9))
    bottom = cy + 38
    d.wire((COL_MID, cy + 9), (COL_MID, bottom))
    to_minus(d, COL_MID, bottom)
    d.speaker(COL_MID, cy, "C")
    return d


def branches(left, right, top, step):
    """Two branches in parallel, each a column of speakers in series."""
    d = Drawing()
    from_plus(d, top, COL_R)
    d.dot(COL_L, top)
    count = max(len(left), len(right))
    first = top + 32
    last = first + (count - 1) * step
    bottom = last + 32
    for x, letters in ((COL_L, left), (COL_R, right)):
        if len(letters) == count:
            centres = [first + i * step for i in range(count)]
        else:  # a single speaker, centred along the longer branch
            centres = [(first + last) // 2]
        d.wire((x, top), (x, centres[0] - 9))
        for a, b in zip(centres, centres[1:]):
            d.wire((x, a + 9), (x, b - 9))
        d.wire((x, centres[-1] + 9), (x, bottom))
        for letter, cy in zip(letters, centres):
            d.speaker(x, cy, letter)
    d.wire((COL_L, bottom), (COL_R, bottom))
    to_minus(d, COL_R, bottom)
    d.dot(COL_R, bottom)
    return d


def hybrid_4a():
    """A parallel B, C parallel D; the two pairs in series."""
    d = Drawing()
    top = 54
    from_plus(d, top, COL_L)
    d.dot(COL_L, top)
    mid1 = pair(d, top, "A", "B")
    mid2 = mid1 + 36
    d.wire((COL_MID, mid1), (COL_MID, mid2))
    d.dot(COL_MID, mid1)
    d.dot(COL_MID, mid2)
    bottom = pair(d, mid2, "C", "D")
    to_minus(d, COL_R, bottom)
    d.dot(COL_R, bottom)
    return d


DRAWINGS = {
    "2series": lambda: series("AB", 64, 84),
    "3series": lambda: series("ABC", 52, 62),
    "4series": lambda: series("ABCD", 44, 46),
    "2paralleles": lambda: parallel(["AB"], 104, 0),
    "3paralleles": lambda: parallel(["AB", "C"], 54, 38),
    "4paralleles": lambda: parallel(["AB", "CD"], 54, 38),
    "3hybride-vA": hybrid_3a,
    "3hybride-vB": lambda: branches("AB", "C", 58, 80),
    "4hybride-vA": hybrid_4a,
    "4hybride-vB": lambda: branches("AC", "BD", 58, 80),
}


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: haut-parleurs.py OUTPUT_FOLDER")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, build in DRAWINGS.items():
        with open(os.path.join(out, name + ".svg"), "w", encoding="utf-8") as f:
            f.write(build().svg())


if __name__ == "__main__":
    main()
