#!/usr/bin/env bash
# Cross-builds velkaro.exe and velkaro.scr with Debian's mingw-w64 (g++-mingw-w64-x86-64):
#   tools/build-windows.sh [build folder, default build-win] [extra cmake arguments...]
# The executable and the screen saver land in <build folder>/velkaro.exe and velkaro.scr.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-win}
[ $# -gt 0 ] && shift
case "$build" in /*) ;; *) build="$root/$build" ;; esac
cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" -j2
echo "built $build/velkaro.exe and $build/velkaro.scr"
