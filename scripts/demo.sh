#!/usr/bin/env bash
# Sets everything up and runs the closed-loop demo on the built-in scenario.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset linux-i686 >/dev/null
cmake --build --preset linux-i686 --target dcshost vornak
exec build/linux-i686/bin/dcshost run --out build/demo "${@:-default}"
