#!/usr/bin/env bash
# Times Kestrix on generated data sets, side by side with GDAL's ogr2ogr
# converting the same survey layer to CSV, and prints for every case the
# median wall time of RUNS runs, the median CPU time (user + system), the
# peak resident memory and the ratio to its target; then the instruction
# count of the 100,000-point run under callgrind, a figure that does not
# depend on the load of the machine.
#
#   bench/run.sh [KESTRIX]        (default build/kestrix)
#
# Environment: BENCH_DIR (data sets and run folders, default build-bench),
# RUNS (default 5), BENCH_NO_WAIT=1 (see removeNoted below), BENCH_NO_DROP=1
# (see dropCaches below),
# BENCH_SKIP_10M=1 leaves out the 10,000,000-point survey,
# BENCH_SKIP_CALLGRIND=1 leaves out callgrind. The data sets are generated
# once and kept; the outputs of the runs are removed at the end. Every run
# writes into a folder of its own, with its console written to a file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=${1:-$root/build/kestrix}
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
work=${BENCH_DIR:-$root/build-bench}
runs=${RUNS:-5}
mkdir -p "$work"
work=$(cd "$work" && pwd)

[ -x "$exe" ] || { echo "No executable $exe: build it first (cmake --build build)" >&2; exit 1; }
for tool in python3 ogr2ogr; do
  command -v $tool >/dev/null 2>&1 || { echo "$tool is missing (apt-get install python3 gdal-bin)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }

echo "Kestrix benchmark: $("$exe" --version 2>/dev/null | head -1)"
echo "Executable: $exe"
echo "Machine: $(nproc) cores, $(uname -sr); load at start:$(uptime | sed 's/.*load average//')"
echo

# gen NAME COMMAND...: runs the generator in $work/NAME unless that data set is complete.
gen() {
  local name=$1; shift
  local dir=$work/data/$name
  local stamp="$*"
  if [ -f "$dir/.complete" ] && [ "$(cat "$dir/.complete")" = "$stamp" ]; then return; fi
  echo "Generating $name..."
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && "$@" > /dev/null)
  echo "$stamp" > "$dir/.complete"
}
gen gis100k python3 "$root/bench/gen_gis_survey.py" --sections 1000 --points 100 --out survey
gen gis1m python3 "$root/bench/gen_gis_survey.py" --sections 10000 --points 100 --out survey
[ "${BENCH_SKIP_10M:-0}" = 1 ] || gen gis10m python3 "$root/bench/gen_gis_survey.py" --sections 100000 --points 100 --out survey
# One section of 150,002 points: one L, 150,000 C and one R point.
gen group150k python3 "$root/bench/gen_gis_survey.py" --sections 1 --points 150002 --out survey
gen isis python3 "$root/bench/gen_isis.py" big.dat 10000 50
gen mike11 python3 "$root/bench/gen_mike11.py" . 5000 50000

runsDir=$work/runs
# On a journal-less ext4 (the file system the targets were set on) creating a
# file costs many times more for about five minutes after many files nearby
# were removed: the kernel passes over recently freed inodes one by one. The
# runs would measure that instead of Kestrix, so every removal of run folders
# is noted, and a benchmark started within five minutes of one waits until
# they have passed (BENCH_NO_WAIT=1 does not wait).
removeNoted() {
  local removed=0 path
  for path in "$@"; do
    if [ -e "$path" ]; then removed=1; fi
  done
  rm -rf "$@"
  # Only a removal of something counts: the clean start of a run folder
  # that is not there yet must not make the benchmark wait for itself.
  if [ "$removed" = 1 ]; then date +%s > "$work/.removed-at"; fi
}
removeNoted "$runsDir"
mkdir -p "$runsDir"
trap 'removeNoted "$runsDir"' EXIT
if [ "${BENCH_NO_WAIT:-0}" != 1 ] && [ -f "$work/.removed-at" ]; then
  quiet=$(( $(cat "$work/.removed-at") + 310 - $(date +%s) ))
  if [ "$quiet" -gt 0 ]; then
    echo "Waiting $quiet s: files were removed from $work less than five minutes ago"
    sleep "$quiet"
  fi
fi

# On a virtual machine, memory the host has taken back costs many times more
# to fill the first time than memory in use, and every run fills a hundred
# megabytes or more of the page cache: how much of the fresh kind a run gets
# would depend on the runs before it. As root the page cache is emptied
# before every run (and the inputs read back in, so that they are cached as
# before), which puts every run, GDAL's too, in the same state;
# BENCH_NO_DROP=1 leaves the cache alone.
dropCaches=0
if [ "${BENCH_NO_DROP:-0}" != 1 ] && [ -w /proc/sys/vm/drop_caches ]; then dropCaches=1; fi
if [ "$dropCaches" = 1 ]; then
  echo "Page cache: emptied before every run, inputs read back in"
else
  echo "Page cache: left as it is (emptying it needs root; BENCH_NO_DROP=1 leaves it)"
fi
echo

