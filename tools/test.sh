#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test:
# native unit tests and fuzz runs, then the Win32 and end-to-end tests
# under Wine (the Wine session is started and stopped by the test run).
# Each phase prints how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."

phase() { # name command...
  local started=$SECONDS
  echo "== $1"
  "${@:2}"
  echo "== $1: $((SECONDS - started)) s"
}

quiet() { "$@" >/dev/null; }

phase "installing what is missing" tools/install-deps.sh
phase "native configure" quiet cmake --preset native
phase "native build" cmake --build --preset native
phase "native tests" ctest --preset native
phase "win32 configure" quiet cmake --preset win32
phase "win32 build" cmake --build --preset win32
phase "win32 tests under Wine" ctest --preset win32
echo "== all done in $SECONDS s"
