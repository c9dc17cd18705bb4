#!/bin/sh
# dcshost run stopped by a signal from outside once WHEN is under way
# ("settle": the driver's real settle; "run": the steps): exit code 6 and
# every output whole.   stop_on_signal.sh "DCSHOST|WORDS" SIGNAL WHEN OUTDIR
set -u
dcshost=$(printf '%s' "$1" | tr '|' ' ') signal=$2 when=$3 out=$4/stop_$2_$3
rm -rf "$out" && mkdir -p "$out" || exit 1
args="run default --no-settle-wait --duration 1000000" cue="^DCSInitialize, DCSStart: "
[ "$when" = settle ] && args="run default" cue="settle, 1 of 10 s"
fail() { echo "FAILED: $*"; cat "$out/out.txt"; exit 1; }

# A script's background job starts with SIGINT ignored, a terminal's does not.
# shellcheck disable=SC2086
env --default-signal=INT $dcshost $args --out "$out" --name trend --json "$out/result.json" \
  --log-calls "$out/calls.log" > "$out/out.txt" 2>&1 &
pid=$! tries=0
until grep -q "$cue" "$out/out.txt" 2>/dev/null; do
  tries=$((tries + 1))
  [ $tries -le 300 ] || { kill -KILL $pid; fail "never reached: $cue"; }
  sleep 0.02
done
kill -"$signal" $pid
wait $pid
code=$?

[ $code -eq 6 ] || fail "exit code $code, expected 6"
grep -q "^run: interrupted" "$out/out.txt" || fail "no 'run: interrupted'"
[ "$(tail -n 1 "$out/result.json")" = "}" ] || fail "result.json is not whole"
grep -q '"interrupted": true' "$out/result.json" || fail "result.json does not say interrupted"
tail -n 1 "$out/calls.log" | grep -q " host FreeDCSData = void$" || fail "the call log is cut"
tail -n 1 "$out/trend.trend.csv" | grep -q '^[0-9]' || fail "no samples in the CSV"
tail -n 1 "$out/trend.trend.svg" | grep -q '</svg>' || fail "the SVG is not whole"
echo "stopped by SIG$signal during the $when: exit code 6, every output whole"
