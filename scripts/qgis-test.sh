#!/usr/bin/env bash
# Runs the tests of the QGIS Processing provider (qgis/tests) in a headless
# QGIS: Debian's qgis and python3-qgis, with Qt's offscreen platform. The
# provider runs the Kestrix executable of the build folder given (default
# build). Ends with the line "N passed, N failed"; fails when a test fails or
# none ran.
#
#   scripts/qgis-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
executable="$PWD/$build/kestrix"
if [ ! -x "$executable" ]; then
  echo "No Kestrix executable at $executable: build it first" >&2
  exit 1
fi
# Debian's QGIS bindings belong to Debian's Python, whatever python3 is first on the PATH.
python=/usr/bin/python3
if ! QT_QPA_PLATFORM=offscreen "$python" -c "import qgis.core" >/dev/null 2>&1; then
  echo "QGIS's Python bindings are missing: apt-get install qgis python3-qgis" >&2
  exit 1
fi
export QT_QPA_PLATFORM=offscreen
export KESTRIX_EXECUTABLE="$executable"
# Qt wants a private runtime folder; QGIS's temporaries go to a scratch folder.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
exec "$python" -W ignore::DeprecationWarning -W ignore::ResourceWarning qgis/tests/run_tests.py "${@:2}"
