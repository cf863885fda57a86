#!/usr/bin/env bash
# Runs a kestrix executable over a fixed set of inputs (the bundled example,
# every ISIS file of the real-data folder, a hand-made MIKE 11 model) and keeps
# every output file and console log in one folder. With a reference folder it
# then compares the two byte for byte; console logs may differ only in their
# "Executable:" line.
#
#   scripts/compare-outputs.sh KESTRIX OUT_DIR [REFERENCE_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$2
ref=${3:-}
data=${KESTRIX_REALDATA_DIR:-$root/../shared/realdata}
rm -rf "$out"
mkdir -p "$out"

crlf() { printf '%s\r\n' "$@"; }
projection() {
  crlf 'Version 300' 'Charset "WindowsLatin1"' 'Delimiter ","' \
    'CoordSys Nonearth Units "m" Bounds (0, 0) (10000, 10000)' 'Columns 1' '  Name Char(10)' 'Data' > "$1/proj.mif"
  : > "$1/proj.mid"
}
# run NAME DIR ARGS...: runs in DIR, keeps the console (with its status) as NAME.log
run() {
  local name=$1 dir=$2; shift 2
  local status=0
  (cd "$dir" && "$exe" "$@" < /dev/null > "$out/$name.log" 2>&1) || status=$?
  echo "Exit status: $status" >> "$out/$name.log"
}

# The bundled example, as scripts/run-example.sh runs it, with N and with -ppol.
for variant in plain ppol; do
  d=$out/example-$variant
  mkdir -p "$d"
  cp "$root"/examples/survey.mi[fd] "$root"/examples/start_lines.mi[fd] "$d"/
  for mid in "$d"/*.mid; do touch -r "$mid" "${mid%.mid}.tab"; done
  if [ $variant = plain ]; then run example-$variant "$d" -batch -N survey.mif start_lines.mif
  else run example-$variant "$d" -batch -N -ppol survey.mif start_lines.mif; fi
done

# The example again with the report and the GeoPackage (GDAL builds). A
# GeoPackage carries the time it was written, so it is compared as ogrinfo
# lists it.
if "$exe" --help 2>&1 | grep -- '-gpkg' > /dev/null && command -v ogrinfo > /dev/null &&
   [ -f "$(dirname "$exe")/libkestrix-gdal.so" ]; then
  d=$out/example-report
  mkdir -p "$d"
  cp "$root"/examples/survey.mi[fd] "$root"/examples/start_lines.mi[fd] "$d"/
  for mid in "$d"/*.mid; do touch -r "$mid" "${mid%.mid}.tab"; done
  run example-report "$d" -batch -N -html -gpkg survey.mif start_lines.mif
  if [ -f "$d/kestrix_layers.gpkg" ]; then
    (cd "$d" && ogrinfo -al -ro kestrix_layers.gpkg > kestrix_layers.gpkg.txt && rm kestrix_layers.gpkg)
  fi
fi

# Every ISIS file of the real data, each in its own folder.
if [ -d "$data/isis" ]; then
  for f in "$data"/isis/*; do
    n=$(basename "$f")
    d=$out/isis-$n
    mkdir -p "$d"
    cp "$f" "$d/"
    projection "$d"
    run "isis-$n" "$d" -batch -M -isis proj.mif "$n"
  done
fi

# A hand-made MIKE 11 model.
d=$out/mike11
mkdir -p "$d"
projection "$d"
crlf '[POINTS]' '   point = 1, 1000, 2000, 1, 0, 0' '   point = 2, 1100, 2000, 1, 100, 0' \
  'EndSect  // POINTS' '[BRANCHES]' '   [branch]' "      definitions = 'R1', 'T1', 0, 100, 0, 10000, 0" \
  "      connections = '', -1e-155, '', -1e-155" '      points = 1, 2' '   EndSect  // branch' \
  'EndSect  // BRANCHES' > "$d/model.nwk11"
crlf '[Global_Values]' '   G_resistance = 0.035' 'EndSect  // Global_Values' '[BedList]' \
  "   DATA = 'R1', 0, 0.03" "   DATA = 'R1', 100, 0.05" 'EndSect  // BedList' > "$d/model.hd11"
crlf T1 R1 '   50.000' DATUM '   0.0' 'PROFILE 5' '0 12 1' '2 10 1 <#1>' '5 8 2' '8 10 1 <#4>' '10 12 1' \
  '**********' T1 R1 '   80.000' DATUM '   0.0' 'PROFILE 2' '0 5 1' '4 5 1' '**********' '' > "$d/xs.txt"
run mike11 "$d" -batch -M -m11 proj.mif xs.txt model.nwk11 model.hd11
if [ -d "$out/example-report" ]; then
  r=$out/mike11-report
  mkdir -p "$r"
  cp "$d"/proj.mi? "$d"/xs.txt "$d"/model.* "$r"/
  run mike11-report "$r" -batch -M -html -gpkg -m11 proj.mif xs.txt model.nwk11 model.hd11
  [ ! -f "$r/kestrix_layers.gpkg" ] ||
    (cd "$r" && ogrinfo -al -ro kestrix_layers.gpkg > kestrix_layers.gpkg.txt && rm kestrix_layers.gpkg)
fi

# Keep the console's Executable: line out of the comparison.
for log in "$out"/*.log; do grep -av '^Executable:' "$log" > "$log.cmp" || true; mv "$log.cmp" "$log"; done
# The report names the executable run too.
find "$out" -name kestrix_report.html -exec sed -i "s#<code>$exe #<code>kestrix #" {} +

count=$(find "$out" -type f | wc -l)
echo "$count files in $out"
if [ -n "$ref" ]; then
  if diff -r "$ref" "$out" > "$out.diff"; then
    echo "All $count files identical to $ref"
  else
    echo "Differences from $ref:" >&2
    head -50 "$out.diff" >&2
    exit 1
  fi
fi
