#!/usr/bin/env bash
# Makes the 64-bit wine prefix the plug-in tests run in, once per build
# tree: no Mono or Gecko (nothing here needs them), and windows without a
# display (wine's null graphics driver).
#   wine_prefix.sh WINE64 PREFIX
set -euo pipefail
wine=$1
export WINEPREFIX=$2 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if [ ! -f "$WINEPREFIX/.facette-ready" ]; then
  rm -rf "$WINEPREFIX"
  "$wine" wineboot --init
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
  "$(dirname "$wine")/wineserver" -w
  touch "$WINEPREFIX/.facette-ready"
fi
