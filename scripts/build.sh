#!/usr/bin/env bash
# Installs what is missing (as root) and builds the Windows program and its
# help file into build/windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
