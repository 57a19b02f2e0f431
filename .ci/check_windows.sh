#!/usr/bin/env bash
# Checks the Windows build: cross-builds chess.exe with MinGW-w64
# (packaging/windows/mingw-w64-x86_64.cmake), makes the zip, checks that the
# program needs no DLL beside it, and runs the chess.exe from the zip under
# Wine on the input of every session script in tests/sessions/ (NAME.in:
# console games and sessions in both protocols) and on the games of the
# benchmark (bench/games.txt). Its output must be the Linux
# build's, line for line: the Windows program ends its lines with CR LF,
# nothing else may differ but the search times in thinking lines. Each session is also typed with CR LF line ends,
# as on a Windows console, to both programs: the output must not change.
#
# Usage: .ci/check_windows.sh LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]
#   LINUX_BUILD_DIR    a built Linux build of this source tree (holds chess)
#   WINDOWS_BUILD_DIR  where to cross-build (default: build-windows)
# Needs: g++-mingw-w64-x86-64-posix, wine (wine64); no X display.
set -euo pipefail
export LC_ALL=C

[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]" >&2; exit 2; }
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
LINUX_PROGRAM=$(cd "$1" && pwd)/chess
WINDOWS_BUILD=${2:-$SOURCE_DIR/build-windows}
[ -x "$LINUX_PROGRAM" ] || { echo "check_windows.sh: no program $LINUX_PROGRAM" >&2; exit 2; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/chess-check-windows.XXXXXX")
fail() { echo "check_windows.sh: $*" >&2; exit 1; }

# Wine quiet and headless, in a prefix of its own that goes with the check.
export WINEPREFIX=$WORK/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT

echo "== cross-build and zip"
seconds=$SECONDS
cmake -S "$SOURCE_DIR" -B "$WINDOWS_BUILD" --toolchain "$SOURCE_DIR/packaging/windows/mingw-w64-x86_64.cmake" \
    >"$WORK/build.log" 2>&1 || { cat "$WORK/build.log"; fail "configuring the Windows build failed"; }
cmake --build "$WINDOWS_BUILD" -j2 --target chess >>"$WORK/build.log" 2>&1 \
    || { tail -n 30 "$WORK/build.log"; fail "the Windows build failed"; }
(cd "$WINDOWS_BUILD" && cpack -G ZIP -B "$WORK/package") >"$WORK/cpack.log" 2>&1 \
    || { cat "$WORK/cpack.log"; fail "cpack failed"; }
ZIP=$(ls "$WORK"/package/chess-*-win64.zip) || fail "no chess-VERSION-win64.zip"
mkdir "$WORK/unzipped"
(cd "$WORK/unzipped" && cmake -E tar xf "$ZIP")
(cd "$WORK/unzipped" && find . -type f | sort)
PROGRAM=$(ls "$WORK"/unzipped/*/chess.exe)
for file in README.txt LICENSE.txt; do
    [ -f "$(dirname "$PROGRAM")/$file" ] || fail "the zip lacks $file"
done
echo "built in $((SECONDS - seconds)) s: $(basename "$ZIP")"

echo "== the DLLs chess.exe loads: only Windows' own"
x86_64-w64-mingw32-objdump -p "$PROGRAM" | sed -n 's/^\s*DLL Name: //p' | tee "$WORK/dlls.txt"
if grep -v -i -x -e KERNEL32.dll -e msvcrt.dll "$WORK/dlls.txt"; then
    fail "chess.exe needs the DLLs above beside it"
fi

echo "== Wine"
seconds=$SECONDS
wineboot --init >"$WORK/wineboot.log" 2>&1 || { cat "$WORK/wineboot.log"; fail "wineboot failed"; }
echo "$(wine --version), prefix made in $((SECONDS - seconds)) s"

# The search's time in the thinking lines (UCI's "info ... time MS", the
# xboard protocol's "DEPTH SCORE TIME NODES LINE") is measured, not played:
# it is written T in both outputs before they are compared.
mask_times() { sed -E -e 's/^(info .* time )[0-9]+/\1T/' -e 's/^([0-9]+ -?[0-9]+ )[0-9]+( [0-9]+ )/\1T\2/'; }
# Runs the Linux program on INPUT into OUTPUT; returns its exit status.
run_linux() {
    local status=0
    "$LINUX_PROGRAM" <"$1" >"$2.raw" || status=$?
    mask_times <"$2.raw" >"$2"
    return "$status"
}
# Runs chess.exe under Wine on INPUT into OUTPUT with CR LF turned to LF (as
# written, into OUTPUT.raw); returns its exit status.
run_wine() {
    local status=0
    wine "$PROGRAM" <"$1" >"$2.raw" || status=$?
    sed 's/\r$//' "$2.raw" | mask_times >"$2"
    return "$status"
}
# The same session as typed on Windows: every line ending CR LF (a line
# that ends so already is kept).
with_crlf() { sed 's/\r\{0,1\}$/\r/' "$1" >"$2"; }

# Whether OUTPUT matches the session's expected output PATTERN, as the
# protocol test matches it: node counts written N, and a line "..." standing
# for any number of lines.
matches_pattern() {
    sed -E -e 's/^(info .* nodes )[0-9]+/\1N/' -e 's/^([0-9]+ -?[0-9]+ T )[0-9]+( )/\1N\2/' "$1" |
    awk -v pattern="$2" '
        BEGIN { while ((getline line < pattern) > 0) expected[++ne] = line }
        { actual[++na] = $0 }
        function match_from(e, a,    k, key) {
            key = e "," a
            if (key in memo) return memo[key]
            if (e > ne) return memo[key] = (a > na)
            if (expected[e] == "...") {
                for (k = a; k <= na + 1; k++) if (match_from(e + 1, k)) return memo[key] = 1
                return memo[key] = 0
            }
            return memo[key] = (a <= na && expected[e] == actual[a] && match_from(e + 1, a + 1))
        }
        END { exit match_from(1, 1) ? 0 : 1 }'
}

failures=0
# Compares a run (its label, exit status and output file) with Linux's. A
# session whose expected output has "..." lines races with its input (an
# analysis ended by "stop"): each run is matched with that output instead.
compare() {
    local pattern=${session%.in}.out
    if [ "$2" -ne "$linux_status" ]; then
        echo "FAIL $name ($1): exit status $2, on Linux $linux_status"
        failures=$((failures + 1))
    elif [ -f "$pattern" ] && grep -qx '\.\.\.' "$pattern"; then
        if ! matches_pattern "$3" "$pattern"; then
            echo "FAIL $name ($1): the output does not match ${pattern#"$SOURCE_DIR"/}:"
            head -n 20 "$3"
            failures=$((failures + 1))
        fi
    elif ! diff "$WORK/linux.out" "$3" >"$WORK/diff.txt"; then
        echo "FAIL $name ($1): the output differs from Linux's:"
        head -n 20 "$WORK/diff.txt"
        failures=$((failures + 1))
    fi
}
check() {
    name=$1
    local input=$2 status
    linux_status=0
    run_linux "$input" "$WORK/linux.out" || linux_status=$?
    status=0
    run_wine "$input" "$WORK/wine.out" || status=$?
    compare "Wine" "$status" "$WORK/wine.out"
    with_crlf "$input" "$WORK/crlf.in"
    status=0
    run_wine "$WORK/crlf.in" "$WORK/wine-crlf.out" || status=$?
    compare "Wine, CR LF input" "$status" "$WORK/wine-crlf.out"
    status=0
    run_linux "$WORK/crlf.in" "$WORK/linux-crlf.out" || status=$?
    compare "Linux, CR LF input" "$status" "$WORK/linux-crlf.out"
    echo "$name: $(wc -l <"$WORK/linux.out") lines, exit status $linux_status;" \
         "under Wine $(grep -c $'\r$' "$WORK/wine.out.raw" || true) of them end in CR LF"
}

echo "== sessions, Linux against Wine"
seconds=$SECONDS
for session in "$SOURCE_DIR"/tests/sessions/*.in "$SOURCE_DIR/bench/games.txt"; do
    # Ctrl-Z ends the input of a Windows program reading in text mode, as
    # it does typed on a Windows console: such a session is left out.
    if LC_ALL=C grep -q $'\x1a' "$session"; then
        echo "${session#"$SOURCE_DIR"/}: left out, it holds a Ctrl-Z (end of input on Windows)"
        continue
    fi
    check "${session#"$SOURCE_DIR"/}" "$session"
done
echo "compared in $((SECONDS - seconds)) s"
[ "$failures" -eq 0 ] || fail "$failures runs differed"
echo "== chess.exe passed every check"
