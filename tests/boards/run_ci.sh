#!/usr/bin/env bash
# The CI-sized part of the board flows, about 100 s: the xboard flows named
# at the end, pychess's Add Engine checks and its list from the plugin
# folders (headless), and a game in xboard through polyglot (UCI).
#
# Usage: tests/boards/run_ci.sh BUILD_DIR [OUTDIR]
#   BUILD_DIR  the build folder (holds the program "chess"; `cmake --install`
#              is run from it into a private staging folder)
#   OUTDIR     where the logs go (default: a new folder under /tmp)
#
# Needs root: xboard's ~/.xboardrc (in root's home whatever HOME says) and
# /usr/local are private folders in a mount namespace of the run. Without
# root or a package it skips (exit 77), saying which. Each part has a hard
# time limit (BOARDS_CI_LIMIT seconds, default 240). Exit status 0 when
# every flow passed, 1 otherwise.
set -u
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [OUTDIR]" >&2; exit 2; }
build=$(cd "$1" && pwd) || exit 2
out=${2:-$(mktemp -d "${TMPDIR:-/tmp}/boards-ci.XXXXXX")}
mkdir -p "$out" && out=$(cd "$out" && pwd)
limit=${BOARDS_CI_LIMIT:-240}
export PATH="$PATH:/usr/games"

if [ "$(id -u)" -ne 0 ]; then
    echo "run_ci.sh: skipped: the board flows need root (a private mount namespace)" >&2
    exit 77
fi
if ! unshare -m true 2>/dev/null; then
    echo "run_ci.sh: skipped: no private mount namespace can be made here (in a chroot, / must be a mount point)" >&2
    exit 77
fi
missing=""
for tool in Xvfb:xvfb xboard:xboard fairymax:fairymax xdotool:xdotool xclip:xclip polyglot:polyglot \
            import:imagemagick pkill:procps cmake:cmake unshare:util-linux; do
    command -v "${tool%%:*}" >/dev/null 2>&1 || missing="$missing ${tool#*:}"
done
[ -f /usr/lib/python3/dist-packages/pychess/__init__.py ] || missing="$missing pychess"
if [ -n "$missing" ]; then
    echo "run_ci.sh: skipped: missing the packages$missing (tests/install_test_packages.sh installs them)" >&2
    exit 77
fi

# Should a script be killed before its clean-up, the sessions it started
# (listed by id and start time) are ended at exit.
export BOARDS_SESSION_FILE="$out/sessions"
: > "$BOARDS_SESSION_FILE"
end_sessions() {
    local sid start now
    while read -r sid start; do
        now=$(awk '{print $22}' "/proc/$sid/stat" 2>/dev/null) || continue
        [ "$now" = "$start" ] && pkill -KILL -s "$sid" 2>/dev/null
    done < "$BOARDS_SESSION_FILE"
}
trap end_sessions EXIT

status=0
run() {     # name, command...
    local name=$1 rc
    shift
    echo "== boards: $name"
    timeout -k 15 "$limit" "$@" 2>&1 | tee "$out/$name.log"
    rc=${PIPESTATUS[0]}
    [ "$rc" = 124 ] && echo "boards: $name passed its time limit of ${limit}s"
    [ "$rc" = 0 ] || status=1
}
run xboard /usr/bin/python3 "$here/xboard_flows.py" "$build" "$out" \
    --flows first_move,plugin,person_black,retract,edit_position_black,underpromotion,analysis
run pychess /usr/bin/python3 "$here/pychess_flows.py" "$build" "$out" --flows detect,plugin
run polyglot /usr/bin/python3 "$here/xboard_flows.py" "$build" "$out" --flows uci_game
echo "boards: logs in $out"
exit $status
