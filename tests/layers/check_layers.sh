#!/usr/bin/env bash
# Lists every include between the driver's layers under ROOT/dcs and fails on
# one that runs upward. A layer may include its own headers and those of the
# layers below it:
#   driver -> link -> data -> diag -> vendor, host
# (vendor and host are the neighbours' interfaces; they include no layer.)
#   bash tests/layers/check_layers.sh [ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root"

rank() {
  case $1 in
    driver) echo 4 ;;
    link) echo 3 ;;
    data) echo 2 ;;
    diag) echo 1 ;;
    vendor | host) echo 0 ;;
    *) echo -1 ;;
  esac
}

status=0
while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([^">]+)[">].*/\1/p' <<<"${line#*:}")
  from=$(cut -d/ -f2 <<<"$file")
  case $target in
    dcs/*) to=$(cut -d/ -f2 <<<"$target") ;;
    *../* | */*) echo "not by its layer: $file includes $target"; status=1; continue ;;
    *) continue ;;  # the standard library or the platform
  esac
  [ "$from" = "$to" ] && continue
  if [ "$(rank "$from")" -lt 0 ] || [ "$(rank "$to")" -lt 0 ]; then
    echo "unknown layer: $file includes $target"
    status=1
  elif [ "$(rank "$to")" -lt "$(rank "$from")" ]; then
    echo "$from -> $to: $file includes $target"
  else
    echo "upward $from -> $to: $file includes $target"
    status=1
  fi
done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include' dcs --include='*.h' --include='*.cpp' | sort)

[ $status -eq 0 ] && echo "no include runs upward"
exit $status
