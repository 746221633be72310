# Shared by scripts/run and scripts/test: what the project needs on this
# machine, the three builds and the Wine prefix the Windows programs run in.
# Source it; it sets ROOT and BUILD.

set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${KELVANE_BUILD:-$ROOT/build}
export KELVANE_WINEPREFIX=${KELVANE_WINEPREFIX:-$BUILD/wineprefix}
export KELVANE_WINEPREFIX32=${KELVANE_WINEPREFIX32:-$BUILD/wineprefix32}

PACKAGES=(
    cmake make g++ googletest
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    wine wine64 fonts-wine xvfb xauth x11-utils fonts-ipafont-gothic imagemagick locales
    mawk sed time clang-format clang libclang-rt-14-dev python3
)

log() { printf '\n== %s\n' "$*"; }

# What the run must undo however it ends (a failure, Ctrl-C, a kill): each thing that
# needs undoing registers it with on_exit CMD [ARGS...] as it starts. The commands run
# newest first, each whatever the others did, from this one EXIT trap; a script that
# sources this file never sets a trap of its own, or the list would be lost.
ON_EXIT=()
on_exit() {
    ON_EXIT=("$(printf '%q ' "$@")" "${ON_EXIT[@]}")
}
run_on_exit() {
    local cmd
    for cmd in "${ON_EXIT[@]}"; do
        eval "$cmd" || true
    done
    ON_EXIT=()
}
trap run_on_exit EXIT
# Bash runs the EXIT trap on a signal only when the signal makes it exit.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
# stop_child PID: ends a program this shell started, and waits until it has gone.
stop_child() {
    kill "$1" 2>/dev/null || return 0
    wait "$1" 2>/dev/null || true
}

