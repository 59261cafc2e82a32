#!/usr/bin/env bash
# The full soak: a Release build over the headless back end, a million frames
# with the counter panel on and ten thousand mode switches, with the figures.
# Usage: tools/soak.sh [frames] [switches] [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-1000000}
switches=${2:-10000}
build=${3:-build-soak}
. tools/deps.sh
velkaro_install_deps g++ cmake make libgtest-dev libpng-dev
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELKARO_SDL=OFF >/dev/null
cmake --build "$build" -j2 --target velkaro_reliability
VELKARO_SOAK_FRAMES=$frames VELKARO_SOAK_SWITCHES=$switches \
    "$build/velkaro_reliability" --gtest_filter='Soak.*'
