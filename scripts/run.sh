#!/usr/bin/env bash
# Sets the machine up, builds the editor and opens the bundled sample photo.
# Without a display the editor runs under Xvfb and a screenshot of its window
# is saved instead (path printed at the end).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default --target facette
sample="$PWD/data/samples/portrait.png"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/app/facette "$sample"
fi
shot="$PWD/build/facette-screenshot.png"
xvfb-run -a -s "-screen 0 1280x900x24" \
  build/src/app/facette --screenshot "$shot" "$sample"
echo "No display: the editor ran under Xvfb; its window is in $shot"
