#!/usr/bin/env bash
# The shipped 32-bit kelvane-cli.exe under 32-bit Wine against a data file
# larger than a 32-bit process can hold (a sparse 5 GB file): both jobs must
# stop with the out-of-memory message and leave the old save file as it was.
# usage: memory_32bit.sh PATH/TO/kelvane-cli.exe
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
CLI=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
truncate -s 5G "$WORK/big.txt"
printf 'old\r\n' >"$WORK/out.txt"
win() { printf 'Z:%s' "${1//\//\\}"; }
passed=0 failed=0
for job in trim dedup; do
    "$ROOT/scripts/wine-run32" "$CLI" "$job" "$(win "$WORK/big.txt")" "$(win "$WORK/out.txt")" \
        >"$WORK/stdout" 2>"$WORK/stderr" </dev/null
    code=$?
    said=$(iconv -f CP932 -t UTF-8 "$WORK/stderr" 2>/dev/null | grep -c 'メモリが不足しているため、処理を中止しました。')
    if [ "$code" = 1 ] && [ "$said" = 1 ] && cmp -s <(printf 'old\r\n') "$WORK/out.txt" &&
        [ "$(ls "$WORK")" = "$(printf 'big.txt\nout.txt\nstderr\nstdout')" ]; then
        passed=$((passed + 1))
    else
        echo "FAIL $job: exit $code; stderr: $(iconv -f CP932 -t UTF-8 "$WORK/stderr" 2>/dev/null | tail -3)"
        failed=$((failed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
