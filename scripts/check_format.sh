#!/usr/bin/env bash
# Fails on every C++ file that is not laid out as .clang-format says, naming
# the file and line; `clang-format -i FILE` mends it.
set -euo pipefail
cd "$(dirname "$0")/.."
find bench dcs dcshost fuzz module recording standins tests \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
  xargs -0 clang-format --dry-run -Werror
