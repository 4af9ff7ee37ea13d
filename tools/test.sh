#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test:
# native unit tests and fuzz runs, then the Win32 and end-to-end tests
# under Wine (the Wine session is started and stopped by the test run).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== win32 build and tests under Wine"
cmake --preset win32 >/dev/null
cmake --build --preset win32
ctest --preset win32
