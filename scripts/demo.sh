#!/usr/bin/env bash
# Shows MURNoptions.exe on the demo game: puts the demo game folder together
# under build/demo/game/ (the demo game "SH3.exe", its contents files, the tool
# and its help file), starts the tool there under Wine (on an Xvfb screen of
# its own when there is no $DISPLAY), saves a picture of its main dialog as
# build/demo/main-dialog.png, prints that path and closes the tool again.
# Run it after `bash scripts/build.sh`. MURN_BUILD_DIR and MURN_DEMO_DIR
# choose other build and demo folders.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${MURN_BUILD_DIR:-$root/build/windows}
demo=${MURN_DEMO_DIR:-$root/build/demo}
game=$demo/game
exe=$build/MURNoptions.exe
help=$build/MURNoptions.chm
driver=$build/tests/wine/murn_wine_driver.exe

# shellcheck source=scripts/wine-env.sh
. "$root/scripts/wine-env.sh"

for f in "$exe" "$help" "$driver" "$build/demo_game/game/SH3.exe"; do
  [ -e "$f" ] || wine_env_die "$f is missing: build first (bash scripts/build.sh)"
done

# --- The game folder -------------------------------------------------------
# The demo game as the build made it (a real program laid out like the
# patched game, with its two contents files), and beside it what a player
# unpacks from the release zip: the tool and its help file. Made afresh on
# every run, so that each demo starts from the game as built.
rm -rf "$game"
mkdir -p "$game"
cp "$build/demo_game/game/SH3.exe" "$build/demo_game/game/MURNcontents.txt" \
  "$build/demo_game/game/Zarvolincontents.txt" "$exe" "$help" "$game/"

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
wine "$driver" "$(wine_env_windows_path "$game/MURNoptions.exe")" "$(wine_env_windows_path "$game")" show \
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
# Painting can take several seconds where 32-bit code runs emulated: the
# screen stays one colour at first, then the dialog fills in. The picture is
# taken once two in a row, a second apart, are the same and not blank.
previous=$demo/previous.png
rm -f "$previous"
for _ in $(seq 90); do
  import -window root "$shot"
  if [ "$(convert "$shot" -format '%[fx:standard_deviation > 0]' info:)" = 1 ] && [ -e "$previous" ] &&
    compare -metric AE "$shot" "$previous" null: 2>/dev/null; then
    break
  fi
  cp "$shot" "$previous"
  sleep 1
done
rm -f "$previous"
touch "$release"
# Only the dialog: the desktop around it is one colour, which -trim cuts off.
convert "$shot" -trim +repage "$shot"
wait "$driver_pid" || { cat "$log" >&2; wine_env_die "the tool did not close"; }
rm -f "$release"
echo "demo: to try it by hand: cd $game && wine MURNoptions.exe, then wine SH3.exe to see the game's options"
echo "$shot"
