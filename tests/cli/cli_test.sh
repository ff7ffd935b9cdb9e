#!/usr/bin/env bash
# Runs facette-cli as a user would and checks exit codes, output files and
# what the program says.   cli_test.sh <facette-cli> <photo with EXIF>
set -uo pipefail
cli=$1
photo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passed=0

check() { # description, then a command that must succeed
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}
status() { # expected exit code, then the facette-cli arguments
  local want=$1
  shift
  "$cli" "$@" >"$work/out.txt" 2>"$work/err.txt"
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "exit $got instead of $want: facette-cli $*"
    cat "$work/err.txt"
    return 1
  fi
}
says() { grep -q -- "$1" "$work/out.txt"; }
complains() { [ "$(wc -l <"$work/err.txt")" -ge 1 ] && grep -q "^facette-cli: " "$work/err.txt"; }
same_pixels() { # two images, compared through our own uncompressed BMP
  "$cli" convert "$1" "$work/a.bmp" >/dev/null && "$cli" convert "$2" "$work/b.bmp" >/dev/null &&
    cmp -s "$work/a.bmp" "$work/b.bmp"
}

# Help and wrong command lines.
check "help" status 0 --help
for word in info convert resize rotate flip crop "Exit codes" --quality --format; do
  check "help mentions $word" says "$word"
done
check "no command" status 1
check "unknown command" status 1 sharpen a b
check "unknown option" status 1 convert "$photo" "$work/x.png" --fast
check "bad quality" status 1 convert "$photo" "$work/x.jpg" --quality 101
check "rotate needs a direction" status 1 rotate "$photo" "$work/x.jpg" up
check "resize needs a size" status 1 resize "$photo" "$work/x.jpg"
check "one clear line" complains

# Information.
check "info" status 0 info "$photo"
check "info camera" says "Camera: Examplecam FX-100"
check "info size" says "Size: 512 x 512"
check "info metadata" says "Metadata: EXIF (with thumbnail), IPTC, XMP"
printf 'GIF89a\1\0\1\0\0\0\0;' >"$work/x.gif"
check "GIF is refused" status 2 info "$work/x.gif"
check "missing input" status 2 convert "$work/none.jpg" "$work/x.png"

# Quarter turns and flips of a JPEG are lossless: four turns give back the
# very pixels.
cp "$photo" "$work/r.jpg"
for i in 1 2 3 4; do
  check "rotate $i" status 0 rotate "$work/r.jpg" "$work/r.jpg" right
  check "rotate $i lossless" says "without recompression"
done
check "four turns" same_pixels "$photo" "$work/r.jpg"
check "flip" status 0 flip "$photo" "$work/f.jpg" horizontal
check "flip back" status 0 flip "$work/f.jpg" "$work/f.jpg" horizontal
check "two flips" same_pixels "$photo" "$work/f.jpg"
check "left then right" status 0 rotate "$photo" "$work/l.jpg" left
check "metadata kept" status 0 info "$work/l.jpg"
check "metadata kept, thumbnail dropped" says "Metadata: EXIF, IPTC, XMP"

# Crops: on the block grid without recompression, elsewhere compressed.
check "crop on the grid" status 0 crop "$photo" "$work/c.jpg" 16 32 272 288
check "crop on the grid is lossless" says "256 x 256, without recompression"
check "crop off the grid" status 0 crop "$photo" "$work/c.jpg" 3 5 100 90
check "crop off the grid is compressed" says "97 x 85, compressed"
check "crop outside" status 4 crop "$photo" "$work/c2.jpg" 0 0 600 100
check "crop outside writes nothing" test ! -e "$work/c2.jpg"

# A photo taken with the camera turned (EXIF orientation 6, "right, top")
# is read and written upright; --keep-orientation takes it as stored.
check "wide crop" status 0 crop "$photo" "$work/wide.jpg" 0 0 512 256
check "without metadata" status 0 convert "$work/wide.jpg" "$work/wide.bmp"
check "plain JPEG" status 0 convert "$work/wide.bmp" "$work/plain.jpg"
{
  printf '\xff\xd8\xff\xe1\x00\x22Exif\x00\x00II*\x00\x08\x00\x00\x00\x01\x00'
  printf '\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00\x00'
  tail -c +3 "$work/plain.jpg"
} >"$work/turned.jpg"
check "turned info" status 0 info "$work/turned.jpg"
check "turned is read upright" says "Size: 256 x 512"
check "turned written upright" status 0 convert "$work/turned.jpg" "$work/upright.jpg"
check "upright without recompression" says "256 x 512, without recompression"
check "upright info" status 0 info "$work/upright.jpg"
check "upright orientation is 1" says "Orientation = top, left"
check "kept as stored" status 0 convert "$work/turned.jpg" "$work/stored.jpg" --keep-orientation
check "kept as stored size" says "512 x 256"
check "stored info" status 0 info "$work/stored.jpg" --keep-orientation
check "stored orientation kept" says "Orientation = right, top"
check "help mentions the orientation" status 0 --help
check "help says so" says "keep-orientation"

