#!/usr/bin/env bash
# Builds Folioscribe, generates a fresh demo installation folder and starts the program in it.
# Usage: scripts/demo.sh [FOLDER]   (default: build/demo-installation)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-deps.sh demo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Folioscribe is a desktop program, and no display was found (DISPLAY and WAYLAND_DISPLAY" >&2
  echo "are not set). Run this command from a desktop session, or under a virtual display:" >&2
  echo "  xvfb-run -s '-screen 0 1280x1024x24' scripts/demo.sh" >&2
  exit 2
fi

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target Folioscribe_pro folio_demo

folder=$(realpath -m "${1:-build/demo-installation}")
rm -rf "$folder"
build/default/demo/generator/folio_demo "$folder"
# A second stand inside it, to absorb scores from with "Work" > "Merging".
build/default/demo/generator/folio_demo --other "$folder/other-stand"
echo "Starting Folioscribe in $folder"
cd "$folder"
exec "$OLDPWD/build/default/src/Folioscribe_pro"
