#!/usr/bin/env bash
# The cost of presenting one frame through the SDL2 backend: each program runs
# for a few seconds in a real window on a virtual X display (Xvfb), with
# CAST_WINDOW_STATS=1, and its own figures are tabled. Called by bench.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${PRESENT_SECONDS:-3}
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "present cost: skipped ($tool is not installed)"; exit 0; }
done
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

printf '| program | window | presented/s | ms converting and uploading | ms presenting | ms at most |\n'
printf '|---|---|---|---|---|---|\n'
while IFS='|' read -r program window end_key hold; do
    exe="$root/build/$program/$program"
    [ -x "$exe" ] || continue
    dir="$work"
    [ "$program" = bspcast ] && dir="$root/bspcast"
    (cd "$dir" && CAST_WINDOW_STATS=1 exec "$exe") >/dev/null 2>"$work/$program.txt" &
    pid=$!
    if [ -n "$hold" ]; then  # a program that draws only when something moves
        sleep 0.5
        xdotool keydown "$hold" sleep "$seconds" keyup "$hold"
    else
        sleep "$seconds"
    fi
    xdotool key "$end_key"
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    line=$(grep '^window:' "$work/$program.txt" || true)
    rate=$(sed -n 's/.*, \([0-9.]*\) per second.*/\1/p' <<<"$line")
    upload=$(sed -n 's/.*per frame \([0-9.]*\) ms converting.*/\1/p' <<<"$line")
    present=$(sed -n 's/.*uploading, \([0-9.]*\) ms presenting.*/\1/p' <<<"$line")
    worst=$(sed -n 's/.*presenting, \([0-9.]*\) ms at most.*/\1/p' <<<"$line")
    printf '| %s | %s | %s | %s | %s | %s |\n' "$program" "$window" "${rate:-?}" "${upload:-?}" "${present:-?}" "${worst:-?}"
done <<'LIST'
blockcast|640 × 480, palette|Escape
vectorcast|640 × 480, palette|Escape
sectorcast|640 × 480, palette|Escape
bspcast|640 × 480, palette, turning|Escape|Left
objectcast|640 × 480, palette|Escape
polycast|800 × 600, palette|Escape
voxelgrid|640 × 480, palette|Escape
voxelmouse|800 × 600, palette|q
voxelcave|800 × 600, true colour|Escape
LIST
