#!/usr/bin/env bash
# A data file over 4 GB through the 64-bit build: row offsets and sizes must not
# wrap at 32 bits. Every line holds the marker, so trim must keep each one; and
# neither job may hold the file in memory.
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
# Both jobs stream the file: trim holds a few batches, dedup also the two rows it keeps,
# whatever the file's size. Peaks in KB, as time gives them.
peak() { /usr/bin/time -f %M -o "$WORK/peak" "$@" >/dev/null 2>"$WORK/stderr" && cat "$WORK/peak"; }
kb=$(peak "$1" trim "$WORK/urls.txt" "$WORK/out.txt") || { echo "FAIL trim: $(cat "$WORK/stderr")"; exit 1; }
got="$(wc -l <"$WORK/out.txt") $(head -n 1 "$WORK/out.txt") $(tail -n 1 "$WORK/out.txt")"
want=$'61000001 http://www.example.jp/cgi-bin/pernad/regist_pernad.cgi\r http://last.example.jp/regist_pernad.cgi\r'
[ "$got" = "$want" ] || { echo "FAIL trim: $got"; exit 1; }
[ "$kb" -le $((16 << 10)) ] || { echo "FAIL trim held $kb KB"; exit 1; }
kb=$(peak "$1" dedup "$WORK/urls.txt" "$WORK/out.txt") || { echo "FAIL dedup: $(cat "$WORK/stderr")"; exit 1; }
[ "$(wc -l <"$WORK/out.txt")" = 2 ] && [ "$kb" -le $((16 << 10)) ] || { echo "FAIL dedup: $(wc -l <"$WORK/out.txt") rows, $kb KB"; exit 1; }
echo "2 passed"
