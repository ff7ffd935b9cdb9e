#!/usr/bin/env bash
# Minimal-loss JPEG saving on the 24-megapixel photo (see
# bench/jpeg_minimal_loss_bench.cpp): the ten rounds of open, one smudge
# stroke of size 100 at the same place and save, with minimal-loss saving
# and with plain re-encoding at the same quality; the steady time of one
# save each way; and the first save of a freshly started program, each way
# once per process in RUNS processes (default 5), with the median.
#   bench/jpeg_minimal_loss.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
cmake --preset bench >/dev/null
cmake --build --preset bench --target facette_bench >/dev/null
bin=build-bench/bench/facette_bench
"$bin" --benchmark_filter='^jpeg_ten_rounds/|^jpeg_save_edited/'
# The console line of the one run: wall time and processor time, in ms
# (the machine may be busy with other work; the processor time stays
# meaningful then).
for way in facette plain; do
  echo
  echo "first save in a fresh process ($way), wall / processor time:"
  walls=()
  cpus=()
  for ((i = 0; i < runs; i++)); do
    name="jpeg_save_edited_first_in_process/$way/"
    line=$("$bin" --benchmark_filter="^$name" 2>/dev/null | sed 's/\x1b\[[0-9;]*m//g' |
           awk -v n="$name" 'index($1, n) == 1 && $3 == "ms" && $5 == "ms" { print $2, $4 }')
    if [[ -z $line ]]; then
      echo "  run $((i + 1)) failed" >&2
      exit 1
    fi
    read -r wall cpu <<<"$line"
    walls+=("$wall")
    cpus+=("$cpu")
    echo "  run $((i + 1)): $wall ms / $cpu ms"
  done
  median() {
    printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END {
      printf "%.1f", (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'
  }
  echo "  median of $runs runs: $(median "${walls[@]}") ms / $(median "${cpus[@]}") ms"
done
