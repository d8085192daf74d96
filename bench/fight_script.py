#!/usr/bin/env python3
"""Writes the benchmark fight as a headless script: 3,000 frames, weapons 1..8 in turn (375 frames
each) with fire held, the player walking right and left, jumping now and then and aiming up and down.
Measured with callgrind against the same run with --frames 0 (bench/README of the frame's cost):

    bench/fight_script.py > fight.txt
    valgrind --tool=callgrind build/vexlot --headless --seed 1 --script fight.txt
"""
lines = ["1 down 18"]  # Alt: fire held all through
for w in range(8):
    start = 1 + w * 375
    lines.append("%d char %d" % (start, 49 + w))
    walk = 39 if w % 2 == 0 else 37
    lines.append("%d down %d" % (start + 1, walk))
    lines.append("%d up %d" % (start + 200, walk))
    lines.append("%d down 38" % (start + 100))
    lines.append("%d up 38" % (start + 110))
    lines.append("%d down 188" % (start + 220))
    lines.append("%d up 188" % (start + 260))
    lines.append("%d down 190" % (start + 280))
    lines.append("%d up 190" % (start + 330))
print("\n".join(lines))
