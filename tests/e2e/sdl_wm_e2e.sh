#!/usr/bin/env bash
# velkaro over SDL2 under a window manager (openbox in Xvfb): the window
# covers the screen, drawing stops while another window has the focus and
# goes on when it comes back, and the manager's close request ends it. The
# frame total is read from screenshots of the counter panel (velkaro-panel).
#
#   sdl_wm_e2e.sh <velkaro binary> <velkaro-panel binary> <work folder>
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 <velkaro binary> <velkaro-panel binary> <work folder>" >&2
    exit 2
fi
HERE=$(cd "$(dirname "$0")" && pwd)
BIN=$(realpath "$1")
PANEL=$(realpath "$2")
WORK=$(realpath -m "$3")

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in Xvfb openbox wmctrl xmessage xwininfo xdotool import; do
    if ! command -v "$tool" >/dev/null; then
        fail "$tool is not installed (Debian: xvfb, openbox, wmctrl, x11-utils, xdotool, imagemagick)"
        exit 1
    fi
done

rm -rf "$WORK"
mkdir -p "$WORK/run"

XVFB_PID= WM_PID= APP_PID= OTHER_PID=
. "$HERE/stop_pid.sh"
cleanup() {
    local pid
    for pid in "$APP_PID" "$OTHER_PID" "$WM_PID" "$XVFB_PID"; do
        [ -n "$pid" ] && stop_pid "$pid"
    done
    APP_PID= OTHER_PID= WM_PID= XVFB_PID=
}
trap cleanup EXIT
trap 'exit 130' INT TERM

finish() {
    if [ "$failures" -gt 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}

# An 800x600 screen shows the program's picture pixel for pixel, so the
# panel reads straight off the screenshot.
Xvfb -displayfd 9 -screen 0 800x600x24 -nolisten tcp -noreset 9>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
if [ ! -s "$WORK/display" ]; then
    fail "Xvfb did not start"
    finish
fi
export DISPLAY=":$(head -n1 "$WORK/display" | tr -d '[:space:]')"

openbox >"$WORK/openbox.log" 2>&1 &
WM_PID=$!
for _ in $(seq 100); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.1
done
if ! wmctrl -m >/dev/null 2>&1; then
    fail "openbox did not start (see $WORK/openbox.log)"
    finish
fi

# Waits up to $2 seconds for a visible window named $1; prints its id.
find_window() {
    local id
    for _ in $(seq $(($2 * 10))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Waits up to 3 seconds for window $1 to have the focus.
wait_focus() {
    for _ in $(seq 30); do
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# The frame total the panel shows now; empty when it cannot be read.
shot_no=0
total() {
    shot_no=$((shot_no + 1))
    local shot="$WORK/shot-$shot_no.png"
    import -window root "png24:$shot" 2>/dev/null || return
    "$PANEL" "$shot" 2>>"$WORK/panel.log" | awk '$3 == 800 && $4 == 600 { print $2 }'
}

# Reads the total twice, 1.2 s apart: check_totals goes|stops <what>.
check_totals() {
    local t1 t2 ok=no
    t1=$(total)
    sleep 1.2
    t2=$(total)
    if [ -n "$t1" ] && [ -n "$t2" ]; then
        [ "$1" = goes ] && [ "$t2" -gt "$t1" ] && ok=yes
        [ "$1" = stops ] && [ "$t2" = "$t1" ] && ok=yes
    fi
    [ "$ok" = yes ] && pass "$2 ($t1, then $t2)" ||
        fail "$2: totals ${t1:-unread}, ${t2:-unread} (see $WORK/shot-*.png, $WORK/panel.log)"
}

xdotool mousemove 300 190
(cd "$WORK/run" && exec env -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$BIN" \
    >"$WORK/app.out" 2>"$WORK/app.err") &
APP_PID=$!
# Generous: with the other suites beside it the machine may be busy.
if ! app=$(find_window '^Velkaro$' 30); then
    state=running
    kill -0 "$APP_PID" 2>/dev/null || state="ended"
    fail "no window appeared (program $state; windows: $(xwininfo -root -children 2>/dev/null |
        grep -o '"[^"]*"' | tr '\n' ' '); stderr: $(head -c 300 "$WORK/app.err"))"
    finish
fi
sleep 1

geometry=$(xwininfo -id "$app" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }')
[ "$geometry" = "0 0 800 600" ] && pass "the window covers the 800x600 screen" ||
    fail "window at x y width height = $geometry under openbox"

xdotool key b
sleep 0.5
check_totals goes "the panel's total goes on while the program has the focus"

# Top left, clear of the panel and of the parked cursor.
xmessage -geometry +0+0 "another window" >/dev/null 2>&1 &
OTHER_PID=$!
if other=$(find_window '^xmessage$' 5) && wmctrl -i -a "$other" && wait_focus "$other"; then
    sleep 0.3
    check_totals stops "the panel's total stops while an xmessage window has the focus"
else
    fail "the xmessage window did not get the focus"
fi

if wmctrl -a Velkaro && wait_focus "$app"; then
    sleep 0.3
    check_totals goes "after wmctrl -a Velkaro the total goes on"
else
    fail "wmctrl -a Velkaro did not give it the focus"
fi

alive=yes
kill -0 "$APP_PID" 2>/dev/null || alive=no
wmctrl -c Velkaro
for _ in $(seq 50); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$APP_PID" 2>/dev/null; then
    stop_pid "$APP_PID"
    fail "wmctrl -c Velkaro: still running after 5 s"
else
    wait "$APP_PID"
    rc=$?
    [ "$alive" = yes ] && [ "$rc" = 0 ] && pass "wmctrl -c Velkaro ends it with exit code 0" ||
        fail "wmctrl -c Velkaro: exit code $rc (running before the request: $alive)"
fi
APP_PID=

finish