install_missing() {
    local missing=() sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    for pkg in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    if ((${#missing[@]})); then
        log "installing ${missing[*]}"
        "${sudo[@]}" apt-get update -qq
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
    # Wine takes code page 932 for its ANSI code page from a Japanese locale.
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        log "generating the ja_JP.UTF-8 locale"
        "${sudo[@]}" sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
        "${sudo[@]}" locale-gen >/dev/null
    fi
}

# True when the kernel runs 32-bit x86 programs: a tiny static i386 program is made
# with the assembler and linker of binutils and tried. Kernels differ between machines.
runs_32bit() {
    local dir
    dir=$(mktemp -d)
    printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$dir/p.s"
    as --32 -o "$dir/p.o" "$dir/p.s" 2>/dev/null && ld -m elf_i386 -o "$dir/p" "$dir/p.o" 2>/dev/null &&
        "$dir/p" 2>/dev/null
    local rc=$?
    rm -rf "$dir"
    return $rc
}

# Debian's 32-bit Wine, for the shipped i686 exes; only where the kernel can run it.
install_wine32() {
    local sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && return 0
    log "installing wine32:i386"
    "${sudo[@]}" dpkg --add-architecture i386
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq wine32:i386 >/dev/null
}

# build_target NAME [cmake args...]: configures once, then builds.
build_target() {
    local name=$1
    shift
    log "building $name"
    if [ ! -f "$BUILD/$name/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD/$name" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    fi
    cmake --build "$BUILD/$name" -j "$(nproc)"
}

# The 64-bit Windows build: the one Wine runs here.
build_x86_64() {
    build_target x86_64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"
}

build_all() {
    build_target native
    build_target i686 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
    build_x86_64
}

# A Unix path as Wine's drive Z: names it.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# A display for the window: the user's own, or a private Xvfb. Xvfb picks a free
# display itself and writes its number once it takes clients, so that two runs side
# by side never start on the same one.
ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local numfile pid n=
    numfile=$(mktemp)
    on_exit rm -f "$numfile"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    pid=$!
    on_exit stop_child "$pid"
    for _ in $(seq 100); do
        # A line only when it is whole: the number and its newline.
        if read -r n <"$numfile"; then
            export DISPLAY=":$n"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "Xvfb did not start" >&2
    return 1
}

# The fonts a prefix maps, as NAME=FACE: each face Wine or our dialogs ask for under a
# Japanese locale, and the IPA face (fonts-ipafont-gothic) drawn in its place. Without
# an entry Wine takes any font that claims code page 932, and on some machines that one
# has no kanji: captions and message boxes show empty boxes. Who asks for which:
# - MS Shell Dlg, MS Shell Dlg 2: captions, menus, message boxes, the system's dialogs;
# - MS UI Gothic: what Wine's substitutes and font links name for those;
# - ＭＳ Ｐゴシック: our dialogs; ＭＳ ゴシック is its fixed-pitch twin, and programs for
#   Japanese Windows ask for both, also by their English names MS PGothic and MS Gothic;
# - System: the font every new device context starts with.
# The proportional face stands in for the proportional fonts, the fixed one for the fixed.
PREFIX_FONTS=(
    'MS Shell Dlg=IPAPGothic'
    'MS Shell Dlg 2=IPAPGothic'
    'MS UI Gothic=IPAPGothic'
    'ＭＳ Ｐゴシック=IPAPGothic'
    'MS PGothic=IPAPGothic'
    'ＭＳ ゴシック=IPAGothic'
    'MS Gothic=IPAGothic'
    'System=IPAGothic'
)
# Font files linked into the prefix's Fonts folder. Wine draws the caption buttons with
# Marlett, which Debian's fonts-wine holds; but Debian's Wine does not look in that
# package's folder, and without it the buttons read "0 1 r".
PREFIX_FONT_FILES=(/usr/share/wine/fonts/marlett.ttf)

# The registry settings of a prefix, as a .reg file's text. The replacements key is
# emptied first, so that a face dropped from the list goes from old prefixes too.
prefix_settings_reg() {
    local pair
    printf 'Windows Registry Editor Version 5.00\n\n'
    # Without a window manager Wine waits for every hidden window unless it manages none.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n'
    printf '[-HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
    for pair in "${PREFIX_FONTS[@]}"; do
        printf '"%s"="%s"\n' "${pair%%=*}" "${pair#*=}"
    done
}

# What the marker of a prepared prefix holds: a digest of its settings, so that a prefix
# made by an older version of this file is brought up to date on its next use.
prefix_settings_stamp() {
    { prefix_settings_reg; printf '%s\n' "${PREFIX_FONT_FILES[@]}"; } | sha256sum | cut -c1-16
}

# wine_in PREFIX LOADER PROGRAM [ARGS...]: a Wine program in PREFIX, Japanese locale.
wine_in() {
    local prefix=$1 loader=$2
    shift 2
    WINEPREFIX=$prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 "$loader" "$@"
}

# apply_prefix_settings PREFIX LOADER: writes the settings, then reads them back.
apply_prefix_settings() {
    local prefix=$1 loader=$2 reg=$1/kelvane-settings.reg file face got want
    for face in $(printf '%s\n' "${PREFIX_FONTS[@]#*=}" | sort -u); do
        fc-list -q "$face" || { echo "no installed font is called $face" >&2; return 1; }
    done
    # UTF-16 with its byte-order mark, as regedit writes: the Japanese names then reach
    # the registry whatever the console's code page.
    { printf '\xff\xfe'; prefix_settings_reg | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$reg"
    if ! wine_in "$prefix" "$loader" reg import "$(windows_path "$reg")" >/dev/null 2>&1; then
        echo "$prefix: reg import $reg failed" >&2
        return 1
    fi
    rm -f "$reg"
    for file in "${PREFIX_FONT_FILES[@]}"; do
        ln -sfn "$file" "$prefix/drive_c/windows/Fonts/${file##*/}"
        [ -e "$prefix/drive_c/windows/Fonts/${file##*/}" ] || { echo "$file is missing" >&2; return 1; }
    done
    # reg prints in the console's code page, 932, even to a pipe.
    got=$(wine_in "$prefix" "$loader" reg query 'HKCU\Software\Wine\Fonts\Replacements' 2>/dev/null |
        iconv -f CP932 -t UTF-8 | tr -d '\r' | sed -n 's/^    \(.*\)    REG_SZ    \(.*\)$/\1=\2/p' | sort)
    want=$(printf '%s\n' "${PREFIX_FONTS[@]}" | sort)
    if [ "$got" != "$want" ]; then
        echo "$prefix: the font replacements do not read back as written:" >&2
        diff <(echo "$want") <(echo "$got") >&2 || true
        return 1
    fi
    got=$(wine_in "$prefix" "$loader" reg query 'HKCU\Software\Wine\X11 Driver' /v Managed 2>/dev/null | tr -d '\r')
    grep -qx '    Managed    REG_SZ    N' <<<"$got" || { echo "$prefix: Managed is not N" >&2; return 1; }
}

# stop_prefix_server PREFIX: ends the programs and the server of a prefix, and waits
# until they have gone.
stop_prefix_server() {
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
    WINEPREFIX=$1 wineserver -w
}

# A test prefix: made once, then kept, and its settings brought up to date whenever
# they change; a window manager is not needed.
# make_wineprefix PREFIX LOADER [WINEARCH]
make_wineprefix() {
    local prefix=$1 loader=$2 arch=${3:-} stamp
    stamp=$(prefix_settings_stamp)
    [ "$(cat "$prefix/.kelvane-ready" 2>/dev/null)" != "$stamp" ] || return 0
    if [ ! -f "$prefix/.kelvane-ready" ]; then
        log "preparing the Wine prefix $prefix"
        mkdir -p "$prefix"
        # No display and no Mono or Gecko: otherwise wineboot may wait on an install prompt.
        env -u DISPLAY WINEPREFIX="$prefix" ${arch:+WINEARCH=$arch} WINEDLLOVERRIDES="mscoree,mshtml=" \
            LANG=ja_JP.UTF-8 "$loader" wineboot -i >/dev/null 2>&1
    else
        log "bringing the settings of the Wine prefix $prefix up to date"
    fi
    apply_prefix_settings "$prefix" "$loader"
    stop_prefix_server "$prefix" # the registry is written when the server ends
    printf '%s\n' "$stamp" >"$prefix/.kelvane-ready"
}

ensure_wineprefix() {
    export WINEPREFIX=$KELVANE_WINEPREFIX WINEDEBUG=-all LANG=ja_JP.UTF-8
    make_wineprefix "$KELVANE_WINEPREFIX" /usr/lib/wine/wine64
}

# The 32-bit prefix, made by the 32-bit loader.
ensure_wineprefix32() {
    make_wineprefix "$KELVANE_WINEPREFIX32" /usr/lib/wine/wine win32
}

# One wineserver for the whole run: between separate programs it would otherwise
# shut down, and a program started during that shutdown fails with no output.
# Wine's own services start with the first program and keep its output open, which
# would leave CTest waiting for it; so they are started here, writing nowhere.
# serve_prefix PREFIX LOADER: does that for one prefix.
serve_prefix() {
    on_exit stop_prefix_server "$1"
    WINEPREFIX=$1 wineserver -p
    WINEPREFIX=$1 "$2" cmd /c exit </dev/null >/dev/null 2>&1
}
start_wineserver() {
    serve_prefix "$KELVANE_WINEPREFIX" /usr/lib/wine/wine64
}
start_wineserver32() {
    serve_prefix "$KELVANE_WINEPREFIX32" /usr/lib/wine/wine
}

# The i686 Kelvane.exe must be a 32-bit GUI program that may use 4 GB and imports
# nothing but DLLs every Windows has (no libstdc++, libgcc or winpthread).
check_shipped_exe() {
    local exe=$1 headers imports bad
    headers=$(i686-w64-mingw32-objdump -f -p "$exe")
    grep -q 'file format pei-i386' <<<"$headers" || { echo "$exe is not a 32-bit exe" >&2; return 1; }
    grep -q 'large address aware' <<<"$headers" || { echo "$exe is not large-address-aware" >&2; return 1; }
    grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || { echo "$exe is not a GUI program" >&2; return 1; }
    imports=$(grep -i 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
    bad=$(grep -v -x -E 'kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|comdlg32.dll|shell32.dll|ole32.dll|ws2_32.dll|advapi32.dll|msvcrt.dll|api-ms-win-.*' <<<"$imports" || true)
    if [ -n "$bad" ]; then
        echo "$exe imports DLLs that are not part of Windows: $bad" >&2
        return 1
    fi
    echo "Kelvane.exe (i686) imports: $(tr '\n' ' ' <<<"$imports")"
}

build_fuzz() {
    build_target fuzz -DKELVANE_FUZZ=ON -DKELVANE_TESTS=OFF -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++
}

# run_fuzz_target NAME SECONDS CORPUS: the committed seeds plus CORPUS; fails on a finding.
run_fuzz_target() {
    local target=$1 seconds=$2 corpus=$3 log
    log=$(mktemp)
    if ! (cd "$corpus" && "$BUILD/fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" \
        -print_final_stats=1 "$corpus" "$ROOT/tests/fuzz/corpus/$target") >"$log" 2>&1; then
        tail -n 40 "$log"
        rm -f "$log"
        echo "fuzz_$target found a fault (its input is in $corpus)" >&2
        return 1
    fi
    echo "fuzz_$target: $(grep -o 'number_of_executed_units: [0-9]*' "$log" | awk '{print $2}') runs in ${seconds} s, no finding"
    rm -f "$log"
}

# fuzz_all SECONDS CORPORA: the fuzz target, learning in CORPORA/Read.
fuzz_all() {
    mkdir -p "$2/Read"
    run_fuzz_target Read "$1" "$2/Read"
}

# A 64 KB file system as drive S: for the full-disk test under Wine (root only).
# Map it after the prefixes are made and before their servers start: the clean-up
# then unmounts it once the servers have gone.
map_small_drive() {
    [ "$(id -u)" = 0 ] || return 0
    local disk=$BUILD/smalldisk prefix
    mkdir -p "$disk"
    if ! mountpoint -q "$disk"; then
        mount -t tmpfs -o size=64k tmpfs "$disk" || return 0
    fi
    on_exit umount "$disk"
    for prefix in "$KELVANE_WINEPREFIX" "$KELVANE_WINEPREFIX32"; do
        if [ -d "$prefix/dosdevices" ]; then
            ln -sfn "$disk" "$prefix/dosdevices/s:"
            on_exit rm -f "$prefix/dosdevices/s:"
        fi
    done
    export KELVANE_SMALL_DRIVE='S:\'
}
