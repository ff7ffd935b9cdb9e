#!/usr/bin/env bash
# Builds the fuzzing harnesses once and runs every one of them in turn over
# its corpus for SECONDS each, at the lowest priority, one at a time.
#   scripts/fuzz-all.sh SECONDS [HARNESS...]
# Inputs that crash a harness (or leak, time out, run out of memory) are
# kept in fuzz/findings/<harness>/. A summary table (harness, seconds, runs,
# executions per second, coverage, findings) goes to
# fuzz/findings/summary-<date and time>.md; the script prints its name.
# New corpus entries go to the work folders of scripts/fuzz.sh
# (fuzz/corpus-work/<harness>/), which are not committed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?seconds per harness}
shift
scripts/setup.sh
cmake --preset fuzz >/dev/null
nice -n 19 cmake --build --preset fuzz
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for source in fuzz/*_fuzzer.cpp; do
    name=$(basename "$source" .cpp)
    harnesses+=("${name%_fuzzer}")
  done
fi

mkdir -p fuzz/findings
summary=fuzz/findings/summary-$(date +%Y%m%d-%H%M%S).md
{
  echo "# Fuzzing, $seconds s per harness, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "| harness | seconds | runs | exec/s | coverage | findings |"
  echo "|---|---|---|---|---|---|"
} >"$summary"

for name in "${harnesses[@]}"; do
  work=fuzz/corpus-work/$name
  findings=fuzz/findings/$name
  mkdir -p "$work" "$findings" "fuzz/corpus/$name"
  log=$findings/last-run.log
  before=$(find "$findings" -maxdepth 1 -type f ! -name '*.log' | wc -l)
  started=$(date +%s)
  echo "fuzz-all: $name for $seconds s"
  # A finding ends the run early; the harness's exit code is not the
  # script's, the findings column is.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    nice -n 19 "build-fuzz/fuzz/${name}_fuzzer" -max_total_time="$seconds" \
    -print_final_stats=1 -rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=30 \
    -artifact_prefix="$findings/" "$work" "fuzz/corpus/$name" >"$log" 2>&1 || true
  took=$(($(date +%s) - started))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  after=$(find "$findings" -maxdepth 1 -type f ! -name '*.log' | wc -l)
  echo "| $name | $took | ${runs:-?} | ${speed:-?} | ${coverage:-?} | $((after - before)) |" >>"$summary"
done

echo "fuzz-all: summary in $summary"
cat "$summary"
