#!/usr/bin/env bash
# Runs the test host of the Windows plug-in under 64-bit wine, with the
# stand-in program installed in a folder whose name has a space.
#   plugin_host_test.sh WINE64 PREFIX BUILD_X86_64 BUILD_I686
set -euo pipefail
wine=$1
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
x86_64=$3
i686=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Stand In"
cp "$x86_64/tests/FacetteStandIn.exe" "$work/Stand In/Facette.exe"
# Wine's drive Z: is the root of the file system.
windows() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }
"$wine" "$x86_64/tests/facette_plugin_host.exe" "$(windows "$x86_64/FacettePlugin.8bf")" \
  "$(windows "$i686/FacettePlugin.8bf")" "$(windows "$work/Stand In/Facette.exe")" \
  "$(windows "$work/standin.log")"
