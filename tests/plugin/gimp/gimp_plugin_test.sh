#!/usr/bin/env bash
# Runs the GIMP filter in gimp-console's batch mode on a small image, with
# the editor replaced by the stand-in program, and checks what comes back.
#   gimp_plugin_test.sh PLUGIN STANDIN
# GIMP runs with a user folder of its own that knows only this plug-in and
# the Script-Fu interpreter, so the test starts fast and leaves the real
# user's GIMP alone.
set -uo pipefail
plugin=$1
standin=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/plug-ins/facette-gimp" "$work/plug-ins/script-fu" "$work/home" "$work/tmp"
cp "$plugin" "$work/plug-ins/facette-gimp/facette-gimp"
ln -s /usr/lib/gimp/2.0/plug-ins/script-fu/script-fu "$work/plug-ins/script-fu/script-fu"
printf '(plug-in-path "%s")\n' "$work/plug-ins" > "$work/gimprc"
export GIMP2_DIRECTORY=$work/home TMPDIR=$work/tmp FACETTE_STANDIN_LOG=$work/standin.log
unset DISPLAY

passed=0
failed=0
check() { # condition-status description
  if [ "$1" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2"; fi
}

# The layer's pixels: colour byte c of (x, y) is (29x + 71y + 5c) mod 256,
# transparency 160. Prints "r,g,b[,a] " for every pixel, rows top down,
# with the colour inverted inside the rectangle X0 <= x < X1, Y0 <= y < Y1.
expected() { # channels x0 y0 x1 y1
  local s="" x y c v
  for ((y = 0; y < 4; y++)); do
    for ((x = 0; x < 6; x++)); do
      for ((c = 0; c < $1; c++)); do
        v=$(((29 * x + 71 * y + 5 * c) % 256))
        [ "$c" -eq 3 ] && v=160
        if [ "$c" -lt 3 ] && [ "$x" -ge "$2" ] && [ "$y" -ge "$3" ] && [ "$x" -lt "$4" ] && [ "$y" -lt "$5" ]; then
          v=$((255 - v))
        fi
        s+=$v
        [ "$c" -lt $(($1 - 1)) ] && s+=","
      done
      s+=" "
    done
  done
  echo "$s"
}

# One run of GIMP: a 6 x 4 layer of CHANNELS (3 or 4), an optional
# rectangle selection, the filter, then the pixels. Prints GIMP's output.
run_gimp() { # channels selection(x y w h or "")
  local type=RGB-IMAGE
  [ "$1" -eq 4 ] && type=RGBA-IMAGE
  local select=""
  [ -n "$2" ] && select="(gimp-image-select-rectangle image CHANNEL-OP-REPLACE $2)"
  timeout 120 gimp-console-2.10 -i -d -f -g "$work/gimprc" \
    --batch-interpreter=plug-in-script-fu-eval \
    -b "(let* ((image (car (gimp-image-new 6 4 RGB)))
               (layer (car (gimp-layer-new image 6 4 $type \"layer\" 100 LAYER-MODE-NORMAL))))
          (gimp-image-insert-layer image layer 0 0)
          (do ((y 0 (+ y 1))) ((= y 4))
            (do ((x 0 (+ x 1))) ((= x 6))
              (let ((pixel (make-vector $1 160)))
                (do ((c 0 (+ c 1))) ((= c 3))
                  (vector-set! pixel c (modulo (+ (* 29 x) (* 71 y) (* 5 c)) 256)))
                (gimp-drawable-set-pixel layer x y $1 pixel))))
          $select)" \
    -b "(let* ((image (vector-ref (cadr (gimp-image-list)) 0))
               (layer (car (gimp-image-get-active-layer image))))
          (plug-in-facette RUN-NONINTERACTIVE image layer))" \
    -b "(let* ((image (vector-ref (cadr (gimp-image-list)) 0))
               (layer (car (gimp-image-get-active-layer image)))
               (text \"\"))
          (do ((y 0 (+ y 1))) ((= y 4))
            (do ((x 0 (+ x 1))) ((= x 6))
              (let ((pixel (cadr (gimp-drawable-get-pixel layer x y))))
                (do ((c 0 (+ c 1))) ((= c $1))
                  (set! text (string-append text (number->string (vector-ref pixel c))
                                            (if (< c (- $1 1)) \",\" \" \")))))))
          (gimp-message (string-append \"PIXELS \" text)))" \
    -b "(gimp-quit 0)" 2>&1
}

pixels_of() { sed -n 's/.*PIXELS \(.*\)$/\1/p' <<<"$1" | head -1; }

# Each case: name, channels, selection, stand-in mode, exit code, program,
# the changed rectangle (x0 y0 x1 y1), and a message GIMP must print.
run_case() {
  local name=$1 channels=$2 selection=$3 mode=$4 exit=$5 program=$6 rect=$7 message=$8
  : > "$work/standin.log"
  local output
  output=$(FACETTE_PROGRAM=$program FACETTE_STANDIN_MODE=$mode FACETTE_STANDIN_EXIT=$exit \
    run_gimp "$channels" "$selection")
  local got want
  got=$(pixels_of "$output")
  # shellcheck disable=SC2086
  want=$(expected "$channels" $rect)
  [ "$got" == "$want" ]
  check $? "$name: the layer holds the expected pixels
  got:  $got
  want: $want"
  if [ -n "$message" ]; then
    grep -qF -- "$message" <<<"$output"
    check $? "$name: GIMP reports \"$message\""
  fi
  [ -z "$(find "$work/tmp" -name 'PSPF*')" ]
  check $? "$name: no temporary file is left"
  if [ "$program" == "$standin" ]; then
    [ "$(sed -n 1p "$work/standin.log")" == "2" ]
    check $? "$name: the program got the file as its one argument"
    local file
    file=$(sed -n 2p "$work/standin.log")
    [ -n "$file" ] && [ ! -e "$file" ]
    check $? "$name: the exchange file is gone"
  fi
  if [ "$failed" -gt 0 ]; then
    echo "--- GIMP's output for $name:"
    echo "$output" | grep -v -e 'writable data folder' -e '^$' | head -20
  fi
}

none="0 0 0 0"
run_case "round trip" 3 "" invert 0 "$standin" "0 0 6 4" ""
run_case "selection" 3 "1 1 3 2" invert 0 "$standin" "1 1 4 3" ""
run_case "transparency" 4 "" invert 0 "$standin" "0 0 6 4" ""
run_case "cancel" 3 "" invert 255 "$standin" "$none" ""
run_case "a narrower image" 3 "" narrow 0 "$standin" "$none" "Transfer image data error."
run_case "no program" 3 "" invert 0 "$work/missing/facette" "$none" \
  "Execute application \"$work/missing/facette\" error:"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
