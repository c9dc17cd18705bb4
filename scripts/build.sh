#!/usr/bin/env bash
# Sets everything up and builds both targets (linux-i686, win32).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in linux-i686 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