# Resizing, conversion, formats.
check "resize by scale" status 0 resize "$photo" "$work/s.jpg" --scale 50
check "resize by scale size" says "256 x 256"
check "resize by width" status 0 resize "$photo" "$work/w.png" --width 100
check "resize keeps the aspect" says "PNG, 100 x 100"
for ext in png tif bmp zri; do
  check "convert to $ext" status 0 convert "$photo" "$work/p.$ext"
  check "read back $ext" status 0 info "$work/p.$ext"
done
check "format option wins" status 0 convert "$photo" "$work/p.out" --format tiff
check "format option read back" status 0 info "$work/p.out"
check "format option is TIFF" says "Format: TIFF"
check "quality recompresses" status 0 convert "$photo" "$work/q.jpg" --quality 40
check "quality recompresses says so" says "compressed"

# Files from the wild (tests/data/odd, see its README): the exit code of
# each command and what is said about the input.
odd=$(dirname "$photo")/odd
while IFS='|' read -r command file want message; do
  case $command in
  info) args=(info "$odd/$file") ;;
  convert) args=(convert "$odd/$file" "$work/odd.bmp") ;;
  rotate) args=(rotate "$odd/$file" "$work/odd.jpg" left) ;;
  flip) args=(flip "$odd/$file" "$work/odd.jpg" horizontal) ;;
  crop) args=(crop "$odd/$file" "$work/odd.jpg" 1 1 20 20) ;;
  resize) args=(resize "$odd/$file" "$work/odd.jpg" --scale 50) ;;
  esac
  check "$command $file: exit $want" status "$want" "${args[@]}"
  if [ -n "$message" ]; then
    check "$command $file: '$message'" grep -q -- "$file: $message" "$work/err.txt"
  fi
