#!/usr/bin/env bash
# Installs the peers the benchmarks compare against (optional: benchmarks
# of kernels without an installed peer print our time only).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Libraries the benchmark program links against, and the programs
# bench/cli_bench.sh runs facette-cli against (vips, ImageMagick's convert,
# jpegtran), plus bc for its arithmetic.
packages=(libopencv-dev libvips-dev libvips-tools imagemagick libjpeg-turbo-progs bc)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
