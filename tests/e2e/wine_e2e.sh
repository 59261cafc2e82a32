#!/usr/bin/env bash
# End-to-end run of the Windows executable under Wine, in a private Xvfb
# server and a private Wine prefix:
#   wine_e2e.sh [--scr <velkaro.scr>] <velkaro.exe> <work folder> [<Linux velkaro>]
# Runs the program in an 800x600 virtual desktop (where Wine offers real
# 8-bit exclusive modes), drives it with xdotool and checks the screen
# against the pixels the background, frame and counter-panel rules give.
# Then runs it without a virtual desktop, where Wine refuses the 8-bit mode,
# and checks the fatal message box. Given a Linux build, it also shows the
# same style there and compares the two screens pixel for pixel wherever the
# picture does not depend on where the cards happen to be. Given the screen
# saver, it runs that with each of its arguments in the same server and prefix.
# Prints PASS/FAIL lines; exits 1 on any failure, 77 when a tool is missing.
set -u

SCR=
positional=()
while [ $# -gt 0 ]; do
    case $1 in
    --scr) SCR=$(readlink -f "${2:?--scr needs a file}"); shift 2 ;;
    *) positional+=("$1"); shift ;;
    esac
done
set -- "${positional[@]}"
if [ $# -lt 2 ]; then
    echo "usage: $0 [--scr <velkaro.scr>] <velkaro.exe> <work folder> [<Linux velkaro>]" >&2
    exit 2
fi
EXE=$(readlink -f "$1")
WORK=$(mkdir -p "$2" && cd "$2" && pwd)
LINUX_EXE=${3:-}
[ -n "$LINUX_EXE" ] && LINUX_EXE=$(readlink -f "$LINUX_EXE")

for tool in wine wineserver winepath winedbg Xvfb xdotool import convert compare; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool not found (Debian: wine64 xvfb xdotool imagemagick)"
        exit 77
    fi
done
if [ ! -f "$EXE" ]; then
    echo "FAIL: no executable at $1"
    exit 1
fi
if [ -n "$SCR" ] && [ ! -f "$SCR" ]; then
    echo "FAIL: no screen saver at $SCR"
    exit 1
fi

FAILURES=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
note() { echo "  $*"; }

# The three cards with their captions can hide at most this many pixels of
# the background: 3 x (32x16 + 64x16).
CARD_BUDGET=4608

XVFB_PID=
LINUX_XVFB_PID=
RUN_PID=
HOST_PID=
export WINEPREFIX="$WORK/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEARCH

cleanup() {
    if [ -n "$RUN_PID" ]; then kill "$RUN_PID" 2>/dev/null; fi
    if [ -n "$HOST_PID" ]; then kill "$HOST_PID" 2>/dev/null; fi
    if [ -n "${DISPLAY:-}" ] && [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1; fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; fi
    if [ -n "$LINUX_XVFB_PID" ]; then kill "$LINUX_XVFB_PID" 2>/dev/null; fi
}
trap cleanup EXIT

# Starts Xvfb on a display number it picks itself; sets the named variables.
start_xvfb() { # <geometry> <pid variable> <display variable>
    local fdfile="$WORK/xvfb.$2"
    rm -f "$fdfile"
    Xvfb -displayfd 9 -screen 0 "$1" -nolisten tcp 9>"$fdfile" >"$WORK/xvfb.$2.log" 2>&1 &
    printf -v "$2" %s $!
    local i
    for i in $(seq 1 100); do
        if [ -s "$fdfile" ]; then
            printf -v "$3" ":%s" "$(head -n1 "$fdfile" | tr -d '[:space:]')"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

if ! start_xvfb 1024x768x24 XVFB_PID XDISPLAY; then
    echo "FAIL: Xvfb did not start"
    exit 1
fi
export DISPLAY=$XDISPLAY
note "Xvfb on $DISPLAY, prefix $WINEPREFIX"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    note "creating the Wine prefix"
    if ! timeout 180 wineboot -i >"$WORK/wineboot.log" 2>&1; then
        echo "FAIL: wineboot could not create the prefix (see $WORK/wineboot.log)"
        exit 1
    fi
    wineserver -w
fi

set_virtual_desktop() { # on|off [WxH, default 800x600]
    if [ "$1" = on ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "${2:-800x600}" /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1
    fi
    wineserver -k >/dev/null 2>&1
    wineserver -w
}

RUN_DIR="$WORK/run"
mkdir -p "$RUN_DIR"
RUN_DIR_DOS=$(winepath -w "$RUN_DIR" 2>/dev/null)

# Starts the program in the background with RUN_DIR as its working folder;
# its exit code lands in $WORK/exit-code. Without a program, velkaro.exe.
start_program() { # <log file> [NAME=value...] [<program> [arguments...]]
    local log=$1
    shift
    local assignments=()
    while [[ $# -gt 0 && "$1" =~ ^[A-Za-z_][A-Za-z0-9_]*= ]]; do
        assignments+=("$1")
        shift
    done
    [ $# -eq 0 ] && set -- "$EXE"
    rm -f "$WORK/exit-code"
    (
        cd "$RUN_DIR" || exit 1
        env "${assignments[@]}" wine start /wait /d "$RUN_DIR_DOS" /unix "$@" >"$log" 2>&1
        echo $? >"$WORK/exit-code"
    ) &
    RUN_PID=$!
}

# Waits for the program to end; prints its exit code, or "none".
wait_exit() { # <seconds>
    local i
    for i in $(seq 1 $(($1 * 10))); do
        if [ -s "$WORK/exit-code" ]; then
            RUN_PID=
            cat "$WORK/exit-code"
            return 0
        fi
        sleep 0.1
    done
    echo none
}

expect_exit_zero() { # <what ended it> [seconds, default 20]
    local code
    code=$(wait_exit "${2:-20}")
    if [ "$code" = 0 ]; then pass "$1 ends the program with exit code 0"; else fail "$1: exit code $code"; fi
}

stop_program() {
    wineserver -k >/dev/null 2>&1
    wait_exit 10 >/dev/null
    RUN_PID=
}

# First visible window whose name matches; empty when none within the time.
wait_window() { # <name regex> <seconds>
    local i id
    for i in $(seq 1 $(($2 * 5))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

# Visible windows named Velkaro that cover the whole 1024x768 screen.
full_screen_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '^Velkaro$' 2>/dev/null); do
        [ "$(window_size "$id")" = 1024x768 ] && echo "$id"
    done
}

# The message box: a visible window named Velkaro smaller than the screen.
wait_message_box() { # <seconds>
    local i id
    for i in $(seq 1 $(($1 * 5))); do
        for id in $(xdotool search --onlyvisible --name '^Velkaro$' 2>/dev/null); do
            if [ "$(window_size "$id")" != 1024x768 ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.2
    done
    return 1
}

# Handle of the first window of a class in Wine's window list, in decimal as
# Windows writes it on a command line; fails when none within the time.
window_handle() { # <class> <seconds>
    local i handle
    for i in $(seq 1 "$2"); do
        handle=$(winedbg --command "info wnd" 2>/dev/null | awk -v class="$1" '$2 == class { print $1; exit }')
        if [ -n "$handle" ]; then
            echo $((16#$handle))
            return 0
        fi
        sleep 1
    done
    return 1
}

window_size() { # <window id>: WxH
    xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry:/ { print $2 }'
}

shoot() { # <window id> <png>
    import -window "$1" "png24:$2" 2>/dev/null
}

# Number of differing pixels of two images, optionally within a crop
# geometry; "error" when they cannot be compared.
diff_pixels() { # <a> <b> [geometry]
    local a=$1 b=$2
    if [ $# -ge 3 ]; then
        convert "$1" -crop "$3" +repage "png24:$WORK/cmp-a.png" || { echo error; return; }
        convert "$2" -crop "$3" +repage "png24:$WORK/cmp-b.png" || { echo error; return; }
        a="$WORK/cmp-a.png" b="$WORK/cmp-b.png"
    fi
    local out
    out=$(compare -metric AE "$a" "$b" null: 2>&1 >/dev/null)
    if [[ "$out" =~ ^[0-9.e+]+$ ]]; then
        awk -v v="$out" 'BEGIN { printf "%d\n", v }'
    else
        echo error
    fi
}

# Digit glyphs: five block rows of three 2x2 blocks.
GLYPHS=("### #.# #.# #.# ###" "..# ..# ..# ..# ..#" "### ..# ### #.. ###" "### ..# ### ..# ###"
    "#.# #.# ### ..# ..#" "### #.. ### ..# ###" "### #.. ### #.# ###" "### ..# ..# ..# ..#"
    "### #.# ### #.# ###" "### #.# ### ..# ###")

# Draw commands for a number in the digit font, cell 0 at (x, y).
number_draws() { # <value> <x> <y>
    local text=$1 x=$2 y=$3 i d r c rows row
    for ((i = 0; i < ${#text} && i < 8; i++)); do
        d=${text:i:1}
        [[ "$d" =~ [0-9] ]] || continue
        read -r -a rows <<<"${GLYPHS[$d]}"
        for ((r = 0; r < 5; r++)); do
            row=${rows[$r]}
            for ((c = 0; c < 3; c++)); do
                if [ "${row:c:1}" = "#" ]; then
                    local px=$((x + 8 * i + 1 + 2 * c)) py=$((y + 1 + 2 * r))
                    printf -- '-draw\nrectangle %d,%d %d,%d\n' $px $py $((px + 1)) $((py + 1))
                fi
            done
        done
    done
}

STYLE_FILL=("#000000" "#800000" "#008000" "#000080" "#FF0000" "#00FF00" "#0000FF")

# The screen of a plain background style with no card on it: fill, frame,
# and in the panel's bottom row the width and the height.
expected_screen() { # <style 0..6> <W> <H> <png>
    local style=$1 w=$2 h=$3
    local args=(-size "${w}x${h}" "xc:${STYLE_FILL[$style]}" +antialias)
    if [ "$style" -ne 0 ]; then
        args+=(-fill white
            -draw "rectangle 0,0 $((w - 1)),0" -draw "rectangle 0,$((h - 1)) $((w - 1)),$((h - 1))"
            -draw "rectangle 0,0 0,$((h - 1))" -draw "rectangle $((w - 1)),0 $((w - 1)),$((h - 1))")
        local line
        while IFS= read -r line; do args+=("$line"); done < <(number_draws "$w" $((w - 72)) $((h - 24)); number_draws "$h" $((w - 40)) $((h - 24)))
    fi
    convert "${args[@]}" "png24:$4"
}

# Covers the frame-rate and frame-count rows of the panel, whose digits
# change from frame to frame.
mask_counters() { # <in> <W> <H> <out>
    convert "$1" +antialias -fill '#FF00FF' -draw "rectangle $(($2 - 72)),$(($3 - 48)) $(($2 - 1)),$(($3 - 25))" "png24:$4"
}

# Checks a screenshot against the rules for a style; prints what differs
# and returns nonzero when it does not match.
check_screen() { # <shot> <style> <W> <H>
    local shot=$1 style=$2 w=$3 h=$4 expect="$WORK/expected-$2-$3x$4.png" n
    local size
    size=$(convert "$shot" -format '%wx%h' info: 2>/dev/null)
    if [ "$size" != "${w}x${h}" ]; then
        echo "screen is $size, not ${w}x${h}"
        return 1
    fi
    expected_screen "$style" "$w" "$h" "$expect"
    # Captions never reach the top row or the side columns; the panel is
    # drawn over everything.
    local regions=("${w}x1+0+0:top row" "1x${h}+0+0:left column" "1x${h}+$((w - 1))+0:right column")
    [ "$style" -ne 0 ] && regions+=("72x12+$((w - 72))+$((h - 24)):panel width and height")
    local region
    for region in "${regions[@]}"; do
        n=$(diff_pixels "$shot" "$expect" "${region%%:*}")
        if [ "$n" != 0 ]; then
            echo "${region#*:}: $n pixels differ"
            return 1
        fi
    done
    mask_counters "$shot" "$w" "$h" "$WORK/masked-shot.png"
    mask_counters "$expect" "$w" "$h" "$WORK/masked-expect.png"
    n=$(diff_pixels "$WORK/masked-shot.png" "$WORK/masked-expect.png")
    if [ "$n" = error ] || [ "$n" -gt $CARD_BUDGET ]; then
        echo "$n pixels differ from the background, more than the cards can cover"
        return 1
    fi
    if [ "$n" -eq 0 ]; then
        echo "no card on the screen"
        return 1
    fi
    echo "matches (cards cover $n pixels)"
    return 0
}

# Repeats screenshot and check until they agree or the time is up.
expect_screen() { # <window id> <shot> <style> <W> <H> <seconds> <what>
    local i result
    for i in $(seq 1 $(($6 * 2))); do
        shoot "$1" "$2"
        if result=$(check_screen "$2" "$3" "$4" "$5"); then
            pass "$7: $result"
            return 0
        fi
        sleep 0.5
    done
    fail "$7: $result (screenshot $2)"
    return 1
}

# Virtual desktop; start, B, a mode key, Esc. Screenshots are named
# <prefix><picture>.png.
session_checks() { # <label> <screenshot prefix> <program> [arguments...]
    local label=$1 shots=$2 log="$WORK/${2}run1.log"
    shift 2
    echo "not the program's" >"$RUN_DIR/debug.log"
    start_program "$log" "$@"
    if desktop=$(wait_window ' - Wine desktop$' 60) && wait_window '^Velkaro$' 30 >/dev/null; then
        pass "$label: program window up in a virtual desktop"
        expect_screen "$desktop" "$WORK/${shots}start.png" 0 800 600 20 "$label: black start at 800x600 with the cards"
        if [ -e "$RUN_DIR/debug.log" ]; then fail "$label: debug.log in the working folder was not deleted"; else pass "$label: debug.log deleted at start"; fi
        xdotool key b
        expect_screen "$desktop" "$WORK/${shots}wine-style1-800x600.png" 1 800 600 10 "$label: B: dark red, white frame, panel 800 600"
        xdotool key 5
        expect_screen "$desktop" "$WORK/${shots}wine-style1-640x480.png" 1 640 480 10 "$label: key 5: 640x480 keeps the style, panel 640 480"
        xdotool key Escape
        expect_exit_zero "$label: Esc"
    else
        fail "$label: no program window within a minute (log: $log)"
    fi
    stop_program
}

# Run 1: velkaro.exe, and the screen saver run as Windows runs it.
set_virtual_desktop on
session_checks velkaro.exe "" "$EXE"
[ -n "$SCR" ] && session_checks "velkaro.scr /s" scr- "$SCR" /s

# Run 2: a mouse jump ends it.
start_program "$WORK/run2.log"
if desktop=$(wait_window ' - Wine desktop$' 60) && wait_window '^Velkaro$' 30 >/dev/null; then
    expect_screen "$desktop" "$WORK/start2.png" 0 800 600 20 "second start"
    xdotool mousemove 100 100
    sleep 0.5
    xdotool mousemove 300 300
    expect_exit_zero "mouse jump"
else
    fail "no program window for the mouse run (log: $WORK/run2.log)"
fi
stop_program

# The preview of the screen saver, in Notepad's edit control standing in for
# the little monitor of the settings dialog: the program's window never
# comes, the 640x480 desktop keeps its size, and the preview lasts as long
# as its host.
if [ -n "$SCR" ]; then
    set_virtual_desktop on 640x480
    (cd "$RUN_DIR" && exec wine notepad >"$WORK/notepad.log" 2>&1) &
    HOST_PID=$!
    if host=$(window_handle Edit 60) && desktop=$(wait_window ' - Wine desktop$' 10); then
        start_program "$WORK/preview.log" "$SCR" /p "$host"
        if window_handle VelkaroPreview 20 >/dev/null; then pass "/p: preview window up"; else fail "/p: no preview window (log: $WORK/preview.log)"; fi
        sleep 2
        if winedbg --command "info wnd" 2>/dev/null | grep -q ' DX_Window '; then fail "/p: the program's window is up"; else pass "/p: no program window"; fi
        size=$(window_size "$desktop")
        if [ "$size" = 640x480 ]; then pass "/p: the display mode stays 640x480"; else fail "/p: the desktop is $size, not 640x480"; fi
        if [ -s "$WORK/exit-code" ]; then fail "/p: ended while its host window is there"; else pass "/p: runs while its host window is there"; fi
        shoot "$desktop" "$WORK/preview.png"
        wine taskkill /im notepad.exe >/dev/null 2>&1
        expect_exit_zero "/p: closing the host window" 10
    else
        fail "/p: no Notepad window to host the preview (log: $WORK/notepad.log)"
    fi
    wait "$HOST_PID" 2>/dev/null
    HOST_PID=
    stop_program
fi

# Checks the message box: its text as Wine traces it (UTF-16 code points)
# and that Return ends the program with 0.
message_box_checks() { # <label> <log> <screenshot> <traced text> <text as read>
    local box
    if ! box=$(wait_message_box 60); then
        fail "$1: no message box within a minute (log: $2)"
        return 1
    fi
    sleep 1
    shoot "$box" "$3"
    pass "$1: message box captioned Velkaro on screen ($(window_size "$box")), screenshot $3"
    if grep -qF "MSGBOX_OnInit L\"$4\"" "$2"; then
        pass "$1: message text reads \"$5\" under LANG=C"
    else
        fail "$1: message text is not the expected one: $(grep -a MSGBOX_OnInit "$2" | head -n1)"
    fi
    xdotool key Return
    expect_exit_zero "$1: dismissing the message"
}

# Run 3: no virtual desktop, on a 24-bit X screen of another size: Wine
# refuses the 8-bit mode. The locale is not Russian, so the text only reads
# right if it is decoded as Windows-1251 whatever the ANSI code page.
set_virtual_desktop off
start_program "$WORK/run3.log" LANG=C LC_ALL=C WINEDEBUG=trace+msgbox
if wait_message_box 60 >/dev/null; then
    sleep 1
    shoot root "$WORK/fatal-screen.png"
    if [ -n "$(full_screen_windows)" ]; then
        fail "the program's full-screen window is still visible behind the message"
    else
        pass "the program's window is hidden while the message shows"
    fi
fi
message_box_checks "fatal message" "$WORK/run3.log" "$WORK/fatal-box.png" \
    '\041f\0440\043e\0433\0440\0430\043c\043c\0430 \043f\0440\0435\0440\0432\0430\043d\0430\n\041e\0448\0438\0431\043a\0430 \0432 SetDisplayMode' \
    "Программа прервана / Ошибка в SetDisplayMode"
stop_program

# The screen saver's settings, asked for with /c or with nothing, are none;
# /a, a password change on old systems, and anything unknown end it at once.
# Here /s would stop at the fatal message, so none of them can pass by
# running the program.
if [ -n "$SCR" ]; then
    for argument in /c ""; do
        start_program "$WORK/settings.log" LANG=C LC_ALL=C WINEDEBUG=trace+msgbox "$SCR" ${argument:+"$argument"}
        message_box_checks "velkaro.scr ${argument:-without argument}" "$WORK/settings.log" \
            "$WORK/settings-box${argument//\//-}.png" \
            '\0423 Velkaro \043d\0435\0442 \043d\0430\0441\0442\0440\043e\0435\043a.' "У Velkaro нет настроек."
        stop_program
    done
    for argument in /a /x; do
        start_program "$WORK/other.log" "$SCR" "$argument"
        expect_exit_zero "velkaro.scr $argument" 15
        stop_program
    done
fi

# The same style on Linux: the screens must agree wherever the cards cannot
# be, and differ elsewhere by no more than the cards of both.
if [ -n "$LINUX_EXE" ]; then
    if [ ! -f "$WORK/wine-style1-800x600.png" ]; then
        fail "no Wine screenshot of style 1 to compare with Linux"
    elif ! start_xvfb 800x600x24 LINUX_XVFB_PID LINUX_DISPLAY; then
        fail "second Xvfb for the Linux run did not start"
    else
        (cd "$RUN_DIR" && DISPLAY=$LINUX_DISPLAY exec "$LINUX_EXE" >"$WORK/linux.log" 2>&1) &
        linux_pid=$!
        if window=$(DISPLAY=$LINUX_DISPLAY wait_window '^Velkaro$' 30); then
            sleep 1
            DISPLAY=$LINUX_DISPLAY xdotool key b
            for i in $(seq 1 20); do
                DISPLAY=$LINUX_DISPLAY shoot "$window" "$WORK/linux-style1-800x600.png"
                result=$(check_screen "$WORK/linux-style1-800x600.png" 1 800 600) && break
                sleep 0.5
            done
            wine_shot="$WORK/wine-style1-800x600.png" linux_shot="$WORK/linux-style1-800x600.png"
            same=1
            for region in "800x1+0+0" "1x600+0+0" "1x600+799+0" "72x12+728+576"; do
                n=$(diff_pixels "$wine_shot" "$linux_shot" "$region")
                if [ "$n" != 0 ]; then
                    fail "Wine and Linux differ in $region: $n pixels"
                    same=0
                fi
            done
            mask_counters "$wine_shot" 800 600 "$WORK/masked-wine.png"
            mask_counters "$linux_shot" 800 600 "$WORK/masked-linux.png"
            n=$(diff_pixels "$WORK/masked-wine.png" "$WORK/masked-linux.png")
            if [ "$n" = error ] || [ "$n" -gt $((2 * CARD_BUDGET)) ]; then
                fail "Wine and Linux screens differ in $n pixels, more than their cards cover"
                same=0
            fi
            [ $same = 1 ] && pass "Wine and Linux show the same pixels for style 1 at 800x600 outside the cards ($n card pixels)"
            DISPLAY=$LINUX_DISPLAY xdotool key Escape
        else
            fail "no Linux program window (log: $WORK/linux.log)"
        fi
        for i in $(seq 1 50); do kill -0 "$linux_pid" 2>/dev/null || break; sleep 0.2; done
        kill "$linux_pid" 2>/dev/null
        wait "$linux_pid" 2>/dev/null
    fi
fi

if [ "$FAILURES" -ne 0 ]; then
    echo "wine_e2e: $FAILURES check(s) failed"
    exit 1
fi
echo "wine_e2e: all checks passed"
exit 0
