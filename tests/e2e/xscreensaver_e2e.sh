#!/usr/bin/env bash
# The installed program as an xscreensaver hack: the real daemon under Xvfb,
# run by an ordinary user (the daemon refuses root; as root this creates the
# user velkaro-e2e when missing), then the program in a window named by
# XSCREENSAVER_WINDOW, and values of it that name no window.
#
#   xscreensaver_e2e.sh <build folder> <work folder>
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 <build folder> <work folder>" >&2
    exit 2
fi
BUILD=$(realpath "$1")
WORK=$(realpath -m "$2")
HERE=$(cd "$(dirname "$0")" && pwd)
CHECK="$HERE/sdl_shotcheck.py"
TEST_USER=velkaro-e2e

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in Xvfb xscreensaver xscreensaver-command xdotool xwininfo import python3 setpriv; do
    if ! command -v "$tool" >/dev/null; then
        fail "$tool is not installed (Debian: xvfb, xscreensaver, xdotool, x11-utils, imagemagick, python3, util-linux)"
        exit 1
    fi
done

SHARED=
XVFB_PID=
DAEMON_PID=
HOST_PID=
APP_PID=
HACK_PIDS=
cleanup() {
    local pid children=""
    # The daemon's helpers and hack are its children and theirs.
    if [ -n "$DAEMON_PID" ]; then
        children=$(pgrep -P "$DAEMON_PID")
        for pid in $children; do children="$children $(pgrep -P "$pid")"; done
    fi
    for pid in $APP_PID $HOST_PID $DAEMON_PID $children $HACK_PIDS; do kill "$pid" 2>/dev/null; done
    for pid in $APP_PID $HOST_PID $DAEMON_PID; do wait "$pid" 2>/dev/null; done
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID= DAEMON_PID= HOST_PID= APP_PID= HACK_PIDS=
    if [ -n "$SHARED" ]; then
        # The daemon's settings stay beside its log.
        cp "$SHARED/home/.xscreensaver" "$WORK/xscreensaver.conf" 2>/dev/null
        rm -rf "$SHARED"
    fi
    SHARED=
}
trap cleanup EXIT
trap 'exit 130' INT TERM

rm -rf "$WORK"
mkdir -p "$WORK/run"
# What the test user reads and writes lives where any user may go, whatever
# folder the build is in (CI's may be under /root).
SHARED=$(mktemp -d /tmp/velkaro-xscreensaver.XXXXXX)
chmod 755 "$SHARED"
mkdir -p "$SHARED/home"
DEST="$SHARED/dest"
if ! DESTDIR="$DEST" cmake --install "$BUILD" --prefix /usr >"$WORK/install.log" 2>&1; then
    fail "cmake --install: $(tail -3 "$WORK/install.log")"
    exit 1
fi
HACK="$DEST/usr/libexec/xscreensaver/velkaro"
chmod -R a+rX "$DEST"

if [ "$(id -u)" -eq 0 ]; then
    if ! id "$TEST_USER" >/dev/null 2>&1; then
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$TEST_USER" ||
            { fail "cannot create the user $TEST_USER"; exit 1; }
    fi
    chown -R "$TEST_USER:" "$SHARED/home"
    # setpriv execs, so a background job's PID is the program's own.
    as_user() {
        exec setpriv --reuid="$TEST_USER" --regid="$TEST_USER" --init-groups env -i PATH=/usr/bin:/bin \
            HOME="$SHARED/home" USER="$TEST_USER" LOGNAME="$TEST_USER" ${DISPLAY:+DISPLAY=$DISPLAY} "$@"
    }
else
    as_user() { exec env HOME="$SHARED/home" "$@"; }
fi


# Xvfb as the test user, on a display it picks.
( as_user Xvfb -displayfd 9 -screen 0 800x600x24 -nolisten tcp -noreset ) 9>"$WORK/display" \
    >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for i in $(seq 100); do
    [ -s "$WORK/display" ] && break
    sleep 0.1
done
if [ ! -s "$WORK/display" ]; then
    fail "Xvfb did not start: $(tail -3 "$WORK/xvfb.log")"
    exit 1
fi
export DISPLAY=":$(head -n1 "$WORK/display" | tr -d '[:space:]')"
xdotool mousemove 100 100

. "$HERE/shot.sh"

