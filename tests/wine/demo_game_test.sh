#!/usr/bin/env bash
# The release zip as a player gets it, against the demo game:
#   demo_game_test.sh WINE_ENV STATE_DIR DRIVER RELEASE_ZIP DEMO_GAME_DIR WORK_DIR OBJDUMP
# checks what the zip holds, unpacks it into a fresh WORK_DIR beside a copy of
# the demo game folder, then runs the driver's demo-game group there twice:
# the first run turns the large-address box on, the second off again. After
# each run objdump must read the header as the box was left.
set -euo pipefail

wine_env=$1 state=$2 driver=$3 zip=$4 game=$5 work=$6 objdump=$7

fail() {
  echo "FAIL $*" >&2
  exit 1
}

# --- The zip: the program, its help, the player's readme; nothing else.
want=$(printf '%s\n' MURNoptions-readme.txt MURNoptions.chm MURNoptions.exe)
have=$(unzip -Z1 "$zip" | LC_ALL=C sort)
[ "$have" = "$want" ] || fail "the zip holds:"$'\n'"$have"$'\n'"expected:"$'\n'"$want"
echo "PASS the zip holds exactly MURNoptions.exe, MURNoptions.chm and MURNoptions-readme.txt"

rm -rf "$work"
mkdir -p "$work"
unzip -q "$zip" -d "$work"
cp "$game/SH3.exe" "$game/MURNcontents.txt" "$game/Zarvolincontents.txt" "$work/"

# "yes" or "no": what objdump reads from the header's characteristics.
large_address_aware() {
  local dump
  dump=$("$objdump" -p "$work/SH3.exe") || fail "objdump cannot read SH3.exe"
  grep -q 'file format pei-i386' <<<"$dump" || fail "objdump does not see a PE32 i386 program"
  if grep -qx '[[:space:]]*large address aware' <<<"$dump"; then echo yes; else echo no; fi
}

[ "$(large_address_aware)" = no ] || fail "the demo game is built large-address-aware"
echo "PASS objdump reads the demo game as built: not large-address-aware"

for expected in yes no; do
  out=$(bash "$wine_env" run "$state" "$driver" "$work/MURNoptions.exe" "$work" demo-game) || {
    echo "$out"
    fail "the demo-game group failed"
  }
  echo "$out"
  left=$(sed -n 's/^large-address-aware after OK: \(yes\|no\)\r\?$/\1/p' <<<"$out")
  [ "$left" = "$expected" ] || fail "the large-address box was left '${left:-?}', expected '$expected'"
  [ "$(large_address_aware)" = "$expected" ] ||
    fail "objdump reads large-address-aware '$(large_address_aware)' after the box was left '$expected'"
  echo "PASS objdump reads large-address-aware '$expected' as the box was left"
done
