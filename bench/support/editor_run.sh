# Sourced by the benchmarks that start the real editor (launch_bench.sh,
# memory_bench.sh) from the top of the source tree: builds it, checks the
# tools they need, and makes the 24-megapixel JPEG they open (6000 x 4000
# from the EXIF sample photo, grain added, quality 92) in a fresh folder.
# Sets facette, work (removed on exit) and photo.
scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target facette >/dev/null
facette=$PWD/build/src/app/facette
for tool in xvfb-run /usr/bin/convert /usr/bin/time awk sort; do
  command -v "$tool" >/dev/null || { echo "$(basename "$0"): $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photo=$work/photo24mp.jpg
/usr/bin/convert tests/data/portrait-exif.jpg -resize '6000x4000!' -attenuate 0.5 \
  +noise Gaussian -quality 92 "$photo"
