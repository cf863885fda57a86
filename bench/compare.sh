#!/usr/bin/env bash
# Runs two Kestrix executables on the data sets bench/run.sh generated and
# compares every output file and console byte for byte (the console's
# "Executable:" line aside): a change for speed must not change a byte.
#
#   bench/compare.sh KESTRIX REFERENCE_KESTRIX
#
# BENCH_DIR as for bench/run.sh; the 10,000,000-point survey is compared too
# when it was generated and BENCH_SKIP_10M is not 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
abs() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
new=$(abs "$1")
ref=$(abs "$2")
work=$(cd "${BENCH_DIR:-$root/build-bench}" && pwd)
cmp=$work/compare
rm -rf "$cmp"
mkdir -p "$cmp"
# A benchmark waits for five minutes after removals (see bench/run.sh).
trap 'rm -rf "$cmp"; date +%s > "$work/.removed-at"' EXIT

sets=(gis100k gis1m group150k isis mike11)
[ "${BENCH_SKIP_10M:-0}" = 1 ] || [ ! -f "$work/data/gis10m/.complete" ] || sets+=(gis10m)
failed=0
for set in "${sets[@]}"; do
  data=$work/data/$set
  [ -f "$data/.complete" ] || { echo "$set: not generated (run bench/run.sh first)" >&2; exit 1; }
  case $set in
    isis) args=(-batch -M -isis proj.mif big.dat) ;;
    mike11) args=(-batch -M -m11 proj.mif xs.txt model.nwk11 model.hd11) ;;
    group150k) args=(-batch -N -mpt200000 survey.mif) ;;
    gis10m) args=(-batch -N -mxs100000 survey.mif) ;;
    *) args=(-batch -N survey.mif) ;;
  esac
  # Both runs write into the same folder name, so that the paths they write agree.
  for side in ref new; do
    exe=$ref
    [ $side = new ] && exe=$new
    rm -rf "$data/kestrix-compare"
    (cd "$data" && "$exe" "${args[@]}" -out:kestrix-compare < /dev/null | grep -av '^Executable:' > console.txt) || true
    mv "$data/console.txt" "$data/kestrix-compare/console.txt"
    mv "$data/kestrix-compare" "$cmp/$side-$set"
  done
  count=$(find "$cmp/new-$set" -type f | wc -l)
  if diff -r -q "$cmp/ref-$set" "$cmp/new-$set" > "$cmp/$set.diff"; then
    echo "$set: all $count files identical"
  else
    echo "$set: DIFFERENCES ($(wc -l < "$cmp/$set.diff") files differ of $count)"
    head -5 "$cmp/$set.diff"
    failed=1
  fi
  rm -rf "$cmp/ref-$set" "$cmp/new-$set"
done
exit $failed
