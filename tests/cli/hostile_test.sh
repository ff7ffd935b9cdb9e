#!/usr/bin/env bash
# Feeds facette-cli inputs meant to break a reader: files of each format cut
# short, headers claiming huge pictures, random bytes behind each format's
# signature, corrupt EXIF blocks, a named pipe, a folder, and an output
# that is the input. Each run must end in time with exit 0 (the file was
# read) or 2 (it was refused), and say nothing a sanitizer would say. CI
# runs this with the AddressSanitizer build.
#   hostile_test.sh <facette-cli> <test data folder>
set -uo pipefail
cli=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
runs=0

# Bytes from a fixed seed, so that every run tries the same inputs.
noise() { # count, seed
  LC_ALL=C awk -v n="$1" -v seed="$2" 'BEGIN { srand(seed); for (i = 0; i < n; i++) printf "%c", int(rand() * 256) }'
}

attempt() { # expected exit codes (e.g. "0 2"), then the facette-cli arguments
  local allowed=$1
  shift
  runs=$((runs + 1))
  timeout 60 "$cli" "$@" >"$work/out.txt" 2>"$work/err.txt"
  local got=$?
  if [[ " $allowed " != *" $got "* ]] || grep -q "Sanitizer\|runtime error" "$work/err.txt"; then
    echo "FAILED (exit $got): facette-cli $*"
    head -20 "$work/err.txt"
    failures=$((failures + 1))
  fi
}

both() { # a hostile input file: information and conversion
  attempt "0 2" info "$1"
  attempt "0 2" convert "$1" "$work/result.bmp"
}

# Every format, from the test photo, cut at several points; the odd files
# cut in half.
mkdir -p "$work/in"
for ext in jpg png tif bmp zri; do
  "$cli" convert "$data/portrait-exif.jpg" "$work/in/photo.$ext" >/dev/null || exit 1
done
for file in "$work"/in/* "$data"/odd/*.jpg "$data"/odd/*.tif "$data"/odd/*.bmp; do
  size=$(stat -c %s "$file")
  cuts=$((size / 2))
  case $file in */photo.*) cuts="0 8 17 64 $((size / 3)) $cuts $((size - 2))" ;; esac
  for keep in $cuts; do
    head -c "$keep" "$file" >"$work/cut"
    both "$work/cut"
  done
done

# Headers claiming huge pictures: the odd files that do, and the photo as
# PNG with its header saying 60000 x 60000.
for file in "$data"/odd/*huge-claim*; do both "$file"; done
{
  head -c 16 "$work/in/photo.png"
  printf '\x00\x00\xea\x60\x00\x00\xea\x60'
  tail -c +25 "$work/in/photo.png"
} >"$work/huge.png"
both "$work/huge.png"

# Random bytes behind each signature.
signatures=('\xff\xd8\xff\xe0\x00\x10JFIF\x00' '\x89PNG\r\n\x1a\n' 'II*\x00\x08\x00\x00\x00'
  'MM\x00*\x00\x00\x00\x08' 'II+\x00\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00\x00\x00' 'BM')
seed=1
for signature in "${signatures[@]}"; do
  for size in 16 300 5000; do
    { printf "$signature"; noise "$size" "$seed"; } >"$work/noise"
    both "$work/noise"
    seed=$((seed + 1))
  done
done

# Corrupt EXIF blocks: the odd file whose EXIF points outside its block,
# and random bytes in an EXIF segment of a good JPEG.
both "$data/odd/jpeg-bad-exif.jpg"
for seed in 1 2 3; do
  {
    printf '\xff\xd8\xff\xe1\x01\x08Exif\x00\x00II*\x00\x08\x00\x00\x00'
    noise 250 "$seed"
    tail -c +3 "$data/odd/jpeg-base.jpg"
  } >"$work/exif.jpg"
  both "$work/exif.jpg"
done

# What is not a file, and an output that is the input.
mkfifo "$work/pipe"
attempt 2 info "$work/pipe"
attempt 2 convert "$work/pipe" "$work/result.png"
attempt 2 info "$work/in"
attempt 3 convert "$data/odd/jpeg-base.jpg" "$work/in"
cp "$data/odd/jpeg-base.jpg" "$work/same.jpg"
attempt 0 rotate "$work/same.jpg" "$work/same.jpg" right
attempt 0 convert "$work/same.jpg" "$work/same.jpg" --quality 50
attempt 0 info "$work/same.jpg"

echo "$runs runs, $failures failed"
[ "$failures" -eq 0 ]
