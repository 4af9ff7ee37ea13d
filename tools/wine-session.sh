#!/usr/bin/env bash
# Starts or stops the Wine session that the Win32 tests run in:
#   wine-session.sh start STATE_DIR
#   wine-session.sh stop STATE_DIR
# "start" runs one Xvfb screen and boots two fresh throwaway prefixes on it,
# each showing its programs in a Wine virtual desktop (so windows have
# captions, as on a real desktop):
#   STATE_DIR/prefix-large  a 1024x768 desktop
#   STATE_DIR/prefix-small  a 640x480 desktop (the narrow-screen placement)
# tools/wine-run.sh runs a program in one of them.
set -euo pipefail

action=${1:?start or stop}
state=${2:?state folder}
mkdir -p "$state"
state=$(cd "$state" && pwd)

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

stop_session() {
  for prefix in "$state"/prefix-*; do
    [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  done
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid"
  fi
}

boot_prefix() { # name WIDTHxHEIGHT
  local prefix="$state/prefix-$1"
  rm -rf "$prefix"
  WINEPREFIX="$prefix" wineboot -i >/dev/null 2>&1
  WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  WINEPREFIX="$prefix" wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$2" /f >/dev/null 2>&1
  # The desktop size takes effect when the prefix's wineserver starts anew.
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
}

case "$action" in
stop)
  stop_session
  ;;
start)
  stop_session
  # A display number no other X server uses.
  display=""
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "wine-session: no free X display" >&2; exit 1; }
  Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done
  echo ":$display" >"$state/display"
  export DISPLAY=":$display"
  boot_prefix large 1024x768 &
  large=$!
  boot_prefix small 640x480 &
  small=$!
  wait "$large" "$small"
  echo "wine-session: display :$display, prefixes in $state"
  ;;
*)
  echo "usage: wine-session.sh start|stop STATE_DIR" >&2
  exit 2
  ;;
esac
