#!/usr/bin/env bash
# Peak resident memory of the real editor on a 24-megapixel JPEG (made at
# run time from the EXIF sample photo: 6000 x 4000, grain added, quality
# 92) with one stroke of every tool, played by a demo script at speed 0 on
# Xvfb (window 1920 x 1040, no settings file).
#
# Prints the peak (VmHWM) of:
#   - the photo opened and shown, nothing else;
#   - the photo and one stroke of a single tool, for each tool (the rise
#     over the first line is what that tool's first stroke costs: its
#     caches, its undo step);
#   - the photo and one stroke of every tool, one after the other (the
#     figure a user's session meets).
# Every run is checked: a script that fails stops the benchmark.
#   bench/memory_bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=support/editor_run.sh
source bench/support/editor_run.sh

# One stroke of a brush across the middle of the photo: the points of a
# short path, each one a mouse event at speed 0.
stroke() {
  echo "MouseTo Image, 2900, 2000"
  echo "MouseDown"
  for x in 2940 2980 3020 3060 3100; do echo "MouseMove Image, $x, 2010"; done
  echo "MouseUp"
}
# Each tool's stroke, by name; the brush sizes are those a user picks for
# a face on a photo of this size.
tool_script() {
  case $1 in
  Open) ;;
  Smudge | UndoBrush | AntiAging | Emphasis)
    echo "$1"
    echo "${1}Size 80"
    stroke
    ;;
  EyeColor | EyePencil | EyeShadow | Lipstick | Powder | Rouge | TeethBleach)
    echo "$1"
    stroke
    ;;
  HandInpainting)
    echo "HandInpainting"
    echo "HandInpaintingSize 40"
    echo "MouseTo Image, 3000, 2000"
    echo "MouseClick"
    echo "MouseTo Image, 3000, 2150"
    echo "MouseClick"
    ;;
  Liquify)
    echo "Skewing"
    echo "SkewingSize 200"
    echo "SkewingWarp"
    stroke
    echo "SkewingOK"
    ;;
  # The whole-image tools, each used once as a user would; their places
  # stay inside the photo after the tools before them in the list below.
  Adjustment)
    echo "Adjustment"
    echo "AdjustmentBrightness"
    echo "AdjustmentAll 1"
    echo "AdjustmentStart"
    echo "AdjustmentRed 12"
    echo "AdjustmentFinishing"
    ;;
  Text)
    echo "Text"
    echo "TextMemoYalta"
    echo "TextFontSize 96"
    echo "MouseTo Image, 2000, 1500"
    echo "MouseDown"
    echo "MouseMove Image, 3600, 2000"
    echo "MouseUp"
    echo "MouseTo Image, 1000, 500"
    echo "MouseClick"
    ;;
  Rotation)
    echo "Rotation"
    echo "RotationRight"
    ;;
  Straighten)
    echo "Rotation3"
    echo "Rotation3AutoCrop 1"
    echo "MouseTo Image, 500, 3300"
    echo "MouseDown"
    echo "MouseMove Image, 3000, 3400"
    echo "MouseUp"
    echo "Rotation3Finishing"
    ;;
  Crop)
    echo "Crop"
    echo "MouseTo Image, 1000, 800"
    echo "MouseDown"
    echo "MouseMove Image, 3000, 3500"
    echo "MouseUp"
    echo "CropPerform"
    ;;
  Resize)
    echo "Resize"
    echo "ResizeWidth 3000"
    echo "ResizePerform"
    ;;
  esac
}
tools=(Smudge UndoBrush AntiAging Emphasis HandInpainting Liquify EyeColor EyePencil EyeShadow
  Lipstick Powder Rouge TeethBleach Adjustment Text Rotation Straighten Crop Resize)

write_script() { # file, tools...
  local file=$1
  shift
  {
    echo "[Script]"
    echo "BestFit"
    for t in "$@"; do tool_script "$t"; done
  } >"$file"
}

# Runs inside the X server; prints "NAME KILOBYTES" per run.
cat >"$work/inside.sh" <<'EOF'
#!/usr/bin/env bash
set -euo pipefail
facette=$1 photo=$2 work=$3
shift 3
for name in "$@"; do
  export XDG_CONFIG_HOME=$work/config-$name
  mkdir -p "$XDG_CONFIG_HOME"
  status=0
  /usr/bin/time -f "%M" -o "$work/rss" "$facette" -qwindowgeometry 1920x1040+0+0 \
    --demo "$work/$name.dsc" --demo-speed 0 --demo-timeout 300 "$photo" \
    >/dev/null 2>"$work/stderr" || status=$?
  [ "$status" -eq 0 ] || {
    echo "memory_bench: $name ended with $status: $(head -c 300 "$work/stderr")" >&2
    exit 1
  }
  echo "$name $(tail -n 1 "$work/rss")"
done
EOF
chmod +x "$work/inside.sh"

names=(Open)
write_script "$work/Open.dsc" Open
for t in "${tools[@]}"; do
  write_script "$work/$t.dsc" "$t"
  names+=("$t")
done
write_script "$work/All.dsc" "${tools[@]}"
names+=(All)

xvfb-run -a -s "-screen 0 1920x1080x24" "$work/inside.sh" "$facette" "$photo" "$work" \
  "${names[@]}" >"$work/figures"

echo "facette, 24-megapixel JPEG, window 1920 x 1040 on Xvfb: peak resident memory"
awk 'NR == 1 { base = $2 }
  { label = $1 == "Open" ? "photo opened" : $1 == "All" ? "one stroke of every tool" : "photo + " $1
    printf "  %-28s %7.0f MB", label, $2 / 1024
    if (NR > 1) printf "   (%+6.0f MB)", ($2 - base) / 1024
    printf "\n" }' "$work/figures"