# Waits up to $2 seconds for process $1 to end.
gone_within() {
    local i
    for i in $(seq $(($2 * 10))); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# Top-level windows of the display, one id a line.
top_windows() { xwininfo -root -children | awk '/^ +0x/ {print $1}' | sort; }

# --- the daemon runs the installed hack --------------------------------------
cat >"$SHARED/home/.xscreensaver" <<CONF
mode:		one
selected:	0
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
programs:	"Velkaro"  $HACK --root  \\n
CONF
chmod a+r "$SHARED/home/.xscreensaver"
as_user xscreensaver -no-splash -verbose >"$WORK/daemon.out" 2>"$WORK/daemon.err" &
DAEMON_PID=$!
for i in $(seq 50); do
    ( as_user xscreensaver-command -version ) >/dev/null 2>&1 && break
    sleep 0.2
done
( as_user xscreensaver-command -activate ) >"$WORK/activate.txt" 2>&1
hack_pid=
for i in $(seq 100); do
    hack_pid=$(sed -n "s|.*forked \"$HACK --root\" in pid \([0-9]*\).*|\1|p" "$WORK/daemon.err" | tail -n1)
    [ -n "$hack_pid" ] && break
    sleep 0.1
done
if [ -n "$hack_pid" ]; then
    HACK_PIDS=$hack_pid
    sleep 1.5  # frames under way
    kill -0 "$hack_pid" 2>/dev/null && pass "xscreensaver -activate runs the installed hack" ||
        fail "the hack ended at once (daemon log: $WORK/daemon.err)"
    shot daemon start && pass "Velkaro fills the screen: black, three cards with their captions" ||
        fail "screen under the daemon (see $WORK/daemon.ppm)"
    [ -z "$(xdotool search --name '^Velkaro$' 2>/dev/null)" ] &&
        pass "it draws in the daemon's window and makes none of its own" ||
        fail "the hack opened a window of its own"
    ( as_user xscreensaver-command -deactivate ) >"$WORK/deactivate.txt" 2>&1
    gone_within "$hack_pid" 3 && pass "after -deactivate the hack is gone within 3 s" ||
        fail "the hack still runs 3 s after -deactivate"
else
    fail "the daemon started no hack: $(grep -i -E 'error|refus|fail' "$WORK/daemon.err" | head -5)"
fi
kill "$DAEMON_PID" 2>/dev/null
gone_within "$DAEMON_PID" 5
wait "$DAEMON_PID" 2>/dev/null
DAEMON_PID=

# Starts the installed program with XSCREENSAVER_WINDOW=$2 and, if given,
# VELKARO_PRESENTER=$3; output in files named $1.
start_app() {
    (cd "$WORK/run" && exec env -u WAYLAND_DISPLAY -u VELKARO_PRESENTER SDL_VIDEODRIVER=x11 \
        XSCREENSAVER_WINDOW="$2" ${3:+VELKARO_PRESENTER=$3} \
        "$DEST/usr/bin/velkaro" --root >"$WORK/$1.out" 2>"$WORK/$1.err") &
    APP_PID=$!
}

# Ends the program with SIGTERM; sets APP_RC (124: still running after 3 s).
stop_app() {
    kill -TERM "$APP_PID" 2>/dev/null
    if gone_within "$APP_PID" 3; then
        wait "$APP_PID"
        APP_RC=$?
    else
        kill -KILL "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
        APP_RC=124
    fi
    APP_PID=
}

# --- a small window of someone else's, as the settings' preview is ------------
python3 "$HERE/host_window.py" 200 150 400 300 >"$WORK/host.txt" 2>&1 &
HOST_PID=$!
for i in $(seq 50); do
    [ -s "$WORK/host.txt" ] && break
    sleep 0.1
done
host=$(head -n1 "$WORK/host.txt")
# Both presenters: the texture one needs the window fit for OpenGL.
for presenter in surface texture; do
    [[ "$host" == 0x* ]] || break
    name="hosted-$presenter"
    before=$(top_windows)
    xdotool mousemove 100 100
    start_app "$name" "$host" "$presenter"
    sleep 2
    shot "$name" hosted 200 150 400 300 &&
        pass "$presenter: the whole picture, scaled down, inside the XSCREENSAVER_WINDOW only" ||
        fail "$presenter: picture in the host window (see $WORK/$name.ppm, $(head -c 200 "$WORK/$name.err"))"
    [ "$(top_windows)" = "$before" ] && pass "$presenter: no window of its own beside the host's" ||
        fail "$presenter: top-level windows changed: $(top_windows | tr '\n' ' ')"
    geometry=$(xwininfo -id "$host" |
        awk '/Absolute upper-left [XY]|Width|Height|Map State/ {print $NF}' | tr '\n' ' ')
    [ "$geometry" = "200 150 400 300 IsViewable " ] && pass "$presenter: the host window keeps its place and size" ||
        fail "$presenter: host window now: $geometry"
    xdotool mousemove 300 250
    sleep 0.3
    xdotool mousemove 500 400
    sleep 0.5
    kill -0 "$APP_PID" 2>/dev/null && pass "$presenter: mouse moves over the host window leave it running" ||
        fail "$presenter: a mouse move over the host window ended it"
    stop_app
    [ "$APP_RC" = 0 ] && pass "$presenter: SIGTERM ends it with exit code 0" ||
        fail "$presenter: SIGTERM in the host window: exit code $APP_RC"
    xwininfo -id "$host" >/dev/null 2>&1 && pass "$presenter: the host window outlives it" ||
        fail "$presenter: the host window went with it"
done
[[ "$host" == 0x* ]] || fail "no host window: $(head -c 300 "$WORK/host.txt")"
kill "$HOST_PID" 2>/dev/null
wait "$HOST_PID" 2>/dev/null
HOST_PID=

# --- values that name no window: full screen as usual -------------------------
for value in garbage 0x7fffffff; do
    xdotool mousemove 100 100
    start_app "value-$value" "$value"
    for i in $(seq 100); do
        xdotool search --onlyvisible --name '^Velkaro$' >/dev/null 2>&1 && break
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    sleep 1
    if shot "value-$value" start; then
        pass "XSCREENSAVER_WINDOW=$value: full screen as usual"
    else
        fail "XSCREENSAVER_WINDOW=$value (see $WORK/value-$value.ppm, $(head -c 200 "$WORK/value-$value.err"))"
    fi
    stop_app
    [ "$APP_RC" = 0 ] || fail "XSCREENSAVER_WINDOW=$value: exit code $APP_RC"
done

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
