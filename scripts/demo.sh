#!/usr/bin/env bash
# Builds Folioscribe, generates a fresh demo installation folder and starts the program in it.
# Usage: scripts/demo.sh [FOLDER]   (default: build/demo-installation)
# FOLDER must be new, empty, or a demo installation this script made before (it holds the
# marker file .folioscribe-demo); only such a folder is replaced.
set -euo pipefail
cd "$(dirname "$0")/.."

folder=$(realpath -m "${1:-build/demo-installation}")
marker="$folder/.folioscribe-demo"
if [ -e "$folder" ] && [ ! -d "$folder" ]; then
  echo "Not writing the demo to $folder: it is a file, not a folder." >&2
  exit 2
fi
made_here=no
if [ -f "$marker" ] && [ ! -L "$marker" ]; then
  made_here=yes
fi
if [ -d "$folder" ] && [ -n "$(ls -A "$folder")" ] && [ "$made_here" = no ]; then
  echo "Not writing the demo to $folder: the folder is not empty and is no demo installation" \
       "made by this script (it has no .folioscribe-demo file), so it is left as it is;" \
       "name a new or empty folder." >&2
  exit 2
fi

scripts/ensure-deps.sh demo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Folioscribe is a desktop program, and no display was found (DISPLAY and WAYLAND_DISPLAY" >&2
  echo "are not set). Run this command from a desktop session, or under a virtual display" >&2
  echo "(xvfb-run comes with the Debian package xvfb):" >&2
  echo "  sudo apt-get install xvfb" >&2
  echo "  xvfb-run -s '-screen 0 1366x768x24' scripts/demo.sh ${1:-}" >&2
  exit 2
fi

cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target Folioscribe_pro folio_demo

if [ "$made_here" = yes ]; then
  rm -rf "$folder"
fi
build/default/demo/generator/folio_demo "$folder"
# A second stand inside it, to absorb scores from with "Work" > "Merging".
build/default/demo/generator/folio_demo --other "$folder/other-stand"
echo "A demo installation made by scripts/demo.sh, which replaces this folder whole when it is" \
  "run on it again." >"$marker"
echo "Starting Folioscribe in $folder"
cd "$folder"
exec "$OLDPWD/build/default/src/Folioscribe_pro"
