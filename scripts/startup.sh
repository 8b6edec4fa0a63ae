#!/usr/bin/env bash
# Times under Wine how long MURNoptions.exe takes from its start until its
# main dialog is shown, in a game folder with valid contents files and a
# patched SH3.exe, beside a bare dialog program (one dialog, one button) built
# by the same toolchain with the same flags; prints every run, the medians
# and their ratio. Not part of the test command.
#
#   scripts/startup.sh [RUNS]     RUNS starts of each program (default 9)
#
# Builds with the windows preset in build/startup (MURN_STARTUP_BUILD_DIR
# chooses another folder) and runs Wine with its own state in that folder.
# Where 32-bit code runs under qemu (see wine-env.sh), every start is several
# times slower than on Windows; the ratio is what to compare.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

runs=${1:-9}
case $runs in '' | *[!0-9]* | 0) echo "usage: $0 [RUNS]" >&2; exit 2 ;; esac
build=${MURN_STARTUP_BUILD_DIR:-$root/build/startup}

bash scripts/setup.sh

echo "== build: windows preset in $build"
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target MURNoptions murn_bare_dialog murn_startup_timer

state=$build/startup-wine
game=$build/startup-game
rm -rf "$game"
bash scripts/wine-env.sh up "$state"
trap 'bash scripts/wine-env.sh down "$state"' EXIT

echo "== $runs starts of each, alternating; times from CreateProcess to the dialog being visible"
bash scripts/wine-env.sh run "$state" "$build/bench/startup/murn_startup_timer.exe" "$runs" "$game" \
  "$build/MURNoptions.exe" "$build/bench/startup/murn_bare_dialog.exe"
