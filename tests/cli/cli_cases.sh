#!/usr/bin/env bash
# What kelvane-cli adds to the jobs: its arguments, exit codes and messages, a
# folder or - as SAVE, pipes, and the overwrite refusal.
# usage: cli_cases.sh PATH/TO/kelvane-cli
set -uo pipefail
CLI=$(realpath "$1")
MANPAGE=$(realpath "$(dirname "$0")/../../docs/kelvane-cli.1")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
failed=0 passed=0
ok() { passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }

# run NAME CODE STDERR-PATTERN ARGS...: the exit code and what standard error says.
run() {
    local name=$1 code=$2 pattern=$3 got
    shift 3
    "$CLI" "$@" >stdout 2>stderr
    got=$?
    [ "$got" = "$code" ] && { [ -z "$pattern" ] || grep -q -- "$pattern" stderr; } && ok ||
        fail "$name: exit $got, stderr: $(cat stderr)"
}
# same NAME EXPECTED(printf format) FILE: the file's bytes.
same() { cmp -s <(printf "$2") "$3" && ok || fail "$1: $(od -An -c "$3" | tr -s ' ')"; }

# The user's language, by the rule kelvane-cli follows: the first of LC_ALL, LC_MESSAGES
# and LANG that is set. t JAPANESE ENGLISH: the text to expect.
USER_LANG=${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}
t() { if [[ $USER_LANG == ja* ]]; then printf '%s' "$1"; else printf '%s' "$2"; fi; }

M=regist_pernad.cgi
printf "a/$M?1\r\n" >data.txt
mkdir out folder
printf 'a/x.cgi?1\nb\n' >x.txt
cp -- data.txt -d.txt

# The parser. Each line: the exit code, what standard error says in Japanese and in English,
# the file written and its bytes, and the arguments as the shell splits them. A usage error
# is two lines, the second pointing to --help. A repeated option counts as given last.
while IFS='|' read -r code ja en file bytes args; do
    eval "set -- $args"
    run "$args" "$code" "$(t "$ja" "$en")" "$@" </dev/null
    [ -z "$file" ] || same "$args" "$bytes" "$file"
    [ "$code" != 2 ] || { [ "$(wc -l <stderr)" = 2 ] && grep -q -- --help stderr && ok || fail "$args: $(cat stderr)"; }
done <<EOF
2|不明な処理名です (trim か dedup): load|unknown job (trim or dedup): load|||load data.txt o.txt
2|不明なオプションです: --mark|unknown option --mark|||trim data.txt o.txt --mark x
2|引数が足りません|missing arguments|||trim data.txt
2|trim でだけ|trim only|||dedup data.txt o.txt --marker x
2|空でない|not empty|||trim data.txt o.txt --marker ''
0|||out/x.txt|a/x.cgi\r\n|trim x.txt out --marker nowhere --marker x.cgi
0|||o.txt|a/$M\r\n|trim -- -d.txt o.txt
0|||./--|a/$M?1\r\n|dedup data.txt -- --
2|引数が多すぎます|too many arguments|||trim -- data.txt o.txt --force
EOF

