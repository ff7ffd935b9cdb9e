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
info|jpeg-cut.jpg|2|the image cannot be decoded: the file is damaged or incomplete
info|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
convert|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
rotate|jpeg-cut-with-end-marker.jpg|2|the image cannot be decoded: the file is damaged
rotate|jpeg-cut.jpg|2|the image cannot be decoded: the file is damaged
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

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
