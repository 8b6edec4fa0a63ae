#!/usr/bin/env bash
# Times the two pages' load and apply sequences against the least that the
# same file work costs through plain POSIX calls, counts the system calls of
# one run of each, checks how the executable and the contents files are
# touched, and ends with a table of all of it.
#
#   scripts/bench.sh [--debug] [--profile] [Google Benchmark flags...]
#
# The native preset builds murn_bench as Debug; timing -O0 code would mostly
# measure the missing optimiser, so the timings come from the same preset
# configured as Release in build/bench-release. --debug times the preset's
# own Debug build instead. --profile adds, per run, the instructions counted
# by callgrind and the heap allocations (malloc included) counted by memcheck.
set -euo pipefail
cd "$(dirname "$0")/.."

debug=0
profile=0
bench_args=()
for arg in "$@"; do
  case "$arg" in
    --debug) debug=1 ;;
    --profile) profile=1 ;;
    *) bench_args+=("$arg") ;;
  esac
done

bash scripts/setup.sh native

if [ "$debug" -eq 1 ]; then
  echo "== build: native preset"
  cmake --preset native >/dev/null
  cmake --build --preset native --target murn_bench
  bin=build/native/bench/murn_bench
else
  echo "== build: native preset as Release, in build/bench-release"
  cmake --preset native -B build/bench-release -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/bench-release --target murn_bench
  bin=build/bench-release/bench/murn_bench
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== timings: $bin"
"$bin" --benchmark_color=false "${bench_args[@]}" | tee "$work/timings.txt"

