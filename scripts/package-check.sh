#!/usr/bin/env bash
# Makes every package (scripts/package.sh) and checks that each one works as
# it is installed: the .deb installed with dpkg runs the bundled example from
# /usr/bin/kestrix (and, built with GDAL, loads its module from
# /usr/lib/kestrix/), its manual page renders, the .tar.gz runs wherever it is
# unpacked, the Windows .zip runs the example under Wine in a fresh prefix and
# writes the same bytes as the Linux package, and the QGIS plugin zips hold
# the plugin's folder at their top. Part of scripts/test.sh; by hand:
#
#   scripts/package-check.sh [BUILD_DIR [WINDOWS_BUILD_DIR [OUT_DIR]]]
#
# Installing the .deb needs root (sudo otherwise); a package that was not
# installed before is removed again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
windows=${2:-build-windows}
out=${3:-build/packages}
version=$(sed -n 's/^project(kestrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

rm -rf "$out"
scripts/package.sh "$build" "$windows" "$out"

scratch=$(mktemp -d)
installed_before=no
dpkg-query -W -f '${Status}' kestrix 2>/dev/null | grep -q 'install ok installed' && installed_before=yes
cleanup() {
  [ -z "${WINEPREFIX:-}" ] || wineserver -k >/dev/null 2>&1 || true
  [ "$installed_before" = yes ] || $sudo dpkg -P kestrix >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "package check: $*" >&2
  exit 1
}
with_gdal=no
grep -q '^KESTRIX_WITH_GDAL:BOOL=ON' "$build/CMakeCache.txt" && with_gdal=yes

# The bundled example as the README tells it for an installed Kestrix, in
# folder $1 holding the examples, with the program $2 (and any launcher
# before it); checks the files it writes.
run_example() {
  local folder=$1
  shift
  (cd "$folder" && "$@" -batch -N -savedate:off survey.mif start_lines.mif >run.log 2>&1) ||
    { cat "$folder/run.log"; fail "the example failed in $folder"; }
  for file in XS1.csv XS2.csv XS3.csv 1d_xs.mif 1d_xs.mid _xs_bed_points.mif _xs_bed_points.mid \
    _xs_all_points.mif _xs_all_points.mid; do
    [ -s "$folder/$file" ] || fail "the example wrote no $file in $folder"
  done
  grep -q '^Finished\.' "$folder/run.log" || fail "the example did not finish in $folder"
}

echo "-- The manual page renders without warnings"
warnings=$(MANPAGER=cat man --warnings -l -Tutf8 docs/kestrix.1 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "docs/kestrix.1: $warnings"

echo "-- The .deb installed with dpkg"
deb=$(ls "$out"/kestrix_"$version"_*.deb)
if ! $sudo dpkg -i "$deb" >"$scratch/dpkg.log" 2>&1; then
  # Its dependencies first, from the archive.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -f -y -qq >>"$scratch/dpkg.log" 2>&1 ||
    { cat "$scratch/dpkg.log"; fail "$deb could not be installed"; }
fi
[ "$(dpkg-query -W -f '${Version}' kestrix)" = "$version" ] || fail "dpkg does not list kestrix $version"
depends=$(dpkg-deb -f "$deb" Depends)
if [ "$with_gdal" = yes ]; then
  echo "$depends" | grep -q 'libgdal' || fail "$deb built with GDAL does not depend on GDAL's library: $depends"
  [ -f /usr/lib/kestrix/libkestrix-gdal.so ] || fail "$deb installed no /usr/lib/kestrix/libkestrix-gdal.so"
fi
[ "$(command -v kestrix)" = /usr/bin/kestrix ] || fail "kestrix on the PATH is $(command -v kestrix), not /usr/bin/kestrix"
/usr/bin/kestrix --version | grep -q "^Kestrix $version" || fail "/usr/bin/kestrix --version: $(/usr/bin/kestrix --version)"
manual=$(MANPAGER=cat man -l /usr/share/man/man1/kestrix.1.gz 2>&1)
echo "$manual" | grep -q '^EXIT STATUS' || fail "the installed manual page does not render: $manual"
mkdir "$scratch/deb"
cp /usr/share/kestrix/examples/* "$scratch/deb/"
run_example "$scratch/deb" /usr/bin/kestrix
if [ "$with_gdal" = yes ]; then
  # The installed module, loaded from /usr/lib/kestrix/.
  (cd "$scratch/deb" && /usr/bin/kestrix -batch -quiet -N -savedate:off -gpkg -out:gpkg survey.mif start_lines.mif \
    >gpkg.log 2>&1) || { cat "$scratch/deb/gpkg.log"; fail "the installed kestrix could not write -gpkg"; }
  [ -s "$scratch/deb/gpkg/kestrix_layers.gpkg" ] || fail "the installed kestrix wrote no GeoPackage"
fi
echo "Installed: $(dpkg-query -W -f '${Installed-Size}' kestrix) KiB; depends on: $depends"

echo "-- The .tar.gz unpacked anywhere"
tar -xzf "$out"/kestrix-"$version"-linux-*.tar.gz -C "$scratch"
tree=$(echo "$scratch"/kestrix-"$version"-linux-*)
[ -f "$tree/share/man/man1/kestrix.1.gz" ] || fail "the .tar.gz holds no manual page"
mkdir "$scratch/tgz"
cp "$tree"/share/kestrix/examples/* "$scratch/tgz/"
run_example "$scratch/tgz" "$tree/bin/kestrix"
if [ "$with_gdal" = yes ]; then
  (cd "$scratch/tgz" && "$tree/bin/kestrix" -batch -quiet -N -savedate:off -gpkg -out:gpkg survey.mif start_lines.mif \
    >gpkg.log 2>&1) || { cat "$scratch/tgz/gpkg.log"; fail "the unpacked kestrix could not write -gpkg"; }
fi

if [ "$windows" != "-" ]; then
  echo "-- The Windows .zip under Wine, in a fresh prefix"
  zip=$out/kestrix-$version-windows-x86_64.zip
  unzip -q "$zip" -d "$scratch/win"
  top=$scratch/win/kestrix-$version-windows-x86_64
  for file in kestrix.exe README.md LICENSE CHANGELOG.md examples/survey.mif examples/start_lines.mid; do
    [ -f "$top/$file" ] || fail "$zip holds no $file"
  done
  if ! command -v wine >/dev/null 2>&1; then
    echo "Wine is not installed: the Windows .zip is not run"
  else
    export WINEPREFIX="$scratch/wine-prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
    unset DISPLAY WAYLAND_DISPLAY
    if ! timeout 600 wineboot --init </dev/null >"$scratch/wineboot.log" 2>&1 || ! timeout 300 wineserver -w; then
      cat "$scratch/wineboot.log"
      fail "Wine could not set up $WINEPREFIX"
    fi
    run_example "$top/examples" wine "$top/kestrix.exe"
    # The same bytes as the Linux package's run; only the console differs.
    for file in "$scratch"/deb/*.csv "$scratch"/deb/1d_xs.* "$scratch"/deb/_xs_*; do
      cmp -s "$file" "$top/examples/$(basename "$file")" ||
        fail "the Windows package wrote another $(basename "$file") than the Linux package"
    done
  fi
fi

plugins=$(ls "$out"/kestrix_processing-*.zip 2>/dev/null || true)
if [ -z "$plugins" ]; then
  echo "-- No QGIS plugin package to check"
else
  echo "-- The QGIS plugin zips"
  for plugin in $plugins; do
    listing=$(unzip -Z1 "$plugin")
    for file in kestrix_processing/metadata.txt kestrix_processing/__init__.py; do
      echo "$listing" | grep -qx "$file" || fail "$plugin holds no $file"
    done
    echo "$listing" | grep -qv '^kestrix_processing/' && fail "$plugin holds files outside kestrix_processing/"
    case $plugin in
      *-windows.zip) echo "$listing" | grep -qx kestrix_processing/bin/kestrix.exe || fail "$plugin holds no bin/kestrix.exe" ;;
    esac
  done
fi
echo "Packages checked"
