#!/usr/bin/env bash
# Checks what the built driver module shows the loader.
#   check_modules.sh linux <libvornak.so>
#   check_modules.sh win32 <vornak.dll> <VNXAPIWX.def> <iface.def>
#   check_modules.sh iface <iface.dll>      (the stand-in host interface library)
#   check_modules.sh recorder <module>      (the recorder module, either platform)
set -uo pipefail

ENTRY_POINTS="DCSConfigure DCSDestroy DCSInitialize DCSLoad DCSReset DCSSimulate DCSStart DCSStop DCSTimeZero"
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

sorted_words() { tr ' ' '\n' | sed '/^$/d' | sort -u; }

export_names() {
  awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
       on && NF == 0 { on = 0 }
       on { print $NF }' <<<"$1"
}

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

# The import lines of one DLL in objdump -p's listing: "<thunk> <hint/ordinal> <name>".
imports_of() {
  awk -v want="$(tr 'A-Z' 'a-z' <<<"$1")" '
    /DLL Name:/ { on = (tolower($3) == want); if (on) getline; next }
    on && NF == 0 { on = 0 }
    on { print }' <<<"$2"
}

# Names a .def gives the import table: the "==" name where there is one.
def_import_names() {
  sed -n '/^EXPORTS/,$p' "$1" | sed '1d; s/;.*//' |
    awk 'NF == 0 { next } { name = $1; for (i = 1; i < NF; i++) if ($i == "==") name = $(i + 1); print name }' |
    sort -u
}

# DLLs a Windows module may import besides its two neighbours: the system's own.
SYSTEM_DLLS="kernel32.dll user32.dll msvcrt.dll"

check_win32() {
  local dll=$1 def=$2 iface_def=$3
  if [ ! -f "$dll" ]; then
    fail "$dll does not exist: build the win32 preset first (scripts/build.sh builds both targets)"
    return
  fi
  local dump
  if ! dump=$(i686-w64-mingw32-objdump -p "$dll"); then
    fail "i686-w64-mingw32-objdump cannot read $dll"
    return
  fi
  check_exports "$dll" "$(export_names "$dump" | sort -u)"

  # As on Linux, no allocation function may come from outside the module.
  local allocators
  allocators=$(awk '/DLL Name:/ { dll = $3; next } NF == 0 { dll = "" } dll && NF >= 3 { print dll ": " $3 }' <<<"$dump" |
    grep -E ': (malloc|calloc|realloc|free|_?strdup|_msize|_aligned_malloc|_Znw|_Zna|_Zdl|_Zda)' || true)
  if [ -n "$allocators" ]; then
    fail "$dll imports allocation functions: $(echo $allocators)"
  fi

  # Only the neighbours and system DLLs: no C++ runtime, libgcc or thread DLL.
  local dlls d
  dlls=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$dump" | sort -u)
  for d in $dlls; do
    case " vnxapiwx.dll iface.dll $SYSTEM_DLLS " in
      *" $d "*) ;;
      *) fail "$dll imports from $d, which is neither a neighbour nor one of: $SYSTEM_DLLS" ;;
    esac
  done

  # The host interface library by name: exactly its nine C functions and Text's
  # three members under Microsoft's names, as the .def gives them.
  local found_iface expected_iface
  found_iface=$(imports_of iface.dll "$dump" | awk '{ print $NF }' | sort -u)
  expected_iface=$(def_import_names "$iface_def")
  if [ "$found_iface" != "$expected_iface" ]; then
    fail "$dll imports other names from iface.dll than $iface_def gives:"
    diff <(echo "$expected_iface") <(echo "$found_iface") | sed -n 's/^</  missing/p; s/^>/  extra/p' >&2
  fi
  local mangled
  mangled=$(grep -o '_ZN[A-Za-z0-9_]*' <<<"$dump" | sort -u)
  [ -z "$mangled" ] || fail "$dll names members as our compiler mangles them: $(echo $mangled)"

  # Import lines of VNXAPIWX.dll: by ordinal means the thunk's top bit is set
  # and there is no name.
  local imports
  imports=$(imports_of VNXAPIWX.dll "$dump")
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

# Text under Microsoft's names and no member under ours, in a name table the
# loader can search (ascending byte order).
check_iface() {
  local dll=$1 names
  if ! names=$(export_names "$(i686-w64-mingw32-objdump -p "$dll")"); then
    fail "i686-w64-mingw32-objdump cannot read $dll"
    return
  fi
  local name
  for name in '??0Text@@QAE@PBD@Z' '??1Text@@QAE@XZ' '??YText@@QAEAAV0@PBD@Z'; do
    grep -qxF "$name" <<<"$names" || fail "$dll does not export $name"
  done
  local ours
  ours=$(grep '^_Z' <<<"$names")
  [ -z "$ours" ] || fail "$dll exports names as our compiler mangles them: $(echo $ours)"
  [ "$names" = "$(LC_ALL=C sort <<<"$names")" ] || fail "$dll's export names are not in ascending order"
}

# In place of the driver: its nine exports; on Windows the driver's
# neighbours (through whose imports it passes the driver's calls on) and
# system DLLs only, the C++ runtime and zlib inside.
check_recorder() {
  local module=$1 dump d
  if [[ $module != *.dll ]]; then
    check_exports "$module" "$(nm -D --defined-only "$module" | awk 'NF >= 3 { print $3 }' | sed 's/@.*//' | sort -u)"
    nm -D --undefined-only "$module" | grep -qE ' (malloc|calloc|realloc|free|strdup|_Zn[wa]j|_Zd[la]Pv)(@|$)' &&
      fail "$module takes memory from the process's allocator, not its own"
    return
  fi
  dump=$(i686-w64-mingw32-objdump -p "$module") || { fail "cannot read $module"; return; }
  check_exports "$module" "$(export_names "$dump" | sort -u)"
  grep -qE '^\s+[0-9a-f]+\s+[0-9]+\s+(malloc|calloc|realloc|free|_strdup)$' <<<"$dump" &&
    fail "$module takes memory from the C runtime's heap, not its own"
  for d in $(awk '/DLL Name:/ { print tolower($3) }' <<<"$dump" | sort -u); do
    [[ " $SYSTEM_DLLS version.dll iface.dll vnxapiwx.dll " == *" $d "* ]] ||
      fail "$module imports from $d, not one of: $SYSTEM_DLLS version.dll iface.dll vnxapiwx.dll"
  done
}

case "${1:-}" in
  linux) check_linux "$2" ;;
  recorder) check_recorder "$2" ;;
  win32) check_win32 "$2" "$3" "$4" ;;
  iface) check_iface "$2" ;;
  *) echo "usage: $0 linux <libvornak.so> | win32 <vornak.dll> <VNXAPIWX.def> <iface.def> | iface <iface.dll>" >&2
     exit 2 ;;
esac

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "ok: $2"
