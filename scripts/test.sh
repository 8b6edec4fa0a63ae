#!/usr/bin/env bash
# Every test of the project: installs what is missing (as root), builds the
# option data natively and runs its tests, once plainly and once under
# AddressSanitizer and UndefinedBehaviorSanitizer; builds the Windows program,
# checks its footprint and runs its Wine tests; last, each fuzz target for a
# short while.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

for preset in native sanitize; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done

echo "== windows"
cmake --preset windows >/dev/null
cmake --build --preset windows
bash scripts/check-footprint.sh
ctest --preset windows -j3

echo "== fuzz (bounded)"
bash scripts/fuzz.sh 20
echo "== all tests passed"
