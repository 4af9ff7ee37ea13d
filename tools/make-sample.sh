#!/usr/bin/env bash
# Builds the sample distribution from its source folder sample/source/ into
# OUT_FOLDER with "qmgdist build":
#   make-sample.sh OUT_FOLDER WIN32_BUILD_FOLDER QMGDIST
# The source folder is the layout a game maker learns: SETUP.CTL, a folder
# per package, the files the C lines copy. What the repository cannot hold
# as it stands is added to a staging copy first
# (tools/make-sample-source.sh). SETUP.EXE and the uninstaller come from
# the same Win32 build.
set -euo pipefail
out=${1:?out folder}
win32=$(cd "${2:?Win32 build folder}" && pwd)
qmgdist=${3:?qmgdist}
here=$(cd "$(dirname "$0")/.." && pwd)

mkdir -p "$out"
out=$(cd "$out" && pwd)
staging="$out.source"
"$here/tools/make-sample-source.sh" "$staging" "$win32"

# A Windows build for x86_64 makes the twin's distribution, for machines
# that run no 32-bit programs.
. "$here/tools/wine-arch.sh"
twin=()
[ "$(qmg_program_arch "$win32/SETUP.exe")" = x86_64 ] && twin=(--x86_64)
"$qmgdist" build --clean "${twin[@]}" --setup "$win32/SETUP.exe" --uninstaller "$win32/unsetup/unsetup.exe" \
  "$staging" "$out" >/dev/null
chmod -R u+w "$staging"
rm -rf "$staging"
