#!/usr/bin/env bash
# Builds the sample distribution from sample/ into OUT_FOLDER:
#   make-sample.sh OUT_FOLDER WIN32_BUILD_FOLDER QMGDIST
# SETUP.EXE, the uninstaller and the stand-in games come from the Win32 build; every package
# is packed and scrambled by qmgdist (the shared packages with the shared key
# table, each product's with its own), and SETUP.CTL is stamped by it.
set -euo pipefail
out=${1:?out folder}
win32=$(cd "${2:?Win32 build folder}" && pwd)
qmgdist=${3:?qmgdist}
here=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
staging="$out.content"
rm -rf "$staging"
mkdir -p "$staging"

# Package contents, made here so that the repository holds only recipes.
content() { # folder file text...
  mkdir -p "$staging/$1/$(dirname "$2")"
  printf '%s\n' "${@:3}" > "$staging/$1/$2"
}
for n in 1 2 3; do content MUSIC "theme$n.mid" "MThd marsh theme $n"; done
content COMMONUI buttons.dat "button faces: reed, lily, heron"
content COMMONUI fonts/puzzle.fnt "puzzle font"
for n in 01 02 03 04 05; do content REEDRUN "levels/level$n.dat" "reed runner level $n" "$(printf 'row%.0s' {1..40})"; done
for n in 01 02 03; do content LILYLINK "puzzles/lily$n.dat" "lily links puzzle $n"; done
content LILYLINK sound/splash.wav "RIFF splash"
for n in 1 2; do content LILYXTRA "extra$n.dat" "extra lily puzzle $n"; done
content HERONHOP data/ponds.dat "heron hop ponds"
content MOSAIC demo.dat "mosaic demo"
cp "$win32/sample/games/REEDRUN.exe" "$staging/REEDRUN/REEDRUN.EXE"
cp "$win32/sample/games/LILYLINK.exe" "$staging/LILYLINK/LILYLINK.EXE"
cp "$win32/sample/games/HERONHOP.exe" "$staging/HERONHOP/HERONHOP.EXE"
# The game files are read-only on the player's disk, as they came.
chmod a-w "$staging"/REEDRUN/levels/*.dat

pack() { # package key folder
  "$qmgdist" pack --key "$2" "$staging/$3" "$out/$1" >/dev/null
}
pack MUSIC.QPK shared MUSIC
pack COMMONUI.QPK shared COMMONUI
pack REEDRUN.QPK 01 REEDRUN
pack LILYLINK.QPK 02 LILYLINK
pack LILYXTRA.QPK 02 LILYXTRA
pack HERONHOP.QPK 03 HERONHOP
pack MOSAIC.QPK 05 MOSAIC
rm -rf "$staging"

cp "$win32/SETUP.exe" "$out/SETUP.EXE"
cp "$win32/unsetup/unsetup.exe" "$out/UNSETUP.EXE"
python3 "$here/sample/draw_background.py" "$out/SETUPBK.QBK"
cp "$here/sample/SETUP.CTL" "$here/sample/README.TXT" "$here/sample/LILYLINK.CFG" "$out/"
"$qmgdist" stamp "$out/SETUP.CTL" >/dev/null
"$qmgdist" verify "$out/SETUP.CTL" >/dev/null
