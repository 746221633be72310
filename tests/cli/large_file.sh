#!/usr/bin/env bash
# A data file over 4 GB through the 64-bit build: row offsets and sizes must not
# wrap at 32 bits. Every line holds the marker, so trim must keep each one.
# usage: large_file.sh PATH/TO/kelvane-cli
set -uo pipefail
BASE=/dev/shm
[ -w "$BASE" ] || BASE=${TMPDIR:-/tmp}
if [ "$(awk '/MemAvailable/ {print $2}' /proc/meminfo)" -lt $((9 << 20)) ] ||
    [ "$(df -k --output=avail "$BASE" | tail -1)" -lt $((9 << 20)) ]; then
    echo "skipped: not enough memory or space for a 4 GB data file here"
    exit 0
fi
WORK=$(mktemp -d "$BASE/kelvane-large.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
# 61,000,001 lines, 4.3 GB: past 2^32 bytes.
yes 'http://www.example.jp/cgi-bin/pernad/regist_pernad.cgi?mode=new&cat=12' | head -n 61000000 >"$WORK/urls.txt"
printf 'http://last.example.jp/regist_pernad.cgi?end\n' >>"$WORK/urls.txt"
"$1" trim "$WORK/urls.txt" "$WORK/out.txt" >/dev/null 2>"$WORK/stderr" || { echo "FAIL trim: $(cat "$WORK/stderr")"; exit 1; }
got="$(wc -l <"$WORK/out.txt") $(head -n 1 "$WORK/out.txt") $(tail -n 1 "$WORK/out.txt")"
want=$'61000001 http://www.example.jp/cgi-bin/pernad/regist_pernad.cgi\r http://last.example.jp/regist_pernad.cgi\r'
[ "$got" = "$want" ] || { echo "FAIL trim: $got"; exit 1; }
echo "1 passed"
