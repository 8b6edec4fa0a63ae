#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Idempotent; run as root.
# Skips apt-get entirely when every package is already there.
set -euo pipefail

native_pkgs=(cmake ninja-build g++ libgtest-dev libgmock-dev clang-14 libclang-rt-14-dev gcovr libbenchmark-dev strace valgrind)
windows_pkgs=(g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine64 wine32:i386
              xvfb xauth imagemagick fp-utils-3.2.2
              unzip  # the release test unpacks the zip as a player would
              qemu-user-static)  # runs 32-bit Wine where the kernel cannot

want=("${native_pkgs[@]}")
if [ "${1:-all}" != native ]; then
  want+=("${windows_pkgs[@]}")
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}; run this script as root" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
