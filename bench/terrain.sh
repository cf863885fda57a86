#!/usr/bin/env bash
# Times the terrain model: 10,000 section lines of 300 m sampled at 1 m
# (3,010,000 samples, bilinear) on a generated 10,000 x 10,000-cell tiled
# Float32 GeoTIFF of 1 m cells (400 MB), then the same through a VRT of 16
# tiles of it; each against gdallocationinfo over every tenth sample, its
# time multiplied by ten; and a whole run of kestrix -dem: extending 10,000
# surveyed sections of 20 points along the same lines. Prints wall time, CPU time and peak resident
# memory of every run, and the targets.
#
#   bench/terrain.sh [BUILD]        (default build; configured with GDAL)
#
# Environment: TERRAIN_BENCH_DIR (data, default /work/benchdata/terrain or
# build-bench/terrain when /work is not there), RUNS (default 3). The data
# are generated once and kept.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-3}
default_dir=$root/build-bench/terrain
[ -d /work ] && default_dir=/work/benchdata/terrain
work=${TERRAIN_BENCH_DIR:-$default_dir}
mkdir -p "$work"
work=$(cd "$work" && pwd)

for tool in gdal_translate gdalbuildvrt gdallocationinfo; do
  command -v $tool >/dev/null 2>&1 || { echo "$tool is missing (apt-get install gdal-bin)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }

cmake --build "$build" --target kestrix_terrain_bench -j2 > /dev/null
bench=$build/bench/kestrix_terrain_bench
[ -x "$bench" ] || { echo "No $bench: configure $build with -DKESTRIX_WITH_GDAL=ON" >&2; exit 1; }

echo "Terrain benchmark"
echo "Machine: $(nproc) cores, $(uname -sr); $(gdal-config --version 2>/dev/null | sed 's/^/GDAL /'); load at start:$(uptime | sed 's/.*load average//')"
echo

dem=$work/dem.tif
vrt=$work/tiles.vrt
if [ ! -f "$work/.complete" ]; then
  echo "Generating the 10,000 x 10,000-cell DEM and its 16 tiles in $work..."
  rm -f "$work"/*.tif "$work"/*.vrt
  start=$EPOCHREALTIME
  "$bench" make "$dem"
  for i in 0 1 2 3; do
    for j in 0 1 2 3; do
      gdal_translate -q -co TILED=YES -srcwin $((j * 2500)) $((i * 2500)) 2500 2500 "$dem" "$work/tile_${i}_${j}.tif"
    done
  done
  gdalbuildvrt -q "$vrt" "$work"/tile_*.tif
  touch "$work/.complete"
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "Generated in %.1f s\n\n", b - a }'
fi

# measure KEY COMMAND...: runs it RUNS times; sets WALL, CPU (medians, s) and RSS (peak, MiB); keeps the last output.
declare -A WALL CPU RSS
measure() {
  local key=$1; shift
  local walls=() cpus=() peak=0
  for i in $(seq 1 "$runs"); do
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" > "$work/out.txt" 2> "$work/err.txt" || {
      echo "$key: failed" >&2; cat "$work/err.txt" >&2; exit 1; }
    read -r e u s m < <(tail -1 "$work/time.txt")
    walls+=("$e")
    cpus+=("$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')")
    [ "$m" -gt "$peak" ] && peak=$m
  done
  WALL[$key]=$(printf '%s\n' "${walls[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
  CPU[$key]=$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
  RSS[$key]=$(( (peak + 1023) / 1024 ))
  printf '%-44s wall %7.2f s   cpu %7.2f s   peak %5d MiB\n' "$key" "${WALL[$key]}" "${CPU[$key]}" "${RSS[$key]}"
}

# The points gdallocationinfo is given: every tenth sample.
"$bench" sample "$dem" "$work/points.txt" 10 > /dev/null
points=$(wc -l < "$work/points.txt")

echo "== Runs (median of $runs)"
fails=0
check() {
  local verdict=met
  if awk -v v="$2" -v l="$3" -v dir="${5:-max}" 'BEGIN { exit !(dir == "min" ? v < l : v > l) }'; then
    verdict="NOT MET"; fails=$((fails + 1)); fi
  printf '%-52s %9s %-4s (%s %s %s)  %s\n' "$1" "$2" "$4" "${5:-max}" "$3" "$4" "$verdict"
}
targets=()
runs_total=()
mkdir -p "$work/survey"
"$bench" survey "$work/survey"
for source in "GeoTIFF:$dem" "VRT of 16 tiles:$vrt"; do
  name=${source%%:*}
  file=${source#*:}
  measure "terrain model, $name" "$bench" sample "$file"
  sed 's/^/    /' "$work/out.txt"
  measure "gdallocationinfo, $name, $points points" \
    bash -c 'gdallocationinfo -valonly -geoloc "$1" < "$2"' _ "$file" "$work/points.txt"
  scaled=$(awk -v w="${WALL["gdallocationinfo, $name, $points points"]}" 'BEGIN { printf "%.2f", w * 10 }')
  echo "    gdallocationinfo over every sample, scaled: $scaled s"
  targets+=("$name|${WALL["terrain model, $name"]}|${RSS["terrain model, $name"]}|$scaled")
  # The whole run: 10,000 surveyed sections of 20 points extended along the same lines at 1 m.
  measure "kestrix -dem:, $name, whole run" "$build/kestrix" -batch -quiet -N -savedate:off "-dem:$file" -demstep:1 \
    "-out:$work/run" "$work/survey/survey.mif" "$work/survey/lines.mif"
  grep -E "DEM points added|written" "$work/out.txt" | sed 's/^/    /'
  rm -rf "$work/run"
  runs_total+=("$name|${WALL["kestrix -dem:, $name, whole run"]}|${RSS["kestrix -dem:, $name, whole run"]}")
done
echo
echo "== Targets"
for t in "${targets[@]}"; do
  IFS='|' read -r name wall rss scaled <<< "$t"
  check "$name: wall" "$wall" 6 s
  check "$name: peak memory" "$rss" 400 MiB
  check "$name: gdallocationinfo (scaled) / terrain model" "$(awk -v a="$scaled" -v b="$wall" 'BEGIN { printf "%.1f", a / b }')" 20 "" min
done
for t in "${runs_total[@]}"; do
  IFS='|' read -r name wall rss <<< "$t"
  check "$name, whole run: wall" "$wall" 6 s
  check "$name, whole run: peak memory" "$rss" 400 MiB
done
echo
echo "Load at end:$(uptime | sed 's/.*load average//')"
echo "Targets not met: $fails"