# A marker typed in a UTF-8 terminal meets Shift-JIS data: 例.cgi is 97 E1 2E 63 67 69 there.
printf 'a/\227\341.cgi?x\nb/x.cgi\n' >sjis.txt
LC_ALL=C.UTF-8 run "utf-8 marker" 0 "" trim sjis.txt out --marker 例.cgi
same "utf-8 marker in shift-jis data" 'a/\227\341.cgi\r\n' out/sjis.txt
run "save over the data file, spelt otherwise, refused" 3 "$(t "--force を指定" "give --force")" dedup data.txt out/../data.txt
same "refused means untouched" "a/$M?1\r\n" data.txt
run "forced overwrite" 0 "" trim data.txt data.txt --force
same "forced overwrite" "a/$M\r\n" data.txt
run "save over standard input's file refused" 3 "$(t "標準入力のファイル" "file on standard input")" trim - data.txt <data.txt
same "standard input's file untouched" "a/$M\r\n" data.txt
mkdir -p taken/data.txt
run "a SAVE folder with a folder of the data file's name" 1 "$(t "はフォルダなので" "is a folder")" dedup data.txt taken
run "missing data file" 1 "$(t "データファイルを開けませんでした。" "cannot open the data file")" trim none.txt o.txt
run "save folder missing" 1 "$(t "保存ファイルに書き込めませんでした。" "cannot write the save file")" trim data.txt no/o.txt
run "empty save path" 1 "$(t "保存先アドレスが未入力です。" "no save file given")" trim data.txt ""
LC_ALL=C.UTF-8 run "marker outside code page 932" 2 "cannot hold" trim data.txt o.txt --marker 😀
run "help" 0 "" --help
# The help and the manual page list the same options, -q and -h among them.
opts() { grep -o -E -- '(^|[ ,])--?[a-z][a-z-]*' "$1" | tr -d ' ,' | sort -u; }
[ "$(opts stdout)" = "$(opts <(sed 's/\\-/-/g' "$MANPAGE"))" ] && grep -q -- "-q, --quiet" stdout &&
    grep -q -- "-h, --help" stdout && ok || fail "help and manual page: $(diff <(opts stdout) <(opts <(sed 's/\\-/-/g' "$MANPAGE")))"
run "completion line" 0 "" trim data.txt o.txt
grep -q "$(t "データ変換&&ファイル保存完了 (1 行 → 1 行)" "converted and saved (1 row -> 1 row)")" stdout &&
    ok || fail "completion line: $(cat stdout)"
run "version" 0 "" --version
grep -q "^kelvane-cli [0-9.]*$" stdout && ok || fail "version: $(cat stdout)"

# Pipes: - reads standard input and writes the rows alone to standard output; messages go
# to stderr with the row counts; a closed pipe ends with exit 1, not a signal.
got=$(printf "a/$M?1\r\nb\r\na/$M?1\r\n" | "$CLI" trim - - 2>stderr | "$CLI" dedup - - 2>>stderr)
[ "$got" = "$(printf "a/$M\r")" ] && grep -q "$(t "標準出力に書き出し (3 行 → 2 行)" "standard output (3 rows -> 2 rows)")" stderr &&
    grep -q "$(t "(2 行 → 1 行)" "(2 rows -> 1 row)")" stderr &&
    ok || fail "pipe: $got / $(cat stderr)"
# A slow producer: its first row comes out before it writes the second, which it does
# only once it has seen the first (or after 10 s). The start is 64 bytes at least.
first="http://www.example.jp/cgi-bin/pernad/$M?mode=new&cat=12"
{ printf '%s\r\n' "$first"; for _ in $(seq 100); do [ -s slow.txt ] && { touch seen; break; }; sleep 0.1; done
  printf 'b/%s\r\n' "$M"; } | "$CLI" trim - - >slow.txt 2>/dev/null
[ -e seen ] && ok || fail "rows as they come: the first row waited for the second"
same "rows as they come" "http://www.example.jp/cgi-bin/pernad/$M\r\nb/$M\r\n" slow.txt
yes "a/$M?q" | head -300000 >big.txt
"$CLI" trim big.txt - --quiet 2>stderr | head -1 >/dev/null
codes=("${PIPESTATUS[@]}")
[ "${codes[0]}" = 1 ] && [ "$(wc -l <stderr)" = 1 ] && ok || fail "closed pipe: exit ${codes[0]}, $(cat stderr)"
run "stdin with a SAVE folder" 2 "$(t "標準入力には名前がありません" "standard input has none")" dedup - folder
mkfifo fifo
run "a FIFO as SAVE points to -" 1 "$(t "SAVE に - を指定" "give - as SAVE")" dedup data.txt fifo
printf '\357\273\277x\nx\n' >bom.txt
run "utf-8 by its mark" 0 "" dedup bom.txt o1.txt
grep -q "(UTF-8)" stdout && ok || fail "utf-8 message"
run "--encoding ansi keeps the mark in row 1" 0 "" dedup bom.txt o2.txt --encoding ansi --quiet
same "--encoding ansi" '\357\273\277x\r\nx\r\n' o2.txt
[ ! -s stdout ] && ok || fail "--quiet printed $(cat stdout)"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