done <<'TABLE'
convert|jpeg-stray-bytes.jpg|0|
convert|jpeg-app14-cut-short.jpg|0|
convert|jpeg-ff00-between-segments.jpg|0|
rotate|jpeg-stray-bytes.jpg|0|
rotate|jpeg-app14-cut-short.jpg|0|
flip|jpeg-ff00-between-segments.jpg|0|
info|jpeg-cut.jpg|2|the image cannot be decoded: the file is damaged or incomplete
info|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
convert|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
rotate|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
rotate|jpeg-cut.jpg|2|the image cannot be decoded: the file is damaged
flip|jpeg-cut.jpg|2|the image cannot be decoded: the file is damaged
crop|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
crop|jpeg-cut-after-header.jpg|2|the image cannot be decoded: the file is damaged
resize|jpeg-cut.jpg|2|the image cannot be decoded: the file is damaged
resize|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
resize|jpeg-stray-bytes.jpg|0|
info|jpeg-12-bit.jpg|2|this kind of image is not supported (12-bit JPEG)
convert|jpeg-lossless.jpg|2|this kind of image is not supported (lossless JPEG)
convert|tiff-rows-per-strip-overflow.tif|2|the image cannot be decoded: the file is damaged
convert|tiff-bigtiff.tif|0|
convert|tiff-grey12.tif|0|
convert|tiff-float32.tif|2|this kind of image is not supported (32-bit floating-point grey TIFF
convert|tiff-cmyk16.tif|2|this kind of image is not supported (16-bit CMYK TIFF
convert|bmp-2bit.bmp|2|this kind of image is not supported (BMP with 2 bits per pixel)
convert|bmp-embedded-jpeg.bmp|2|this kind of image is not supported (BMP with an embedded JPEG)
convert|bmp-embedded-png.bmp|2|this kind of image is not supported (BMP with an embedded PNG)
convert|bmp-huge-claim.bmp|2|the image cannot be decoded: the file is damaged
TABLE
check "metadata bytes that are not UTF-8 are escaped" status 0 info "$odd/jpeg-latin1-exif.jpg"
check "escaped as \\xE9" says 'Exif.Image.Make = Cam\\xE9ra'
check "the camera line is escaped too" says 'Camera: Cam\\xE9ra'

# Inputs that are no files, and names and numbers at their limits.
mkfifo "$work/pipe"
check "a named pipe is refused at once" status 2 info "$work/pipe"
check "a named pipe: why" grep -q "pipe: cannot read the file: not a regular file" "$work/err.txt"
check "a folder is refused" status 2 convert "$work" "$work/x.png"
for ext in webp gif txt; do
  check "unknown extension .$ext" status 1 convert "$photo" "$work/picture.$ext"
  check "nothing written for .$ext" test ! -e "$work/picture.$ext"
done
check "--format names what to write" status 0 convert "$photo" "$work/out.webp" --format png
check "no extension: the input's format" status 0 convert "$photo" "$work/noext"
check "no extension: JPEG" says "noext: JPEG"
long=$(printf 'n%.0s' $(seq 1 251)).png
check "a 255-byte name is written" status 0 convert "$photo" "$work/$long"
check "the 255-byte file is there" test -s "$work/$long"
for scale in 0x10 " 50" +50 1e2 50%; do
  check "--scale '$scale' is refused" status 1 resize "$photo" "$work/s.jpg" --scale "$scale"
done
check "--scale 12.5" status 0 resize "$photo" "$work/s.jpg" --scale 12.5
check "--scale 12.5 size" says "64 x 64"

# Output problems: nothing half-written, the old file untouched.
check "missing folder" status 3 convert "$photo" "$work/no/such/x.png"
printf 'old' >"$work/keep.bmp"
(
  trap '' XFSZ
  ulimit -f 8
  "$cli" convert "$photo" "$work/keep.bmp" >/dev/null 2>&1
  [ $? -eq 3 ]
)
check "full disk reported" test $? -eq 0
check "old file untouched" test "$(cat "$work/keep.bmp")" = old
check "no temporary files left" test -z "$(find "$work" -name '.*.XXXXXX' -o -name '.keep.bmp.*')"

# Many files at once: a folder with a damaged file and a text file among
# the photos, and a photo named on its own.
mkdir -p "$work/in" "$work/more"
cp "$photo" "$work/in/a.jpg"
cp "$photo" "$work/in/b.jpeg"
head -c 3000 "$photo" >"$work/in/damaged.jpg"
echo notes >"$work/in/notes.txt"
cp "$photo" "$work/more/c.jpg"
check "batch with a damaged file" status 2 resize "$work/in" "$work/more/c.jpg" \
  --output-dir "$work/out" --scale 50 --jobs 2
check "batch summary" grep -q "3 of 4 files written to .*; 1 failed:" "$work/err.txt"
check "batch names the damaged file" \
  grep -q "^  $work/in/damaged.jpg: the image cannot be decoded" "$work/err.txt"
check "batch without a terminal draws no bar" sh -c "! grep -q '\[#' '$work/err.txt'"
for name in a.jpg b.jpeg c.jpg; do
  check "batch wrote $name" status 0 info "$work/out/$name"
  check "batch $name is halved" says "Size: 256 x 256"
done
check "batch wrote nothing for the damaged file" test ! -e "$work/out/damaged.jpg"
check "batch left the text file alone" test ! -e "$work/out/notes.txt"
"$cli" resize "$photo" "$work/single.jpg" --scale 50 >/dev/null
check "batch and single file give the same bytes" cmp -s "$work/single.jpg" "$work/out/a.jpg"
check "batch of good files" status 0 rotate "$work/in/a.jpg" "$work/more" left --output-dir "$work/turned"
check "batch of good files: summary" says "2 files written to"
check "batch rotate is lossless" says "without recompression"
check "batch with --format" status 0 convert "$work/more" --output-dir "$work/png" --format png
check "batch with --format: extension" test -s "$work/png/c.png"
cp "$photo" "$work/more/a.jpg"
check "two inputs of one name" status 1 convert "$work/in/a.jpg" "$work/more/a.jpg" --output-dir "$work/dup"
check "two inputs of one name: nothing written" test ! -e "$work/dup"
check "--jobs needs --output-dir" status 1 convert "$photo" "$work/x.jpg" --jobs 2
check "--jobs 0" status 1 convert "$photo" --output-dir "$work/j" --jobs 0
mkdir "$work/empty"
check "an empty folder" status 2 convert "$work/empty" --output-dir "$work/j"
check "output folder is a file" status 3 convert "$photo" --output-dir "$photo"
script -qec "'$cli' convert '$work/more' --output-dir '$work/tty' --format png" /dev/null \
  >"$work/tty.txt" 2>&1
check "a terminal shows the progress bar" grep -q '\[#*\.*\] 2/2' "$work/tty.txt"

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
