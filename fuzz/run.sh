#!/usr/bin/env bash
# Runs the driver fuzzer (build it first with fuzz/build.sh) for the given
# number of seconds, 60 by default, and prints how many inputs it executed.
# The seed corpus in fuzz/corpus/ is only read; what the fuzzer learns goes
# to build/fuzz/corpus/, which later runs on this machine start from. An input
# that fails is written to build/fuzz/artifacts/ and the run exits 1.
#   bash fuzz/run.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus" "$out/artifacts"
log="$out/last_run.log"
# Leak detection per input is left to the target: the driver allocates only
# from the host heap, whose balance the target checks after every input, and
# LeakSanitizer's scan would cost half of each run.
if ! "$out/driver_fuzz" "$out/corpus" fuzz/corpus -max_total_time="$seconds" -detect_leaks=0 \
     -print_final_stats=1 -artifact_prefix="$out/artifacts/" >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "fuzzer: failed; the input is in $out/artifacts/" >&2
  exit 1
fi
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
corpus=$(find "$out/corpus" -type f | wc -l)
echo "fuzzer: $executions executions in $seconds s, no failure ($corpus inputs in $out/corpus)"
