#!/usr/bin/env bash
# Checks that every #include between the source folders points down the
# layers, never up or sideways into a peer:
#   0  base/                               the ground every subsystem stands on
#   1  package/ picture/ shell/ browse/    subsystems on the ground alone
#   2  script/                             the interpreter and the install driver
#   3  app/ qmgdist/ unsetup/              the programs
# Tests, benchmarks and resources/ (generated ids) may include anything.
# Prints each crossing and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case $1 in
    base) echo 0 ;;
    package | picture | shell | browse) echo 1 ;;
    script) echo 2 ;;
    app | qmgdist | unsetup) echo 3 ;;
    *) echo "" ;;
  esac
}

crossings=0
while IFS=: read -r file target; do
  from=${file%%/*}
  to=${target%%/*}
  [ "$from" = "$to" ] && continue
  [ "$to" = resources ] && continue
  from_rank=$(rank "$from")
  to_rank=$(rank "$to")
  if [ -z "$to_rank" ] || [ "$to_rank" -ge "$from_rank" ]; then
    echo "layers: $file includes $target"
    crossings=$((crossings + 1))
  fi
done < <(git ls-files 'base/*' 'package/*' 'picture/*' 'shell/*' 'browse/*' 'script/*' 'app/*' 'qmgdist/*' 'unsetup/*' |
  grep -E '\.(h|cpp)$' | xargs grep -Ho '^#include "[^"]*"' | sed 's/#include "\(.*\)"/\1/')

if [ "$crossings" -gt 0 ]; then
  echo "layers: $crossings include(s) point up or sideways" >&2
  exit 1
fi
echo "layers: every include points down"
