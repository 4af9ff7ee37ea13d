#!/usr/bin/env bash
# Starts or stops the Wine session that the Win32 tests run in:
#   wine-session.sh start STATE_DIR ARCH [8bit]
#   wine-session.sh stop STATE_DIR
# ARCH is the architecture of the programs the session will run: i686 (a
# 32-bit prefix and loader) or x86_64 (a 64-bit prefix and wine64); see
# tools/wine-arch.sh. "start" runs one Xvfb screen and boots two fresh
# throwaway prefixes of that kind on it, each showing its programs in a Wine
# virtual desktop (so windows have captions, as on a real desktop):
#   STATE_DIR/prefix-large  a 1024x768 desktop
#   STATE_DIR/prefix-small  a 640x480 desktop (the narrow-screen placement)
# With "8bit" it makes a session of its own on a 256-colour (palette)
# screen instead: one Xvfb screen of 1024x768 at 8 bits and prefix-large
# alone. tools/wine-run.sh runs a program in one of them. A session whose
# screen or prefixes cannot be made is taken down again: "start" fails with
# the cause and leaves no display file behind.
set -euo pipefail
. "$(dirname "$0")/wine-arch.sh"

usage() {
  echo "usage: wine-session.sh start STATE_DIR i686|x86_64 [8bit] | stop STATE_DIR" >&2
  exit 2
}
action=${1:-}
state=${2:-}
[ -n "$action" ] && [ -n "$state" ] || usage
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
  WINEPREFIX="$prefix" "$loader" wineboot -i >"$state/boot-$1.log" 2>&1 || return 1
  WINEPREFIX="$prefix" "$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  WINEPREFIX="$prefix" "$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$2" /f >/dev/null 2>&1
  # The desktop size takes effect when the prefix's wineserver starts anew.
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
}

give_up() {
  echo "wine-session: $1" >&2
  stop_session
  rm -f "$state/display"
  exit 1
}

case "$action" in
stop)
  stop_session
  ;;
start)
  arch=${3:-}
  mode=${4:-}
  loader=$(qmg_wine_loader "$arch" 2>/dev/null) || usage
  stop_session
  rm -f "$state/display" "$state/arch"
  reason=$(qmg_arch_probe "$arch") || give_up "cannot start an $arch session: $reason"
  export WINEARCH=$(qmg_wine_prefix "$arch")
  case "$mode" in
  "") screen=1280x1024x24 first=90 ;;
  # Numbers of their own, so that a palette session and the usual one can
  # start side by side.
  8bit) screen=1024x768x8 first=150 ;;
  *) usage ;;
  esac
  # A display number no other X server uses.
  display=""
  for n in $(seq "$first" $((first + 50))); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
  done
  [ -n "$display" ] || { echo "wine-session: no free X display" >&2; exit 1; }
  Xvfb ":$display" -screen 0 "$screen" -nolisten tcp >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done
  kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null && [ -e "/tmp/.X11-unix/X$display" ] ||
    give_up "Xvfb did not start a $screen screen on :$display (see $state/xvfb.log)"
  echo ":$display" >"$state/display"
  export DISPLAY=":$display"
  boots=()
  boot_prefix large 1024x768 &
  boots+=($!)
  if [ -z "$mode" ]; then
    boot_prefix small 640x480 &
    boots+=($!)
  fi
  booted=true
  for boot in "${boots[@]}"; do wait "$boot" || booted=false; done
  if ! $booted; then
    give_up "an $arch prefix ($WINEARCH, $loader) did not boot on :$display: $(tail -n 3 "$state"/boot-*.log 2>/dev/null | tr '\n' ' ')"
  fi
  echo "$arch" >"$state/arch"
  echo "wine-session: $arch programs ($WINEARCH prefixes, $loader), display :$display ($screen), prefixes in $state"
  ;;
*)
  usage
  ;;
esac
