#!/usr/bin/env bash
# Completes the sample source folder into SOURCE_FOLDER:
#   make-sample-source.sh SOURCE_FOLDER WIN32_BUILD_FOLDER
# sample/source/ holds what the repository can hold as it stands; added
# here are the stand-in games (built by the Win32 build), the background
# picture (drawn by sample/draw_background.py) and the read-only attribute
# of the level files. The result is the source folder a maker runs
# "qmgdist build" on, as tools/make-sample.sh does and as the release
# package ships it.
set -euo pipefail
source_folder=${1:?source folder}
win32=$(cd "${2:?Win32 build folder}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)

if [ -d "$source_folder" ]; then
  chmod -R u+w "$source_folder"
  rm -rf "$source_folder"
fi
mkdir -p "$(dirname "$source_folder")"
cp -Rp "$here/sample/source" "$source_folder"
for game in REEDRUN LILYLINK HERONHOP; do
  cp -p "$win32/sample/games/$game.exe" "$source_folder/$game/$game.EXE"
done
# A fixed time for what is made here, so that the same sources give the
# same packages on every run.
touch -d '2026-01-01 12:00:00' "$source_folder"/*/*.EXE
python3 "$here/sample/draw_background.py" "$source_folder/SETUPBK.QBK"
# The game files are read-only on the player's disk, as they came.
chmod a-w "$source_folder"/REEDRUN/levels/*.dat