# measure KEY DATASET COMMAND...: runs the command RUNS times in the data set's
# folder, each time with @OUT@ replaced by a fresh output folder and the console
# written to @OUT@/console.txt; sets WALL, CPU (medians, seconds) and RSS (peak, MiB).
declare -A WALL CPU RSS
measure() {
  local key=$1 data=$2; shift 2
  local walls=() cpus=() peak=0
  for i in $(seq 1 "$runs"); do
    local out=$runsDir/$key-$i
    mkdir -p "$out"
    local args=()
    for a in "$@"; do args+=("${a//@OUT@/$out}"); done
    local status=0
    # Every run starts with the data of the runs before it on disk: the
    # kernel's write-back of earlier gigabytes would otherwise run into it.
    sync
    if [ "$dropCaches" = 1 ]; then
      echo 1 > /proc/sys/vm/drop_caches
      cat "$work/data/$data"/* > /dev/null
    fi
    # The wall time is the shell's clock to the microsecond: time's own is
    # rounded to hundredths, a seventh of a run of 0.07 s.
    local start=$EPOCHREALTIME
    (cd "$work/data/$data" && /usr/bin/time -f "%e %U %S %M" -o "$out.time" "${args[@]}" < /dev/null > "$out/console.txt" 2>&1) || status=$?
    local end=$EPOCHREALTIME
    if [ $status -ne 0 ]; then
      echo "$key: run $i failed with exit status $status:" >&2
      tail -5 "$out/console.txt" >&2
      exit 1
    fi
    read -r e u s m < <(tail -1 "$out.time")
    walls+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
    cpus+=("$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')")
    [ "$m" -gt "$peak" ] && peak=$m
  done
  WALL[$key]=$(printf '%s\n' "${walls[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
  CPU[$key]=$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
  RSS[$key]=$(( (peak + 1023) / 1024 ))
  printf '%-40s wall %8.3f s   cpu %8.3f s   peak %6d MiB   (walls: %s)\n' "$key" "${WALL[$key]}" "${CPU[$key]}" \
    "${RSS[$key]}" "${walls[*]}"
}

echo "== Runs (median of $runs; console to a file)"
measure "ogr2ogr -f CSV, 1,000,000 points" gis1m ogr2ogr -f CSV @OUT@/survey.csv survey.mif
measure "kestrix GIS, 100,000 points" gis100k "$exe" -batch -N -out:@OUT@ survey.mif
measure "kestrix GIS, 1,000,000 points" gis1m "$exe" -batch -N -out:@OUT@ survey.mif
measure "kestrix GIS -check, 1,000,000 points" gis1m "$exe" -batch -N -check -out:@OUT@ survey.mif
measure "kestrix -mpt200000, 150,000 in 1 group" group150k "$exe" -batch -N -mpt200000 -out:@OUT@ survey.mif
measure "kestrix ISIS, 10,000 x 50" isis "$exe" -batch -M -isis -out:@OUT@ proj.mif big.dat
measure "kestrix MIKE 11, 5,000 on 50,000" mike11 "$exe" -batch -M -m11 -out:@OUT@ proj.mif xs.txt model.nwk11 model.hd11
# Last, so that the ten gigabytes its runs write do not weigh on the others.
[ "${BENCH_SKIP_10M:-0}" = 1 ] || \
  measure "kestrix GIS, 10,000,000 points" gis10m "$exe" -batch -N -mxs100000 -out:@OUT@ survey.mif

echo
echo "== Targets"
# check LABEL VALUE LIMIT UNIT: prints the value against its limit.
fails=0
check() {
  local verdict=met
  if awk -v v="$2" -v l="$3" 'BEGIN { exit !(v > l) }'; then verdict="NOT MET"; fails=$((fails + 1)); fi
  printf '%-58s %10s %-4s (limit %s %s)  %s\n' "$1" "$2" "$4" "$3" "$4" "$verdict"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
g1="kestrix GIS, 1,000,000 points"
check "GIS 1M wall / ogr2ogr wall" "$(ratio "${WALL[$g1]}" "${WALL["ogr2ogr -f CSV, 1,000,000 points"]}")" 0.10 ""
check "GIS 1M peak memory" "${RSS[$g1]}" 150 MiB
check "GIS 1M -check wall / GIS 1M wall" "$(ratio "${WALL["kestrix GIS -check, 1,000,000 points"]}" "${WALL[$g1]}")" 1.05 ""
check "ISIS 10,000 x 50 wall" "${WALL["kestrix ISIS, 10,000 x 50"]}" 0.5 s
check "MIKE 11 5,000 sections on 50,000 points wall" "${WALL["kestrix MIKE 11, 5,000 on 50,000"]}" 0.3 s
check "GIS 1M wall / GIS 100k wall" "$(ratio "${WALL[$g1]}" "${WALL["kestrix GIS, 100,000 points"]}")" 11 ""
if [ "${BENCH_SKIP_10M:-0}" != 1 ]; then
  g10="kestrix GIS, 10,000,000 points"
  check "GIS 10M wall / GIS 1M wall" "$(ratio "${WALL[$g10]}" "${WALL[$g1]}")" 11 ""
  check "GIS 10M peak memory" "${RSS[$g10]}" 1536 MiB
fi
check "-mpt200000, one group of 150,000 points, wall" "${WALL["kestrix -mpt200000, 150,000 in 1 group"]}" 2 s
echo "CPU-time ratio GIS 1M / ogr2ogr: $(ratio "${CPU[$g1]}" "${CPU["ogr2ogr -f CSV, 1,000,000 points"]}")"

if [ "${BENCH_SKIP_CALLGRIND:-0}" != 1 ]; then
  echo
  echo "== Instructions (valgrind --tool=callgrind), GIS 100,000 points"
  if command -v valgrind >/dev/null 2>&1; then
    out=$runsDir/callgrind
    mkdir -p "$out"
    (cd "$work/data/gis100k" && valgrind --tool=callgrind --callgrind-out-file="$out.cg" \
      "$exe" -batch -N -out:"$out" survey.mif < /dev/null > "$out/console.txt" 2> "$out.log")
    printf 'Instructions executed: %s\n' "$(sed -n 's/^summary: *//p' "$out.cg" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta')"
  else
    echo "valgrind is not installed (apt-get install valgrind): left out"
  fi
fi

echo
echo "Load at end:$(uptime | sed 's/.*load average//')"
echo "Targets not met: $fails"
