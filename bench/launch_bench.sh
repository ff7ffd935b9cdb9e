#!/usr/bin/env bash
# Start-up and zoom of the real editor on a 24-megapixel JPEG (made at run
# time from the EXIF sample photo: 6000 x 4000, grain added, quality 92),
# on an X server of 1920 x 1080 (Xvfb) with a window of 1920 x 1040 and no
# settings file (a fresh configuration folder each run).
#
# "launch to first paint": from starting `facette PHOTO` (the clock is read
# in this script just before the program is started) to the end of the
# first paint of the photo, as the program reports it with its hidden
# --report-paints option; also to the first paint whose every pixel is
# final. RUNS processes (default 10); median, lowest and highest.
#
# "first paint after a zoom change": a demo script changes the zoom of the
# opened photo step by step (best fit, in, in, in, out, out, out, 100 %,
# best fit), waiting half a second after each change; for each change the
# time from the change to the end of the paint that follows, as the view
# reports it. RUNS processes; median and highest over every change.
#
# Every run is checked: a process that fails or does not report a paint
# stops the benchmark instead of being timed.
#   bench/launch_bench.sh [RUNS]
# Run it with real-time priority (chrt -f 10) on a machine shared with
# other work, so that its figures are the program's and not the queue's.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
# shellcheck source=support/editor_run.sh
source bench/support/editor_run.sh

cat >"$work/zoom.dsc" <<'EOF'
[Script]
Pause 0.5
BestFit
Pause 0.5
ZoomIn
Pause 0.5
ZoomIn
Pause 0.5
ZoomIn
Pause 0.5
ZoomOut
Pause 0.5
ZoomOut
Pause 0.5
ZoomOut
Pause 0.5
ActualSize
Pause 0.5
BestFit
Pause 0.5
EOF

# Runs inside the X server: the launches, then the zoom runs; prints one
# line per figure ("launch FIRST FINAL" in ms, "zoom MS").
cat >"$work/inside.sh" <<'EOF'
#!/usr/bin/env bash
set -euo pipefail
facette=$1 photo=$2 work=$3 runs=$4
geometry=(-qwindowgeometry 1920x1040+0+0)
fail() {
  echo "launch_bench: $*" >&2
  exit 1
}
for ((i = 0; i < runs; i++)); do
  export XDG_CONFIG_HOME=$work/config-$i
  mkdir -p "$XDG_CONFIG_HOME"
  rm -f "$work/paints"
  start=$EPOCHREALTIME
  "$facette" "${geometry[@]}" --report-paints "$photo" >"$work/paints" 2>"$work/stderr" &
  pid=$!
  # Until a final paint is reported (or 20 s pass).
  for ((t = 0; t < 400; t++)); do
    grep -q ' final$' "$work/paints" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null || fail "facette ended by itself: $(head -c 300 "$work/stderr")"
  wait "$pid" 2>/dev/null || true
  grep -q ' final$' "$work/paints" || fail "no final paint of the photo was reported"
  awk -v s="$start" '$1 == "paint" && !first { first = $2 }
    $1 == "paint" && $NF == "final" && !final { final = $2 }
    END { printf "launch %.1f %.1f\n", (first / 1e6 - s) * 1e3, (final / 1e6 - s) * 1e3 }' \
    "$work/paints"
done
for ((i = 0; i < runs; i++)); do
  export XDG_CONFIG_HOME=$work/zoom-config-$i
  mkdir -p "$XDG_CONFIG_HOME"
  status=0
  "$facette" "${geometry[@]}" --report-paints --demo "$work/zoom.dsc" --demo-speed 1 \
    --demo-timeout 60 "$photo" >"$work/paints" 2>"$work/stderr" || status=$?
  [ "$status" -eq 0 ] || fail "the zoom script ended with $status: $(head -c 300 "$work/stderr")"
  changes=$(awk '$1 == "paint" && $4 != "-"' "$work/paints" | wc -l)
  [ "$changes" -ge 9 ] || fail "only $changes paints after a zoom change were reported"
  awk '$1 == "paint" && $4 != "-" { printf "zoom %s %s %s\n", $4, $5, $6 }' "$work/paints"
done
EOF
chmod +x "$work/inside.sh"

xvfb-run -a -s "-screen 0 1920x1080x24" "$work/inside.sh" "$facette" "$photo" "$work" "$runs" \
  >"$work/figures"

stats() { # values on standard input: median, lowest, highest
  sort -g | awk '{ a[NR] = $1 } END {
    m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
    printf "median %7.1f ms   lowest %7.1f ms   highest %7.1f ms   (%d)", m, a[1], a[NR], NR }'
}
echo "facette, 24-megapixel JPEG, window 1920 x 1040 on Xvfb, $runs processes each:"
printf '  %-44s %s\n' "launch to first paint of the photo" \
  "$(awk '$1 == "launch" { print $2 }' "$work/figures" | stats)"
printf '  %-44s %s\n' "launch to first final paint" \
  "$(awk '$1 == "launch" { print $3 }' "$work/figures" | stats)"
printf '  %-44s %s\n' "zoom change to the end of its first paint" \
  "$(awk '$1 == "zoom" { print $2 }' "$work/figures" | stats)"
printf '  %-44s %s\n' "  (of which drafts)" \
  "$(awk '$1 == "zoom" && $4 == "draft"' "$work/figures" | wc -l) of $(awk '$1 == "zoom"' "$work/figures" | wc -l)"
echo "  each launch in order (first paint, first final paint, ms):"
awk '$1 == "launch" { printf "    %7.1f %7.1f\n", $2, $3 }' "$work/figures"
echo "  the five slowest zoom changes (ms, zoom, kind of paint):"
awk '$1 == "zoom" { printf "    %7.1f  %s  %s\n", $2, $3, $4 }' "$work/figures" | sort -g -r | head -5
