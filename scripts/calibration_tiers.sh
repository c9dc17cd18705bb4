#!/usr/bin/env bash
# One tier's table of calibrate against the hidden truth (docs/calibration.md):
#   bash scripts/calibration_tiers.sh TIER [SEEDS]
# TIER: A (synchronous scans), B (scans on their own clock, read jitter),
# C0 (the plant, noise-free), C1 (the plant, with noise); SEEDS: 20 unless
# given (seeds 1..SEEDS). For each seed it generates the case, runs it with
# --record, calibrates the recording (with --plant for C) without the case
# file, scores the fit against the case and prints the table.
# Environment: BUILD (default build/linux-i686), OUT (the folder this script
# owns and fills, default BUILD/calibration/TIER), LOOPS (4), DURATION (1800 s),
# REQUIRE_ALL=1 to exit 1 when any loop misses any target.
set -euo pipefail
cd "$(dirname "$0")/.."
tier=${1:-}
seeds=${2:-20}
case "$tier" in
  A) generate=(--tier A) ;;
  B) generate=(--tier B) ;;
  C0) generate=(--tier C --noiseless) ;;
  C1) generate=(--tier C) ;;
  *) echo "usage: $0 A|B|C0|C1 [SEEDS]" >&2; exit 2 ;;
esac
if ! [[ "$seeds" =~ ^[0-9]+$ ]] || ((seeds < 1 || seeds > 1000)); then
  echo "$0: SEEDS is '$seeds'; it must be a whole number from 1 to 1000" >&2
  exit 2
fi
build=${BUILD:-build/linux-i686}
dcshost=$build/bin/dcshost
compare=$build/bin/calibration_compare
out=${OUT:-$build/calibration/$tier}
mkdir -p "$out"
plant=()
[[ $tier == C* ]] && plant=(--plant)
scores=$out/scores.tsv
: > "$scores"
ends=()
for ((seed = 1; seed <= seeds; seed++)); do
  c=$out/case$seed
  "$dcshost" generate --calibration "$seed" "${generate[@]}" --loops "${LOOPS:-4}" \
    --duration "${DURATION:-1800}" --force "$c.toml" > "$c.log"
  if ! "$dcshost" run "$c.toml" --no-settle-wait --speed max --record "$c.rec" --force \
      --out "$out" --name "case$seed" >> "$c.log" 2>&1; then
    echo "$0: the run of seed $seed did not end clean; see $c.log" >&2
  fi
  # 11: some loop not identifiable, which the table shows.
  rm -f "$c.json"
  rc=0
  "$dcshost" calibrate "$c.rec" "${plant[@]}" --json "$c.json" --out "$c.fitted.toml" --force \
    >> "$c.log" 2>&1 || rc=$?
  if ((rc != 0 && rc != 11)); then
    echo "$0: calibrate of seed $seed exited $rc; see $c.log" >&2
  fi
  "$compare" score "$tier" "$seed" "$c.toml" "$out/case$seed.trend.csv" "$c.json" >> "$scores"
  # Tier A end to end: calibrated with the case as BASE, the fitted scenario
  # runs to the recorded run's trends.
  if [[ $tier == A ]]; then
    e2e=failed
    if "$dcshost" calibrate "$c.rec" --scenario "$c.toml" --out "$c.based.toml" --force \
        >> "$c.log" 2>&1 &&
      "$dcshost" run "$c.based.toml" --no-settle-wait --speed max --no-trends \
        --compare "$out/case$seed.trend.csv" --tolerance 0.01 >> "$c.log" 2>&1; then
      e2e=passed
    fi
    ends+=("seed $seed: $e2e")
  fi
done
echo "Tier $tier, seeds 1 to $seeds, ${LOOPS:-4} loops of ${DURATION:-1800} s each (in $out):"
echo
"$compare" table "$tier" "$scores"
if [[ $tier == A ]]; then
  passed=$(printf '%s\n' "${ends[@]}" | grep -c ': passed$' || true)
  echo
  echo "End to end (calibrate --scenario CASE, then run FITTED --compare the case's trends" \
    "--tolerance 0.01): $passed of $seeds seeds passed"
  printf '%s\n' "${ends[@]}" | grep ': failed$' | sed 's/^/- /' || true
fi
if [[ ${REQUIRE_ALL:-0} == 1 ]] && { awk -F'\t' '$4 != 1 { bad = 1 } END { exit !bad }' "$scores" ||
  printf '%s\n' "${ends[@]}" | grep -q ': failed$'; }; then
  exit 1
fi
