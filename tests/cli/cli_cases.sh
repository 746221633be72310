#!/usr/bin/env bash
# kelvane-cli against the edge cases of the data file, the trim and the
# duplicate removal: each case gives input bytes and the save file's bytes.
# usage: cli_cases.sh PATH/TO/kelvane-cli
set -uo pipefail
CLI=$(realpath "$1")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failed=0
passed=0

# check NAME JOB INPUT(printf format) EXPECTED(printf format) [extra args...]
check() {
    local name=$1 job=$2 input=$3 expected=$4
    shift 4
    local dir="$WORK/case$((passed + failed))"
    mkdir -p "$dir/out"
    printf "$input" >"$dir/urls.txt"
    if ! "$CLI" "$job" "$dir/urls.txt" "$dir/out" "$@" >"$dir/stdout" 2>"$dir/stderr"; then
        echo "FAIL $name: exit $?: $(cat "$dir/stderr")"
        failed=$((failed + 1))
        return
    fi
    if cmp -s <(printf "$expected") "$dir/out/urls.txt"; then
        passed=$((passed + 1))
    else
        echo "FAIL $name: expected $(printf "$expected" | od -An -c | tr -s ' ') got $(od -An -c "$dir/out/urls.txt" | tr -s ' ')"
        failed=$((failed + 1))
    fi
}

M=regist_pernad.cgi
# reading rules, seen through dedup (which keeps every distinct line)
check "crlf and lf give the same rows" dedup 'a\r\nb\nc\r\n' 'a\r\nb\r\nc\r\n'
check "no final break" dedup 'a\nb\nc' 'a\r\nb\r\nc\r\n'
check "empty second line" dedup 'a\n\nc\n' 'a\r\n\r\nc\r\n'
check "only a line break" dedup '\n' '\r\n'
check "zero bytes" dedup '' ''
check "lone cr stays" dedup 'a\rb\n' 'a\rb\r\n'
check "0x1a ends the file" dedup 'a\nb\032c\nd\n' 'a\r\nb\r\n'
check "byte-order mark stays" dedup '\357\273\277a\n' '\357\273\277a\r\n'
check "nul kept" dedup 'a\000b\n' 'a\000b\r\n'
# duplicate removal
check "x y x z y" dedup 'x\ny\nx\nz\ny\n' 'x\r\ny\r\nz\r\n'
check "three empty rows" dedup '\n\n\n' '\r\n'
check "no normalisation" dedup 'a/b\na/b/\nA/B\na/b\n' 'a/b\r\na/b/\r\nA/B\r\n'
# trim
check "query string dropped" trim "abc/$M?mode=new\n" "abc/$M\r\n"
check "ends with marker" trim "abc/$M\n" "abc/$M\r\n"
check "first of two" trim "a/$M/b/$M?x\n" "a/$M\r\n"
check "other case dropped" trim "abc/REGIST_PERNAD.CGI\n" ''
check "only the second" trim "x\ny/$M?z\nw\n" "y/$M\r\n"
check "lead byte before the marker" trim "\202$M\n\202\140$M?q\n" "\202\140$M\r\n"
check "other marker" trim 'a/x.cgi?1\nb\n' 'a/x.cgi\r\n' --marker x.cgi
check "empty data file" trim '' ''
# A marker typed in a UTF-8 terminal meets the Shift-JIS data: 例.cgi is 97 E1 2E 63 67 69 there.
LANG=C.UTF-8 LC_ALL=C.UTF-8 check "utf-8 marker in shift-jis data" trim 'a/\227\341.cgi?x\nb/x.cgi\n' 'a/\227\341.cgi\r\n' --marker 例.cgi

