#!/usr/bin/env bash
# Installs what is missing, builds, makes the sample distribution and runs
# SETUP.EXE on it. With a usable display the installer opens for you to use;
# without one it is driven by setup-driver.exe, which prints what the dialog
# offered and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tools/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target qmgdist
cmake --preset win32 >/dev/null
cmake --build --preset win32

sample="$root/build/sample"
dist="$sample/dist"
tools/make-sample.sh "$dist" build/win32 build/native/qmgdist/qmgdist
echo "sample distribution: $dist"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX="$sample/prefix"
  [ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
  echo "starting SETUP.EXE on $DISPLAY"
  wine "$dist/SETUP.EXE"
else
  trap 'tools/wine-session.sh stop "$sample/wine"' EXIT
  tools/wine-session.sh start "$sample/wine"
  QMG_WINE_SESSION="$sample/wine" tools/wine-run.sh build/win32/tests/e2e/driver/setup-driver.exe \
    show "Z:${dist//\//\\}" --screenshot "Z:${sample//\//\\}\\main-dialog.png"
  echo "screenshot: $sample/main-dialog.png"
fi
