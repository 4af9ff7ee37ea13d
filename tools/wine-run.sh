#!/usr/bin/env bash
# Runs a Windows program under Wine in the session that tools/wine-session.sh
# started. The session folder comes from QMG_WINE_SESSION (default: the
# build's wine folder, found beside the program), the prefix from
# QMG_WINE_SCREEN: "large" (1024x768, the default) or "small" (640x480).
set -euo pipefail

program=${1:?program}
shift
if [ -z "${QMG_WINE_SESSION:-}" ]; then
  dir=$(cd "$(dirname "$program")" && pwd)
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  QMG_WINE_SESSION="$dir/wine"
fi
if [ ! -f "$QMG_WINE_SESSION/display" ]; then
  echo "wine-run: no Wine session in $QMG_WINE_SESSION; start one with tools/wine-session.sh start" >&2
  exit 1
fi
export DISPLAY=$(cat "$QMG_WINE_SESSION/display")
export WINEPREFIX="$QMG_WINE_SESSION/prefix-${QMG_WINE_SCREEN:-large}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$program" "$@"
