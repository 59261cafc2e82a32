#!/usr/bin/env bash
# velkaro over SDL2 in real X servers (Xvfb): keys and mouse through XTEST
# (xdotool), the screen read back with ImageMagick's import and compared with
# what the program must show (sdl_shotcheck.py).
#
#   sdl_e2e.sh <velkaro binary> <work folder>
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 <velkaro binary> <work folder>" >&2
    exit 2
fi
BIN=$(realpath "$1")
WORK=$(realpath -m "$2")
HERE=$(cd "$(dirname "$0")" && pwd)
CHECK="$HERE/sdl_shotcheck.py"

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in Xvfb xdotool import xdpyinfo python3; do
    if ! command -v "$tool" >/dev/null; then
        fail "$tool is not installed (Debian: xvfb, xdotool, imagemagick, x11-utils, python3)"
        exit 1
    fi
done

rm -rf "$WORK"
mkdir -p "$WORK/run"

XVFB_PID=
APP_PID=
DISPLAY_NUM=
. "$HERE/stop_pid.sh"
cleanup() {
    [ -n "$APP_PID" ] && stop_pid "$APP_PID"
    [ -n "$XVFB_PID" ] && stop_pid "$XVFB_PID"
    APP_PID=
    XVFB_PID=
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts Xvfb with one screen of the given size on a display number the
# server picks itself, so that runs side by side never share one.
start_x() {
    local size=$1 fdfile="$WORK/xvfb-$1.display" tries
    rm -f "$fdfile"
    Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset 9>"$fdfile" >"$WORK/xvfb-$size.log" 2>&1 &
    XVFB_PID=$!
    for tries in $(seq 100); do
        kill -0 "$XVFB_PID" 2>/dev/null || break
        if [ -s "$fdfile" ]; then
            DISPLAY_NUM=$(head -n1 "$fdfile" | tr -d '[:space:]')
            export DISPLAY=":$DISPLAY_NUM"
            xdpyinfo >/dev/null 2>&1 && return 0
        fi
        sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
    return 1
}

stop_x() {
    cleanup
    unset DISPLAY
}

# Starts the program in the run folder with its output in files named $1.
start_app() {
    local name=$1
    (cd "$WORK/run" && exec env -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$BIN" \
        >"$WORK/$name.out" 2>"$WORK/$name.err") &
    APP_PID=$!
    local i
    for i in $(seq 100); do
        if xdotool search --onlyvisible --name '^Velkaro$' >/dev/null 2>&1; then
            sleep 1  # frames under way
            return 0
        fi
        kill -0 "$APP_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Waits up to $1 seconds for the program to end; sets APP_RC (124: still running).
wait_app() {
    local limit=$1 i
    for i in $(seq $((limit * 10))); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$APP_PID" 2>/dev/null; then
        stop_pid "$APP_PID"
        APP_RC=124
    else
        wait "$APP_PID"
        APP_RC=$?
    fi
    APP_PID=
}

alive() { [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; }

. "$HERE/shot.sh"

key() { xdotool key --delay 50 "$@"; sleep 0.5; }

# --- 800x600: the program's own size, pixel for pixel ---------------------
if start_x 800x600; then
    touch "$WORK/run/debug.log"
    xdotool mousemove 100 100
    if start_app main; then
        pass "starts with a visible window"
        [ -e "$WORK/run/debug.log" ] && fail "debug.log is still there" || pass "debug.log deleted"
        shot start start && pass "black screen with three cards and their captions" ||
            fail "start screen (see $WORK/start.ppm)"
        if [ -z "${VELKARO_PRESENTER:-}" ]; then
            # No GPU here: the automatic choice draws into the window's own
            # framebuffer and never loads OpenGL.
            if grep -qE 'libGL|libEGL|swrast|gallium|libLLVM' "/proc/$APP_PID/maps"; then
                fail "the automatic presenter loaded OpenGL under Xvfb"
            else
                pass "the automatic presenter uses no OpenGL under Xvfb"
            fi
        fi
        key b
        shot style1 style 1 800 600 && pass "B: dark red with a white frame, panel shows 800 600" ||
            fail "style 1 at 800x600 (see $WORK/style1.ppm)"
        # A window over part of the picture, then gone: what it covered comes
        # back although the program redraws only what changes.
        if command -v xmessage >/dev/null; then
            xmessage -geometry 300x200+250+150 -bg white "over the picture" &
            cover=$!
            sleep 1
            kill "$cover" 2>/dev/null
            wait "$cover" 2>/dev/null
            sleep 0.5
            shot exposed style 1 800 600 && pass "the picture is whole again after a window covered it" ||
                fail "after a covering window (see $WORK/exposed.ppm)"
        fi
        # Keys typed with Alt held, and F10, are system keys: the program leaves them alone.
        key alt+b alt+1
        shot altkeys style 1 800 600 && pass "Alt+B and Alt+1 change neither style nor mode" ||
            fail "Alt+B or Alt+1 acted (see $WORK/altkeys.ppm)"
        key alt+space alt+Escape F10
        alive && pass "Alt+Space, Alt+Esc and F10 leave it running" || fail "ended on Alt+Space, Alt+Esc or F10"
        xdotool mousemove_relative 1 0
        sleep 0.3
        alive && pass "a one-pixel mouse step does not end it" || fail "ended on a one-pixel step"
        key 1
        alive && pass "mode switch to 320x200 makes no mouse jump" || fail "ended on the mode switch"
        shot mode1 style 1 320 200 && pass "key 1: 320x200 fills the 4:3 screen, panel shows 320 200" ||
            fail "320x200 picture (see $WORK/mode1.ppm)"
        xdotool mousemove_relative 1 0
        sleep 0.2
        xdotool mousemove_relative 2 0
        sleep 0.3
        alive && pass "one-pixel steps in 320x200 do not end it" || fail "ended on small steps after the switch"
        xdotool mousemove 600 500
        wait_app 5
        [ "$APP_RC" = 0 ] && pass "a mouse jump ends it with exit code 0" ||
            fail "mouse jump: exit code $APP_RC"
    else
        fail "no window appeared (stderr: $(head -c 300 "$WORK/main.err"))"
    fi

    xdotool mousemove 400 300
    if start_app esc; then
        key Escape
        wait_app 5
        [ "$APP_RC" = 0 ] && pass "Esc ends it with exit code 0" || fail "Esc: exit code $APP_RC"
    else
        fail "no window for the Esc run"
    fi

    # SDL reports SIGTERM as a quit request, which the window gets as WM_CLOSE;
    # a hang-up (the terminal or the session closing) ends it the same way.
    for sig in TERM HUP; do
        if start_app "sig$sig"; then
            kill -"$sig" "$APP_PID"
            wait_app 5
            [ "$APP_RC" = 0 ] && pass "SIG$sig closes the window: exit code 0" ||
                fail "SIG$sig: exit code $APP_RC"
        else
            fail "no window for the SIG$sig run"
        fi
    done
    stop_x
else
    fail "could not start Xvfb at 800x600"
fi

# --- 1920x1200: a 16:10 screen, so the 4:3 picture gets bars --------------
if start_x 1920x1200; then
    xdotool mousemove 960 600
    if start_app wide; then
        key b
        key shift+b
        key KP_1
        shot wide-style2 style 2 800 600 &&
            pass "Shift+B acts as B, keypad 1 does nothing, 800x600 scaled between bars" ||
            fail "style 2 at 800x600 on 1920x1200 (see $WORK/wide-style2.ppm)"
        key 1
        shot wide-mode1 style 2 320 200 && pass "320x200 shown as 4:3 between bars" ||
            fail "320x200 on 1920x1200 (see $WORK/wide-mode1.ppm)"
        key space
        wait_app 5
        [ "$APP_RC" = 0 ] && pass "Space ends it with exit code 0" || fail "Space: exit code $APP_RC"
    else
        fail "no window at 1920x1200 (stderr: $(head -c 300 "$WORK/wide.err"))"
    fi
    stop_x
else
    fail "could not start Xvfb at 1920x1200"
fi

# --- the X server goes away under it -----------------------------------------
if start_x 800x600; then
    xdotool mousemove 100 100
    if start_app lost; then
        stop_pid "$XVFB_PID"
        XVFB_PID=
        wait_app 2
        [ "$APP_RC" = 0 ] && pass "the X server ending ends it within 2 s with exit code 0" ||
            fail "X server gone: exit code $APP_RC (124: still running after 2 s)"
    else
        fail "no window for the lost-display run"
    fi
    stop_x
else
    fail "could not start Xvfb for the lost-display run"
fi

# --- no display ------------------------------------------------------------
(cd "$WORK/run" && exec env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 timeout 20 "$BIN" \
    >"$WORK/nodisplay.out" 2>"$WORK/nodisplay.err")
rc=$?
[ "$rc" = 0 ] && pass "without a display it exits with code 0" || fail "without a display: exit code $rc"
if grep -q 'DirectDrawCreate' "$WORK/nodisplay.err" && grep -q 'Программа прервана' "$WORK/nodisplay.err"; then
    pass "without a display the message names DirectDrawCreate on stderr"
else
    fail "stderr without a display: $(head -c 300 "$WORK/nodisplay.err")"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
