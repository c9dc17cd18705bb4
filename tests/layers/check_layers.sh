#!/usr/bin/env bash
# Lists every include between the layers of the driver (ROOT/dcs) and of the
# host harness (ROOT/dcshost) and fails on one that runs upward. A layer may
# include its own headers and those of the layers below it:
#   dcs:     driver -> link -> data -> diag -> vendor, host
#            (vendor and host are the neighbours' interfaces; they include no layer)
#   dcshost: commands -> replay -> outputs -> plant -> host -> control -> scenario -> the
#            files directly in dcshost/, which every part shares (exit codes,
#            the console's progress line, the system's words for an error)
# dcshost may include the driver's headers, the stand-ins' and the recordings'; the driver
# includes nothing of dcshost.
#   bash tests/layers/check_layers.sh [ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root"

# rank TREE LAYER; "." is a file directly in the tree's folder.
rank() {
  case $1/$2 in
    dcs/driver) echo 4 ;;
    dcs/link) echo 3 ;;
    dcs/data) echo 2 ;;
    dcs/diag) echo 1 ;;
    dcs/vendor | dcs/host) echo 0 ;;
    dcshost/commands) echo 7 ;;
    dcshost/replay) echo 6 ;;
    dcshost/outputs) echo 5 ;;
    dcshost/plant) echo 4 ;;
    dcshost/host) echo 3 ;;
    dcshost/control) echo 2 ;;
    dcshost/scenario) echo 1 ;;
    dcshost/calibrate) echo 0 ;;  # the fits: they include nothing of dcshost
    dcshost/.) echo 0 ;;
    *) echo -1 ;;
  esac
}

# layer PATH: the folder below the tree, or "." for a file directly in it.
layer() {
  local rest=${1#*/}
  case $rest in
    */*) echo "${rest%%/*}" ;;
    *) echo . ;;
  esac
}

status=0
for tree in dcs dcshost; do
  [ -d "$tree" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([^">]+)[">].*/\1/p' <<<"${line#*:}")
    from=$(layer "$file")
    case $tree:$target in
      *:$tree/*) to=$(layer "$target") ;;
      dcshost:dcs/* | dcshost:standins/* | dcshost:recording/* | dcshost:toml++/* | dcshost:CLI/* | dcshost:Eigen/* | dcshost:unsupported/*) continue ;;  # below dcshost
      *:*../* | *:*/*) echo "not by its layer: $file includes $target"; status=1; continue ;;
      *) continue ;;  # the standard library or the platform
    esac
    [ "$from" = "$to" ] && continue
    if [ "$(rank "$tree" "$from")" -lt 0 ] || [ "$(rank "$tree" "$to")" -lt 0 ]; then
      echo "unknown layer: $file includes $target"
      status=1
    elif [ "$(rank "$tree" "$to")" -lt "$(rank "$tree" "$from")" ]; then
      echo "$from -> $to: $file includes $target"
    else
      echo "upward $from -> $to: $file includes $target"
      status=1
    fi
  done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include' "$tree" --include='*.h' --include='*.cpp' --include='*.in' | sort)
done

[ $status -eq 0 ] && echo "no include runs upward"
exit $status
