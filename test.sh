#!/usr/bin/env bash
# Builds everything and runs every test: the clang build under AddressSanitizer
# and UndefinedBehaviorSanitizer with every headless suite and a minute of
# fuzzing, then the release build's suites: unit and scenario tests over the
# headless back end, memcheck runs, the Linux program under Xvfb and as an
# xscreensaver hack, its install and Debian package, and the Windows program
# under Wine.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
velkaro_install_deps g++ cmake make pkg-config python3 libgtest-dev libbenchmark-dev libsdl2-dev \
    libpng-dev xvfb xauth xdotool imagemagick x11-utils openbox wmctrl g++-mingw-w64-x86-64 \
    binutils-mingw-w64-x86-64 wine64 wine valgrind clang libclang-rt-14-dev \
    xscreensaver lintian desktop-file-utils man-db dpkg-dev file passwd

bash tools/sanitize.sh build-asan
bash tools/fuzz.sh 60 build-asan

bash tools/build-windows.sh build-win >/dev/null
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARO_TESTS=ON -DVELKARO_TOOLS=ON \
    -DVELKARO_WINDOWS_EXE="$PWD/build-win/velkaro.exe" -DVELKARO_WINDOWS_SCR="$PWD/build-win/velkaro.scr" >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2
