#!/usr/bin/env bash
# Builds kovrin and runs the test suite twice: an optimised build, and a build
# with the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRIN_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan -j"$jobs" --output-on-failure
