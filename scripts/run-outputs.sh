#!/usr/bin/env bash
# Runs a kovrin binary over data files with two option sets and keeps every
# file each run writes, so that two builds can be compared file by file:
#
#   scripts/run-outputs.sh [-s default|all|both] KOVRIN OUTDIR DATAFILE...
#   diff -r OUTDIR-of-one-build OUTDIR-of-another
#
# For each data file and option set, OUTDIR/<set>/<data file name>/ receives
# every file the run created (listing, chronologies, rbar tables, limits,
# loadings, scores, ...), the batch command file it ran from (<name>_log.txt),
# and console.txt, what it wrote on the console followed by its exit status.
# The option sets and the console answers are those of scripts/lib/runs.sh;
# the all set runs the default set first for its batch detail file.
set -euo pipefail
source "$(dirname "$0")/lib/runs.sh"
sets=both
if [ "${1:-}" = "-s" ]; then
    sets=$2
    shift 2
fi
if [ $# -lt 3 ]; then
    echo "usage: $0 [-s default|all|both] KOVRIN OUTDIR DATAFILE..." >&2
    exit 2
fi
exe=$(realpath "$1")
out=$(realpath -m "$2")
shift 2
[ -x "$exe" ] || { echo "*** not an executable: $exe" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs set $1 on data file $2 into $3; $4 $5 the common period (all set).
run_one() {
    local set=$1 data=$2 dest=$3
    local name status=0
    name=$(basename "$data")
    rm -rf "$work/run"
    kovrin_prepare "$work/run" "$set" "$data" "${4:-}" "${5:-}"
    kovrin_run "$work/run" "$exe" "$work/console.txt" || status=$?
    rm -rf "$dest" && mkdir -p "$dest"
    rm -f "$work/run/$name" "$work/run/list.txt"
    cp -p "$work/run/"* "$dest/" 2>/dev/null || true
    { cat "$work/console.txt"; echo "exit status: $status"; } > "$dest/console.txt"
}

for data in "$@"; do
    [ -f "$data" ] || { echo "*** missing data file: $data" >&2; exit 1; }
    name=$(basename "$data")
    dest="$out/default/$name"
    [ "$sets" = all ] && dest="$work/default"
    run_one default "$data" "$dest"
    if [ "$sets" != default ]; then
        detail="$dest/${name%.txt}_detail.txt"
        if [ -f "$detail" ]; then
            read -r p1 p2 < <(kovrin_common_period "$detail")
            run_one all "$data" "$out/all/$name" "$p1" "$p2"
        else
            echo "$name: the default run ended without a detail file: no all-options run"
        fi
    fi
    echo "$name done"
done
