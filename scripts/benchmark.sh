#!/usr/bin/env bash
# A benchmark, not a test: times whole batch runs of build/kovrin, with the
# default options and with every expensive option on (the option sets of
# scripts/lib/runs.sh), over the real data files and over synthetic files of
# 100 to 8,001 series (and, with the default options, of 2,000 and 8,001
# series that all carry one identifier), and prints for each run its CPU seconds (user + system),
# its wall seconds and its peak memory (GNU time). When R is installed, the
# same pipeline in base R (scripts/bench/pipeline.R: read, spline detrending,
# biweight chronology, all-pairs rbar, running EPS, Burg AR, residual
# chronology) runs on the same file beside the default run, with the ratios
# R / kovrin of its CPU and wall seconds. A series whose growth curve goes
# negative is refitted by option 6, the mean (kovrin_answers in
# scripts/lib/runs.sh), in both sets; the output says so, and the row of such
# a run counts the curves replaced.
#
#   scripts/benchmark.sh
#
# Settings, from the environment:
#   KOVRIN_DATA          the folder holding rwl/ with the real files
#                        (default: ../shared/data beside the repository)
#   KOVRIN_BENCH_SIZES   series of the synthetic files
#                        (default: 100 500 1000 2000 4000 8001)
#   KOVRIN_BENCH_ONE_ID  series of the synthetic files of one identifier
#                        (default: 2000 8001; empty: none)
#   KOVRIN_BENCH_SEED    seed of the synthetic files (default: 15)
#   KOVRIN_BENCH_ALL_MAX the largest synthetic file given the all-options run
#                        (default: 2000; the bootstrap of thousands of series
#                        in every year takes minutes)
#   KOVRIN_BENCH_R_MAX   the largest synthetic file given the R pipeline
#                        (default: 2000; its correlation matrices need
#                        gigabytes beyond that)
#   KOVRIN_BENCH_REAL    the real files to time (default: every rwl/*.rwl)
#   KOVRIN_BENCH_EXE     the kovrin binary (default: build/kovrin), to time
#                        another build the same way
#   KOVRIN_BENCH_R       no: leave the R pipeline out
# A run shorter than half a second is timed over repeated runs (the column
# "runs"); the others once, and a busy machine shows in their wall seconds
# first.
set -euo pipefail
source "$(dirname "$0")/lib/runs.sh"
cd "$kovrin_repo"
exe=$(realpath "${KOVRIN_BENCH_EXE:-$PWD/build/kovrin}")
data="${KOVRIN_DATA:-$PWD/../shared/data}"
sizes="${KOVRIN_BENCH_SIZES:-100 500 1000 2000 4000 8001}"
one_id_sizes="${KOVRIN_BENCH_ONE_ID-2000 8001}"
seed="${KOVRIN_BENCH_SEED:-15}"
all_max="${KOVRIN_BENCH_ALL_MAX:-2000}"
r_max="${KOVRIN_BENCH_R_MAX:-2000}"
timer=/usr/bin/time

[ -x "$exe" ] || { echo "*** build first: cmake -S . -B build && cmake --build build -j4" >&2; exit 1; }
if [ ! -d "$data/rwl" ]; then
    echo "*** the real data files are not there: $data/rwl" >&2
    echo "*** set KOVRIN_DATA to the folder that holds rwl/ (on the team's machines ../shared/data beside the repository)" >&2
    exit 1
fi
"$timer" -f "" true 2>/dev/null || { echo "*** GNU time is needed at $timer" >&2; exit 1; }
have_r=no
command -v Rscript > /dev/null && [ "${KOVRIN_BENCH_R:-yes}" != no ] && have_r=yes

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The synthetic files, made once per size and seed under build/bench.
mkdir -p build/bench
gen=build/bench/synthetic_rwl
if [ ! -x "$gen" ] || [ scripts/bench/synthetic_rwl.cpp -nt "$gen" ]; then
    c++ -O2 -std=c++17 -o "$gen" scripts/bench/synthetic_rwl.cpp
fi
synthetic=()
for n in $sizes; do
    f="build/bench/syn$n-seed$seed.rwl"
    [ -f "$f" ] && [ "$f" -nt "$gen" ] || "$gen" "$n" "$seed" "$f"
    synthetic+=("$f")
done
for n in $one_id_sizes; do
    f="build/bench/syn$n-one-id-seed$seed.rwl"
    [ -f "$f" ] && [ "$f" -nt "$gen" ] || "$gen" "$n" "$seed" "$f" one-identifier
    synthetic+=("$f")
done
real=()
if [ -n "${KOVRIN_BENCH_REAL:-}" ]; then
    for f in $KOVRIN_BENCH_REAL; do real+=("$data/rwl/$f"); done
