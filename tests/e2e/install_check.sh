#!/usr/bin/env bash
# The Linux install and its Debian package: cmake --install into a scratch
# DESTDIR, the desktop entry, manual page and icons checked with the tools a
# desktop uses, then cpack -G DEB checked with dpkg-deb and lintian.
#
#   install_check.sh <build folder> <source folder> <work folder>
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 <build folder> <source folder> <work folder>" >&2
    exit 2
fi
BUILD=$(realpath "$1")
SRC=$(realpath "$2")
WORK=$(realpath -m "$3")

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in desktop-file-validate man convert identify cpack dpkg-deb lintian; do
    if ! command -v "$tool" >/dev/null; then
        fail "$tool is not installed (Debian: desktop-file-utils, man-db, imagemagick, cmake, dpkg, lintian)"
        exit 1
    fi
done

rm -rf "$WORK"
mkdir -p "$WORK"
DEST="$WORK/dest"

# --- cmake --install ---------------------------------------------------------
if DESTDIR="$DEST" cmake --install "$BUILD" --prefix /usr >"$WORK/install.log" 2>&1; then
    pass "cmake --install into a scratch DESTDIR"
else
    fail "cmake --install: $(tail -3 "$WORK/install.log")"
fi

FILES="usr/bin/velkaro
usr/libexec/xscreensaver/velkaro
usr/share/applications/velkaro.desktop
usr/share/icons/hicolor/32x32/apps/velkaro.png
usr/share/icons/hicolor/64x64/apps/velkaro.png
usr/share/icons/hicolor/128x128/apps/velkaro.png
usr/share/man/man6/velkaro.6.gz
usr/share/xscreensaver/config/velkaro.xml
usr/share/doc/velkaro/copyright
usr/share/doc/velkaro/changelog.gz"
missing=""
for f in $FILES; do [ -e "$DEST/$f" ] || missing="$missing $f"; done
[ -z "$missing" ] && pass "every file in place" || fail "missing:$missing"

[ -x "$DEST/usr/bin/velkaro" ] && pass "bin/velkaro is executable" || fail "bin/velkaro not executable"
if [ "$(realpath "$DEST/usr/libexec/xscreensaver/velkaro")" = "$(realpath "$DEST/usr/bin/velkaro")" ] &&
    [ "$(readlink "$DEST/usr/libexec/xscreensaver/velkaro" | cut -c1)" != / ]; then
    pass "the xscreensaver hack is a relative link to bin/velkaro"
else
    fail "libexec/xscreensaver/velkaro -> $(readlink "$DEST/usr/libexec/xscreensaver/velkaro")"
fi

if desktop-file-validate "$DEST/usr/share/applications/velkaro.desktop" >"$WORK/desktop.txt" 2>&1 &&
    [ ! -s "$WORK/desktop.txt" ]; then
    pass "desktop-file-validate accepts the desktop entry"
else
    fail "desktop-file-validate: $(cat "$WORK/desktop.txt")"
fi
grep -qx 'Exec=velkaro' "$DEST/usr/share/applications/velkaro.desktop" &&
    grep -qx 'Icon=velkaro' "$DEST/usr/share/applications/velkaro.desktop" &&
    pass "the entry starts velkaro with its icon" || fail "Exec or Icon line of the desktop entry"

if python3 -c 'import sys, xml.dom.minidom as m
d = m.parse(sys.argv[1]).documentElement
ok = d.tagName == "screensaver" and d.getAttribute("name") == "velkaro"
ok = ok and d.getElementsByTagName("command")[0].getAttribute("arg") == "--root"
sys.exit(0 if ok else 1)' "$DEST/usr/share/xscreensaver/config/velkaro.xml"; then
    pass "xscreensaver settings entry names velkaro with --root"
else
    fail "velkaro.xml is not a settings entry for velkaro"
fi

# The manual page renders without a warning and covers what a user needs.
MAN="$DEST/usr/share/man/man6/velkaro.6.gz"
MANWIDTH=80 man --warnings -l "$MAN" >"$WORK/man.txt" 2>"$WORK/man.err"
if [ $? -eq 0 ] && [ ! -s "$WORK/man.err" ] && grep -q '^VELKARO(6)' "$WORK/man.txt"; then
    pass "man -l renders velkaro(6) without warnings"
else
    fail "man -l: $(head -c 300 "$WORK/man.err")"
fi
tr -s ' \n' '  ' <"$WORK/man.txt" >"$WORK/man-flat.txt"
absent=""
for word in NAME SYNOPSIS KEYS MOUSE ENVIRONMENT 'EXIT STATUS' XSCREENSAVER XSCREENSAVER_WINDOW \
    VELKARO_PRESENTER SDL_RENDER_VSYNC SDL_VIDEODRIVER SIGTERM 'jump of more than one pixel' Esc; do
    grep -q -- "$word" "$WORK/man-flat.txt" || absent="$absent '$word'"
done
[ -z "$absent" ] && pass "the manual page has its sections, keys, mouse rule and variables" ||
    fail "the manual page lacks:$absent"

# Each icon is the program's icon art, pixel for pixel, enlarged by whole pixels.
for size in 32 64 128; do
    png="$DEST/usr/share/icons/hicolor/${size}x${size}/apps/velkaro.png"
    got=$(identify -format '%m %wx%h' "$png" 2>/dev/null)
    convert "$SRC/res/velkaro.ico" -sample "${size}x${size}" -depth 8 "rgba:$WORK/art-$size.rgba"
    convert "$png" -depth 8 "rgba:$WORK/icon-$size.rgba" 2>/dev/null
    if [ "$got" = "PNG ${size}x${size}" ] && cmp -s "$WORK/art-$size.rgba" "$WORK/icon-$size.rgba"; then
        pass "${size}x${size} PNG icon shows the icon art"
    else
        fail "${size}x${size} icon ($got) differs from res/velkaro.ico"
    fi
done

# --- the Debian package ------------------------------------------------------
if cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK/pkg" >"$WORK/cpack.log" 2>&1; then
    pass "cpack -G DEB builds a package"
else
    fail "cpack: $(tail -3 "$WORK/cpack.log")"
fi
DEB=$(ls "$WORK"/pkg/velkaro_*.deb 2>/dev/null | head -n1)
if [ -n "$DEB" ]; then
    dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./||' >"$WORK/deb-files.txt"
    missing=""
    for f in $FILES; do grep -qx "$f" "$WORK/deb-files.txt" || missing="$missing $f"; done
    [ -z "$missing" ] && pass "dpkg-deb -c lists every installed file" || fail "not in the package:$missing"

    depends=$(dpkg-deb -f "$DEB" Depends)
    [[ "$depends" == *libsdl2-2.0-0* ]] && pass "Depends names SDL2 ($depends)" ||
        fail "Depends without SDL2: $depends"
    for field in Package Version Maintainer Description Section; do
        [ -n "$(dpkg-deb -f "$DEB" "$field")" ] || fail "control field $field is empty"
    done

    lintian --fail-on error "$DEB" >"$WORK/lintian.txt" 2>&1
    rc=$?
    if [ $rc -eq 0 ] && ! grep -q '^E:' "$WORK/lintian.txt"; then
        pass "lintian finds no errors"
    else
        fail "lintian (exit $rc): $(grep -v 'root privileges' "$WORK/lintian.txt" | head -10)"
    fi
else
    fail "no .deb in $WORK/pkg"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
