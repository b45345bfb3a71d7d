#!/usr/bin/env bash
# Builds kovrin and runs the test suite twice: an optimised build, and a build
# with the address and undefined-behaviour sanitizers. Both run even when the
# first fails; the script fails when either does.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1
# KOVRIN_JOBS=N builds and tests on N cores instead of all of them
jobs=${KOVRIN_JOBS:-$(nproc)}
failed=()

run_build() {  # name, then extra cmake arguments
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null &&
        cmake --build "$dir" -j"$jobs" &&
        ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
            ctest --test-dir "$dir" -j"$jobs" --output-on-failure
}

run_build build -DCMAKE_BUILD_TYPE=Release || failed+=("optimised build")
run_build build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRIN_SANITIZE=ON || failed+=("sanitizer build")

if [ ${#failed[@]} -gt 0 ]; then
    echo "*** tests failed: ${failed[*]}"
    exit 1
fi
echo "all tests passed in both builds"
