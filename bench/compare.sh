#!/usr/bin/env bash
# Times kelvane-cli trim and dedup against cat, dd, sed and mawk on generated data
# files of each size given, in one run: the median of several runs each, the ratios,
# and each one's peak memory against the file's size. With a second kelvane-cli (for
# example today's build of main) its jobs are timed beside, in the same runs. The
# outputs are checked to agree first.
#
# usage: bench/compare.sh [BUILD_DIR] [LINES[,LINES...]] [RUNS] [OTHER_CLI]
source "$(dirname "$0")/../scripts/common.sh"
NATIVE=${1:-$BUILD/native}
SIZES=${2:-1000000}
RUNS=${3:-5}
OTHER=${4:-}
# tmpfs where there is one, so that the disk's mood does not enter the figures.
BASE=/dev/shm
[ -d "$BASE" ] && [ -w "$BASE" ] || BASE=${TMPDIR:-/tmp}
WORK=$(mktemp -d "$BASE/kelvane-bench.XXXXXX")
on_exit rm -rf "$WORK"
export LC_ALL=C
CLI=$NATIVE/src/kelvane-cli

# median_of NAME RUNS OUT CMD...: the median wall time of RUNS runs, to the millisecond, and
# the median peak memory.
declare -A SECONDS_OF KB_OF
median_of() {
    local name=$1 runs=$2 out=$3 start ms
    shift 3
    local times=() kbs=()
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        /usr/bin/time -o "$WORK/time" -f "%M" "$@" >"$out" 2>/dev/null
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        times+=("$ms")
        kbs+=("$(cat "$WORK/time")")
    done
    ms=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
    SECONDS_OF[$name]=$(awk -v ms="$ms" 'BEGIN { printf "%.3f", ms / 1000 }')
    KB_OF[$name]=$(printf '%s\n' "${kbs[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
}

row() {
    local job=$1 ref=$2
    awk -v j="$job" -v r="$ref" -v t="${SECONDS_OF[$job]}" -v rt="${SECONDS_OF[$ref]}" \
        -v c="${SECONDS_OF[cat]}" -v m="${KB_OF[$job]}" -v rm="${KB_OF[$ref]}" -v f="$SIZE_KB" 'BEGIN {
        printf "| %s | %.3f s | %.1fx | %s %.2f s (%d MB) | %.1fx | %d MB | %.2f |\n",
               j, t, (c > 0 ? t / c : 0), r, rt, rm / 1024, (t > 0 ? rt / t : 0), m / 1024, m / f }'
}

for LINES in ${SIZES//,/ }; do
    "$NATIVE/bench/kelvane-gen" "$WORK/urls.txt" "$LINES" 1
    SIZE_KB=$(( $(stat -c %s "$WORK/urls.txt") / 1024 ))
    # The peers take minutes on the largest files: once there.
    PEER_RUNS=$RUNS
    [ "$LINES" -le 5000000 ] || PEER_RUNS=1
    # The floor: copying the file and nothing else.
    median_of cat "$RUNS" "$WORK/cat.txt" cat "$WORK/urls.txt"
    # The floor of a tool that holds every row: the whole file read into fresh memory at
    # once, then written.
    median_of hold "$RUNS" "$WORK/hold.txt" dd if="$WORK/urls.txt" bs=$(( SIZE_KB + 1 ))K
    median_of sed "$PEER_RUNS" "$WORK/sed.txt" sed -n 's/\(regist_pernad\.cgi\).*/\1/p' "$WORK/urls.txt"
    median_of trim "$RUNS" /dev/null "$CLI" trim "$WORK/urls.txt" "$WORK/trim.txt"
    median_of mawk "$PEER_RUNS" "$WORK/mawk.txt" mawk '!seen[$0]++' "$WORK/urls.txt"
    median_of dedup "$RUNS" /dev/null "$CLI" dedup "$WORK/urls.txt" "$WORK/dedup.txt"
    if [ -n "$OTHER" ]; then
        median_of "other trim" "$RUNS" /dev/null "$OTHER" trim "$WORK/urls.txt" "$WORK/other-trim.txt"
        median_of "other dedup" "$RUNS" /dev/null "$OTHER" dedup "$WORK/urls.txt" "$WORK/other-dedup.txt"
        cmp -s "$WORK/other-trim.txt" "$WORK/trim.txt" && cmp -s "$WORK/other-dedup.txt" "$WORK/dedup.txt" ||
            { echo "the other kelvane-cli writes other rows" >&2; exit 1; }
    fi

    # The same rows: mawk keeps each line's CR and adds LF; sed drops what follows the marker.
    cmp -s "$WORK/mawk.txt" "$WORK/dedup.txt" || { echo "dedup differs from mawk" >&2; exit 1; }
    tr -d '\r' <"$WORK/trim.txt" | cmp -s - "$WORK/sed.txt" || { echo "trim differs from sed" >&2; exit 1; }

    printf '\ndata file: %s lines, %d KB; median of %s runs (sed and mawk: %s)\n\n' \
        "$LINES" "$SIZE_KB" "$RUNS" "$PEER_RUNS"
    printf 'cat copies the file in %s s; dd, holding it whole in memory first, in %s s (%d MB)\n\n' \
        "${SECONDS_OF[cat]}" "${SECONDS_OF[hold]}" $(( KB_OF[hold] / 1024 ))
    printf '| job | kelvane-cli | x cat | reference | speed-up | kelvane-cli peak memory | x file size |\n'
    printf '|---|---|---|---|---|---|---|\n'
    row trim sed
    row dedup mawk
    if [ -n "$OTHER" ]; then
        row trim "other trim"
        row dedup "other dedup"
    fi
    printf 'save files: trim %d KB, dedup %d KB in %d rows\n' $(( $(stat -c %s "$WORK/trim.txt") / 1024 )) \
        $(( $(stat -c %s "$WORK/dedup.txt") / 1024 )) "$(wc -l <"$WORK/dedup.txt")"
    rm -f "$WORK"/*.txt
done
