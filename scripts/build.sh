#!/usr/bin/env bash
# Sets everything up and builds both targets (linux-i686, win32). With
# DCS_WERROR=ON in the environment every warning of our own code is an error.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# win32 first: the Linux tree checks the Windows module when it exists.
# Given presets, only those, in that order.
presets=("$@")
((${#presets[@]})) || presets=(win32 linux-i686)
for preset in "${presets[@]}"; do
  cmake --preset "$preset" -DDCS_WERROR="${DCS_WERROR:-OFF}" >/dev/null
  cmake --build --preset "$preset"
done
