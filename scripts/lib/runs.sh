# The runs that scripts/run-outputs.sh, scripts/store-test-outputs.sh and
# scripts/benchmark.sh make of kovrin, sourced by them: a batch run of one
# data file from a batch command file of one of two option sets.
#
#   default  the default options (tests/data/options/default_log.txt);
#   all      every expensive option on: bootstrap confidence limits on the
#            robust mean, robust AR with outliers removed, the long listing of
#            every chronology year, and a common-period analysis with principal
#            components and varimax factors. The common period is the 50 years
#            (or the whole span when shorter) covered by the most series, from
#            the series' first and last years in the batch detail file of a
#            default run (kovrin_common_period); of equally covered periods,
#            the latest.

kovrin_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# The batch command file of set $1 for data file $2 (all: common period $3 $4).
kovrin_log() {
    local set=$1 name=$2 p1=${3:-0} p2=${4:-0}
    local default_log="$kovrin_repo/tests/data/options/default_log.txt"
    echo "data file #  1  --  $name"
    if [ "$set" = default ]; then
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

# The console answers of a batch run from list.txt. A series whose default
# growth curve goes negative stops the run to show it (ak046.rwl and several
# *_drop.rwl files have such series): continue past its plot menu, change the
# fit to the mean (6), continue past the new plot, keep that fit and go on in
# batch. Enough answers for any number of such series; the first line left
# over ends the run at its closing "hit return to quit".
kovrin_answers() {
    local k
    printf '\nlist.txt\ntitle\ny\n'
    for ((k = 0; k < 200; k++)); do printf '\nc\ny\n6\nc\nn\nn\n'; done
    printf '\n'
}

# The 50-year common period covered by most series, from a batch detail file.
# Its records are read by their columns, "(i4,2x,a8,10i6)": an identifier may
# hold blanks ("Q 3320"), so the years are taken from the ten six-column
# numbers that end the record (ify the first, ily the second), counted from
# the end of the line, which holds whatever bytes the identifier takes. The
# records end at the first line without a record number, as the program reads
# them.
kovrin_common_period() {
    awk '{ sub(/\r$/, "") }
         f && (length($0) < 74 || substr($0, 1, 4) !~ /[0-9]/) { f = 0 }
         f { L = length($0); y1 = substr($0, L - 59, 6) + 0; y2 = substr($0, L - 53, 6) + 0
             n++; a[n] = y1; b[n] = y2; if (n == 1 || y1 < lo) lo = y1; if (n == 1 || y2 > hi) hi = y2 }
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

# Prepares folder $1 for a run of set $2 on data file $3 (all: common period
# $4 $5): the data file, its batch command file and the list file.
kovrin_prepare() {
    local dir=$1 set=$2 data=$3
    local name
    name=$(basename "$data")
    mkdir -p "$dir"
    cp "$data" "$dir/$name"
    chmod u+w "$dir/$name"
    kovrin_log "$set" "$name" "${4:-}" "${5:-}" > "$dir/${name%.txt}_log.txt"
    echo "$name" > "$dir/list.txt"
}

# The environment of every run: no plot screen.
kovrin_env=(env -u DISPLAY -u KOVRIN_PLOT_DEVICE)

# Runs kovrin binary $2 in folder $1, its console to file $3; returns its
# exit status.
kovrin_run() {
    local dir=$1 exe=$2 console=$3
    (cd "$dir" && kovrin_answers | "${kovrin_env[@]}" "$exe" > "$console" 2>&1)
}
