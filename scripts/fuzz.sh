#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS each, one after the
# other, in build-fuzz/ (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer). Before fuzzing, each target replays the inputs
# of earlier findings in fuzz/regressions/<target>/. The corpus grows in
# build-fuzz/corpus/<target>/ from run to run; findings are written to
# build-fuzz/findings/<target>/ and end the script with a failure.
#
#   scripts/fuzz.sh [--smoke] SECONDS [TARGET ...]
#
# Targets: mif_objects gis_records isis mike11_txt nwk11 hd11 freeformat command_line
# With --smoke (the test script's short run) each target starts from its
# seeds alone and the grown corpus is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=false
if [ "${1:-}" = --smoke ]; then
  smoke=true
  shift
fi
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh [--smoke] SECONDS [TARGET ...]" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(mif_objects gis_records isis mike11_txt nwk11 hd11 freeformat command_line)

need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v make >/dev/null 2>&1 || need+=(make)
command -v clang++ >/dev/null 2>&1 || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing fuzzing tools: ${need[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_FUZZ=ON \
  -DKESTRIX_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/#/fuzz_}"

realdata=../shared/realdata

# seed TARGET NAME SELECTOR FILE [MAX_BYTES]: a seed made of one selector byte and (the head of) a file.
seed() {
  local dir="$build/seeds/$1" name=$2 selector=$3 file=$4 most=${5:-65536}
  [ -f "$file" ] || return 0
  mkdir -p "$dir"
  { printf "\\x$selector"; head -c "$most" "$file"; } >"$dir/$name"
}

prepare_seeds() {
  local t=$1 f
  rm -rf "$build/seeds/$t"
  mkdir -p "$build/seeds/$t"
  [ -d "fuzz/seeds/$t" ] && cp fuzz/seeds/"$t"/* "$build/seeds/$t/"
  case $t in
    mif_objects | gis_records)
      local ext=mif
      [ "$t" = gis_records ] && ext=mid
      for s in 00 02 04 0a 10; do seed "$t" "survey-$s" "$s" "examples/survey.$ext"; done
      for s in 01 03 07; do seed "$t" "start_lines-$s" "$s" "examples/start_lines.$ext"; done
      for f in "$realdata"/mif/*."$ext"; do
        seed "$t" "real-$(basename "$f")-0" 00 "$f"
        seed "$t" "real-$(basename "$f")-1" 01 "$f"
      done
      ;;
    isis)
      seed "$t" model 00 fuzz/model/model.dat
      seed "$t" model-wildcard 14 fuzz/model/model.dat
      seed "$t" projection 01 fuzz/model/proj.mif
      for f in "$realdata"/isis/*; do seed "$t" "real-$(basename "$f")" 04 "$f"; done
      for f in "$realdata"/mif/*.mif; do seed "$t" "real-$(basename "$f")" 01 "$f"; done
      ;;
    mike11_txt)
      for s in 00 05 0a; do seed "$t" "model-$s" "$s" fuzz/model/xs.txt; done
      ;;
    nwk11)
      seed "$t" model 00 fuzz/model/model.nwk11
      for f in "$realdata"/mike11/*/*.nwk11; do seed "$t" "real-$(basename "$f")" 00 "$f"; done
      ;;
    hd11)
      seed "$t" model 00 fuzz/model/model.hd11
      for f in "$realdata"/mike11/*/*.hd11 "$realdata"/mike11/*/*.HD11; do seed "$t" "real-$(basename "$f")" 00 "$f"; done
      ;;
  esac
}

# Longest input of each target: model files stay small, real ISIS files are cut.
max_len() {
  case $1 in
    isis) echo 65536 ;;
    command_line | freeformat) echo 4096 ;;
    *) echo 16384 ;;
  esac
}

status=0
for t in "${targets[@]}"; do
  prepare_seeds "$t"
  corpus="$build/corpus/$t"
  if $smoke; then
    corpus="$build/smoke-corpus/$t"
    rm -rf "$corpus"
  fi
  mkdir -p "$corpus" "$build/findings/$t" "$build/logs"
  binary="$build/fuzz/fuzz_$t"
  flags=(-timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=256 -max_len="$(max_len "$t")" -dict="fuzz/dict/$t.dict"
    -artifact_prefix="$build/findings/$t/")
  if [ -d "fuzz/regressions/$t" ] && [ -n "$(ls -A "fuzz/regressions/$t")" ]; then
    if ! "$binary" "${flags[@]}" fuzz/regressions/"$t"/* >"$build/logs/$t.regressions.log" 2>&1; then
      echo "fuzz_$t: an earlier finding is back - see $build/logs/$t.regressions.log"
      status=1
      continue
    fi
  fi
  log="$build/logs/$t.log"
  if "$binary" "${flags[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    "$corpus" "$build/seeds/$t" >"$log" 2>&1; then
    outcome=ok
  else
    outcome="FINDING (see $log and $build/findings/$t/)"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
  echo "fuzz_$t: ${runs:-?} runs, ${cov:-no coverage line}, $outcome"
done
exit $status
