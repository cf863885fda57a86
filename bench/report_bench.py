#!/usr/bin/env python3
"""Measures the HTML report (-html) on a large synthetic survey: how much of
the run's time writing it takes, its size against the run's .csv files, and
the time headless Chromium needs to show its plan. Not a test: it prints
figures and judges nothing.

The survey (default 10000 sections of 100 points) is made by
gen_gis_survey.py in BUILD/bench-report/. Each run is made --runs times
with and without -html, alternately; the least processor time (user and
system) of each counts, as the clock time of a shared machine says little. The first
paint is the time from navigation to the frame that shows the drawn plan,
the median of --runs page loads (tests/browser/check_report.mjs --timing 1,
which needs Node and Debian's chromium).

Usage: report_bench.py [--build BUILD] [--sections N] [--points M] [--runs K]
"""

import argparse
import glob
import os
import resource
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def run_kestrix(kestrix, folder, out, html):
    """The processor time (user and system) of one run: on a machine shared
    with other work it varies far less than the time on the clock."""
    args = [kestrix, "-batch", "-quiet", "-N", "-out:" + out + os.sep]
    if html:
        args.append("-html")
    args.append("survey.mif")
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(args, cwd=folder, check=True, stdout=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"), help="build folder holding kestrix")
    parser.add_argument("--sections", type=int, default=10000)
    parser.add_argument("--points", type=int, default=100)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    kestrix = os.path.abspath(os.path.join(args.build, "kestrix"))
    folder = os.path.abspath(os.path.join(args.build, "bench-report"))
    os.makedirs(folder, exist_ok=True)
    stamp = os.path.join(folder, "survey.size")
    wanted = "%d x %d" % (args.sections, args.points)
    if not os.path.exists(stamp) or open(stamp).read() != wanted:
        print("Generating a survey of %s points ..." % wanted, flush=True)
        subprocess.run([sys.executable, os.path.join(HERE, "gen_gis_survey.py"), "--sections", str(args.sections),
                        "--points", str(args.points), "--out", os.path.join(folder, "survey")], check=True,
                       stdout=subprocess.DEVNULL)
        with open(stamp, "w") as f:
            f.write(wanted)

    plain, html = [], []
    for _ in range(args.runs):
        plain.append(run_kestrix(kestrix, folder, "plain", False))
        html.append(run_kestrix(kestrix, folder, "html", True))
    report = os.path.join(folder, "html", "kestrix_report.html")
    report_bytes = os.path.getsize(report)
    csv_bytes = sum(os.path.getsize(p) for p in glob.glob(os.path.join(folder, "html", "*.csv")))
    write_time = max(min(html) - min(plain), 0.0)

    print("Survey: %s (sections x points)" % wanted)
    print("Run without -html: %.2f s processor time (least of %s)" % (min(plain), ", ".join("%.2f" % t for t in plain)))
    print("Run with -html:    %.2f s processor time (least of %s)" % (min(html), ", ".join("%.2f" % t for t in html)))
    print("Report write time: %.2f s, %.1f %% of the run with -html" % (write_time, 100.0 * write_time / min(html)))
    print("Report size: %d bytes; .csv files: %d bytes; ratio %.2f" % (report_bytes, csv_bytes,
                                                                       report_bytes / max(csv_bytes, 1)))

    frames = []
    for _ in range(args.runs):
        result = subprocess.run(["node", os.path.join(ROOT, "tests", "browser", "check_report.mjs"), "--report", report,
                                 "--outputs", os.path.join(folder, "html"), "--timing", "1"],
                                capture_output=True, text=True)
        for line in result.stdout.splitlines():
            if line.startswith("plan-frame-ms "):
                frames.append(int(line.split()[1]))
        if result.returncode != 0:
            print(result.stdout + result.stderr, file=sys.stderr)
            return 1
    print("First paint (plan drawn and shown): %d ms median of %s ms" % (statistics.median(frames),
                                                                          ", ".join(str(f) for f in frames)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
