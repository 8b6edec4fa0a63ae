#!/usr/bin/env bash
# Builds the native tests with gcov instrumentation in build/coverage, runs
# them, and prints the line and branch coverage of option_data/. The branch
# figures come twice: as counted, and without the branches that only the
# throwing of an exception takes (allocation failures and the like, which
# the tests do not provoke). An HTML report with every line goes to
# build/coverage/html/index.html.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh native

out=build/coverage
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$out"
# Counts from an earlier run would add up with this one's.
find "$out" -name '*.gcda' -delete
# The test names are long; the log keeps them, the summary says how it went.
if ! ctest --test-dir "$out" -j2 --output-on-failure >"$out/ctest.log" 2>&1; then
  cat "$out/ctest.log"
  exit 1
fi
tail -n 3 "$out/ctest.log"

report=(gcovr --root . --filter 'option_data/' "$out")
echo "== line coverage of option_data/"
"${report[@]}" --txt
echo "== branch coverage of option_data/"
"${report[@]}" --txt --branches
echo "== branch coverage of option_data/, without exception-only branches"
"${report[@]}" --txt --branches --exclude-throw-branches
mkdir -p "$out/html"
"${report[@]}" --html-details "$out/html/index.html" --print-summary
