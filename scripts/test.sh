#!/usr/bin/env bash
# Sets everything up, builds both targets and runs every test:
# the Linux suite, then the Windows build under Wine, then the benchmarks briefly,
# then the reliability runs: the whole suite under sanitizers, memcheck and a
# minute of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
# Warnings are errors here, so none creeps in.
DCS_WERROR=ON bash scripts/build.sh win32
status=0
# The sanitized tree (clang: the suite under ASan and UBSan, and the fuzzers)
# builds from here on below everything else in priority, in the gaps the
# Linux build and the tests leave: they mostly wait.
clang_log=$(mktemp)
cmake --preset linux-i686-fuzz -DDCS_WERROR=ON >/dev/null
nice -n 19 cmake --build --preset linux-i686-fuzz >"$clang_log" 2>&1 &
clang_build=$!
trap 'kill "$clang_build" 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
DCS_WERROR=ON bash scripts/build.sh linux-i686

# Formatting: every C++ file as .clang-format lays it out.
bash scripts/check_format.sh || status=1

ctest --preset linux-i686 -j4 || status=1
. scripts/wine_env.sh
# One Wine server for every Windows run below, its services started here: a
# program then starts in a fraction of a second, and no service it would
# start holds a test's output open. Most of the suite's time under Wine is
# the module's real ten-second settle, a wait: four tests at a time.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
ctest --preset win32 -j4 || status=1
# The driver for a stdcall client library: built, and the lifecycle run.
cmake --preset win32-stdcall >/dev/null
cmake --build --preset win32-stdcall
ctest --preset win32-stdcall || status=1
# The release packages, and a coupling run and a live run from the unpacked tool archive,
# in the one folder it unpacks into.
cmake --build --preset win32 --target package
try=$(mktemp -d)
(cd "$try" && cmake -E tar xf "$OLDPWD"/build/win32/packages/dcshost-*-win32.zip &&
  [ "$(ls)" = "$(basename "$OLDPWD"/build/win32/packages/dcshost-*-win32.zip .zip)" ] &&
  cd dcshost-*-win32 && sha256sum -c --quiet SHA256SUMS &&
  wine dcshost.exe run scenarios/default.toml --require-settled 1 --out out >/dev/null &&
  VNXSIM_TAGS=live/tags.txt wine dcshost.exe run live/unit.toml --driver live/vornak.dll \
    --no-settle-wait --speed max --out out >/dev/null) || status=1
rm -rf "$try"
wineserver -k || true
# A short benchmark run, so the suite never rots: each benchmark's calls are
# checked against its floor's, and its list reads, sends and host allocations
# per pass against their marks. Times are shown, never judged.
build/linux-i686/bin/dcs_bench --benchmark_min_time=0.01 --benchmark_color=false || status=1
# dcshost's own step at 2,000 loops: fails when a step it measured was not sound.
build/linux-i686/bin/dcshost_bench --benchmark_min_time=0.01 --benchmark_color=false || status=1
# Reliability: the fault sweep's figures, from the Linux suite's log (the
# suite ran them); the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer; the lifecycle under memcheck; a minute of each
# fuzzer (docs/reliability.md).
suite_log=build/linux-i686/Testing/Temporary/LastTest.log
grep -E '^(fault sweep|allocation sweep|call orders|  runs per op)' "$suite_log" || status=1
for figures in 'fault sweep' 'call orders'; do
  grep -q "^$figures" "$suite_log" || { echo "no $figures figures in $suite_log" >&2; status=1; }
done
clang_status=0
wait "$clang_build" || clang_status=$?
cat "$clang_log"
rm -f "$clang_log"
((clang_status == 0)) || exit "$clang_status"
ctest --preset linux-i686-fuzz -j4 || status=1
valgrind --quiet --error-exitcode=1 --leak-check=full build/linux-i686/bin/lifecycle_test ||
  status=1
# The fuzzers run side by side, each its minute, with the machine to
# themselves; their lines are shown in this order once all are done.
fuzzers=(driver_fuzz scenario_fuzz recording_fuzz tag_file_fuzz)
fuzz_out=$(mktemp -d)
pids=()
for f in "${fuzzers[@]}"; do
  DCS_FUZZ_BUILT=1 bash fuzz/run.sh 60 "$f" >"$fuzz_out/$f" 2>&1 &
  pids+=($!)
done
for i in "${!fuzzers[@]}"; do
  wait "${pids[$i]}" || status=1
  cat "$fuzz_out/${fuzzers[$i]}"
done
rm -rf "$fuzz_out"
exit $status
