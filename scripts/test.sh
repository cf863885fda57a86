#!/usr/bin/env bash
# Builds kestrix and runs every test: the normal build, the build with
# AddressSanitizer and UndefinedBehaviorSanitizer, a build with
# ThreadSanitizer that runs the tests of the threaded parts and one whole run
# of a generated survey of 3,000 sections (no report allowed; GDAL's own lock
# order is suppressed in scripts/tsan.supp), a short run of every fuzz
# target (scripts/fuzz.sh), and a Windows cross-build whose executable then
# runs the end-to-end tests again under Wine; then builds and tests once more
# without GDAL. The HTML reports of three runs are opened in headless Chromium
# (scripts/browser-test.sh), and the QGIS Processing provider runs in a headless
# QGIS (scripts/qgis-test.sh). The packages are made, installed and run
# (scripts/package-check.sh). Installs the build tools, GDAL's development files
# and command-line tools (the GIS formats and -gpkg are built with GDAL, and the
# tools make and check layers), clang with its libFuzzer and ThreadSanitizer
# runtimes, Chromium, Node, Python (it generates the survey of the
# ThreadSanitizer run), Wine and QGIS with apt-get when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64)
# GDAL's tools read back the layers the end-to-end tests write.
command -v ogr2ogr >/dev/null 2>&1 || need+=(gdal-bin)
# GDAL's library reads and writes the GIS formats of the normal build.
[ -f /usr/include/gdal/gdal.h ] || need+=(libgdal-dev)
# Headless Chromium and Node open the HTML report in the browser test.
command -v chromium >/dev/null 2>&1 || need+=(chromium)
command -v node >/dev/null 2>&1 || need+=(nodejs)
# Python generates the survey of the ThreadSanitizer run.
command -v python3 >/dev/null 2>&1 || need+=(python3)
# clang's libFuzzer builds the fuzz targets; its ThreadSanitizer runtime the thread stage.
command -v clang++ >/dev/null 2>&1 || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
# The packages: dpkg-shlibdeps and file give the .deb its dependencies, zip
# makes the Windows and QGIS plugin archives, man renders the manual page.
command -v dpkg-shlibdeps >/dev/null 2>&1 || need+=(dpkg-dev)
command -v file >/dev/null 2>&1 || need+=(file)
command -v zip >/dev/null 2>&1 || need+=(zip)
command -v unzip >/dev/null 2>&1 || need+=(unzip)
command -v man >/dev/null 2>&1 || need+=(man-db)
# Wine runs the Windows executable. Only an amd64 machine runs it natively;
# there the 64-bit Wine alone does (no i386 packages, no multiarch).
wine=()
if [ "$(dpkg --print-architecture 2>/dev/null || echo unknown)" = amd64 ] && ! command -v wine >/dev/null 2>&1; then
  wine=(wine wine64)
