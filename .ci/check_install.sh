#!/usr/bin/env bash
# Checks the installed program, not just the built one: installs a build
# into a staging directory, plays a protocol session with the installed
# program, renders its manual page, checks xboard's plugin file (dated at
# installation), the licence and the changelog, builds the Debian package
# and checks its contents, runs the xboard match against the staged
# program, and builds once more from scratch without GoogleTest.
#
# Usage: .ci/check_install.sh BUILD_DIR
#   BUILD_DIR  configured with default options from this source tree and built.
# Needs: cmake/cpack, dpkg-deb, man (man-db), and for the match xboard,
# fairymax and xvfb (see tests/boards/README.md).
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
MANPAGE=$STAGE/usr/share/man/man6/chess.6.gz
DOCS=$STAGE/usr/share/doc/chess
[ -f "$PLUGIN" ] || fail "no plugin file $PLUGIN"
[ -f "$MANPAGE" ] || fail "no manual page $MANPAGE"
gzip -t "$MANPAGE" || fail "the manual page is not gzip-compressed"
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
MANWIDTH=80 man -P cat -l "$MANPAGE" >"$WORK/man.raw" 2>"$WORK/man.err" || fail "man -l failed: $(cat "$WORK/man.err")"
[ ! -s "$WORK/man.err" ] || fail "man -l complained: $(cat "$WORK/man.err")"
# Justified lines have runs of blanks between words: one each, for the search.
tr -s ' ' <"$WORK/man.raw" >"$WORK/man.txt"
for words in 'chess - a small console chess program' 'Hello, please enter your name:' 'ENGINE MODE' \
             'The xboard protocol' 'id name chess' 'EXIT STATUS'; do
    grep -q -F -- "$words" "$WORK/man.txt" || fail "the manual page lacks \"$words\""
done
echo "$(wc -l <"$WORK/man.txt") lines rendered"

echo "== the xboard plugin file"
cat "$PLUGIN"
[ "$(sed -n 1p "$PLUGIN")" = "plugin spec 0.0" ] || fail "line 1 of the plugin file is not 'plugin spec 0.0'"
case $COMMAND in /usr/*) ;; *) fail "the plugin file's command $COMMAND is not below the prefix /usr" ;; esac
# pychess reads only plugin files whose variants line starts with "chess".
[ "$(sed -n 3p "$PLUGIN")" = "chess" ] || fail "line 3 of the plugin file is not 'chess'"
# xboard adds the engine only if the file is newer than the user's settings:
# installed again, it carries the new install's time, not the build's.
touch "$WORK/before-reinstall"
DESTDIR=$WORK/stage-again cmake --install "$BUILD_DIR" --prefix /usr >/dev/null
[ -n "$(find "$WORK/stage-again${PLUGIN#"$STAGE"}" -newer "$WORK/before-reinstall")" ] \
    || fail "the plugin file installed again is older than the install"
echo "installed again: the plugin file carries the install's time"
# The same file in the uci folder offers the UCI form in xboard's list.
cmp -s "$PLUGIN" "$STAGE/usr/share/games/plugins/uci/chess.eng" || fail "no uci plugin file like the xboard one"

echo "== the licence and the changelog"
grep -q -x 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$DOCS/copyright" \
    || fail "$DOCS/copyright is not in Debian's machine-readable format"
grep -q -x 'License: Expat' "$DOCS/copyright" || fail "$DOCS/copyright names no MIT (Expat) licence"
grep -q -F ' Permission is hereby granted, free of charge' "$DOCS/copyright" || fail "$DOCS/copyright lacks the terms"
zcat "$DOCS/changelog.gz" | head -n 1

echo "== the Debian package"
(cd "$BUILD_DIR" && cpack -G DEB -B "$WORK/package") >"$WORK/cpack.log" 2>&1 || { cat "$WORK/cpack.log"; fail "cpack failed"; }
DEB=$(ls "$WORK"/package/*.deb)
dpkg-deb -I "$DEB" | sed -n '/Package:/p;/Section:/p;/Depends:/p'
dpkg-deb -c "$DEB" | tee "$WORK/contents.txt"
for path in ./usr/games/chess ./usr/share/man/man6/chess.6.gz ./usr/share/games/plugins/xboard/chess.eng \
            ./usr/share/games/plugins/uci/chess.eng ./usr/share/doc/chess/copyright ./usr/share/doc/chess/changelog.gz; do
    grep -q -F " $path" "$WORK/contents.txt" || fail "the package lacks $path"
done
[ "$(dpkg-deb -f "$DEB" Section)" = games ] || fail "the package is not in section games"
case $(dpkg-deb -f "$DEB" Maintainer) in *@localhost*|"") fail "the package's maintainer has no real address" ;; esac
package_command=$(dpkg-deb --fsys-tarfile "$DEB" | tar -xO ./usr/share/games/plugins/xboard/chess.eng | sed -n 2p)
[ "$package_command" = /usr/games/chess ] || fail "the package's plugin file names $package_command"
# The package's files carry its build time; the postinst dates the plugin
# file at installation.
dpkg-deb -I "$DEB" postinst |
    grep -q -F 'touch /usr/share/games/plugins/xboard/chess.eng /usr/share/games/plugins/uci/chess.eng' \
    || fail "the package's postinst does not date the plugin files"

echo "== the xboard match against the installed program"
"$SOURCE_DIR/tests/boards/xboard_match.py" "$PROGRAM" "$WORK/match"

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
