#!/usr/bin/env bash
# Times kelvane-cli trim and dedup against cat, dd, sed and mawk on one generated
# data file, in one run: best of several runs each, the ratios, and each one's
# peak memory against the file's size. The outputs are checked to agree first.
#
# usage: bench/compare.sh [BUILD_DIR] [LINES] [RUNS]
source "$(dirname "$0")/../scripts/common.sh"
NATIVE=${1:-$BUILD/native}
LINES=${2:-1000000}
RUNS=${3:-5}
# tmpfs where there is one, so that the disk's mood does not enter the figures.
BASE=/dev/shm
[ -d "$BASE" ] && [ -w "$BASE" ] || BASE=${TMPDIR:-/tmp}
WORK=$(mktemp -d "$BASE/kelvane-bench.XXXXXX")
on_exit rm -rf "$WORK"
export LC_ALL=C

"$NATIVE/bench/kelvane-gen" "$WORK/urls.txt" "$LINES" 1
SIZE_KB=$(( $(stat -c %s "$WORK/urls.txt") / 1024 ))

# best_of NAME OUT CMD...: the least wall time of RUNS runs, to the millisecond, and the peak
# memory of that run.
declare -A SECONDS_OF KB_OF
best_of() {
    local name=$1 out=$2
    shift 2
    local best= kb= t m start
    for _ in $(seq "$RUNS"); do
        start=$(date +%s%N)
        /usr/bin/time -o "$WORK/time" -f "%M" "$@" >"$out" 2>/dev/null
        t=$(( ($(date +%s%N) - start) / 1000000 ))
        t=$(awk -v ms="$t" 'BEGIN { printf "%.3f", ms / 1000 }')
        read -r m <"$WORK/time"
        if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN{exit !(a<b)}'; then
            best=$t kb=$m
        fi
    done
    SECONDS_OF[$name]=$best
    KB_OF[$name]=$kb
}

CLI=$NATIVE/src/kelvane-cli
# The floor: copying the file and nothing else.
best_of cat "$WORK/cat.txt" cat "$WORK/urls.txt"
# The floor of a tool that holds every row: the whole file read into fresh memory at once,
# then written.
best_of hold "$WORK/hold.txt" dd if="$WORK/urls.txt" bs=$(( SIZE_KB + 1 ))K
best_of sed "$WORK/sed.txt" sed -n 's/\(regist_pernad\.cgi\).*/\1/p' "$WORK/urls.txt"
best_of trim /dev/null "$CLI" trim "$WORK/urls.txt" "$WORK/trim.txt"
best_of mawk "$WORK/mawk.txt" mawk '!seen[$0]++' "$WORK/urls.txt"
best_of dedup /dev/null "$CLI" dedup "$WORK/urls.txt" "$WORK/dedup.txt"

# The same rows: mawk keeps each line's CR and adds LF; sed drops what follows the marker.
cmp -s "$WORK/mawk.txt" "$WORK/dedup.txt" || { echo "dedup differs from mawk" >&2; exit 1; }
tr -d '\r' <"$WORK/trim.txt" | cmp -s - "$WORK/sed.txt" || { echo "trim differs from sed" >&2; exit 1; }

printf 'data file: %s lines, %d KB; best of %s runs\n\n' "$LINES" "$SIZE_KB" "$RUNS"
printf 'cat copies the file in %s s; dd, holding it whole in memory first, in %s s (%d MB)\n\n' \
    "${SECONDS_OF[cat]}" "${SECONDS_OF[hold]}" $(( KB_OF[hold] / 1024 ))
printf '| job | kelvane-cli | x cat | reference | speed-up | kelvane-cli peak memory | x file size |\n'
printf '|---|---|---|---|---|---|---|\n'
row() {
    local job=$1 ref=$2
    awk -v j="$job" -v r="$ref" -v t="${SECONDS_OF[$job]}" -v rt="${SECONDS_OF[$ref]}" \
        -v c="${SECONDS_OF[cat]}" -v m="${KB_OF[$job]}" -v rm="${KB_OF[$ref]}" -v f="$SIZE_KB" 'BEGIN {
        printf "| %s | %.3f s | %.1fx | %s %.2f s (%d MB) | %.1fx | %d MB | %.2f |\n",
               j, t, (c > 0 ? t / c : 0), r, rt, rm / 1024, (t > 0 ? rt / t : 0), m / 1024, m / f }'
}
row trim sed
row dedup mawk
