#!/usr/bin/env bash
# Installs what is needed, builds kovrin and runs it on the example data file,
# answering every question with its default: the data file typed in, a run
# title, an interactive run with the default options.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
# KOVRIN_JOBS=N builds on N cores instead of all of them
cmake --build build -j"${KOVRIN_JOBS:-$(nproc)}" --target kovrin
rm -rf example-run
mkdir example-run
cp examples/example.txt example-run/
cd example-run
# start; type the names; example.txt; end of names; title; not batch mode;
# accept the run-time menu; continue with the run; hit return to quit
printf '\n\nexample.txt\n\nExample run\nn\n\ny\n\n' | ../build/kovrin
echo
echo "Files written in example-run/:"
ls
