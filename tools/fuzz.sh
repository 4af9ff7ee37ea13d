#!/usr/bin/env bash
# Builds one fuzz target (native preset) and runs it for a given time over
# its seed folder and its corpus, then prints what the run did.
#
#   tools/fuzz.sh TARGET SECONDS
#
# TARGET is one of the targets in tests/fuzz/ (fuzz_script, fuzz_unpack,
# fuzz_picture, fuzz_uninstall_log, fuzz_install, fuzz_check); fuzz_NAME
# starts from the seeds in tests/fuzz/seeds/NAME, as its ctest replay does.
# The corpus grows in build/native/tests/fuzz/corpus/TARGET (QMG_FUZZ_CORPUS
# names another folder); inputs that crash, leak or time out are saved in
# build/native/tests/fuzz/findings/TARGET (QMG_FUZZ_FINDINGS), with the
# whole output of the last run in last-run.txt there. Long runs
# belong in the background at low priority:
#   nice -n 19 tools/fuzz.sh fuzz_unpack 1800 > fuzz_unpack.log 2>&1 &
# The exit status is 0 when the run found nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
  echo "usage: tools/fuzz.sh TARGET SECONDS" >&2
  exit 2
fi
target=$1
seconds=$2
seeds=${target#fuzz_}
if [[ $target != fuzz_* ]] || [ ! -f "tests/fuzz/$target.cpp" ] || [ ! -d "tests/fuzz/seeds/$seeds" ]; then
  known=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//' | paste -sd' ' -)
  echo "fuzz.sh: unknown target $target (known: $known)" >&2
  exit 2
fi

[ -f build/native/build.ninja ] || cmake --preset native >/dev/null
cmake --build --preset native --target "$target" >/dev/null

binary=build/native/tests/fuzz/$target
corpus=${QMG_FUZZ_CORPUS:-build/native/tests/fuzz/corpus/$target}
findings=${QMG_FUZZ_FINDINGS:-build/native/tests/fuzz/findings/$target}
mkdir -p "$corpus" "$findings"
before=$(find "$corpus" -type f | wc -l)
touch "$findings/.started" # findings of earlier runs stay, but are not counted

echo "== $target for $seconds s over tests/fuzz/seeds/$seeds and $corpus ($before inputs); started $(date -u '+%F %T') UTC"
status=0
"$binary" -max_total_time="$seconds" -max_len=4096 -timeout=25 -print_final_stats=1 \
  -artifact_prefix="$findings/" "$corpus" "tests/fuzz/seeds/$seeds" > "$findings/last-run.txt" 2>&1 || status=$?
grep -E '^==[0-9]+==|SUMMARY|^artifact_prefix|^Test unit written' "$findings/last-run.txt" || true

stat() { sed -n "s/^stat::$1: *//p" "$findings/last-run.txt" | tail -1; }
# Crashes, leaks, timeouts and running out of memory are findings. Slow
# units are listed apart: on a loaded machine a run at low priority can wait
# long enough for any input to look slow; replay one to tell.
new_artifacts() { find "$findings" -type f -newer "$findings/.started" -name "$1" -printf '  %f\n'; }
found=$(for kind in 'crash-*' 'leak-*' 'timeout-*' 'oom-*'; do new_artifacts "$kind"; done)
slow=$(new_artifacts 'slow-unit-*')
echo
echo "== $target: ended $(date -u '+%F %T') UTC, exit status $status"
echo "executions:  $(stat number_of_executed_units)"
echo "exec/s:      $(stat average_exec_per_sec)"
echo "corpus:      $(find "$corpus" -type f | wc -l) inputs (was $before)"
echo "peak RSS:    $(stat peak_rss_mb) MB"
echo "findings:    $(grep -c . <<< "$found" || true) in $findings"
[ -z "$found" ] || echo "$found"
echo "slow units:  $(grep -c . <<< "$slow" || true)"
[ -z "$slow" ] || echo "$slow"
[ "$status" -eq 0 ] && [ -z "$found" ]
