#!/usr/bin/env bash
# window_input.sh PROBE: the window's input as a program reads it, on its own
# virtual X display. PROBE (window_probe) prints each typed key, each change
# of a held key and each change of the mouse. Exit status: 0 passed, 1 failed,
# 77 skipped (a tool is missing).
set -u
probe=$(realpath "$1")
for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (the window tests need xvfb and xdotool)"
        exit 77
    fi
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
work=$(mktemp -d)
xvfb_pid="" probe_pid=""
cleanup() {
    [ -n "$probe_pid" ] && kill "$probe_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "output kept in $work"; fi
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
export DISPLAY=":$(head -n1 "$work/display")"

(cd "$work" && exec "$probe") >"$work/out.txt" 2>&1 &
probe_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name "^WINDOW PROBE\$" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    fail "the probe's window did not appear"
    exit 1
fi
xdotool windowfocus --sync "$window"

# Each step: act, give the probe a few frames, then look at what it printed.
seen=0
step() {
    "$@"
    sleep 0.3
    tail -n +$((seen + 1)) "$work/out.txt" >"$work/step.txt"
    seen=$(wc -l <"$work/out.txt")
}
has() { grep -qx "$1" "$work/step.txt" || fail "after $2: no \"$1\" in: $(tr '\n' '|' <"$work/step.txt")"; }
lacks() { grep -q "$1" "$work/step.txt" && fail "after $2: \"$1\" in: $(tr '\n' '|' <"$work/step.txt")"; }

step xdotool type ab
has "key 97" "typing ab"
has "key 98" "typing ab"
has "down 0x41" "typing ab" # held by the capital's code, even for a tap
has "down 0x42" "typing ab"

step xdotool key Return
has "key 13" "Enter"
has "down 0x0D" "Enter"

step xdotool key Up
grep -A1 -x "key 0" "$work/step.txt" | grep -qx "key 72" || fail "Up did not queue 0 then 72"
has "down 0x26" "Up"

step xdotool key F12
lacks "key\|down" "F12"
grep -q "saved window_probe-001.png" "$work/step.txt" || fail "F12 did not say it saved window_probe-001.png"
[ -f "$work/window_probe-001.png" ] || fail "F12 saved no window_probe-001.png"

step xdotool key F11
lacks "key\|down" "F11"
step xdotool key alt+Return
lacks "key\|down 0x0D" "Alt+Enter"

# At twice the size, with 32-row bars above and below, the mouse is still
# reported in the probe's own pixels, and not at all over a bar.
step xdotool windowmove "$window" 0 0 windowsize "$window" 1280 1024 mousemove --window "$window" 700 100
has "mouse 350 34 0" "a move at (700, 100) of the doubled window"
step xdotool keydown shift mousedown 1 sleep 0.1 mouseup 1 keyup shift
has "mouse 350 34 9" "a Shift+click" # left 1 + Shift 8
has "mouse 350 34 8" "a Shift+click's release"
step xdotool mousemove --window "$window" 700 10
lacks "mouse" "a move over the bar"
step xdotool mousemove --window "$window" 0 500
has "mouse 0 234 0" "a move at the left edge"

step xdotool key Escape
has "key 27" "Esc"
for _ in $(seq 100); do
    kill -0 "$probe_pid" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$probe_pid" 2>/dev/null; then
    fail "the probe still runs after Esc"
else
    wait "$probe_pid" || fail "the probe ended with status $?"
    probe_pid=""
fi

if [ "$failures" -eq 0 ]; then
    echo "PASSED: the window's input"
    exit 0
fi
exit 1
