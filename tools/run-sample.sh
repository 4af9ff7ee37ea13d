#!/usr/bin/env bash
# Installs what is missing, builds, makes the sample distribution and runs
# SETUP.EXE on it: the i686 SETUP.EXE that ships where this machine runs
# 32-bit code, its x86_64 twin where it does not (it says which). With a
# usable display the installer opens for you to use; without one it is
# driven by setup-driver.exe, which prints what the dialog offered, installs
# every product into C:\QMG of a fresh Wine prefix, prints what that made
# (files, registry entries, shortcuts), then removes Reed Runner as a player
# would (its Uninstall entry's UninstallString, answered Yes, after the game
# wrote a save file) and prints what was left, and saves screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. tools/wine-arch.sh

tools/install-deps.sh
arches=$(qmg_runnable_arches)
arch=$(head -n 1 <<<"$arches")
if [ -z "$arch" ]; then
  echo "run-sample: this machine runs neither i686 nor x86_64 Windows programs under Wine (reasons above)" >&2
  exit 1
fi
preset=$(qmg_preset "$arch")
if [ "$arch" = i686 ]; then
  echo "run-sample: running the i686 SETUP.EXE, the one that ships"
else
  echo "run-sample: this machine runs no i686 programs; running the x86_64 twin of SETUP.EXE"
fi

cmake --preset native >/dev/null
cmake --build --preset native --target qmgdist
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

sample="$root/build/sample"
dist="$sample/dist"
tools/make-sample.sh "$dist" "build/$preset" build/native/qmgdist/qmgdist
echo "sample distribution: $dist"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  loader=$(qmg_wine_loader "$arch")
  export WINEPREFIX="$sample/prefix-$arch" WINEARCH=$(qmg_wine_prefix "$arch")
  [ -d "$WINEPREFIX" ] || "$loader" wineboot -i >/dev/null 2>&1
  echo "starting SETUP.EXE on $DISPLAY"
  "$loader" "$dist/SETUP.EXE"
else
  trap 'tools/wine-session.sh stop "$sample/wine"' EXIT
  tools/wine-session.sh start "$sample/wine" "$arch"
  export QMG_WINE_SESSION="$sample/wine"
  driver="build/$preset/tests/e2e/driver/setup-driver.exe"
  echo "== what SETUP.EXE offers"
  tools/wine-run.sh "$driver" show "$dist" --screenshot "$sample/main-dialog.png"
  echo "== installing every product into C:\\QMG"
  tools/wine-run.sh "$driver" install "$dist" 'C:\QMG' --screenshot "$sample/install.png"
  echo "== what the installation made"
  tools/wine-run.sh "$driver" report 'C:\QMG'
  echo "== a player's save, then Reed Runner removed from the list of installed programs"
  printf 'level 4, 1200 points\r\n' > "$sample/wine/prefix-large/drive_c/QMG/REEDRUN/REEDRUN.SAV"
  tools/wine-run.sh "$driver" uninstall "Reed Runner" --screenshot "$sample/uninstall"
  echo "screenshots: $sample/main-dialog.png $sample/install.png"
  echo "             $sample/uninstall-question.png $sample/uninstall-final.png"
fi
