#!/usr/bin/env bash
# Opens the HTML reports of three runs in headless Chromium and checks them
# against the files each run wrote (tests/browser/check_report.mjs): the
# bundled example (also extended from its DEM), a real ISIS model read in place from ../shared/realdata
# (left out with a message when it is not there) and the small hand-made
# MIKE 11 model of fuzz/model. Screenshots of the plan and of one chart of
# each report are saved in BUILD/browser-test/. Needs Debian's chromium and
# Node 18 or later (scripts/test.sh installs both).
#
#   scripts/browser-test.sh [BUILD]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
kestrix="$build/kestrix"
[ -x "$kestrix" ] || { echo "No $kestrix: build it first" >&2; exit 1; }
command -v node >/dev/null 2>&1 || { echo "node is not installed" >&2; exit 1; }
chromium=${CHROMIUM:-$(command -v chromium || true)}
[ -n "$chromium" ] || { echo "chromium is not installed" >&2; exit 1; }

out="$build/browser-test"
rm -rf "$out"
mkdir -p "$out"
checked=0

# Runs kestrix with -html into $out/<name>/ and checks the report it wrote.
check() {
  local name=$1
  shift
  echo "-- $name: kestrix -batch -html -out:$out/$name/ $*"
  "$kestrix" -batch -html "-out:$out/$name/" "$@" >"$out/$name.log" || { cat "$out/$name.log"; echo "kestrix failed on $name" >&2; exit 1; }
  CHROMIUM="$chromium" node tests/browser/check_report.mjs --report "$out/$name/kestrix_report.html" \
    --outputs "$out/$name" --shots "$out/$name"
  checked=$((checked + 1))
}

check example -N -savedate:off examples/survey.mif examples/start_lines.mif
# The example extended from its small DEM, in builds with GDAL.
if "$kestrix" -batch -dem:examples/valley.asc 2>&1 | grep -q "reads and writes MIF/MID layers only"; then
  echo "-- dem: left out, this build has no GDAL"
else
  check dem -N -savedate:off -dem:examples/valley.asc -demstep:5 examples/survey.mif examples/floodplain_lines.mif
fi
isis=../shared/realdata/isis/Douglas_2018_DN_002_DesQ_internal.DAT
if [ -f "$isis" ]; then
  # The projection layer may be any .mif: the example survey's.
  check isis -N -isis examples/survey.mif "$isis"
  # The same model with the section checks: its findings marked on the plan.
  check isis-check -N -isis -check examples/survey.mif "$isis"
else
  echo "-- isis: left out, the shared real-world samples ($isis) are not there"
fi
check mike11 -M -m11 fuzz/model/proj.mif fuzz/model/xs.txt fuzz/model/model.nwk11 fuzz/model/model.hd11

echo "Browser test: $checked reports checked; screenshots in $out/"
