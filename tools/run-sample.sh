#!/usr/bin/env bash
# Installs what is missing, builds, makes the sample distribution and runs
# SETUP.EXE on it. With a usable display the installer opens for you to use;
# without one it is driven by setup-driver.exe, which prints what the dialog
# offered, installs every product into C:\QMG of a fresh Wine prefix, prints
# what that made (files, registry entries, shortcuts) and saves screenshots.
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
  export QMG_WINE_SESSION="$sample/wine"
  driver=build/win32/tests/e2e/driver/setup-driver.exe
  echo "== what SETUP.EXE offers"
  tools/wine-run.sh "$driver" show "$dist" --screenshot "$sample/main-dialog.png"
  echo "== installing every product into C:\\QMG"
  tools/wine-run.sh "$driver" install "$dist" 'C:\QMG' --screenshot "$sample/install.png"
  echo "== what the installation made"
  tools/wine-run.sh "$driver" report 'C:\QMG'
  echo "screenshots: $sample/main-dialog.png $sample/install.png"
fi
