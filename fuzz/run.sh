#!/usr/bin/env bash
# Runs a fuzzer of the linux-i686-fuzz preset (built first if need be) for the
# given number of seconds, 60 by default (0: no limit, for runs bounded by
# -runs=N among the options), and prints how many inputs it executed.
# The seeds in fuzz/corpus/<target>/ are only read; what the fuzzer learns goes
# to build/linux-i686-fuzz/corpus/<target>/, which later runs on this machine
# start from. An input that fails is written to build/linux-i686-fuzz/artifacts/
# and the run exits 1.
#   bash fuzz/run.sh [seconds] [driver_fuzz|scenario_fuzz|recording_fuzz|tag_file_fuzz] [libFuzzer options...]
# DCS_FUZZ_BUILT=1: the target is built already, so runs side by side need not
# configure and build one tree at once.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
target=${2:-driver_fuzz}
shift $(( $# < 2 ? $# : 2 ))
out=build/linux-i686-fuzz
if [ "${DCS_FUZZ_BUILT:-0}" != 1 ]; then
  cmake --preset linux-i686-fuzz >/dev/null
  cmake --build --preset linux-i686-fuzz --target "$target" >/dev/null
fi
mkdir -p "$out/corpus/$target" "$out/artifacts"
log="$out/$target.log"
# Leak detection per input is left to the targets: the driver allocates only
# from the host heap, whose balance the target checks after every input, and
# LeakSanitizer's scan would cost half of each run. Inputs are scheduled by how
# much new they reach per second of running, so a 2,000-row table is not
# mutated as often as one of three rows.
# An allocation's stack is kept two frames deep (reports stay exact; run the
# input again for the full stacks): deeper ones cost a quarter of each run.
# Freed memory is held back 64 MB deep, not 256: a run stays near 150 MB.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=2:quarantine_size_mb=64}
# The scenario fuzzer's bound: no allocation of 16 MB or more (a dead-time
# line of the most steps a block may have takes 8 MB), 1 GB in all; dcshost's
# progress lines (standard output) are dropped.
options=()
[ "$target" = scenario_fuzz ] && options=(-malloc_limit_mb=16 -rss_limit_mb=1024 -close_fd_mask=1)
if ! "$out/bin/$target" "$out/corpus/$target" "fuzz/corpus/$target" -max_total_time="$seconds" \
     -dict="fuzz/$target.dict" -entropic_scale_per_exec_time=1 -detect_leaks=0 \
     -print_final_stats=1 -artifact_prefix="$out/artifacts/" "${options[@]}" "$@" >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "$target: failed; the input is in $out/artifacts/" >&2
  exit 1
fi
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
corpus=$(find "$out/corpus/$target" -type f | wc -l)
echo "$target: $executions executions ($rate a second), no failure ($corpus inputs in $out/corpus/$target)"
