#!/usr/bin/env bash
# The first make-up stamp a freshly started program makes on the
# 24-megapixel photo (a 100-pixel lipstick stamp with its rows of the
# detail layer worked out in fresh memory): one stamp per process, in RUNS
# processes (default 10); prints each time and the median. Build the bench
# preset first (scripts/bench.sh does).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
times=()
for ((i = 0; i < runs; i++)); do
  # The summary table after the run gives the time in milliseconds.
  t=$(build-bench/bench/facette_bench --benchmark_color=false \
        --benchmark_filter='^makeup_first_stamp_100_first_in_process/' 2>/dev/null |
      awk '$1 == "makeup_first_stamp_100_first_in_process" && $3 == "ms" { print $2 }')
  times+=("$t")
  echo "run $((i + 1)): $t ms"
done
printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END {
  m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
  printf "median of %d runs: %.2f ms\n", NR, m }'