# The system calls of one run, cut out of the whole trace at the two marker
# calls that murn_bench --once makes around it. Prints, separated by '|':
# calls, opens of SH3.exe, opens of other files, bytes read from SH3.exe, the
# largest single read from it, bytes written to it, bytes read from other
# files, and the calls by name.
trace_one() {  # sequence:page file-kind
  strace -f -qq -s 0 -o "$work/trace" "$bin" --once="$1" --file="$2" \
    >/dev/null 2>"$work/once-$1-$2.txt"
  awk '
    /@murn-bench:begin/ { on = 1; next }
    /@murn-bench:end/   { on = 0; next }
    !on { next }
    {
      line = $0; sub(/^[0-9]+ +/, "", line)
      name = line; sub(/\(.*/, "", name)
      n = split(line, part, " = "); ret = part[n]; sub(/ .*/, "", ret)
      args = line; sub(/^[^(]*\(/, "", args)
      calls++; byName[name]++
      if (name == "openat" || name == "open") {
        path = args
        if (match(path, /"[^"]*"/)) path = substr(path, RSTART + 1, RLENGTH - 2)
        sub(/.*\//, "", path)
        if (path == "SH3.exe") exeOpens++; else otherOpens++
        if (ret + 0 >= 0) fileOf[ret] = path
        next
      }
      fd = args; sub(/[,)].*/, "", fd)
      file = (fd in fileOf) ? fileOf[fd] : ""
      if (name == "read" || name == "pread64") {
        if (file == "SH3.exe") { exeRead += ret; if (ret + 0 > maxRead) maxRead = ret + 0 }
        else if (file != "") otherRead += ret
      } else if ((name == "write" || name == "pwrite64") && file == "SH3.exe") {
        exeWritten += ret
      } else if (name == "close") {
        delete fileOf[fd]
      }
    }
    END {
      k = 0
      for (s in byName) key[++k] = s
      for (i = 2; i <= k; i++)
        for (j = i; j > 1 && key[j - 1] > key[j]; j--) { t = key[j]; key[j] = key[j - 1]; key[j - 1] = t }
      names = ""
      for (i = 1; i <= k; i++) names = names (i > 1 ? ", " : "") key[i] " " byName[key[i]]
      printf "%d|%d|%d|%d|%d|%d|%d|%s\n", calls, exeOpens, otherOpens, exeRead, maxRead, exeWritten, otherRead, names
    }' "$work/trace"
}

# C++ allocations of the run, as murn_bench --once reports them.
allocations_of() {  # sequence:page file-kind
  sed -n 's/.* \([0-9]*\) C++ allocations$/\1/p' "$work/once-$1-$2.txt"
}

echo "== system calls of one run"
runs=(load:main floor-load:main apply:main floor-apply:main load:mods floor-load:mods apply:mods floor-apply:mods)
declare -A small large
for run in "${runs[@]}"; do
  small[$run]=$(trace_one "$run" 1.4MB)
  large[$run]=$(trace_one "$run" 2GB@end)
done

field() { cut -d'|' -f"$2" <<<"$1"; }

{
  printf '%-17s %5s %5s %6s %8s %9s %9s %8s %7s  %s\n' sequence calls xF 2GB@end "exe open" "exe read" "max read" written "new 2GB" "calls by name (1.4MB)"
  for run in "${runs[@]}"; do
    s=${small[$run]}
    case "$run" in *load:*) floor_run=floor-load:${run#*:} ;; *) floor_run=floor-apply:${run#*:} ;; esac
    floor_calls=$(field "${small[$floor_run]}" 1)
    ratio=$(awk -v a="$(field "$s" 1)" -v b="$floor_calls" 'BEGIN { printf "%.1f", a / b }')
    [ "${run#floor-}" != "$run" ] && ratio=""
    alloc_small=$(allocations_of "$run" 1.4MB)
    alloc_large=$(allocations_of "$run" 2GB@end)
    printf '%-17s %5s %5s %6s %8s %9s %9s %8s %7s  %s\n' "$run" "$(field "$s" 1)" "$ratio" \
      "$(field "${large[$run]}" 1)" "$(field "$s" 2)" "$(field "$s" 4)" "$(field "$s" 5)" \
      "$(field "$s" 6)" "$alloc_small/$alloc_large" "$(field "$s" 8)"
  done
} >"$work/calls.txt"
cat "$work/calls.txt"

echo "== checks"
failures=0
check() {  # 1 or 0, text
  if [ "$1" -eq 1 ]; then echo "ok    $2"; else echo "FAIL  $2"; failures=$((failures + 1)); fi
}
for page in main mods; do
  load=${small[load:$page]}
  size=$(field "${small[floor-load:$page]}" 7)
  check $(( $(field "$load" 3) == 1 && $(field "$load" 7) == size )) \
    "load:$page opens its contents file once and reads its $size bytes once"
  for seq in load apply; do
    s=${small[$seq:$page]}
    l=${large[$seq:$page]}
    check $(( $(field "$s" 2) == 1 && $(field "$l" 2) == 1 )) "$seq:$page opens SH3.exe once"
    check $(( $(field "$s" 4) <= 65536 && $(field "$l" 4) <= 65536 )) \
      "$seq:$page reads $(field "$s" 4) bytes of the 1.4 MB SH3.exe and $(field "$l" 4) of the 2 GB one"
    new_small=$(allocations_of "$seq:$page" 1.4MB)
    new_large=$(allocations_of "$seq:$page" 2GB@end)
    check $(( new_small == new_large )) \
      "$seq:$page makes $new_small C++ allocations on 1.4 MB and $new_large on 2 GB"
  done
done

if [ "$profile" -eq 1 ]; then
  echo "== per run under valgrind (200 runs each): instructions, heap allocations, heap bytes"
  reps=200
  heap() {  # sequence:page repeat -> "allocs bytes"
    valgrind --tool=memcheck "$bin" --once="$1" --repeat="$2" 2>&1 |
      sed -n 's/.*total heap usage: \([0-9,]*\) allocs, [0-9,]* frees, \([0-9,]*\) bytes allocated.*/\1 \2/p' | tr -d ,
  }
  for run in "${runs[@]}"; do
    instructions=$(valgrind --tool=callgrind --collect-atstart=no --toggle-collect=murn_bench_run \
      --callgrind-out-file="$work/callgrind.out" "$bin" --once="$run" --repeat=$reps 2>&1 |
      sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
    read -r allocs0 bytes0 <<<"$(heap "$run" 0)"
    read -r allocs1 bytes1 <<<"$(heap "$run" $reps)"
    printf '%-17s %9d Ir %6.1f allocs %8.0f bytes\n' "$run" $((instructions / reps)) \
      "$(awk -v a="$allocs0" -v b="$allocs1" -v r=$reps 'BEGIN { print (b - a) / r }')" \
      "$(awk -v a="$bytes0" -v b="$bytes1" -v r=$reps 'BEGIN { print (b - a) / r }')"
  done | tee "$work/profile.txt"
fi

echo
echo "== summary ($bin)"
sed -n '/^Median real time/,$p' "$work/timings.txt"
echo
echo "System calls of one run on the 1.4 MB SH3.exe (xF: multiple of the floor's"
echo "count; 2GB@end: the count on the 2 GB file; exe read/written in bytes;"
echo "new: C++ allocations on 1.4MB/2GB):"
cat "$work/calls.txt"
[ -f "$work/profile.txt" ] && { echo; echo "Per run under valgrind:"; cat "$work/profile.txt"; }
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
