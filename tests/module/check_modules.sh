#!/usr/bin/env bash
# Checks what the built driver module shows the loader.
#   check_modules.sh linux <libvornak.so>
#   check_modules.sh win32 <vornak.dll> <VNXAPIWX.def>
set -uo pipefail

ENTRY_POINTS="DCSConfigure DCSDestroy DCSInitialize DCSLoad DCSReset DCSSimulate DCSStart DCSStop DCSTimeZero"
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

sorted_words() { tr ' ' '\n' | sed '/^$/d' | sort -u; }

# Exactly the nine entry points, nothing more or less.
check_exports() {
  local module=$1 found=$2
  local expected
  expected=$(echo "$ENTRY_POINTS" | sorted_words)
  if [ "$found" != "$expected" ]; then
    fail "$module exports differ from the nine entry points:"
    diff <(echo "$expected") <(echo "$found") | sed -n 's/^</  missing/p; s/^>/  extra/p' >&2
  fi
}

check_linux() {
  local lib=$1
  if [ ! -f "$lib" ]; then
    fail "$lib does not exist: build the linux-i686 preset first"
    return
  fi
  check_exports "$lib" "$(nm -D --defined-only "$lib" | awk 'NF >= 3 { print $3 }' | sed 's/@.*//' | sort -u)"

  # The allocation forwarders must bind inside the module, never to the C
  # library or libstdc++: the host heap gets every block.
  local allocators
  allocators=$(nm -D --undefined-only "$lib" | awk '{ print $NF }' | sed 's/@.*//' |
    grep -E '^(malloc|calloc|realloc|free|strdup|strndup|memalign|posix_memalign|aligned_alloc|valloc|pvalloc|_Znw|_Zna|_Zdl|_Zda)' || true)
  if [ -n "$allocators" ]; then
    fail "$lib imports allocation functions: $(echo $allocators)"
  fi

  local needed
  needed=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  for so in libiface.so libVNXAPIWX.so libwinshim.so; do
    grep -qx "$so" <<<"$needed" || fail "$lib has no DT_NEEDED on $so (has: $(echo $needed))"
  done
}

check_win32() {
  local dll=$1 def=$2
  if [ ! -f "$dll" ]; then
    fail "$dll does not exist: build the win32 preset first (scripts/build.sh builds both targets)"
    return
  fi
  local dump
  if ! dump=$(i686-w64-mingw32-objdump -p "$dll"); then
    fail "i686-w64-mingw32-objdump cannot read $dll"
    return
  fi
  check_exports "$dll" "$(awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
                              on && NF == 0 { on = 0 }
                              on { print $NF }' <<<"$dump" | sort -u)"

  # As on Linux, no allocation function may come from outside the module.
  local allocators
  allocators=$(awk '/DLL Name:/ { dll = $3; next } NF == 0 { dll = "" } dll && NF >= 3 { print dll ": " $3 }' <<<"$dump" |
    grep -E ': (malloc|calloc|realloc|free|_?strdup|_msize|_aligned_malloc|_Znw|_Zna|_Zdl|_Zda)' || true)
  if [ -n "$allocators" ]; then
    fail "$dll imports allocation functions: $(echo $allocators)"
  fi

  # Import lines of VNXAPIWX.dll: "<thunk> <ordinal> <name>"; by ordinal means
  # the thunk's top bit is set and there is no name.
  local imports
  imports=$(awk 'tolower($0) ~ /dll name: vnxapiwx\.dll/ { on = 1; getline; next }
                 on && NF == 0 { on = 0 }
                 on { print }' <<<"$dump")
  if [ -z "$imports" ]; then
    fail "$dll imports nothing from VNXAPIWX.dll"
    return
  fi
  local by_name
  by_name=$(awk 'length($1) != 8 || $1 !~ /^[89a-fA-F][0-9a-fA-F]*$/ || $3 != "<none>"' <<<"$imports")
  if [ -n "$by_name" ]; then
    fail "$dll imports from VNXAPIWX.dll by name:"
    echo "$by_name" | sed 's/^/  /' >&2
  fi
  local found expected
  found=$(awk '{ print $2 }' <<<"$imports" | sort -n -u)
  expected=$(sed -n 's/.*@\([0-9][0-9]*\).*/\1/p' "$def" | sort -n -u)
  if [ "$found" != "$expected" ]; then
    fail "$dll imports other ordinals from VNXAPIWX.dll than $def lists:"
    diff <(echo "$expected") <(echo "$found") | sed -n 's/^</  missing/p; s/^>/  extra/p' >&2
  fi
}

case "${1:-}" in
  linux) check_linux "$2" ;;
  win32) check_win32 "$2" "$3" ;;
  *) echo "usage: $0 linux <libvornak.so> | win32 <vornak.dll> <VNXAPIWX.def>" >&2; exit 2 ;;
esac

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "ok: $2"
