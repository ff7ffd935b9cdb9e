#!/usr/bin/env bash
# Builds the fuzzing harnesses once and runs every one of them over its
# corpus for SECONDS each, at the lowest priority.
#   scripts/fuzz-all.sh [--cpu] [--jobs N] SECONDS [HARNESS...]
# SECONDS is wall-clock time, or with --cpu processor time, so that a long
# campaign on a busy machine still gives each harness its full share.
# --jobs N runs N harnesses at once (default 1).
# Inputs that crash a harness (or leak, time out, run out of memory) are
# kept in fuzz/findings/<harness>/. A summary table (harness, processor and
# wall seconds, runs, executions per second, coverage, findings) goes to
# fuzz/findings/summary-<date and time>.md; the script prints its name.
# New corpus entries go to the work folders of scripts/fuzz.sh
# (fuzz/corpus-work/<harness>/), which are not committed.
set -euo pipefail
cd "$(dirname "$0")/.."
cpu=0
jobs=1
while [ $# -gt 0 ]; do
  case $1 in
  --cpu) cpu=1 ;;
  --jobs) jobs=${2:?--jobs N}; shift ;;
  *) break ;;
  esac
  shift
done
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
  echo "# Fuzzing, $seconds s$([ "$cpu" = 1 ] && echo ' of processor time') per harness, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "| harness | processor s | wall s | runs | exec/s | coverage | findings |"
  echo "|---|---|---|---|---|---|---|"
} >"$summary"

# Processor seconds (user and system) a process has used so far.
cpu_seconds() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  set -- $stat
  echo $(((${12} + ${13}) / $(getconf CLK_TCK)))
}

run_one() {
  local name=$1 work=fuzz/corpus-work/$1 findings=fuzz/findings/$1
  mkdir -p "$work" "$findings" "fuzz/corpus/$name"
  local log=$findings/last-run.log
  local before started limit used=0 now pid
  before=$(find "$findings" -maxdepth 1 -type f ! -name '*.log' | wc -l)
  started=$(date +%s)
  limit=$seconds
  [ "$cpu" = 1 ] && limit=0
  echo "fuzz-all: $name for $seconds s$([ "$cpu" = 1 ] && echo ' of processor time')"
  # A finding ends the run early; the harness's exit code is not the
  # script's, the findings column is.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    nice -n 19 "build-fuzz/fuzz/${name}_fuzzer" -max_total_time="$limit" \
    -print_final_stats=1 -rss_limit_mb=2048 -malloc_limit_mb=512 -timeout=30 \
    -artifact_prefix="$findings/" "$work" "fuzz/corpus/$name" >"$log" 2>&1 &
  pid=$!
  if [ "$cpu" = 1 ]; then
    # libFuzzer prints its final statistics when interrupted.
    while now=$(cpu_seconds "$pid") && used=$now && [ "$used" -lt "$seconds" ]; do
      sleep 5
    done
    kill -INT "$pid" 2>/dev/null || true
  fi
  wait "$pid" || true
  local took runs speed coverage after
  took=$(($(date +%s) - started))
  [ "$cpu" = 1 ] || used=?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  after=$(find "$findings" -maxdepth 1 -type f ! -name '*.log' | wc -l)
  echo "| $name | $used | $took | ${runs:-?} | ${speed:-?} | ${coverage:-?} | $((after - before)) |" >>"$summary"
}

for name in "${harnesses[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  run_one "$name" &
done
wait

echo "fuzz-all: summary in $summary"
cat "$summary"
