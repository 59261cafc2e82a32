#!/usr/bin/env bash
# Builds everything and runs every test: unit and scenario tests over the
# headless back end, the Linux program under Xvfb, the Windows program under
# Wine, and the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
velkaro_install_deps g++ cmake make pkg-config libgtest-dev libsdl2-dev libpng-dev \
    xvfb xauth xdotool imagemagick x11-utils g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 wine

jobs=2
bash tools/build-windows.sh build-win
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELKARO_WINDOWS_EXE="$PWD/build-win/velkaro.exe" >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# Reliability: memcheck over short headless runs (registered once valgrind is
# there), then the clang build under AddressSanitizer and
# UndefinedBehaviorSanitizer with every headless suite, and a minute of fuzzing.
velkaro_install_deps valgrind clang libclang-rt-14-dev
cmake -S . -B build >/dev/null && ctest --test-dir build -R '^memcheck_' --output-on-failure
bash tools/sanitize.sh build-asan
bash tools/fuzz.sh 60 build-asan
