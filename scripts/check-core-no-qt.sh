#!/usr/bin/env bash
# Fails when a file of the Qt-free core includes a Qt header. The core is
# every source under src/ except ui/ folders, the program (app/) and the
# plug-in (plugin/, which has its own rules).
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(find src -type f \( -name '*.cpp' -o -name '*.h' \) \
         -not -path '*/ui/*' -not -path 'src/app/*' -not -path 'src/plugin/*' -print0 |
       xargs -0 -r grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*)[>"]' || true)
if [ -n "$hits" ]; then
  echo "Qt headers included by core files:"
  echo "$hits"
  exit 1
fi
echo "core: no Qt headers"
