#!/usr/bin/env bash
# Tries a release package as a game maker would: unpacks the .tar.gz into a
# fresh folder outside the source tree, copies the sample source from it,
# builds the sample distribution with the installed qmgdist (which finds
# SETUP.EXE and unsetup.exe beside itself) and checks it.
#   check-installed.sh PACKAGE.tar.gz
set -euo pipefail
package=$(cd "$(dirname "${1:?package .tar.gz}")" && pwd)/$(basename "$1")
place=$(mktemp -d /tmp/qmgdist-installed-XXXXXX)
trap 'chmod -R u+w "$place"; rm -rf "$place"' EXIT
tar -xzf "$package" -C "$place" --strip-components=1
cd "$place"
cp -Rp share/qmg/sample my-game
bin/qmgdist --version
bin/qmgdist build -q my-game dist
bin/qmgdist check dist
bin/qmgdist verify dist/SETUP.CTL
