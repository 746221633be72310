#!/usr/bin/env bash
# The generated data file through the real dialog under Wine (x86_64 build):
# each job's time and the window's worst answer time while it runs.
# usage: bench/dialog_bench.sh [LINES]
source "$(dirname "$0")/../scripts/common.sh"
LINES=${1:-1000000}
install_missing
build_target native
build_x86_64
# Inside the build folder: the shell's folder items do not reach every Unix path.
mkdir -p "$BUILD/bench"
WORK=$(mktemp -d "$BUILD/bench/dialog.XXXXXX")
on_exit rm -rf "$WORK"
mkdir -p "$WORK/out"
"$BUILD/native/bench/kelvane-gen" "$WORK/urls.txt" "$LINES" 1
ensure_display
ensure_wineprefix
start_wineserver
echo "data file: $LINES lines, $(($(stat -c %s "$WORK/urls.txt") / 1024)) KB"
/usr/lib/wine/wine64 "$BUILD/x86_64/bench/kelvane-dialog-bench.exe" \
    "$(windows_path "$WORK/urls.txt")" "$(windows_path "$WORK/out")" </dev/null 2>/dev/null
