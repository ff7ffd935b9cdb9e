#!/usr/bin/env bash
# Throughput of many photos at once: 100 JPEGs of 12 megapixels (4240 x
# 2832, made at run time from the EXIF sample photo with grain added,
# quality 92; the same picture under 100 names) halved into a folder by
#   facette-cli resize IN_DIR --output-dir OUT --scale 50 --jobs J
# against
#   ls IN_DIR/*.jpg | xargs -P J ... vips resize FILE OUT/NAME 0.5
# with VIPS_CONCURRENCY=1, so that both run J files side by side on one
# thread each (J = the number of cores). facette-cli also makes each file
# durable (fsync) before it renames it into place; vips does not.
# Every run is checked: exit code, 100 outputs, each of 2120 x 1416 pixels;
# a failed run stops the benchmark instead of being timed. One warm-up run
# of each, then RUNS runs (default 3) alternating; the median counts.
#   bench/batch_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
scripts/setup-bench.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target facette-cli >/dev/null
cli=$PWD/build-bench/src/app/cli/facette-cli
for tool in vips vipsheader xargs bc /usr/bin/convert; do
  command -v "$tool" >/dev/null || { echo "batch_bench: $tool is missing" >&2; exit 1; }
done
jobs=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"
/usr/bin/convert tests/data/portrait-exif.jpg -resize '4240x2832!' -attenuate 0.5 \
  +noise Gaussian -quality 92 "$work/in/photo000.jpg"
for i in $(seq 1 99); do
  cp "$work/in/photo000.jpg" "$work/in/photo$(printf %03d "$i").jpg"
done

fail() {
  echo "batch_bench: $*" >&2
  exit 1
}

check_outputs() { # folder
  local count
  count=$(find "$1" -name '*.jpg' | wc -l)
  [ "$count" -eq 100 ] || fail "$1 holds $count results, not 100"
  for f in "$1"/*.jpg; do
    [ "$(vipsheader -f width "$f")x$(vipsheader -f height "$f")" = 2120x1416 ] ||
      fail "$f is not 2120 x 1416"
  done
}

ours() { "$cli" resize "$work/in" --output-dir "$1" --scale 50 --jobs "$jobs"; }
vips_xargs() {
  mkdir -p "$1"
  # shellcheck disable=SC2016
  ls "$work"/in/*.jpg | VIPS_CONCURRENCY=1 xargs -P "$jobs" -I{} \
    sh -c 'vips resize "$1" "$2/$(basename "$1")" 0.5' _ {} "$1"
}

run() { # name: one checked run, its seconds printed
  local out=$work/out-$1 start end status=0
  rm -rf "$out"
  start=$(date +%s.%N)
  "$1" "$out" >"$work/run.out" 2>&1 || status=$?
  end=$(date +%s.%N)
  [ "$status" -eq 0 ] || fail "$1 ended with $status: $(head -c 300 "$work/run.out")"
  check_outputs "$out"
  echo "$end - $start" | bc -l
}

median() {
  sort -g | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] }'
}

run ours >/dev/null
run vips_xargs >/dev/null
t_ours="" t_vips=""
for _ in $(seq "$runs"); do
  t_ours="$t_ours $(run ours)"
  t_vips="$t_vips $(run vips_xargs)"
done
# shellcheck disable=SC2086
m_ours=$(printf '%s\n' $t_ours | median)
# shellcheck disable=SC2086
m_vips=$(printf '%s\n' $t_vips | median)
echo "100 photos of 12 megapixels halved, $jobs at a time on one thread each, median of $runs runs:"
printf '  %-58s %7.3f s  (%5.1f photos/s)\n' "facette-cli resize DIR --output-dir OUT --jobs $jobs" \
  "$m_ours" "$(echo "100 / $m_ours" | bc -l)"
printf '  %-58s %7.3f s  (%5.1f photos/s)\n' "xargs -P $jobs vips resize (VIPS_CONCURRENCY=1)" \
  "$m_vips" "$(echo "100 / $m_vips" | bc -l)"
printf '  %-58s %7.2f\n' "ratio facette-cli / vips" "$(echo "$m_ours / $m_vips" | bc -l)"
