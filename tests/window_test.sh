#!/usr/bin/env bash
# A program in a real window on its own virtual X display (Xvfb).
#
#   window_test.sh --program EXE --title TITLE --size WxH --end KEY --closer EXE
#                  [--seed N] [--hold KEY:SECONDS]... [--band Y0:ROWS:R,G,B:PERCENT]...
#                  [--pointer X,Y] [--move X,Y] [--type TEXT] [--copy FILE] [--settle SECONDS]
#                  [--animated]
#
# First run: the window has exactly TITLE and a client of WxH; the held keys
# (xdotool names, e.g. Up) change the picture; every --band holds, that is at
# least PERCENT % of the columns show R,G,B in all ROWS rows from row Y0; F12
# saves PROGRAM-001.png, the same picture as the window, and says so; F11 and
# Alt+Enter ask for fullscreen; resized to twice its size (plus 64 rows) the
# window shows the picture scaled by exactly 2 between black bars, and resized
# back the same picture as before; tapping KEY ends the program with status 0
# within a few seconds. Second run: closing the window as a window manager
# does (the closer sends WM_DELETE_WINDOW) ends it with status 0 too. Third
# run, with no display: one line that suggests castrun, and status 1.
#
# The window must show a picture that is not all black half a second after it
# opens. --pointer first moves the mouse into the window at client pixel X,Y;
# --type types TEXT (xdotool type) after the held keys, and the picture must
# change. --animated is for programs whose picture moves by itself: the
# pictures taken at different moments (F12's, the resized ones) are then
# checked for size, bars and content instead of pixel for pixel.
#
# --seed sets CAST_SEED, so a program that draws its world at random draws the
# same one every time. Exit status: 0 passed, 1 failed, 77 skipped (a tool is
# missing).
set -u

program="" title="" size="" end_key="" closer="" seed="" pointer="" move="" typed="" animated=0 settle=0.3
copies=()
holds=() bands=()
while [ $# -gt 0 ]; do
    case "$1" in
        --program) program=$2 ;;
        --title) title=$2 ;;
        --size) size=$2 ;;
        --end) end_key=$2 ;;
        --closer) closer=$2 ;;
        --seed) seed=$2 ;;
        --hold) holds+=("$2") ;;
        --band) bands+=("$2") ;;
        --pointer) pointer=$2 ;;
        --move) move=$2 ;;
        --copy) copies+=("$2") ;;
        --settle) settle=$2 ;;
        --type) typed=$2 ;;
        --animated) animated=1; shift; continue ;;
        *) echo "window_test: unknown argument $1" >&2; exit 2 ;;
    esac
    shift 2
done
if [ -z "$program" ] || [ -z "$title" ] || [ -z "$size" ] || [ -z "$end_key" ]; then
    echo "window_test: --program, --title, --size and --end are required" >&2
    exit 2
fi

for tool in Xvfb xdotool xwininfo xev import convert compare identify; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (the window tests need xvfb, xdotool, x11-utils, imagemagick)"
        exit 77
    fi
done
if [ ! -x "$closer" ]; then
    echo "SKIPPED: no window closer was built (the window tests need the X11 headers)"
    exit 77
fi

program=$(realpath "$program") closer=$(realpath "$closer")
width=${size%x*} height=${size#*x}
name=$(basename "$program")
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

work=$(mktemp -d)
for file in "${copies[@]}"; do cp "$file" "$work/"; done
xvfb_pid="" program_pid="" xev_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "$xev_pid" ] && kill "$xev_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "pictures kept in $work"; fi
}
trap cleanup EXIT

# The screen fits the window scaled by exactly 2 with 32-row bars above and
# below: the size the window is resized to, to see the scaling and the bars.
screen_w=$((2 * width)) screen_h=$((2 * height + 64))
Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; failures=1; exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
[ -n "$seed" ] && export CAST_SEED=$seed

start_program() {
    (cd "$work" && exec "$program") >"$work/out.txt" 2>"$work/err.txt" &
    program_pid=$!
    window=""
    for _ in $(seq 100); do
        window=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n1)
        [ -n "$window" ] && break
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$window" ]; then
        fail "no window titled \"$title\" appeared"
        cat "$work/err.txt"
        return 1
    fi
    sleep 0.5  # the first frames
}

