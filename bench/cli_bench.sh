#!/usr/bin/env bash
# Whole-process comparison of facette-cli with its peers on a 24-megapixel
# JPEG made at run time from the EXIF sample photo (scaled to 6000 x 4000,
# grain added, quality 92, metadata kept), on this machine:
#   resize to 50 %:   facette-cli resize --scale 50  vs  vips resize 0.5
#                                                    vs  ImageMagick convert -filter Lanczos -resize 50%
#   quarter turn:     facette-cli rotate right       vs  jpegtran -rotate 90
# Every run of every command is checked: its exit code, and its output file
# (present, not empty, of the expected size in pixels, and decoded in full
# without a warning by djpeg -strict). A failed run stops the benchmark with
# the reason; it is never timed. Each command runs once to warm the file
# cache, then RUNS times (default 5), alternating with its peers so that a
# change of the machine's load reaches all of them; the median wall-clock
# time counts. Prints each time and each ratio.
#   bench/cli_bench.sh [RUNS]
# The peers' thread counts are left as they are (libvips and ImageMagick use
# the cores; facette-cli does too; jpegtran and facette-cli's lossless turn
# run on one thread).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
scripts/setup-bench.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target facette-cli >/dev/null
cli=$PWD/build-bench/src/app/cli/facette-cli
# /usr/bin/convert is ImageMagick's own; another "convert" may come first
# on the PATH.
magick=/usr/bin/convert
for tool in vips vipsheader jpegtran djpeg "$magick"; do
  command -v "$tool" >/dev/null || { echo "cli_bench: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photo=$work/photo24mp.jpg
"$magick" tests/data/portrait-exif.jpg -resize '6000x4000!' -attenuate 0.5 +noise Gaussian \
  -quality 92 "$photo"
echo "input: $("$cli" info "$photo" | sed -n '3p;5p' | tr '\n' ' ')($(stat -c %s "$photo") bytes)"

fail() {
  echo "cli_bench: $*" >&2
  exit 1
}

# Checks a JPEG output: present, not empty, WIDTH x HEIGHT, decoded in full
# without a warning.
check_output() { # file, width, height
  [ -s "$1" ] || fail "$1 is missing or empty"
  local size
  size="$(vipsheader -f width "$1")x$(vipsheader -f height "$1")"
  [ "$size" = "$2x$3" ] || fail "$1 is $size pixels, not $2x$3"
  djpeg -strict -outfile /dev/null "$1" 2>"$work/djpeg.err" ||
    fail "$1 does not decode: $(cat "$work/djpeg.err")"
}

# Runs a command once, checked; prints its wall-clock seconds.
# run_checked OUT WIDTH HEIGHT COMMAND...
run_checked() {
  local out=$1 width=$2 height=$3
  shift 3
  rm -f "$out"
  local start end status=0
  start=$(date +%s.%N)
  "$@" >"$work/run.out" 2>&1 || status=$?
  end=$(date +%s.%N)
  [ "$status" -eq 0 ] || fail "exit $status: $* ($(head -c 300 "$work/run.out"))"
  check_output "$out" "$width" "$height"
  echo "$end - $start" | bc -l
}

median() {
  sort -g | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] }'
}

# The commands: each a function, with its output file and size in pixels.
ours_resize() { "$cli" resize "$photo" "$work/ours_resize.jpg" --scale 50; }
vips_resize() { vips resize "$photo" "$work/vips_resize.jpg" 0.5; }
magick_resize() { "$magick" "$photo" -filter Lanczos -resize 50% "$work/magick_resize.jpg"; }
ours_rotate() { "$cli" rotate "$photo" "$work/ours_rotate.jpg" right; }
jpegtran_rotate() { jpegtran -rotate 90 -outfile "$work/jpegtran_rotate.jpg" "$photo"; }
names=(ours_resize vips_resize magick_resize ours_rotate jpegtran_rotate)
declare -A size=([ours_resize]="3000 2000" [vips_resize]="3000 2000" [magick_resize]="3000 2000"
  [ours_rotate]="4000 6000" [jpegtran_rotate]="4000 6000")
run() { # name: one checked run, its seconds printed
  # shellcheck disable=SC2086
  run_checked "$work/$1.jpg" ${size[$1]} "$1"
}

declare -A times
for name in "${names[@]}"; do # warm-up, checked too
  run "$name" >/dev/null
done
for _ in $(seq "$runs"); do
  for name in "${names[@]}"; do
    times[$name]="${times[$name]:-} $(run "$name")"
  done
done
declare -A med
for name in "${names[@]}"; do
  # shellcheck disable=SC2086
  med[$name]=$(printf '%s\n' ${times[$name]} | median)
done

report() { # label, seconds
  printf '  %-58s %7.3f s\n' "$1" "$2"
}
ratio() { # label, ours, theirs, limit
  local r
  r=$(echo "$2 / $3" | bc -l)
  local verdict=ok
  if [ "$(echo "$r > $4" | bc -l)" = 1 ]; then verdict="OVER the limit"; fi
  printf '  %-44s %5.2f   (limit %s: %s)\n' "$1" "$r" "$4" "$verdict"
}

echo "median of $runs runs (every run checked):"
report "facette-cli resize IN OUT --scale 50" "${med[ours_resize]}"
report "vips resize IN OUT 0.5" "${med[vips_resize]}"
report "convert IN -filter Lanczos -resize 50% OUT" "${med[magick_resize]}"
report "facette-cli rotate IN OUT right" "${med[ours_rotate]}"
report "jpegtran -rotate 90 -outfile OUT IN" "${med[jpegtran_rotate]}"
echo "ratios:"
ratio "resize: facette-cli / vips" "${med[ours_resize]}" "${med[vips_resize]}" 0.9
ratio "resize: facette-cli / ImageMagick" "${med[ours_resize]}" "${med[magick_resize]}" 0.5
ratio "rotate: facette-cli / jpegtran" "${med[ours_rotate]}" "${med[jpegtran_rotate]}" 1.2
