#!/usr/bin/env bash
# Builds the package for players and prints its path:
# build/windows/MURNoptions-VERSION.zip with MURNoptions.exe, MURNoptions.chm
# and MURNoptions-readme.txt (release/player-readme.txt), made by the
# murn_release_zip target of the Windows build. The version is the
# FileVersion of resources/murn.rc. Installs what is missing (as root) first;
# MURN_BUILD_DIR chooses another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MURN_BUILD_DIR:-build/windows}

bash scripts/setup.sh
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target murn_release_zip
bash scripts/check-footprint.sh "$build/MURNoptions.exe"
zip=
for f in "$build"/MURNoptions-*.zip; do  # the newest, should an older version's lie there too
  if [ -z "$zip" ] || [ "$f" -nt "$zip" ]; then zip=$f; fi
done
echo "release: $(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")"