# Waits up to 5 seconds for the program to end; checks it ended with status 0.
expect_exit_0() {
    local how=$1
    for _ in $(seq 100); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$program_pid" 2>/dev/null; then
        fail "$name still runs 5 s after $how"
        kill "$program_pid"
        wait "$program_pid" 2>/dev/null
    else
        wait "$program_pid"
        local status=$?
        if [ "$status" -ne 0 ]; then
            fail "$name ended with status $status after $how"
            echo "  its standard output:"; sed 's/^/    /' "$work/out.txt"
            echo "  its standard error:"; sed 's/^/    /' "$work/err.txt"
        fi
    fi
    program_pid=""
}

window_size() {
    xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

# Percentage of the columns of a picture that show colour R,G,B in every row
# of rows y0 .. y0 + rows - 1.
band_percent() {
    local picture=$1 y0=$2 rows=$3 colour=$4
    convert "$picture" -crop "${width}x${rows}+0+${y0}" +repage -depth 8 txt:- |
        awk -v want="$colour" -v width="$width" -F'[ :]+' '
            NR > 1 { split($1, p, ","); c = $2; gsub(/[()]/, "", c); if (c != want) bad[p[1]] = 1 }
            END { n = 0; for (x in bad) n++; print int(100 * (width - n) / width) }'
}

# Number of pixels of a picture (or of the crop WxH+X+Y of it) that are not black.
lit_pixels() {
    convert "$1" ${2:+-crop "$2" +repage} -fill black -opaque black -fill white +opaque black \
        -format '%[fx:mean*w*h]' info: | awk '{ printf "%d\n", $1 + 0.5 }'
}

pixels_differing() {
    compare -metric AE "$1" "$2" null: 2>&1 | awk '{ print int($1) }'
}

# --- first run: title, size, keys, picture, window keys, the end key ---
echo "run 1: $name, keys, picture, F12, F11, Alt+Enter, resizing, $end_key"
if start_program; then
    got_title=$(xdotool getwindowname "$window")
    [ "$got_title" = "$title" ] || fail "title is \"$got_title\", not \"$title\""
    got_size=$(window_size)
    [ "$got_size" = "$size" ] || fail "client is $got_size, not $size"

    xdotool windowfocus --sync "$window"
    if [ -n "$pointer" ]; then
        xdotool mousemove --window "$window" "${pointer%,*}" "${pointer#*,}"
        sleep 0.3
    fi
    import -window "$window" "$work/before.png"
    for hold in "${holds[@]}"; do
        xdotool keydown "${hold%%:*}" sleep "${hold#*:}" keyup "${hold%%:*}"
    done
    [ -n "$move" ] && xdotool mousemove --window "$window" "${move%,*}" "${move#*,}"
    [ -n "$typed" ] && xdotool type --delay 50 "$typed"
    sleep "$settle"
    import -window "$window" "$work/after.png"
    [ "$(lit_pixels "$work/after.png")" -gt 0 ] || fail "the window shows a blank picture"
    if [ ${#holds[@]} -gt 0 ] || [ -n "$typed$move" ]; then
        [ "$(pixels_differing "$work/before.png" "$work/after.png")" -gt 0 ] ||
            fail "the input (${holds[*]} $move $typed) did not change the picture"
    fi
    for band in "${bands[@]}"; do
        IFS=: read -r y0 rows colour percent <<<"$band"
        got=$(band_percent "$work/after.png" "$y0" "$rows" "$colour")
        echo "  rows $y0..$((y0 + rows - 1)): $got % of the columns show ($colour)"
        [ "$got" -ge "$percent" ] || fail "only $got % of the columns show ($colour) in rows $y0..$((y0 + rows - 1)), not $percent %"
    done

    # F12: the window's picture as PROGRAM-001.png, announced on standard output.
    xdotool key F12
    sleep 0.5
    if [ ! -f "$work/$name-001.png" ]; then
        fail "F12 saved no $name-001.png"
    else
        grep -q "$name-001.png" "$work/out.txt" || fail "F12 did not say where it saved the picture"
        if [ "$animated" -eq 1 ]; then
            saved=$(identify -format '%wx%h' "$work/$name-001.png")
            [ "$saved" = "$size" ] || fail "F12's picture is $saved, not $size"
        else
            differing=$(pixels_differing "$work/after.png" "$work/$name-001.png")
            [ "$differing" -eq 0 ] || fail "F12's picture differs from the window in $differing pixels"
        fi
    fi

    # F11 and Alt+Enter each ask for desktop fullscreen to be toggled. With no
    # window manager on the virtual display nothing carries the request out,
    # so the test sees the requests themselves, sent to the root window.
    xev -root -event substructure >"$work/xev.txt" 2>&1 &
    xev_pid=$!
    sleep 0.3
    xdotool key F11
    sleep 0.3
    after_f11=$(grep -c _NET_WM_STATE "$work/xev.txt")
    xdotool key alt+Return
    sleep 0.3
    after_alt_enter=$(grep -c _NET_WM_STATE "$work/xev.txt")
    kill "$xev_pid" 2>/dev/null
    [ "$after_f11" -ge 1 ] || fail "F11 asked for no fullscreen toggle"
    [ "$after_alt_enter" -gt "$after_f11" ] || fail "Alt+Enter asked for no fullscreen toggle"

    # Resized to the screen: the picture scaled by exactly 2 between black
    # bars; resized back: the picture as it was.
    xdotool windowmove "$window" 0 0 windowsize "$window" "$screen_w" "$screen_h"
    sleep 0.5
    got_size=$(window_size)
    if [ "$got_size" != "${screen_w}x${screen_h}" ]; then
        fail "resizing gave a window of $got_size, not ${screen_w}x${screen_h}"
    else
        import -window "$window" "$work/big.png"
        convert "$work/big.png" -crop "${screen_w}x$((2 * height))+0+32" +repage \
            -sample "${width}x${height}!" "$work/big_sampled.png"
        if [ "$animated" -eq 1 ]; then
            [ "$(lit_pixels "$work/big.png" "${screen_w}x$((2 * height))+0+32")" -gt 0 ] ||
                fail "resized, the window shows a blank picture"
        else
            differing=$(pixels_differing "$work/after.png" "$work/big_sampled.png")
            [ "$differing" -eq 0 ] || fail "the picture scaled by 2 differs from the window's in $differing pixels"
        fi
        [ "$(band_percent "$work/big.png" 0 32 0,0,0)" -eq 100 ] || fail "the bar above the picture is not black"
        [ "$(band_percent "$work/big.png" $((screen_h - 32)) 32 0,0,0)" -eq 100 ] ||
            fail "the bar below the picture is not black"
    fi
    xdotool windowsize "$window" "$width" "$height"
    sleep 0.5
    got_size=$(window_size)
    [ "$got_size" = "$size" ] || fail "resizing back left the client at $got_size, not $size"
    import -window "$window" "$work/back.png"
    if [ "$animated" -eq 0 ]; then
        differing=$(pixels_differing "$work/after.png" "$work/back.png")
        [ "$differing" -eq 0 ] || fail "resized back, the picture differs from before in $differing pixels"
    fi

    xdotool key "$end_key"
    expect_exit_0 "$end_key"
fi

# --- second run: closing the window ends the program ---
echo "run 2: $name, closed by the window's close button"
if start_program; then
    "$closer" "$window"
    expect_exit_0 "the window was closed"
fi

# --- third run: no display at all ---
echo "run 3: $name with no display"
(cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$program") \
    >"$work/out3.txt" 2>"$work/err3.txt"
status=$?
[ "$status" -eq 1 ] || fail "with no display $name ended with status $status, not 1"
[ "$(wc -l <"$work/err3.txt")" -eq 1 ] || fail "with no display $name did not print one line"
grep -q castrun "$work/err3.txt" || fail "with no display $name did not suggest castrun"
cat "$work/err3.txt"

if [ "$failures" -eq 0 ]; then
    echo "PASSED: $name in a real window"
    exit 0
fi
exit 1
