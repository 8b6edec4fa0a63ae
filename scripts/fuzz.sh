#!/usr/bin/env bash
# Builds the option data's libFuzzer targets with clang into build/fuzz and
# runs each of them for SECONDS (default 20), side by side. A short run suits
# the test command; `scripts/fuzz.sh 3600` fuzzes for an hour a target.
# The corpora grow in build/fuzz/corpus and are taken up again by the next
# run, which first replays them; findings go to build/fuzz/findings, and any
# finding makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [SECONDS_PER_TARGET]" >&2
  exit 2
fi

bash scripts/setup.sh native

out=build/fuzz
cmake -S tests/fuzz -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=None >/dev/null
cmake --build "$out"
"$out/make_seeds" "$out/seeds"
mkdir -p "$out/findings" "$out/logs"

# The contents reader works in 4 KB blocks: inputs must be able to reach past two of them.
declare -A max_len=([contents]=12288 [page]=8192)
targets=(contents page)

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

declare -A pids
for t in "${targets[@]}"; do
  mkdir -p "$out/corpus/$t"
  "$out/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -max_len="${max_len[$t]}" -dict=tests/fuzz/contents.dict -artifact_prefix="$out/findings/$t-" \
    "$out/corpus/$t" "$out/seeds/$t" >"$out/logs/$t.log" 2>&1 &
  pids[$t]=$!
done

failed=0
for t in "${targets[@]}"; do
  rc=0
  wait "${pids[$t]}" || rc=$?
  log="$out/logs/$t.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n1)
  files=$(find "$out/corpus/$t" -type f | wc -l)
  if [ "$rc" -eq 0 ]; then
    printf 'fuzz_%s: %s executions in %s s, %s exec/s, corpus of %s inputs\n' \
      "$t" "${runs:-?}" "$seconds" "${rate:-?}" "$files"
  else
    failed=1
    printf 'fuzz_%s: FINDING (exit %s) after %s executions; log %s\n' "$t" "$rc" "${runs:-?}" "$log"
    grep -E 'broken:|ERROR: (AddressSanitizer|libFuzzer|UndefinedBehaviorSanitizer)|runtime error:' "$log" | head -n 20 || true
    grep 'Test unit written to' "$log" || true
  fi
done

if [ "$failed" -ne 0 ]; then
  echo "== fuzzing found a fault; replay one with: $out/fuzz_TARGET FILE" >&2
  exit 1
fi
echo "== fuzzing found nothing"
