#!/usr/bin/env bash
# Times "qmgdist pack" against zip and bsdtar making one archive of the same
# tree, and prints the figures; it asserts nothing and is not part of the
# test command.
#
#   tools/bench-pack.sh
#
# QMG_BENCH_RUNS=N sets the number of runs (default 5); QMG_BENCH_DIR=DIR
# the working folder (default build/bench/pack-work; it is emptied and
# removed). A folder on tmpfs such as /dev/shm/qmg-bench takes the disk out
# of the figures.
#
# Builds the "bench" preset (optimised, no sanitizers), writes the
# benchmark tree (about 210 MB in some 3,600 files: text-like, repetitive
# binary and random data from a fixed seed), then packs it with each tool,
# the tools taking turns run after run, each writing a new archive on the
# same file system:
#   qmgdist pack --key 01              on every processor (the default)
#   qmgdist pack --key 01 --threads 1  deflating on one thread
#   zip -r -q                          Info-ZIP, its default level 6
#   bsdtar -a -cf NAME.zip             libarchive, its default level
# For each it prints the median wall-clock time, its ratio to zip's, the
# peak resident memory and the archive's size, with the processor count,
# since the parallel figure depends on it.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${QMG_BENCH_RUNS:-5}
for tool in zip bsdtar; do
  command -v "$tool" >/dev/null || { echo "bench-pack: $tool is not installed (tools/install-deps.sh)"; exit 2; }
done

echo "== building the bench preset"
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
bin=build/bench/bench
qmgdist=$PWD/build/bench/qmgdist/qmgdist
work=${QMG_BENCH_DIR:-build/bench/pack-work}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)
trap 'rm -rf "$work"' EXIT

echo "== making the tree"
"$bin/make_bench_tree" "$work/tree"
echo "tree: $(du -sm "$work/tree" | cut -f1) MB, $(find "$work/tree" -type f | wc -l) files," \
  "$(find "$work/tree" -type d | wc -l) folders; $(nproc) processors"

names=("qmgdist pack" "qmgdist pack --threads 1" "zip -r -q" "bsdtar -a -cf")
zip_index=2
packing() { # TOOL OUTPUT
  case $1 in
    0) command=("$qmgdist" pack --key 01 "$work/tree" "$2") ;;
    1) command=("$qmgdist" pack --key 01 --threads 1 "$work/tree" "$2") ;;
    # From inside the tree, so that their names are as short as pack's.
    2) command=(sh -c 'cd "$1" && exec zip -r -q "$2" .' sh "$work/tree" "$2") ;;
    3) command=(sh -c 'cd "$1" && exec bsdtar -a -cf "$2" .' sh "$work/tree" "$2") ;;
  esac
}

measured=$work/measured
declare -A seconds peak status size
for ((run = 1; run <= runs; run++)); do
  for i in "${!names[@]}"; do
    out=$work/out-$i.zip
    rm -f "$out"
    sync
    packing "$i" "$out"
    "$bin/measure" "$measured" "${command[@]}" >/dev/null
    read -r s kb rc < "$measured"
    seconds[$i]+="$s "
    peak[$i]=$(( ${peak[$i]:-0} > kb ? ${peak[$i]:-0} : kb ))
    status[$i]+="$rc "
    size[$i]=$(stat -c %s "$out" 2>/dev/null || echo 0)
  done
  echo "run $run of $runs done"
done

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo
printf '%-26s %9s %7s %10s %12s  %s\n' "tool" "median s" "ratio" "peak KB" "bytes" "runs (s), exit statuses"
base=$(median <<< "${seconds[$zip_index]}")
for i in "${!names[@]}"; do
  m=$(median <<< "${seconds[$i]}")
  ratio=$(awk -v a="$m" -v b="$base" 'BEGIN { printf "%.2f", a / b }')
  printf '%-26s %9.3f %7s %10s %12s  %s| %s\n' "${names[$i]}" "$m" "$ratio" "${peak[$i]}" "${size[$i]}" \
    "${seconds[$i]}" "${status[$i]}"
done
echo
awk -v a="${size[0]}" -v b="${size[$zip_index]}" \
  'BEGIN { printf "qmgdist package over zip archive: %.4f of its size (%d against %d bytes)\n", a / b, a, b }'
echo "ratio: median time over zip's (below 1 is faster); $(nproc) processors."
echo "The qmgdist package is scrambled with a product's key table, as every package is."
