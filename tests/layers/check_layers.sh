#!/usr/bin/env bash
# Lists every include between the top folders, and between the layers inside
# each, and fails on one that runs upward. A folder may include its own
# headers and those of the folders ranked below it:
#   dcs < standins < module < recording < dcshost < tests, platform < bench, fuzz
# (the driver includes nothing but its own; module/ is what a host and the
# recorder module share about a driver module). Inside a folder:
#   dcs:       driver -> link -> data -> diag -> vendor, host
#              (vendor and host are the neighbours' interfaces; they include no layer)
#   standins:  hostblock -> iface, vnxsim, winshim
#   module:    its files, one layer
#   recording: module -> recorder -> format (module is the recorder module)
#   dcshost:   commands -> calibrate -> run, replay (neither includes the other) -> outputs
#              -> plant -> host -> control -> scenario -> the
#              files directly in dcshost/, which every part shares (exit codes,
#              the console's progress line)
# tests, platform, bench and fuzz are not checked inside. A top folder with
# sources and no rank, or a layer without one, is refused until ranked here.
#   bash tests/layers/check_layers.sh [ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root"

# FOLDER RANK, and FOLDER/LAYER RANK inside the folders checked inside
# ("." is a file directly in the folder).
ranks='
dcs 0
standins 1
module 2
recording 3
dcshost 4
tests 5
platform 5
bench 6
fuzz 6
dcs/driver 4
dcs/link 3
dcs/data 2
dcs/diag 1
dcs/vendor 0
dcs/host 0
standins/hostblock 1
standins/iface 0
standins/vnxsim 0
standins/winshim 0
module/. 0
recording/module 2
recording/recorder 1
recording/format 0
dcshost/commands 8
dcshost/calibrate 7
dcshost/run 6
dcshost/replay 6
dcshost/outputs 5
dcshost/plant 4
dcshost/host 3
dcshost/control 2
dcshost/scenario 1
dcshost/. 0
'
inside='dcs standins module recording dcshost'

folders=()
for dir in */; do
  dir=${dir%/}
  case $dir in build* | docs | scripts | cmake) continue ;; esac
  folders+=("$dir")
done
[ ${#folders[@]} -gt 0 ] || { echo "no folder to check in $PWD"; exit 1; }

grep -rHE '^[[:space:]]*#[[:space:]]*include' "${folders[@]}" \
  --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.in' | sort |
  awk -v ranks="$ranks" -v inside="$inside" '
    BEGIN {
      n = split(ranks, rows, "\n")
      for (i = 1; i <= n; ++i) if (split(rows[i], f, " ") == 2) rank[f[1]] = f[2]
      n = split(inside, f, " ")
      for (i = 1; i <= n; ++i) checked[f[i]] = 1
      status = 0
    }
    # The layer of a path below its folder, "." for a file directly in it.
    function layer(path, parts) {
      return split(path, parts, "/") > 2 ? parts[2] : "."
    }
    {
      colon = index($0, ":")
      file = substr($0, 1, colon - 1)
      line = substr($0, colon + 1)
      if (!match(line, /["<][^">]+[">]/)) next
      target = substr(line, RSTART + 1, RLENGTH - 2)
      split(file, p, "/"); from = p[1]
      if (!(from in rank)) { print "unknown folder: " file " includes " target; status = 1; next }
      if (target ~ /\.\.\//) { print "not by its folder: " file " includes " target; status = 1; next }
      if (index(target, "/") == 0) next  # its own folder, the standard library or the platform
      split(target, q, "/"); to = q[1]
      if (!(to in rank)) {  # a library: toml++, CLI11, gtest, the system; none in the driver
        if (from == "dcs") { print "not the driver'"'"'s: " file " includes " target; status = 1 }
        next
      }
      if (from != to) {
        if (rank[to] >= rank[from]) { print "upward " from " -> " to ": " file " includes " target; status = 1 }
        else if (rank[from] < 5) print from " -> " to ": " file " includes " target
        next
      }
      if (!(from in checked)) next
      a = layer(file); b = layer(target)
      if (a == b) next
      if (!((from "/" a) in rank) || !((from "/" b) in rank)) {
        print "unknown layer: " file " includes " target; status = 1
      } else if (rank[from "/" b] < rank[from "/" a]) {
        print a " -> " b ": " file " includes " target
      } else {
        print "upward " a " -> " b ": " file " includes " target; status = 1
      }
    }
    END {
      if (status == 0) print "no include runs upward"
      exit status
    }'
