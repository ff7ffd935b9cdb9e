#!/usr/bin/env bash
# Sets the machine up, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default
cmake --build --preset default
ctest --preset default -j "$(nproc)"
