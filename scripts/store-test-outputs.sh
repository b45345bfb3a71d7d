#!/usr/bin/env bash
# Stores the outputs that the test StoredOutputs (tests/driver/
# stored_outputs_test.cpp) compares every build against: every file, and the
# console, of the default and the all-options runs (scripts/run-outputs.sh)
# of a few real files of tests/data/rwl, written by the given kovrin binary
# into tests/data/outputs/<set>/<data file>/.
#
#   scripts/store-test-outputs.sh KOVRIN
#
# Run it with a build whose outputs are known to be right, after a change
# that alters some output on purpose, and commit what changed.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 KOVRIN" >&2
    exit 2
fi
exe=$(realpath "$1")
cd "$(dirname "$0")/.."
dest=tests/data/outputs
rm -rf "$dest/default" "$dest/all"
# Small and medium files: years before the common era (cana163), a series
# whose growth curve goes negative (cato_drop), and more series in the common
# period than years (ca618).
bash scripts/run-outputs.sh "$exe" "$dest" tests/data/rwl/cana163.rwl tests/data/rwl/cato_drop.rwl \
    tests/data/rwl/ca618.rwl
