#!/usr/bin/env bash
# Builds and runs the benchmarks on a 24-megapixel photo made at run time,
# with OpenCV and libvips as peers. Extra arguments go to the benchmark
# program, e.g. scripts/bench.sh --benchmark_filter=resample
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-bench.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
exec build-bench/bench/facette_bench --benchmark_min_time=1 "$@"
