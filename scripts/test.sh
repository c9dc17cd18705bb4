#!/usr/bin/env bash
# Sets everything up, builds both targets and runs every test:
# the Linux suite, then the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
status=0
ctest --preset linux-i686 -j2 || status=1
. scripts/wine_env.sh
ctest --preset win32 || status=1
exit $status
