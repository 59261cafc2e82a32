#!/usr/bin/env bash
# Builds everything with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (with the fuzz target) and runs every test of
# that build. Usage: tools/sanitize.sh [build-dir]   (default build-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
velkaro_install_deps clang libclang-rt-14-dev cmake make libgtest-dev libpng-dev
build=${1:-build-asan}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELKARO_SANITIZE=ON -DVELKARO_FUZZ=ON -DVELKARO_SDL=OFF >/dev/null
cmake --build "$build" -j2
# Leaks are errors too; a report names the frames of the program.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j2
