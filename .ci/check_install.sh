#!/usr/bin/env bash
# Checks the installed program, not just the built one: installs a build
# into a staging directory, plays a protocol session with the installed
# program, renders its manual page, checks xboard's plugin file, builds the
# Debian package, runs the xboard match against the staged program, and
# builds once more from scratch without GoogleTest.
#
# Usage: .ci/check_install.sh BUILD_DIR
#   BUILD_DIR  configured with default options from this source tree and built.
# Needs: cmake/cpack, dpkg-deb, man (man-db), and for the match xboard,
# fairymax and xvfb (see tests/xboard/README.md).
set -euo pipefail
export LC_ALL=C

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
SOURCE_DIR=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(cd "$1" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/chess-check-install.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
STAGE=$WORK/stage
fail() { echo "check_install.sh: $*" >&2; exit 1; }

echo "== install into a staging directory (DESTDIR=$STAGE, prefix /usr)"
DESTDIR=$STAGE cmake --install "$BUILD_DIR" --prefix /usr
# The plugin file names the program by the path it has once installed.
PLUGIN=$STAGE/usr/share/games/plugins/xboard/chess.eng
MANPAGE=$STAGE/usr/share/man/man6/chess.6
[ -f "$PLUGIN" ] || fail "no plugin file $PLUGIN"
[ -f "$MANPAGE" ] || fail "no manual page $MANPAGE"
COMMAND=$(sed -n 2p "$PLUGIN")
PROGRAM=$STAGE$COMMAND
[ -x "$PROGRAM" ] || fail "the plugin file names $COMMAND, which was not installed"
echo "installed program: $COMMAND"

echo "== the installed program plays a protocol session"
status=0
output=$(printf 'xboard\nnew\ne2e4\nquit\n' | "$PROGRAM") || status=$?
printf '%s\n' "$output"
[ "$status" -eq 0 ] || fail "exit status $status after quit"
grep -q '^move [a-h][1-8][a-h][1-8]$' <<<"$output" || fail "no move line in the session"
status=0
output=$(printf 'Ann\nW\ne2\ne4\n' | "$PROGRAM") || status=$?
[ "$status" -eq 0 ] || fail "exit status $status at the end of input in a console game"
grep -q "Yep, that's legal!" <<<"$output" || fail "the console game took no move"

echo "== the manual page renders"
MANWIDTH=80 man -P cat -l "$MANPAGE" >"$WORK/man.txt" 2>"$WORK/man.err" || fail "man -l failed: $(cat "$WORK/man.err")"
[ ! -s "$WORK/man.err" ] || fail "man -l complained: $(cat "$WORK/man.err")"
for words in 'chess - a small console chess program' 'Hello, please enter your name:' 'ENGINE MODE' \
             'xboard -fcp /usr/bin/chess -firstProtocolVersion 1' 'GRAPHICAL BOARDS' 'EXIT STATUS'; do
    grep -q -F -- "$words" "$WORK/man.txt" || fail "the manual page lacks \"$words\""
done
echo "$(wc -l <"$WORK/man.txt") lines rendered"

echo "== the xboard plugin file"
cat "$PLUGIN"
[ "$(sed -n 1p "$PLUGIN")" = "plugin spec 0.0" ] || fail "line 1 of the plugin file is not 'plugin spec 0.0'"
case $COMMAND in /usr/*) ;; *) fail "the plugin file's command $COMMAND is not below the prefix /usr" ;; esac
[ "$(sed -n 3p "$PLUGIN")" = "normal" ] || fail "line 3 of the plugin file is not 'normal'"

echo "== the Debian package"
(cd "$BUILD_DIR" && cpack -G DEB -B "$WORK/package") >"$WORK/cpack.log" 2>&1 || { cat "$WORK/cpack.log"; fail "cpack failed"; }
DEB=$(ls "$WORK"/package/*.deb)
dpkg-deb -I "$DEB" | sed -n '/Package:/p;/Section:/p;/Depends:/p'
dpkg-deb -c "$DEB" | tee "$WORK/contents.txt"
for path in ".$COMMAND" ./usr/share/man/man6/chess.6 ./usr/share/games/plugins/xboard/chess.eng; do
    grep -q -F " $path" "$WORK/contents.txt" || fail "the package lacks $path"
done
[ "$(dpkg-deb -f "$DEB" Section)" = games ] || fail "the package is not in section games"

echo "== the xboard match against the installed program"
"$SOURCE_DIR/tests/xboard/run_match.sh" "$PROGRAM" "$WORK/match"

echo "== a fresh build without GoogleTest"
cmake -S "$SOURCE_DIR" -B "$WORK/no-gtest" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >"$WORK/no-gtest.log" 2>&1 \
    || { cat "$WORK/no-gtest.log"; fail "configuring without GoogleTest failed"; }
grep -F 'left out' "$WORK/no-gtest.log" || true
cmake --build "$WORK/no-gtest" -j2 >>"$WORK/no-gtest.log" 2>&1 \
    || { tail -n 30 "$WORK/no-gtest.log"; fail "building without GoogleTest failed"; }
output=$(printf 'xboard\nnew\ne2e4\nquit\n' | "$WORK/no-gtest/chess") || fail "the program built without GoogleTest failed"
grep -q '^move ' <<<"$output" || fail "the program built without GoogleTest made no move"
echo "built and played: $(grep '^move ' <<<"$output")"

echo "== the installed program passed every check"
