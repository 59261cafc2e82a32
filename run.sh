#!/usr/bin/env bash
# Builds Velkaro and runs it full screen. Keys: 1-7 display modes, B background,
# Space, Esc or a mouse movement end it.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
velkaro_install_deps g++ cmake make pkg-config libsdl2-dev
cmake -S . -B build -DVELKARO_TESTS=OFF -DVELKARO_TOOLS=OFF >/dev/null
cmake --build build -j2 --target velkaro
exec ./build/velkaro
