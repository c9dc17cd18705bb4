#!/usr/bin/env bash
# Sets everything up, builds both targets and runs every test:
# the Linux suite, then the Windows build under Wine, then the benchmarks briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
status=0
ctest --preset linux-i686 -j2 || status=1
. scripts/wine_env.sh
ctest --preset win32 || status=1
# A short benchmark run, so the suite never rots: each benchmark's calls are
# checked against its floor's, and its list reads, sends and host allocations
# per pass against their marks. Times are shown, never judged.
build/linux-i686/bin/dcs_bench --benchmark_min_time=0.01 --benchmark_color=false || status=1
exit $status
