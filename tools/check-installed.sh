#!/usr/bin/env bash
# Tries the release packages as a game maker would, outside the source tree:
#   check-installed.sh RELEASE_BUILD [WIN32_BUILD]
# The Linux .tar.gz that cpack made in RELEASE_BUILD is unpacked into a
# fresh folder; the sample source is copied from it, built into a
# distribution with the installed qmgdist (which finds SETUP.EXE and
# unsetup.exe beside itself) and checked. With WIN32_BUILD and a Wine
# session (QMG_WINE_SESSION, as the Win32 tests have), the Windows .zip
# made there is unpacked too: its qmgdist.exe checks that distribution and,
# where it can pack, builds the sample itself, which must give the same
# bytes. Exit 77 (skipped) when the packages have not been made.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
release=$(cd "${1:?release build folder}" 2>/dev/null && pwd) || {
  echo "check-installed: no release build in $1 yet (tools/test.sh makes it)" >&2
  exit 77
}
tarball=$(ls "$release"/qmgdist-*-Linux.tar.gz 2>/dev/null | head -n 1 || true)
zip=""
if [ -n "${2:-}" ]; then
  zip=$(ls "$2"/qmgdist-*-windows-i686.zip 2>/dev/null | head -n 1 || true)
  [ -n "$zip" ] && zip=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")
fi
if [ -z "$tarball" ] || { [ -n "${2:-}" ] && [ -z "$zip" ]; }; then
  echo "check-installed: no release packages yet (cpack in build/release and build/win32 makes them)" >&2
  exit 77
fi
place=$(mktemp -d /tmp/qmgdist-installed-XXXXXX)
trap 'chmod -R u+w "$place"; rm -rf "$place"' EXIT
mkdir "$place/linux"
tar -xzf "$tarball" -C "$place/linux" --strip-components=1
cd "$place"
cp -Rp linux/share/qmg/sample my-game
linux/bin/qmgdist --version
linux/bin/qmgdist build -q my-game dist
linux/bin/qmgdist check dist
linux/bin/qmgdist verify dist/SETUP.CTL
[ -n "$zip" ] || exit 0

# Windows paths of the files here, on Wine's drive Z:.
windows() { echo "Z:${1//\//\\}"; }
unzip -q "$zip" -d "$place/windows-zip"
mv "$place"/windows-zip/qmgdist-* "$place/windows"
run() { "$here/tools/wine-run.sh" "$place/windows/qmgdist.exe" "$@" 2>&1 | tr -d '\r'; }
run --version
checked=$(run check "$(windows "$place/dist")") || true
echo "$checked"
grep -q ": 0 errors" <<<"$checked"
built=$(run build -q "$(windows "$place/my-game")" "$(windows "$place/dist-windows")") && status=0 || status=$?
if grep -q "not available in this build" <<<"$built"; then
  echo "check-installed: this qmgdist.exe cannot pack; the Windows build of the sample is left out"
  exit 0
fi
echo "$built"
[ "$status" = 0 ]
diff -r dist dist-windows
echo "check-installed: the Windows and the Linux qmgdist built the same bytes"
