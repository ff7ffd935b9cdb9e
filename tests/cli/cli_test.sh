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
