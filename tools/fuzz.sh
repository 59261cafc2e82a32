#!/usr/bin/env bash
# Fuzzes the program for a bounded time, starting from tests/fuzz/corpus.
# Usage: tools/fuzz.sh [seconds] [build-dir]   (defaults: 60, build-asan)
# New inputs go to <build-dir>/fuzz-corpus, findings to <build-dir>/fuzz-findings;
# copy an input worth keeping into tests/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-asan}
if [ ! -x "$build/velkaro_fuzz" ]; then
    . tools/deps.sh
    velkaro_install_deps clang libclang-rt-14-dev cmake make libgtest-dev libpng-dev
    CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELKARO_FUZZ=ON -DVELKARO_SDL=OFF >/dev/null
fi
cmake --build "$build" -j2 --target velkaro_fuzz
mkdir -p "$build/fuzz-corpus" "$build/fuzz-findings"
log="$build/fuzz.log"
# The RSS limit would need a watcher thread in the parent, which forks per input.
status=0
"$build/velkaro_fuzz" "$build/fuzz-corpus" tests/fuzz/corpus \
    -max_total_time="$seconds" -max_len=512 -timeout=60 -rss_limit_mb=0 \
    -artifact_prefix="$build/fuzz-findings/" -print_final_stats=1 2>"$log" || status=$?
grep -E '^(velkaro fuzz|==[0-9]+==ERROR|SUMMARY)' "$log" || true
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
cov=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -1 | sed -n 's/.*cov: \([0-9]*\) ft: \([0-9]*\) corp: \([0-9]*\).*/\1 edges, \2 features, \3 inputs/p')
echo "fuzz: ${execs:-0} executions in ${seconds} s (${rate:-0}/s), coverage ${cov:-unknown}; log $log"
if [ "$status" -ne 0 ]; then
    echo "fuzz: the fuzzer found a failing input (exit $status); see $log and $build/fuzz-findings/" >&2
    tail -40 "$log" >&2
fi
exit "$status"
