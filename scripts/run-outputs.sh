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
#
# The option sets:
#   default  the default options (tests/data/options/default_log.txt);
#   all      every expensive option on: bootstrap confidence limits on the
#            robust mean, robust AR with outliers removed, the long listing of
#            every chronology year, and a common-period analysis with principal
#            components and varimax factors. The common period is the 50 years
#            (or the whole span when shorter) covered by the most series,
#            found from the series' first and last years in the batch detail
#            file of the default run; of equally covered periods the latest.
# The all set runs the default set first for that detail file.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
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
default_log="$here/tests/data/options/default_log.txt"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The batch command file of one set for data file $1 (common period $2 $3).
write_log() {
    local name=$1 p1=${2:-0} p2=${3:-0}
    echo "data file #  1  --  $name"
    if [ "$sets_now" = default ]; then
        tail -n +2 "$default_log"
        return
    fi
    tail -n +2 "$default_log" | awk -v p1="$p1" -v p2="$p2" '
        NR == 9  { print "3      3     0     !robust ar + outliers removed (no plots)"; next }
        NR == 12 { print "2   1   20   0     !robust mean with bootstrap limits"; next }
        NR == 14 { printf "%-6s%-6s      !first and last years of common period\n", p1, p2; next }
        NR == 17 { print "3                  !summary, series & long list chronology"; next }
        { print }'
}

# Console answers beyond the batch run's. A series whose default growth curve
# goes negative stops the run to show it (ak046.rwl and several *_drop.rwl
# files have such series): continue past its plot menu, change the fit to the
# mean (6), continue past the new plot, keep that fit and go on in batch. Enough answers for
# any number of such series; the first line left over ends the run at its
# closing "hit return to quit".
extra_answers() {
    local k
    for ((k = 0; k < 200; k++)); do printf '\nc\ny\n6\nc\nn\nn\n'; done
}

# Runs one set on data file $1 into $2; $3 $4 the common period (all set).
run_one() {
    local data=$1 dest=$2
    local name
    name=$(basename "$data")
    rm -rf "$work/run" && mkdir "$work/run"
    cp "$data" "$work/run/$name"
    chmod u+w "$work/run/$name"
    write_log "$name" "${3:-}" "${4:-}" > "$work/run/${name%.txt}_log.txt"
    echo "$name" > "$work/run/list.txt"
    local status=0
    (cd "$work/run" && { printf '\nlist.txt\ntitle\ny\n'; extra_answers; printf '\n'; } |
        env -u DISPLAY -u KOVRIN_PLOT_DEVICE "$exe" > "$work/console.txt" 2>&1) || status=$?
    rm -rf "$dest" && mkdir -p "$dest"
    rm -f "$work/run/$name" "$work/run/list.txt"
    cp -p "$work/run/"* "$dest/" 2>/dev/null || true
    { cat "$work/console.txt"; echo "exit status: $status"; } > "$dest/console.txt"
}

# The 50-year period covered by most series, from a batch detail file.
common_period() {
    awk 'f && NF >= 4 { n++; a[n] = $3; b[n] = $4; if (n == 1 || $3 < lo) lo = $3; if (n == 1 || $4 > hi) hi = $4 }
         /^ num  ident/ { f = 1 }
         END {
             len = hi - lo + 1 < 50 ? hi - lo + 1 : 50
             best = -1
             for (e = lo + len - 1; e <= hi; e++) {
                 c = 0
                 for (k = 1; k <= n; k++) if (a[k] <= e - len + 1 && b[k] >= e) c++
                 if (c >= best) { best = c; p2 = e }
             }
             print p2 - len + 1, p2
         }' "$1"
}

for data in "$@"; do
    [ -f "$data" ] || { echo "*** missing data file: $data" >&2; exit 1; }
    name=$(basename "$data")
    sets_now=default
    dest="$out/default/$name"
    [ "$sets" = all ] && dest="$work/default"
    run_one "$data" "$dest"
    if [ "$sets" != default ]; then
        detail="$dest/${name%.txt}_detail.txt"
        if [ -f "$detail" ]; then
            read -r p1 p2 < <(common_period "$detail")
            sets_now=all
            run_one "$data" "$out/all/$name" "$p1" "$p2"
        else
            echo "$name: the default run ended without a detail file: no all-options run"
        fi
    fi
    echo "$name done"
done
