#!/usr/bin/env bash
# Builds kestrix and runs every test: the normal build, the build with
# AddressSanitizer and UndefinedBehaviorSanitizer, and a Windows cross-build.
# Installs the build tools (and GDAL's command-line tools, which check the
# written layers) with apt-get when they are missing.
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
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing build tools: ${need[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)

# The tests are switched on explicitly: an earlier configure (scripts/run-example.sh
# configures build/ without them) must not leave a build that tests nothing, and
# --no-tests=error fails a build in which no test ran.
echo "== Build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_TESTS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKESTRIX_SANITIZE=ON -DKESTRIX_TESTS=ON
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$jobs"

echo "== Cross-build for Windows"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-windows -j"$jobs"
# Both executables report the same version line.
version=$(build/kestrix --version)
if ! grep -aqF "$version" build-windows/kestrix.exe; then
  echo "build-windows/kestrix.exe does not carry the version line \"$version\"" >&2
  exit 1
fi
echo "Windows executable: build-windows/kestrix.exe ($version)"
