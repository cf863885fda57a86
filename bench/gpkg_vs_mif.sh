#!/usr/bin/env bash
# Times the one-million-point survey read from MIF/MID and the same survey
# read from a GeoPackage made of it by GDAL's ogr2ogr, checks that both runs
# write the same .csv files, and fails when the GeoPackage run takes more than
# 1.5 times as long (each the best of three runs). Needs a build with GDAL.
#
# Usage: bench/gpkg_vs_mif.sh [kestrix] [work folder]
set -euo pipefail
kestrix=$(realpath "${1:-build/kestrix}")
work=${2:-build/bench-gpkg}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
cd "$work"
[ -f survey.mif ] || python3 "$here/gen_gis_survey.py" --out survey >/dev/null
[ -f survey.gpkg ] || ogr2ogr -f GPKG survey.gpkg survey.mif

best() {  # best wall time of three runs in folder $1 of: kestrix <args>
  local t best="" dir=$1
  shift
  rm -rf "$dir" && mkdir "$dir"
  for _ in 1 2 3; do
    t=$( { (cd "$dir" && /usr/bin/time -f %e "$kestrix" -batch -quiet -N -out:out "$@" >/dev/null); } 2>&1 | tail -1)
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}
mif=$(best run-mif ../survey.mif)
gpkg=$(best run-gpkg ../survey.gpkg)
diff -rq --exclude='*.mif' run-mif/out run-gpkg/out >/dev/null || { echo "the .csv and .mid files differ" >&2; exit 1; }
ratio=$(awk "BEGIN{printf \"%.2f\", $gpkg / $mif}")
echo "MIF/MID: ${mif} s  GeoPackage: ${gpkg} s  ratio: ${ratio}"
awk "BEGIN{exit !($ratio <= 1.5)}" || { echo "the GeoPackage run takes more than 1.5 times as long" >&2; exit 1; }
