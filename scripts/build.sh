#!/usr/bin/env bash
# Sets everything up and builds both targets (linux-i686, win32).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# win32 first: the Linux tree checks the Windows module when it exists.
for preset in win32 linux-i686; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
