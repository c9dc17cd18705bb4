#!/usr/bin/env bash
# Builds the driver fuzzer into build/fuzz/driver_fuzz: clang, 32-bit, with
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer (the i386
# runtimes come with libclang-rt-14-dev). The driver's own sources, the
# stand-ins and the message-box/sleep double are compiled in, so nothing is
# looked up at run time. The driver module's allocation forwarders are left
# out: in one process with libFuzzer they would take over its heap too.
# A source is compiled again when it, or any header, is newer than its object.
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/fuzz
mkdir -p "$out/obj"
cxx=${CXX_FUZZ:-clang++}
common=(-m32 -std=c++17 -g -O1 -fno-omit-frame-pointer -Wall -Wextra -I.
        -fno-sanitize-recover=all)
sanitizers=address,undefined,float-cast-overflow

# Coverage guides the fuzzer through the driver only; the stand-ins and the
# checks are sanitized but not instrumented for coverage, which keeps each
# run cheap.
driver=(dcs/data/*.cpp dcs/diag/*.cpp dcs/link/*.cpp
        dcs/driver/driver_state.cpp dcs/driver/entry_points.cpp)
others=(fuzz/driver_fuzz.cpp
        standins/iface/*.cpp standins/vnxsim/*.cpp standins/winshim/winshim_double.cpp
        tests/reliability/catalogue_check.cpp tests/reliability/guarded_block.cpp)

newest_header=$(find dcs standins tests/reliability fuzz \( -name '*.h' -o -name build.sh \) -printf '%T@\n' | sort -n | tail -1)
objects=()
jobs=()
for src in "${driver[@]}" "${others[@]}"; do
  obj="$out/obj/$(echo "$src" | tr / _).o"
  objects+=("$obj")
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] ||
     [ "$(stat -c %Y "$obj")" -lt "${newest_header%.*}" ]; then
    case " ${driver[*]} " in
      *" $src "*) jobs+=("$src $obj fuzzer-no-link,$sanitizers") ;;
      *) jobs+=("$src $obj $sanitizers") ;;
    esac
  fi
done

if [ ${#jobs[@]} -gt 0 ]; then
  printf '%s\n' "${jobs[@]}" |
    xargs -P "${FUZZ_JOBS:-2}" -I{} sh -c 'line=$1; shift; set -- $line "$@"; src=$1 obj=$2 san=$3; shift 3
      "$@" -fsanitize="$san" -c "$src" -o "$obj"' _ {} "$cxx" "${common[@]}"
fi
"$cxx" "${common[@]}" -fsanitize=fuzzer,$sanitizers "${objects[@]}" -o "$out/driver_fuzz"
echo "built $out/driver_fuzz (${#jobs[@]} of ${#objects[@]} sources compiled)"
