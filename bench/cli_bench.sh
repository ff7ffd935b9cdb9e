#!/usr/bin/env bash
# Whole-process comparison of facette-cli with its peers on a 24-megapixel
# JPEG made at run time from the EXIF sample photo (scaled to 6000 x 4000,
# grain added, quality 92, metadata kept), on this machine:
#   resize to 50 %:   facette-cli resize --scale 50  vs  vips resize 0.5
#                                                    vs  ImageMagick convert -filter Lanczos -resize 50%
#   quarter turn:     facette-cli rotate right       vs  jpegtran -rotate 90
# Each command runs once to warm the file cache, then RUNS times (default
# 3); the median wall-clock time counts. Prints each time and each ratio.
#   bench/cli_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
scripts/setup-bench.sh
cmake --preset bench >/dev/null
cmake --build --preset bench --target facette-cli >/dev/null
cli=$PWD/build-bench/src/app/cli/facette-cli
# /usr/bin/convert is ImageMagick's own; another "convert" may come first
# on the PATH.
magick=/usr/bin/convert
for tool in vips jpegtran "$magick"; do
  command -v "$tool" >/dev/null || { echo "cli_bench: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photo=$work/photo24mp.jpg
"$magick" tests/data/portrait-exif.jpg -resize '6000x4000!' -attenuate 0.5 +noise Gaussian \
  -quality 92 "$photo"
echo "input: $("$cli" info "$photo" | sed -n '3p;5p' | tr '\n' ' ')($(stat -c %s "$photo") bytes)"

# Median wall-clock seconds of a command.
measure() {
  "$@" >/dev/null 2>&1 # warm-up
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] }'
}

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

ours_resize=$(measure "$cli" resize "$photo" "$work/ours_half.jpg" --scale 50)
vips_resize=$(measure vips resize "$photo" "$work/vips_half.jpg" 0.5)
magick_resize=$(measure "$magick" "$photo" -filter Lanczos -resize 50% "$work/magick_half.jpg")
ours_rotate=$(measure "$cli" rotate "$photo" "$work/ours_rot.jpg" right)
jpegtran_rotate=$(measure jpegtran -rotate 90 -outfile "$work/jpegtran_rot.jpg" "$photo")

echo "median of $runs runs:"
report "facette-cli resize IN OUT --scale 50" "$ours_resize"
report "vips resize IN OUT 0.5" "$vips_resize"
report "convert IN -filter Lanczos -resize 50% OUT" "$magick_resize"
report "facette-cli rotate IN OUT right" "$ours_rotate"
report "jpegtran -rotate 90 -outfile OUT IN" "$jpegtran_rotate"
echo "ratios:"
ratio "resize: facette-cli / vips" "$ours_resize" "$vips_resize" 1.5
ratio "resize: facette-cli / ImageMagick" "$ours_resize" "$magick_resize" 0.5
ratio "rotate: facette-cli / jpegtran" "$ours_rotate" "$jpegtran_rotate" 1.2
