#!/usr/bin/env bash
# A data file larger than the process may hold: with its address space capped,
# kelvane-cli must say that memory ran out and fail cleanly, never crash, and
# leave no save file.
# usage: memory_cap.sh PATH/TO/kelvane-cli
set -uo pipefail
CLI=$1
BASE=/dev/shm
[ -w "$BASE" ] || BASE=${TMPDIR:-/tmp}
WORK=$(mktemp -d "$BASE/kelvane-memcap.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
yes 'http://www.example.jp/cgi-bin/pernad/regist_pernad.cgi?mode=new&cat=12' | head -c 300M >"$WORK/urls.txt"
failed=0
for job in trim dedup; do
    (ulimit -v 160000 && exec "$CLI" "$job" "$WORK/urls.txt" "$WORK/out.txt") >/dev/null 2>"$WORK/stderr"
    code=$?
    if [ "$code" != 1 ] || ! grep -q 'メモリが不足しているため、処理を中止しました。' "$WORK/stderr" || [ -e "$WORK/out.txt" ]; then
        echo "FAIL $job: exit $code, stderr: $(head -c 300 "$WORK/stderr")"
        failed=$((failed + 1))
    fi
done
echo "$((2 - failed)) passed, $failed failed"
[ "$failed" = 0 ]
