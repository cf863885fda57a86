#!/usr/bin/env python3
"""Writes a synthetic GIS survey point layer (.mif, .mid and .tab) for timing
a large Kestrix run: N cross-sections of M points each (default 10000 x 100,
one million points).

Every section is a straight line across a valley, one L point at its left
end, one R point at its right end and M - 2 C points between them, with a
V-shaped bed. The .tab file is written last so that its save date is not
later than that of the .mid file.

Usage: gen_gis_survey.py [--sections N] [--points M] [--out BASE]
       then e.g.  kestrix -N BASE.mif
"""

import argparse
import math
import os

HEADER = """Version   300
Charset "WindowsLatin1"
Delimiter ","
CoordSys Earth Projection 8, 104, "m", 3, 0, 0.9996, 500000, 0 Bounds (-7745844.29605, -9997964.94315) (8745844.29605, 9997964.94315)
Columns 4
  Z Float
  MNR Float
  LCR Char(1)
  XS_ID Char(12)
Data

"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sections", type=int, default=10000, help="number of cross-sections")
    parser.add_argument("--points", type=int, default=100, help="points per cross-section (at least 3)")
    parser.add_argument("--out", default="bench_survey", help="base name of the layer")
    args = parser.parse_args()
    if args.sections < 1 or args.points < 3:
        parser.error("need at least one section of at least three points")

    base = args.out
    folder = os.path.dirname(base)
    if folder:
        os.makedirs(folder, exist_ok=True)

    width = 100.0  # metres across each section
    step = width / (args.points - 1)
    with open(base + ".mif", "w", newline="") as mif, open(base + ".mid", "w", newline="") as mid:
        mif.write(HEADER.replace("\n", "\r\n"))
        for s in range(1, args.sections + 1):
            xs_id = "XS%d" % s
            # Sections follow a gently curving river, 20 m apart, each at right angles to it.
            chain = 20.0 * s
            cx = 500000.0 + chain
            cy = 6000000.0 + 50.0 * math.sin(chain / 500.0)
            for p in range(args.points):
                across = -width / 2 + p * step
                x = cx + 0.1 * across
                y = cy + across
                z = 10.0 + abs(across) * 0.08 + 0.001 * (s % 7)
                mnr = 0.035 if abs(across) < 15 else 0.06
                if p == 0:
                    lcr = "L"
                elif p == args.points - 1:
                    lcr = "R"
                else:
                    lcr = "C"
                mif.write("Point %.3f %.3f\r\n    Symbol (35,0,12)\r\n" % (x, y))
                mid.write('%.3f,%.3f,"%s","%s"\r\n' % (z, mnr, lcr, xs_id))
    with open(base + ".tab", "w", newline="") as tab:
        tab.write('!table\r\n!version 300\r\n!charset WindowsLatin1\r\n\r\nDefinition Table\r\n'
                  '  Type NATIVE Charset "WindowsLatin1"\r\n')
    # The table must not look newer than its export.
    mid_time = os.stat(base + ".mid").st_mtime
    os.utime(base + ".tab", (mid_time, mid_time))


if __name__ == "__main__":
    main()
