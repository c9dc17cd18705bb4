#!/usr/bin/env bash
# Installs every build, test and run dependency on a Debian 12 machine (as root).
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

pkgs=(
  g++-multilib g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake ninja-build
  libgtest-dev:i386 libgmock-dev:i386 libbenchmark-dev:i386 googletest
  libtomlplusplus-dev libcli11-dev
  libeigen3-dev  # dcshost calibrate: fitting
  zlib1g-dev:i386 libz-mingw-w64-dev  # recordings: gzip
  wine wine32:i386
  clang libclang-rt-14-dev llvm-14 valgrind libc6-dbg:i386
  clang-format
  librsvg2-bin  # rsvg-convert: a trend chart as PNG
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  missing=(i386-arch)
fi
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${pkgs[@]}" >/dev/null
