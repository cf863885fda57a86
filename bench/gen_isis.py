#!/usr/bin/env python3
"""Writes an ISIS .dat file of many river sections with plan coordinates,
for timing an ISIS-mode run:

    python3 bench/gen_isis.py big.dat [sections] [points]

Defaults: 10,000 sections of 50 points, LEFT on point 6 and RIGHT on point 45.
A small projection layer is written beside it as proj.mif/proj.mid.
"""

import math
import os
import sys


def main() -> None:
    out = sys.argv[1] if len(sys.argv) > 1 else "big.dat"
    sections = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    points = int(sys.argv[3]) if len(sys.argv) > 3 else 50
    left, right = 6, points - 5
    rows = ["Benchmark model", "#REVISION#1", "         1     0.750     0.900", "END GENERAL"]
    for s in range(1, sections + 1):
        rows += ["RIVER Bench (CH %d)" % (s * 10), "SECTION", "BENCH_%06d" % s,
                 "    10.000              0.0001      1000", "%10d" % points]
        e0, n0 = 400000.0 + 7.0 * s, 300000.0 + 3.0 * s
        for p in range(1, points + 1):
            x = (p - 1) * 1.5
            z = 20.0 - 8.0 * math.sin(math.pi * (p - 1) / (points - 1))
            n = 0.035 if left <= p < right else 0.06
            marker = "LEFT" if p == left else "RIGHT" if p == right else ""
            panel = "*" if p in (left, right) else " "
            rows.append("%10.3f%10.3f%10.3f%s%9.3f%-10s%10.2f%10.2f"
                        % (x, z, n, panel, 1.0, marker, e0 + 0.8 * x, n0 + 0.6 * x))
    rows += ["INITIAL CONDITIONS", "GISINFO"]
    with open(out, "w", newline="") as f:
        f.write("\r\n".join(rows) + "\r\n")
    folder = os.path.dirname(os.path.abspath(out))
    with open(os.path.join(folder, "proj.mif"), "w", newline="") as f:
        f.write("\r\n".join(["Version 300", 'Charset "WindowsLatin1"', 'Delimiter ","',
                             'CoordSys NonEarth Units "m" Bounds (0, 0) (1000000, 1000000)',
                             "Columns 1", "  ID Integer", "Data", ""]) + "\r\n")
    with open(os.path.join(folder, "proj.mid"), "w", newline="") as f:
        f.write("")


if __name__ == "__main__":
    main()
