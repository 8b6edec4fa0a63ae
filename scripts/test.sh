#!/usr/bin/env bash
# Every test of the project: installs what is missing (as root), builds the
# option data natively and runs its tests, once plainly and once under
# AddressSanitizer and UndefinedBehaviorSanitizer, then builds the Windows
# program and runs its tests under Wine; last, each fuzz target for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

for preset in native sanitize windows; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2
done
echo "== fuzz (bounded)"
bash scripts/fuzz.sh 20
echo "== all tests passed"