else
    real=("$data"/rwl/*.rwl)
fi

# Times command "$@" with its console to $work/console.txt; sets cpu, wall
# (seconds), mib (peak) and run_status. With `repeat` above 1 the command runs
# that many times in a row and the seconds are those of one run.
repeat=1
note=""
measure() {
    local status=0
    "$timer" -f "%e %U %S %M" -o "$work/time.txt" sh -c 'n=$1; shift; for i in $(seq "$n"); do "$@" || exit; done' \
        sh "$repeat" "$@" > "$work/console.txt" 2>&1 || status=$?
    read -r wall user sys kib < <(tail -n 1 "$work/time.txt")
    cpu=$(awk -v u="$user" -v s="$sys" -v n="$repeat" 'BEGIN { printf("%.3f", (u + s) / n) }')
    wall=$(awk -v w="$wall" -v n="$repeat" 'BEGIN { printf("%.3f", w / n) }')
    mib=$(awk -v k="$kib" 'BEGIN { printf("%.0f", k / 1024) }')
    run_status=$status
}

# One kovrin run of set $1 on file $2 (all: common period $3 $4), timed; a run
# of less than half a second is timed over enough runs to last about two
# seconds (at most 50), as the clock counts hundredths.
time_kovrin() {
    local set=$1 file=$2
    rm -rf "$work/run"
    kovrin_prepare "$work/run" "$set" "$file" "${3:-}" "${4:-}"
    (cd "$work/run" && kovrin_answers > ../answers.txt)
    # every repeat starts as the first: without the detail file a run writes
    local run=(sh -c 'cd "$1" && shift && rm -f ./*_detail.txt && exec "$@" < ../answers.txt' sh "$work/run"
               "${kovrin_env[@]}" "$exe")
    repeat=1
    measure "${run[@]}"
    if [ "$run_status" -eq 0 ] && awk -v w="$wall" 'BEGIN { exit !(w < 0.5) }'; then
        repeat=$(awk -v w="$wall" 'BEGIN { n = int(2 / (w > 0.005 ? w : 0.005)); print((n > 50) ? 50 : n) }')
        measure "${run[@]}"
    fi
    runs=$repeat
    repeat=1
}

# R's seconds over kovrin's; "-" where either has no measured time.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0 && a ~ /^[0-9.]+$/) printf("%.1f", a / b); else printf("-") }'
}

# The series of the last kovrin run whose growth curve went negative and was
# replaced by the mean (option 6), as the answers of kovrin_answers do: one
# console line each, in each of the repeated runs.
refitted() {
    local lines
    lines=$(grep -c 'growth curve goes negative' "$work/console.txt" || true)
    echo $((lines / runs))
}

row() {  # name series years set cpu wall mib [r_cpu r_wall r_mib]; then $note
    printf '%-20s %7s %6s  %-8s %4s %8s %8s %7s' "$1" "$2" "$3" "$4" "$runs" "$5" "$6" "$7"
    if [ $# -gt 7 ]; then
        printf '  | %8s %8s %7s %7s %7s' "$8" "$9" "${10}" "$(ratio "$8" "$5")" "$(ratio "$9" "$6")"
    fi
    [ -n "$note" ] && printf '  (%s)' "$note"
    printf '\n'
}

# "n curves by option 6" after a run that refitted n series.
refit_note() {
    local n
    n=$(refitted)
    note=""
    if [ "$n" -eq 1 ]; then
        note="1 curve by option 6"
    elif [ "$n" -gt 1 ]; then
        note="$n curves by option 6"
    fi
}

echo "kovrin: $exe ($(nproc) cores); R pipeline: $have_r"
echo "A series whose growth curve goes negative stops a run at its curve review; the"
echo "answers given there replace that curve by option 6 (the horizontal line through"
echo "the mean), in the default and the all runs alike: the row of such a run says how"
echo "many curves were replaced, and its times include these refits."
printf '%-20s %7s %6s  %-8s %4s %8s %8s %7s' file series years run runs "cpu s" "wall s" "MiB"
[ "$have_r" = yes ] && printf '  | %8s %8s %7s %7s %7s' "R cpu s" "R wall s" "R MiB" "cpu x" "wall x"
printf '\n'

for file in "${real[@]}" "${synthetic[@]}"; do
    [ -f "$file" ] || { echo "*** missing data file: $file" >&2; exit 1; }
    name=$(basename "$file")

    time_kovrin default "$file"
    default_status=$run_status
    refit_note
    span=$(grep -m1 'series from' "$work/console.txt" || true)
    series=$(awk '{ print $1 }' <<< "$span")
    years=$(awk '{ print $(NF - 1) }' <<< "$span")
    d_cpu=$cpu d_wall=$wall d_mib=$mib
    if [ "$default_status" -ne 0 ]; then
        row "$name" "${series:-?}" "${years:-?}" default "exit $default_status" - -
        continue
    fi
    if [ "$have_r" = yes ] && { [[ "$name" != syn* ]] || [ "${series:-0}" -le "$r_max" ]; }; then
        measure Rscript scripts/bench/pipeline.R "$file"
        if [ "$run_status" -eq 0 ]; then
            row "$name" "$series" "$years" default "$d_cpu" "$d_wall" "$d_mib" "$cpu" "$wall" "$mib"
        else
            row "$name" "$series" "$years" default "$d_cpu" "$d_wall" "$d_mib" "R failed" - -
        fi
    else
        row "$name" "$series" "$years" default "$d_cpu" "$d_wall" "$d_mib"
    fi

    if [[ "$name" == syn* ]] && { [ "${series:-0}" -gt "$all_max" ] || [[ "$name" == *one-id* ]]; }; then continue; fi
    detail="$work/run/${name%.txt}_detail.txt"
    [ -f "$detail" ] || continue
    read -r p1 p2 < <(kovrin_common_period "$detail")
    time_kovrin all "$file" "$p1" "$p2"
    refit_note
    if [ "$run_status" -eq 0 ]; then
        row "$name" "$series" "$years" all "$cpu" "$wall" "$mib"
    else
        row "$name" "$series" "$years" all "exit $run_status" - -
    fi
done
