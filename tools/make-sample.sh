#!/usr/bin/env bash
# Builds the sample distribution from sample/ into OUT_FOLDER:
#   make-sample.sh OUT_FOLDER SETUP_EXE QMGDIST
# SETUP.CTL is stamped with qmgdist. The product packages are placeholders
# until qmgdist can pack them: the installer only looks for them so far.
set -euo pipefail
out=${1:?out folder}
setup=${2:?SETUP.EXE}
qmgdist=${3:?qmgdist}
here=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$out"
mkdir -p "$out"
cp "$setup" "$out/SETUP.EXE"
cp "$here/sample/SETUP.CTL" "$here/sample/README.TXT" "$here/sample/LILYLINK.CFG" "$out/"
"$qmgdist" stamp "$out/SETUP.CTL" >/dev/null
for package in REEDRUN LILYLINK HERONHOP MOSAIC; do
  printf 'placeholder package %s\n' "$package" > "$out/$package.QPK"
done
