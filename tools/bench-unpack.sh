#!/usr/bin/env bash
# Times the installer's extraction code against unzip and bsdtar on one large
# package, and prints the figures; it asserts nothing and is not part of the
# test command.
#
#   tools/bench-unpack.sh
#
# QMG_BENCH_RUNS=N sets the number of runs (default 5); QMG_BENCH_DIR=DIR
# the working folder (default build/bench/work; it is emptied and removed).
# A folder on tmpfs such as /dev/shm/qmg-bench takes the disk out of the
# figures and leaves the extraction's own cost.
#
# Builds the "bench" preset (optimised, no sanitizers), writes a tree of
# about 210 MB in some 3,600 files (text-like, repetitive binary and random
# data from a fixed seed), packs it with "qmgdist pack --key zero" so that
# every tool reads the same plain ZIP bytes, then extracts it with each tool
# into a fresh folder on the same file system, the tools taking turns run
# after run. For each it prints the median wall-clock time, its ratio to the
# installer code's, the peak resident memory, and the peak of an empty run
# of the same program (start-up alone) for comparison. Last comes the floor:
# inflate_floor reads the package into memory and inflates and checksums
# every member there, writing no file, so the extraction's time over the
# floor shows what the files, folders and log cost beyond zlib itself.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${QMG_BENCH_RUNS:-5}
for tool in unzip bsdtar; do
  command -v "$tool" >/dev/null || { echo "bench-unpack: $tool is not installed (tools/install-deps.sh)"; exit 2; }
done

echo "== building the bench preset"
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench/bench
qmgdist=build/bench/qmgdist/qmgdist
work=${QMG_BENCH_DIR:-build/bench/work}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
trap 'rm -rf "$work"' EXIT

measured=$work/measured
echo "== making the package"
"$bin/make_bench_tree" "$work/tree"
"$bin/measure" "$measured" "$qmgdist" pack --key zero "$work/tree" "$work/BENCH.QPK" >/dev/null
read -r s kb rc < "$measured"
[ "$rc" -eq 0 ] || { echo "bench-unpack: qmgdist pack failed"; exit 1; }
echo "package: $(du -m "$work/BENCH.QPK" | cut -f1) MB, $(find "$work/tree" -type f | wc -l) files," \
  "$(find "$work/tree" -type d | wc -l) folders; packed in $s s, peak $kb KB"

# The tools: a name, the extraction command into a folder, and an empty run
# (start-up alone), each set into the array `command`.
package=$work/BENCH.QPK
names=("installer code (unpack_bench)" "qmgdist extract" "unzip -o -q" "bsdtar -xf" "zlib floor (inflate_floor)")
floor=4
extraction() { # TOOL DESTINATION
  case $1 in
    0) command=("$bin/unpack_bench" "$package" "$2") ;;
    1) command=("$qmgdist" extract --key zero "$package" "$2") ;;
    2) command=(unzip -o -q "$package" -d "$2") ;;
    3) command=(bsdtar -xf "$package" -C "$2") ;;
    4) command=("$bin/inflate_floor" "$package") ;;
  esac
}
empty_run() { # TOOL
  case $1 in
    0) command=("$bin/unpack_bench") ;;
    1) command=("$qmgdist" --help) ;;
    2) command=(unzip -v) ;;
    3) command=(bsdtar --version) ;;
    4) command=("$bin/inflate_floor") ;;
  esac
}

declare -A seconds peak status
for ((run = 1; run <= runs; run++)); do
  for i in "${!names[@]}"; do
    dest=$work/out-$i
    rm -rf "$dest"
    mkdir -p "$dest"          # unzip and bsdtar want it; the others accept it
    sync
    extraction "$i" "$dest"
    "$bin/measure" "$measured" "${command[@]}" >/dev/null
    read -r s kb rc < "$measured"
    seconds[$i]+="$s "
    peak[$i]=$(( ${peak[$i]:-0} > kb ? ${peak[$i]:-0} : kb ))
    status[$i]+="$rc "
    # Every tool must have made the whole tree, once.
    if [ "$run" -eq 1 ] && [ "$i" -ne "$floor" ] && ! diff -rq "$work/tree" "$dest" >/dev/null; then
      echo "bench-unpack: ${names[$i]} did not reproduce the tree"
    fi
  done
  echo "run $run of $runs done"
done
rm -rf "$work"/out-*

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo
printf '%-30s %9s %7s %11s %13s  %s\n' "tool" "median s" "ratio" "peak KB" "empty-run KB" "runs (s), exit statuses"
base=$(median <<< "${seconds[0]}")
for i in "${!names[@]}"; do
  m=$(median <<< "${seconds[$i]}")
  empty_run "$i"
  "$bin/measure" "$measured" "${command[@]}" >/dev/null 2>&1
  read -r _ empty_kb _ < "$measured"
  ratio=$(awk -v a="$m" -v b="$base" 'BEGIN { printf "%.2f", a / b }')
  printf '%-30s %9.3f %7s %11s %13s  %s| %s\n' "${names[$i]}" "$m" "$ratio" "${peak[$i]}" "$empty_kb" \
    "${seconds[$i]}" "${status[$i]}"
done
echo
awk -v a="$base" -v f="$(median <<< "${seconds[$floor]}")" \
  'BEGIN { printf "installer code over the zlib floor: %.2f (%.3f s against %.3f s)\n", a / f, a, f }'
echo "ratio: median time over the installer code's (above 1 is slower)."
echo "The installer code's time includes writing the uninstall log, as SETUP.EXE does."
