#!/usr/bin/env bash
# Builds the sample distribution from its source folder sample/source/ into
# OUT_FOLDER with "qmgdist build":
#   make-sample.sh OUT_FOLDER WIN32_BUILD_FOLDER QMGDIST [QMGDIST_EXE]
# The source folder is the layout a game maker learns: SETUP.CTL, a folder
# per package, the files the C lines copy. What the repository cannot hold
# as it stands is added to a staging copy first
# (tools/make-sample-source.sh). SETUP.EXE and the uninstaller come from
# the same Win32 build.
#
# With QMGDIST_EXE, the Windows qmgdist.exe builds the same staging copy
# again under Wine (tools/wine-run.sh, in the session QMG_WINE_SESSION
# names) into OUT_FOLDER.windows, and the two distributions must hold the
# same files with the same bytes: the packages' DOS times come from the
# staging copy's times, which both builds read.
set -euo pipefail
out=${1:?out folder}
win32=$(cd "${2:?Win32 build folder}" && pwd)
qmgdist=${3:?qmgdist}
qmgdist_exe=${4:-}
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
if [ -n "$qmgdist_exe" ]; then
  # Wine takes the Linux paths as paths on its drive Z:.
  rm -rf "$out.windows"
  "$here/tools/wine-run.sh" "$qmgdist_exe" build --clean "${twin[@]}" --setup "$win32/SETUP.exe" \
    --uninstaller "$win32/unsetup/unsetup.exe" "$staging" "$out.windows" >/dev/null
  if ! diff -r "$out" "$out.windows"; then
    echo "make-sample: qmgdist.exe built a different distribution from the same source" >&2
    exit 1
  fi
  echo "make-sample: qmgdist and qmgdist.exe built the same bytes: $(ls "$out" | wc -l) files"
fi
chmod -R u+w "$staging"
rm -rf "$staging"
