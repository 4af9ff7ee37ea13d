#!/usr/bin/env bash
# Runs a Windows program under Wine in the session that tools/wine-session.sh
# started, with the Wine loader of the session's architecture. The session
# folder comes from QMG_WINE_SESSION (default: the build's wine folder, found
# beside the program), the prefix from QMG_WINE_SCREEN: "large" (1024x768,
# the default) or "small" (640x480). A program file built for another
# architecture than the session's is refused rather than run by the wrong
# loader.
set -euo pipefail
. "$(dirname "$0")/wine-arch.sh"

program=${1:?program}
shift
if [ -z "${QMG_WINE_SESSION:-}" ]; then
  dir=$(cd "$(dirname "$program")" && pwd)
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  QMG_WINE_SESSION="$dir/wine"
fi
if [ ! -f "$QMG_WINE_SESSION/display" ] || [ ! -f "$QMG_WINE_SESSION/arch" ]; then
  echo "wine-run: no Wine session in $QMG_WINE_SESSION; start one with tools/wine-session.sh start" >&2
  exit 1
fi
arch=$(cat "$QMG_WINE_SESSION/arch")
built_for=$(qmg_program_arch "$program")
if [ -n "$built_for" ] && [ "$built_for" != "$arch" ]; then
  echo "wine-run: $program is an $built_for program; the session in $QMG_WINE_SESSION runs $arch programs" >&2
  exit 1
fi
export DISPLAY=$(cat "$QMG_WINE_SESSION/display")
export WINEPREFIX="$QMG_WINE_SESSION/prefix-${QMG_WINE_SCREEN:-large}"
export WINEARCH=$(qmg_wine_prefix "$arch")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec "$(qmg_wine_loader "$arch")" "$program" "$@"
