#!/usr/bin/env bash
# Builds dcs_bench (linux-i686 preset) and runs every benchmark the way the
# figures in docs/performance.md were taken: many short repetitions in random
# order, so that driver and floor see the same machine, each reported by its
# fastest repetition. Extra arguments go to the benchmark, e.g.
#   bash bench/run.sh --benchmark_filter=DCSSimulate/array
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux-i686 >/dev/null
cmake --build --preset linux-i686 --target dcs_bench
exec build/linux-i686/bin/dcs_bench --benchmark_min_time=0.05 --benchmark_repetitions=15 \
  --benchmark_enable_random_interleaving=true --benchmark_display_aggregates_only=false "$@"
