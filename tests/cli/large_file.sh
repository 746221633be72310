#!/usr/bin/env bash
# A data file over 4 GB through the 64-bit build: row offsets and sizes must not
# wrap at 32 bits. Every line holds the marker, so trim must keep each one.
# usage: large_file.sh PATH/TO/kelvane-cli
set -uo pipefail
CLI=$1
BASE=/dev/shm
[ -w "$BASE" ] || BASE=${TMPDIR:-/tmp}
need_kb=$((9 * 1024 * 1024))
if [ "$(awk '/MemAvailable/ {print $2}' /proc/meminfo)" -lt "$need_kb" ] ||
    [ "$(df -k --output=avail "$BASE" | tail -1)" -lt $((9 * 1024 * 1024)) ]; then
    echo "not enough memory or space for a 4 GB data file here"
    echo "0 passed, 0 failed, 1 skipped"
    exit 0
fi
WORK=$(mktemp -d "$BASE/kelvane-large.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
LINE='http://www.example.jp/cgi-bin/pernad/regist_pernad.cgi?mode=new&cat=12'
# 4.3 GB: past 2^32 bytes.
yes "$LINE" | head -n 61000000 >"$WORK/urls.txt"
printf 'http://last.example.jp/regist_pernad.cgi?end\n' >>"$WORK/urls.txt"
failed=0
if ! "$CLI" trim "$WORK/urls.txt" "$WORK/out.txt" >/dev/null 2>"$WORK/stderr"; then
    echo "FAIL trim: $(cat "$WORK/stderr")"
    failed=1
else
    lines=$(wc -l <"$WORK/out.txt")
    last=$(tail -n 1 "$WORK/out.txt")
    first=$(head -n 1 "$WORK/out.txt")
    if [ "$lines" != 61000001 ] || [ "$last" != $'http://last.example.jp/regist_pernad.cgi\r' ] ||
        [ "$first" != $'http://www.example.jp/cgi-bin/pernad/regist_pernad.cgi\r' ]; then
        echo "FAIL trim: $lines lines, first '$first', last '$last'"
        failed=1
    fi
fi
echo "$((1 - failed)) passed, $failed failed"
[ "$failed" = 0 ]
