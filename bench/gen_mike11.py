#!/usr/bin/env python3
"""Writes a MIKE 11 model for timing a MIKE 11-mode run:

    python3 bench/gen_mike11.py folder [sections] [points]

Defaults: 5,000 cross-sections of 30 points (left bank marker on point 5,
right bank marker on point 26) on a network of 50,000 points in 50 meandering
branches of 1,000 points each, with two bed resistance entries per branch.
Writes model.nwk11, model.hd11, xs.txt and a projection layer proj.mif/.mid
into the folder; run it there with

    kestrix -M -m11 proj.mif xs.txt model.nwk11 model.hd11
"""

import math
import os
import sys

BRANCHES = 50
SPACING = 10.0  # chainage between network points


def main() -> None:
    folder = sys.argv[1] if len(sys.argv) > 1 else "m11bench"
    sections = int(sys.argv[2]) if len(sys.argv) > 2 else 5000
    network_points = int(sys.argv[3]) if len(sys.argv) > 3 else 50000
    per_branch = network_points // BRANCHES
    length = (per_branch - 1) * SPACING
    os.makedirs(folder, exist_ok=True)

    rows = ["[MIKE_11_Network_editor]", "   [POINTS]"]
    number = 0
    branch_points = []
    for b in range(BRANCHES):
        ids = []
        x0, y0 = 100000.0 + 20000.0 * (b % 10), 200000.0 + 20000.0 * (b // 10)
        for i in range(per_branch):
            number += 1
            ch = i * SPACING
            x = x0 + ch * 0.8 + 40.0 * math.sin(ch / 200.0)
            y = y0 + ch * 0.6 + 40.0 * math.cos(ch / 300.0)
            kind = 1 if i in (0, per_branch - 1) else 0
            rows.append("      point = %d, %.2f, %.2f, %d, %.6f, 0" % (number, x, y, kind, ch))
            ids.append(number)
        branch_points.append(ids)
    rows += ["   EndSect  // POINTS", "", "   [BRANCHES]"]
    for b, ids in enumerate(branch_points):
        rows += ["      [branch]",
                 "         definitions = 'BRANCH-%02d', 'TOPO-1', 0, %g, 0, 10000, 0" % (b + 1, length),
                 "         connections = '', -1e-155, '', -1e-155",
                 "         points = " + ", ".join(str(n) for n in ids),
                 "      EndSect  // branch", ""]
    rows += ["   EndSect  // BRANCHES", "EndSect  // MIKE_11_Network_editor"]
    write(os.path.join(folder, "model.nwk11"), rows)

    rows = ["[MIKE0_HD]", "   [Global_Values]", "      G_resistance = 0.035", "   EndSect  // Global_Values",
            "   [BedList]"]
    for b in range(BRANCHES):
        rows.append("      DATA = 'BRANCH-%02d', 0, 0.03, 30, 25, 20" % (b + 1))
        rows.append("      DATA = 'BRANCH-%02d', %g, 0.05, 30, 25, 20" % (b + 1, length))
    rows += ["   EndSect  // BedList", "EndSect  // MIKE0_HD"]
    write(os.path.join(folder, "model.hd11"), rows)

    per_section_branch = max(1, sections // BRANCHES)
    step = length / (per_section_branch + 1)
    rows = []
    for s in range(sections):
        b = s // per_section_branch % BRANCHES
        ch = (s % per_section_branch + 1) * step
        rows += ["TOPO-1", "BRANCH-%02d" % (b + 1), "%20.3f" % ch, "COORDINATES", "    0", "FLOW DIRECTION",
                 "    0", "DATUM", "      0.00", "RADIUS TYPE", "    0", "PROFILE %7d" % 30]
        for p in range(1, 31):
            x = (p - 1) * 2.0
            z = 20.0 - 8.0 * math.sin(math.pi * (p - 1) / 29.0)
            marker = "<#1>" if p == 5 else "<#4>" if p == 26 else "<#0>"
            rows.append("%10.3f%10.3f%10.3f     %s     0     0.000     0" % (x, z, 1.0, marker))
        rows += ["LEVEL PARAMS", "   0  0    0.000  0    0.000   50", "*" * 31]
    write(os.path.join(folder, "xs.txt"), rows)

    write(os.path.join(folder, "proj.mif"),
          ["Version 300", 'Charset "WindowsLatin1"', 'Delimiter ","',
           'CoordSys NonEarth Units "m" Bounds (0, 0) (1000000, 1000000)', "Columns 1", "  ID Integer", "Data", ""])
    write(os.path.join(folder, "proj.mid"), [])


def write(path: str, rows: list) -> None:
    with open(path, "w", newline="") as f:
        f.write("".join(r + "\r\n" for r in rows))


if __name__ == "__main__":
    main()