# expect_exit NAME CODE STDERR-PATTERN ARGS...: a refused or failed run and what it says.
expect_exit() {
    local name=$1 code=$2 pattern=$3
    shift 3
    "$CLI" "$@" >"$WORK/stdout" 2>"$WORK/stderr"
    local got=$?
    if [ "$got" = "$code" ] && { [ -z "$pattern" ] || grep -q -- "$pattern" "$WORK/stderr"; }; then
        passed=$((passed + 1))
    else
        echo "FAIL $name: exit $got, stderr: $(cat "$WORK/stderr")"
        failed=$((failed + 1))
    fi
}
printf "a/$M?1\r\n" >"$WORK/data.txt"
expect_exit "save over the data file refused" 3 "give --force" trim "$WORK/data.txt" "$WORK/data.txt"
expect_exit "refused means untouched" 0 "" dedup "$WORK/data.txt" "$WORK/copy.txt"
cmp -s "$WORK/data.txt" "$WORK/copy.txt" || { echo "FAIL data file changed"; failed=$((failed + 1)); }
expect_exit "forced overwrite" 0 "" trim "$WORK/data.txt" "$WORK/data.txt" --force
cmp -s <(printf "a/$M\r\n") "$WORK/data.txt" || { echo "FAIL forced overwrite bytes"; failed=$((failed + 1)); }
expect_exit "missing data file" 1 "データファイルを開けませんでした。" trim "$WORK/none.txt" "$WORK/out.txt"
expect_exit "save folder missing" 1 "保存ファイルに書き込めませんでした。" trim "$WORK/data.txt" "$WORK/no/out.txt"
expect_exit "empty save path" 1 "保存先アドレスが未入力です。" trim "$WORK/data.txt" ""
expect_exit "unknown job" 2 "unknown job" sort "$WORK/data.txt" "$WORK/out.txt"
expect_exit "marker with dedup" 2 "trim only" dedup "$WORK/data.txt" "$WORK/out.txt" --marker x
expect_exit "help" 0 "" --help
expect_exit "empty marker" 2 "not empty" trim "$WORK/data.txt" "$WORK/out.txt" --marker ''
LC_ALL=C.UTF-8 expect_exit "marker outside code page 932" 2 "cannot hold" trim "$WORK/data.txt" "$WORK/out.txt" --marker 😀
# -- ends the options: a data file named -d.txt, and a save file named --.
cp "$WORK/data.txt" "$WORK/-d.txt"
cd "$WORK"
expect_exit "-- before a file named like an option" 0 "" trim -- -d.txt o.txt
cmp -s <(printf "a/$M\r\n") "$WORK/o.txt" || { echo "FAIL -- data file"; failed=$((failed + 1)); }
expect_exit "-- as a save file after --" 0 "" dedup data.txt -- --
cmp -s "$WORK/data.txt" "$WORK/--" || { echo "FAIL -- save file"; failed=$((failed + 1)); }
expect_exit "an option after -- is a file" 2 "expected a job" trim -- data.txt o.txt --force
cd - >/dev/null

# Pipes: - reads standard input and writes the rows alone to standard output; messages go
# to stderr with the row counts; a closed pipe ends with exit 1, not a signal.
got=$(printf "a/$M?1\r\nb\r\na/$M?1\r\n" | "$CLI" trim - - 2>"$WORK/stderr" | "$CLI" dedup - - 2>>"$WORK/stderr")
[ "$got" = "$(printf "a/$M\r")" ] && grep -q "(3 行 → 2 行)" "$WORK/stderr" && grep -q "(2 行 → 1 行)" "$WORK/stderr" &&
    passed=$((passed + 1)) || { echo "FAIL pipe: $got / $(cat "$WORK/stderr")"; failed=$((failed + 1)); }
yes "a/$M?q" | head -300000 >"$WORK/big.txt"
"$CLI" trim "$WORK/big.txt" - --quiet 2>"$WORK/stderr" | head -1 >/dev/null
codes=("${PIPESTATUS[@]}")
[ "${codes[0]}" = 1 ] && [ "$(wc -l <"$WORK/stderr")" = 1 ] && passed=$((passed + 1)) ||
    { echo "FAIL closed pipe: exit ${codes[0]}, $(cat "$WORK/stderr")"; failed=$((failed + 1)); }
mkdir -p "$WORK/folder"
expect_exit "stdin with a SAVE folder" 2 "standard input has none" dedup - "$WORK/folder"
mkfifo "$WORK/fifo"
expect_exit "a FIFO as SAVE points to -" 1 "give - as SAVE" dedup "$WORK/data.txt" "$WORK/fifo"
printf '\357\273\277x\n' >"$WORK/bom.txt"
expect_exit "utf-8 by its mark" 0 "" dedup "$WORK/bom.txt" "$WORK/o1.txt"
grep -q "(UTF-8)" "$WORK/stdout" || { echo "FAIL utf-8 message"; failed=$((failed + 1)); }
expect_exit "--encoding ansi keeps the mark in row 1" 0 "" dedup "$WORK/bom.txt" "$WORK/o2.txt" --encoding ansi --quiet
cmp -s <(printf '\357\273\277x\r\n') "$WORK/o2.txt" && [ ! -s "$WORK/stdout" ] ||
    { echo "FAIL --encoding ansi / --quiet"; failed=$((failed + 1)); }
expect_exit "version" 0 "" --version
grep -q "^kelvane-cli [0-9.]*$" "$WORK/stdout" || { echo "FAIL version"; failed=$((failed + 1)); }

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