fi
# QGIS and its Python bindings run the Processing provider's tests headless;
# without their recommendations (GRASS and the rest of a desktop).
qgis=()
[ -f /usr/lib/python3/dist-packages/qgis/core/__init__.py ] || qgis=(qgis python3-qgis)
if [ ${#need[@]} -gt 0 ] || [ ${#wine[@]} -gt 0 ] || [ ${#qgis[@]} -gt 0 ]; then
  echo "Installing build tools: ${need[*]} ${wine[*]} ${qgis[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  [ ${#need[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
  [ ${#wine[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${wine[@]}"
  [ ${#qgis[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${qgis[@]}" qgis-plugin-grass-
fi

jobs=$(nproc 2>/dev/null || echo 2)

# The tests are switched on explicitly: an earlier configure (scripts/run-example.sh
# configures build/ without them) must not leave a build that tests nothing, and
# --no-tests=error fails a build in which no test ran.
echo "== Build and test (with GDAL)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_TESTS=ON -DKESTRIX_WITH_GDAL=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

echo "== Browser test of the HTML report"
scripts/browser-test.sh build

echo "== QGIS Processing provider"
scripts/qgis-test.sh build

echo "== Build and test without GDAL"
cmake -S . -B build-nogdal -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_TESTS=ON -DKESTRIX_WITH_GDAL=OFF
cmake --build build-nogdal -j"$jobs"
ctest --test-dir build-nogdal --output-on-failure --no-tests=error -j"$jobs"
# The provider hands every layer over as MIF/MID, so a build without GDAL (as
# the Windows one) takes GeoPackage and scratch layers too.
scripts/qgis-test.sh build-nogdal

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKESTRIX_SANITIZE=ON -DKESTRIX_TESTS=ON
cmake --build build-sanitize -j"$jobs"
# GDAL pulls in GnuTLS, whose destructor first touches its thread-local block
# during exit. gcc 12's runtime records that block with a bogus range, and
# LeakSanitizer's tracer then dies reading it (signal 11) after a run that
# passed, depending on heap layout. Not tracking dynamic TLS avoids that;
# GDAL's own thread data sits in static TLS and is still scanned.
ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$jobs"

echo "== Threads under ThreadSanitizer (threaded tests and one whole GIS run)"
# clang's ThreadSanitizer, without GDAL to build quickly: only the program
# and the tests of its threaded parts are built. Any report fails the stage.
cmake -S . -B build-tsan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_TSAN=ON \
  -DKESTRIX_TESTS=ON -DKESTRIX_WITH_GDAL=OFF
cmake --build build-tsan -j"$jobs" --target kestrix kestrix_thread_tests
tsan_options="halt_on_error=1 exitcode=66 suppressions=$PWD/scripts/tsan.supp"
TSAN_OPTIONS=$tsan_options build-tsan/tests/kestrix_thread_tests
# A survey of 3,000 sections keeps the look-ahead thread and the background
# writer busy for the whole run.
tsan_run=build-tsan/gis-run
rm -rf "$tsan_run"
python3 bench/gen_gis_survey.py --sections 3000 --points 20 --out "$tsan_run/survey" >/dev/null
if ! (cd "$tsan_run" && TSAN_OPTIONS=$tsan_options ../kestrix -batch -N -savedate:off -out:out survey.mif \
  >run.log 2>&1) || grep -q ThreadSanitizer "$tsan_run/run.log" ||
  ! grep -qx "Summary: cross-sections written (.csv files): 3000" "$tsan_run/run.log"; then
  tail -n 60 "$tsan_run/run.log"
  echo "The GIS run under ThreadSanitizer failed (see $tsan_run/run.log)" >&2
  exit 1
fi
echo "GIS run of 3000 sections under ThreadSanitizer: no report"

echo "== Fuzz targets: earlier findings replayed, then a few seconds each"
scripts/fuzz.sh --smoke 4

echo "== Cross-build for Windows (without GDAL)"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DKESTRIX_WITH_GDAL=OFF
cmake --build build-windows -j"$jobs"
# Both executables report the same version line.
version=$(build/kestrix --version)
if ! grep -aqF "$version" build-windows/kestrix.exe; then
  echo "build-windows/kestrix.exe does not carry the version line \"$version\"" >&2
  exit 1
fi
echo "Windows executable: build-windows/kestrix.exe ($version)"

echo "== Packages"
# The .deb, the .tar.gz, the Windows .zip and the QGIS plugin zips, each
# installed or unpacked and run (scripts/package-check.sh).
scripts/package-check.sh build build-windows build/packages

echo "== End-to-end tests of the Windows executable under Wine"
if ! command -v wine >/dev/null 2>&1; then
  echo "Wine is not installed (it is installed on amd64 machines only): Windows run left out"
  exit 0
fi
started=$(date +%s)
# A private, quiet Wine without a display: no window, no mono or gecko
# installers, no menu entries; the console decodes the command line as UTF-8.
export WINEPREFIX="$PWD/build-windows/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
# Wine's server of this prefix ends with the script, whatever happens.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# Set up (or bring up to date) the prefix before the tests, so that no test
# waits for it or sees its messages.
if ! timeout 600 wineboot --init </dev/null >"$WINEPREFIX.log" 2>&1 || ! timeout 300 wineserver -w; then
  cat "$WINEPREFIX.log"
  echo "Wine could not set up $WINEPREFIX" >&2
  exit 1
fi
# One server for the whole run: a server that ends when it is idle races the
# next test's start ("wine client error: recvmsg: Connection reset by peer").
wineserver -p
# The end-to-end test program itself, so that every skipped test shows why.
KESTRIX_E2E_BINARY="$PWD/build-windows/kestrix.exe" KESTRIX_E2E_LAUNCHER=wine \
  timeout 1800 build/tests/kestrix_e2e_tests
echo "Windows run under Wine: $(($(date +%s) - started)) s"
