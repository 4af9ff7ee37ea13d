#!/usr/bin/env bash
# Times a whole install of a large distribution under Wine against a plain
# recursive copy of the same unpacked files under Wine, and prints both and
# their ratio. It asserts nothing and is not part of the test command.
#
#   tools/bench-install.sh
#
# QMG_BENCH_RUNS=N sets the number of runs (default 3); QMG_BENCH_DIR=DIR the
# working folder (default build/bench/install; emptied, then removed);
# QMG_BENCH_ARCH=i686 or x86_64 the build that is timed (default: the i686
# one that ships where this machine runs it, else its x86_64 twin). The
# figures name the architecture they were taken on.
#
# The distribution: 8 products of about 26 MB each (some 3,600 files and 210
# MB in all: text-like, repetitive binary and random data from a fixed seed),
# each in its own package scrambled with its own key table. The install is
# SETUP.EXE driven by setup-driver.exe (Install pressed, every message
# answered), timed from start to exit; the copy is "xcopy /e /i /q" of the
# same 8 folders, unpacked, into a fresh folder on the same file system.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. tools/wine-arch.sh
runs=${QMG_BENCH_RUNS:-3}

echo "== building"
tools/install-deps.sh
# Not "qmg_runnable_arches | head -n 1": under pipefail, head's early exit
# can end the listing with SIGPIPE and the script with it, silently.
arches=$(qmg_runnable_arches)
arch=${QMG_BENCH_ARCH:-$(head -n 1 <<<"$arches")}
[ -n "$arch" ] || { echo "bench-install: no Windows architecture runs here (reasons above)" >&2; exit 1; }
reason=$(qmg_arch_probe "$arch") || { echo "bench-install: $arch: $reason" >&2; exit 1; }
preset=$(qmg_preset "$arch")
echo "architecture: $arch ($preset build, $(qmg_wine_loader "$arch"))"
cmake --preset bench >/dev/null && cmake --build --preset bench >/dev/null
cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" >/dev/null
qmgdist=build/bench/qmgdist/qmgdist
driver=build/$preset/tests/e2e/driver/setup-driver.exe

work=${QMG_BENCH_DIR:-build/bench/install}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
session="$work/wine"
trap 'tools/wine-session.sh stop "$session" >/dev/null 2>&1; rm -rf "$work"' EXIT

echo "== making the distribution"
build/bench/bench/make_bench_tree "$work/tree" >/dev/null
dist="$work/dist"
mkdir -p "$dist"
script="$dist/SETUP.CTL"
echo "#00000000 install benchmark" > "$script"
n=0
for area in "$work"/tree/area*; do
  n=$((n + 1))
  name=$(basename "$area" | tr '[:lower:]' '[:upper:]')
  code=$(printf '0%d' "$n")
  "$qmgdist" pack --key "$code" "$area" "$dist/$name.QPK" >/dev/null
  printf 'L%s=Benchmark %s\nV=1.0\nF=%s\nZ=%s.QPK\n' "$code" "$name" "$name" "$name" >> "$script"
done
"$qmgdist" stamp "$script" >/dev/null
cp "build/$preset/SETUP.exe" "$dist/SETUP.EXE"
echo "$n products, $(du -sm "$work/tree" | cut -f1) MB in $(find "$work/tree" -type f | wc -l) files;" \
  "packages $(du -cm "$dist"/*.QPK | tail -1 | cut -f1) MB"

tools/wine-session.sh start "$session" "$arch" >/dev/null
export QMG_WINE_SESSION="$session"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

seconds() { # command... ; prints wall-clock seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

installs=() copies=()
for run in $(seq "$runs"); do
  rm -rf "$work/installed" "$work/copy"
  installs+=("$(seconds tools/wine-run.sh "$driver" install "$(winpath "$dist")" "$(winpath "$work/installed")")")
  [ -f "$work/installed/$name/unsetup.ctl" ] || { echo "bench-install: the install did not complete"; exit 1; }
  copies+=("$(seconds tools/wine-run.sh cmd /c xcopy /e /i /q "$(winpath "$work/tree")" "$(winpath "$work/copy")")")
  echo "run $run: install ${installs[-1]} s, copy ${copies[-1]} s"
done
install=$(printf '%s\n' "${installs[@]}" | median)
copy=$(printf '%s\n' "${copies[@]}" | median)
printf '%s, median of %d: install %.2f s, xcopy %.2f s, ratio %.2f\n' "$arch" "$runs" "$install" "$copy" \
  "$(echo "$install / $copy" | bc -l)"
