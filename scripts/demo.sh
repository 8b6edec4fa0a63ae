#!/usr/bin/env bash
# Shows MURNoptions.exe on a made-up game folder: builds the folder under
# build/demo/, starts the tool there under Wine (on an Xvfb screen of its own
# when there is no $DISPLAY), saves a picture of its main dialog as
# build/demo/main-dialog.png, prints that path and closes the tool again.
# Run it after `cmake --build --preset windows`.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${MURN_BUILD_DIR:-$root/build/windows}
demo=$root/build/demo
game=$demo/game
exe=$build/MURNoptions.exe
driver=$build/tests/wine/murn_wine_driver.exe

# shellcheck source=scripts/wine-env.sh
. "$root/scripts/wine-env.sh"

for f in "$exe" "$driver"; do
  [ -e "$f" ] || wine_env_die "$f is missing: build first (cmake --preset windows && cmake --build --preset windows)"
done

# --- The game folder -------------------------------------------------------
mkdir -p "$game"
cat >"$game/MURNcontents.txt" <<'EOF'
/ Main switches of the patch: switch block, version, slider block
:1000000
:1000200:v1.6B
:1000100
Realistic sensors
No map contacts
Hard torpedo reloads
Longer patrol grids
Slow deck gun crews
Manual depth readouts
Night lookout penalty
Escort radar sweeps
Convoy zig-zag
Dud torpedo chance
Battery drain boost
Crew fatigue model
Harbour traffic
Storm wave height
Aircraft patrols
Sonar blind arcs
Snorkel noise
Hull stress limits
Fuel burn at flank speed
Radio intercepts
Minefield warnings
Weather reports
-2
EOF
cat >"$game/Zarvolincontents.txt" <<'EOF'
/ Switches of the add-on mods
:1000300
:
:1000400
Extra harbour lights
Wolfpack contacts
Quiet running bonus
Depth charge spread
Flak crew training
Deck cargo
Port repair times
Radar detector
Periscope glare
Target speed guess
Longer nights
Ice floes
Rough seas at night
-2
EOF

# A stand-in for the patched game executable: zeros with the patch areas.
put() {  # put OFFSET 'printf-escaped bytes'
  # shellcheck disable=SC2059
  printf "$2" | dd of="$game/SH3.exe" bs=1 seek="$1" conv=notrunc status=none
}
head -c 1100000 /dev/zero >"$game/SH3.exe"
put 0 'MZ'
put 286 '\x2f'                                    # large-address-aware
put 1000000 '\xff\x00\xff\x00\x00\xff\x00\x00\xff\x00\xff\xff\x00\x00\x00\xff\x00\xff\x00\x00\xff\x00'
put 1000100 '\x00\x00\x20\x40\x00\x00\x80\x3f'      # 2.5 and 1.0
put 1000200 'v1.6B'
put 1000300 '\x00\xff\x00\x00\xff\xff\x00\x00\xff\x00\x00\xff\x00'
put 1000400 '\x00\x00\x80\x42\x00\x00\x80\x3f'      # 64.0 and 1.0

# --- Wine --------------------------------------------------------------------
wine_env_ensure_i386
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  read -r DISPLAY xvfb_pid < <(wine_env_start_xvfb "$demo/xvfb.log") || true
  [ -n "$xvfb_pid" ] || wine_env_die "Xvfb did not start (see $demo/xvfb.log)"
  export DISPLAY
fi
export WINEPREFIX=$demo/wine/prefix
if [ "$wine_env_i386_emulated" = 1 ]; then export MURN_WINE_TIMEOUT_SCALE=4; fi

finish() {
  WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap finish EXIT

echo "demo: preparing the Wine prefix (the first time takes a while)"
wine_env_make_prefix "$WINEPREFIX" "$demo/wine/prefix.log"

shot=$demo/main-dialog.png
release=$demo/picture-taken
log=$demo/driver.log
rm -f "$shot" "$release"
echo "demo: starting MURNoptions.exe in $game"
wine "$driver" "$(wine_env_windows_path "$exe")" "$(wine_env_windows_path "$game")" show \
  "$(wine_env_windows_path "$release")" </dev/null >"$log" 2>&1 &
driver_pid=$!

deadline=$((SECONDS + 900))
until grep -q "main dialog shown" "$log" 2>/dev/null; do
  if ! kill -0 "$driver_pid" 2>/dev/null || [ $SECONDS -gt $deadline ]; then
    cat "$log" >&2
    wine_env_die "the main dialog did not show"
  fi
  sleep 1
done
import -window root "$shot"
touch "$release"
wait "$driver_pid" || { cat "$log" >&2; wine_env_die "the tool did not close"; }
rm -f "$release"
echo "$shot"
