#!/usr/bin/env bash
# Builds the fuzzing harnesses and runs one of them.
#   scripts/fuzz.sh <name> [seconds]     e.g. scripts/fuzz.sh sdf_reader 900
# The starting corpus fuzz/corpus/<name>/ is read; new inputs go to a work folder
# that is not committed (fuzz/corpus-work/<name>/). Crashes are written to
# the current folder as crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:?harness name}
seconds=${2:-60}
scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${name}_fuzzer"
work=fuzz/corpus-work/$name
mkdir -p "$work" "fuzz/corpus/$name"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  "build-fuzz/fuzz/${name}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
  -rss_limit_mb=2048 -malloc_limit_mb=512 "$work" "fuzz/corpus/$name"
