#!/usr/bin/env bash
# Makes every package of Kestrix into OUT_DIR (default build/packages):
#   kestrix_<version>_<arch>.deb            Debian package (CPack), from BUILD_DIR
#   kestrix-<version>-linux-<cpu>.tar.gz    the same files under bin/, lib/, share/
#   kestrix-<version>-windows-x86_64.zip    kestrix.exe, README, licence, changes, examples/
#   kestrix_processing-<version>.zip        the QGIS plugin, for "Install from ZIP"
#   kestrix_processing-<version>-windows.zip  the plugin with bin/kestrix.exe inside
#
#   scripts/package.sh [BUILD_DIR [WINDOWS_BUILD_DIR [OUT_DIR]]]
#
# BUILD_DIR (default build) and WINDOWS_BUILD_DIR (default build-windows) are
# configured when they have no CMake cache yet (the Linux build with GDAL when
# it is installed, the Windows one without) and their program is brought up
# to date. A WINDOWS_BUILD_DIR of "-" leaves out the Windows packages. The
# .deb needs dpkg-shlibdeps (dpkg-dev) and file; the zips need zip.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
windows=${2:-build-windows}
out=${3:-build/packages}
jobs=$(nproc 2>/dev/null || echo 2)

for tool in cpack zip unzip dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null 2>&1 || { echo "package.sh needs $tool (apt-get install cmake zip unzip dpkg-dev file)" >&2; exit 1; }
done

mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version=$(sed -n 's/^project(kestrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

echo "-- Linux packages from $build"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRIX_TESTS=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target kestrix
(cd "$work" && cpack --config "$root/$build/CPackConfig.cmake" -B "$work/linux" >"$work/cpack-linux.log") ||
  { cat "$work/cpack-linux.log"; exit 1; }
mv "$work"/linux/*.deb "$work"/linux/*.tar.gz "$out"/

if [ "$windows" != "-" ]; then
  echo "-- Windows package from $windows"
  [ -f "$windows/CMakeCache.txt" ] ||
    cmake -S . -B "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DKESTRIX_WITH_GDAL=OFF >/dev/null
  cmake --build "$windows" -j"$jobs" --target kestrix
  # The .exe must run on a bare Windows: no DLL but the system's own (no
  # libstdc++, libgcc or winpthread of MinGW).
  objdump=x86_64-w64-mingw32-objdump
  command -v "$objdump" >/dev/null 2>&1 || objdump=objdump
  dlls=$("$objdump" -p "$windows/kestrix.exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  foreign=$(echo "$dlls" | grep -viE '^(kernel32|msvcrt|ucrtbase|user32|advapi32|shell32|ole32|oleaut32|ws2_32|gdi32|bcrypt|ntdll|api-ms-win-[a-z0-9-]*)\.dll$' || true)
  if [ -n "$foreign" ]; then
    echo "$windows/kestrix.exe needs DLLs that Windows does not have: $foreign" >&2
    exit 1
  fi
  echo "kestrix.exe needs only: $(echo $dlls)"
  (cd "$work" && cpack --config "$root/$windows/CPackConfig.cmake" -B "$work/windows" >"$work/cpack-windows.log") ||
    { cat "$work/cpack-windows.log"; exit 1; }
  mv "$work"/windows/*.zip "$out"/
fi

plugin=qgis/kestrix_processing
if [ ! -f "$plugin/metadata.txt" ]; then
  echo "-- No QGIS plugin in $plugin: its packages are left out"
else
  echo "-- QGIS plugin from $plugin"
  plugin_version=$(sed -n 's/^version=[[:space:]]*//p' "$plugin/metadata.txt" | tr -d '\r' | head -n1)
  mkdir -p "$work/plugin"
  cp -r "$plugin" "$work/plugin/"
  find "$work/plugin" \( -name __pycache__ -o -name '*.pyc' \) -prune -exec rm -rf {} +
  # QGIS's plugin repository wants the licence inside the plugin's folder.
  if [ -f qgis/LICENSE ] && [ ! -f "$work/plugin/kestrix_processing/LICENSE" ]; then
    cp qgis/LICENSE "$work/plugin/kestrix_processing/LICENSE"
  fi
  name="kestrix_processing-${plugin_version:-$version}"
  rm -f "$out/$name.zip" "$out/$name-windows.zip"
  (cd "$work/plugin" && zip -qrX "$out/$name.zip" kestrix_processing)
  if [ "$windows" != "-" ]; then
    # The Windows variant carries the (stripped) kestrix.exe of the Windows .zip.
    unzip -q "$out/kestrix-$version-windows-x86_64.zip" -d "$work/exe"
    mkdir -p "$work/plugin/kestrix_processing/bin"
    cp "$work/exe/kestrix-$version-windows-x86_64/kestrix.exe" "$work/plugin/kestrix_processing/bin/"
    (cd "$work/plugin" && zip -qrX "$out/$name-windows.zip" kestrix_processing)
  fi
fi

echo "-- Packages in $out:"
for package in "$out"/*; do
  size=$(stat -c %s "$package")
  line="$(basename "$package"): $((size / 1024)) KiB"
  case $package in
    *.deb) line="$line, installed $(dpkg-deb -f "$package" Installed-Size) KiB, depends on: $(dpkg-deb -f "$package" Depends)" ;;
    *.zip | *.tar.gz) ;;
    *) continue ;;
  esac
  echo "$line"
done
