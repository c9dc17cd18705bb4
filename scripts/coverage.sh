#!/usr/bin/env bash
# Line and branch coverage of dcs/ by the test suite and, apart, by the driver
# fuzzer's corpus: clang's source-based coverage (preset linux-i686-coverage,
# llvm-cov-14). The corpus is the seeds in fuzz/corpus/driver_fuzz/ and what
# fuzzing on this machine has kept in build/linux-i686-fuzz/corpus/driver_fuzz/.
# Prints both tables, and the fuzzer's branches left unreached per file to
# build/linux-i686-coverage/fuzz_missed.txt.
#   bash scripts/coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
out=build/linux-i686-coverage
cmake --preset linux-i686-coverage >/dev/null
cmake --build --preset linux-i686-coverage >/dev/null
rm -rf "$out/profiles"
mkdir -p "$out/profiles"

# Every instrumented binary the suite runs: tests, dcshost, the module.
objects=()
for f in "$out"/bin/*; do
  [ -f "$f" ] && [ -x "$f" ] && [ "$(basename "$f")" != driver_fuzz ] && objects+=(-object "$f")
done
report() {  # report NAME PROFDATA BINARY [OBJECTS...]
  local name=$1 data=$2
  shift 2
  echo "== dcs/ covered by $name"
  llvm-cov-14 report "$@" -instr-profile="$data" dcs/ | sed 's|^.*/dcs/|dcs/|'
}

ctest --preset linux-i686-coverage -j2 >"$out/suite.log" 2>&1 || echo "suite: some tests failed (see $out/suite.log)"
llvm-profdata-14 merge -sparse "$out"/profiles/suite-*.profraw -o "$out/suite.profdata" 2>"$out/merge.log"
report "the test suite" "$out/suite.profdata" "${objects[@]:1}"

mkdir -p build/linux-i686-fuzz/corpus/driver_fuzz
LLVM_PROFILE_FILE="$out/profiles/fuzz.profraw" "$out/bin/driver_fuzz" -runs=0 \
  build/linux-i686-fuzz/corpus/driver_fuzz fuzz/corpus/driver_fuzz >"$out/fuzz.log" 2>&1
llvm-profdata-14 merge -sparse "$out/profiles/fuzz.profraw" -o "$out/fuzz.profdata"
inputs=$(find build/linux-i686-fuzz/corpus/driver_fuzz fuzz/corpus/driver_fuzz -type f | wc -l)
report "the fuzzer's corpus ($inputs inputs)" \
  "$out/fuzz.profdata" "$out/bin/driver_fuzz"
llvm-cov-14 show "$out/bin/driver_fuzz" -instr-profile="$out/fuzz.profdata" -show-branches=count \
  -show-line-counts-or-regions dcs/ >"$out/fuzz_missed.txt"
echo "fuzzer's branches per line: $out/fuzz_missed.txt"
