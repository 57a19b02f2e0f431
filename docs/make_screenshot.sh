#!/usr/bin/env bash
# Takes the picture docs/xboard.png: the program (first engine, White)
# plays fairymax in xboard's Two Machines mode on a virtual display, and the
# xboard window is captured after some moves.
#
# Usage: docs/make_screenshot.sh [PROGRAM [PNG]]
#   PROGRAM  the chess program (default: build/chess)
#   PNG      the picture to write (default: docs/xboard.png)
#   MOVES    environment: the program's moves before the capture (default 12)
#
# Needs the Debian packages xboard, fairymax, xvfb, xdotool and imagemagick:
#   apt-get install -y xboard fairymax xvfb xdotool imagemagick
set -euo pipefail
export LC_ALL=C PATH="$PATH:/usr/games"
cd "$(dirname "$0")/.."

PROGRAM=$(realpath "${1:-build/chess}")
PNG=$(realpath -m "${2:-docs/xboard.png}")
MOVES=${MOVES:-12}
for tool in Xvfb xboard fairymax xdotool import; do
    command -v "$tool" >/dev/null || {
        echo "make_screenshot.sh: $tool is missing (apt-get install -y xboard fairymax xvfb xdotool imagemagick)" >&2
        exit 2
    }
done
[ -x "$PROGRAM" ] || { echo "make_screenshot.sh: no program at $PROGRAM" >&2; exit 2; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/chess-screenshot.XXXXXX")
XVFB_PID=""
XBOARD_PID=""
cleanup() {
    if [ -n "$XBOARD_PID" ]; then
        for engine in $(pgrep -P "$XBOARD_PID" || true); do kill "$engine" 2>/dev/null || true; done
        kill "$XBOARD_PID" 2>/dev/null || true
        wait "$XBOARD_PID" 2>/dev/null || true
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

# A free display number; Xvfb writes it to fd 3 once it takes clients.
for n in $(seq 89 -1 60); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -displayfd 3 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
    [ -s "$WORK/display" ] && break
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
done
[ -n "$XVFB_PID" ] || { echo "make_screenshot.sh: could not start Xvfb" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$WORK/display")"

mkdir -p "$WORK/home"
(
    cd "$WORK"
    HOME="$WORK/home" exec xboard -fcp "$PROGRAM" -fn chess -firstProtocolVersion 1 \
        -scp fairymax -mode TwoMachines -tc 5 -mps 40 -secondTimeOdds 10 \
        -showCoords true -highlightLastMove true \
        -debugMode true -nameOfDebugFile "$WORK/debug" \
        -saveSettingsOnExit false -popupExitMessage false -soundProgram "" \
        >"$WORK/xboard.log" 2>&1 </dev/null
) &
XBOARD_PID=$!

# Wait for the program's moves (the game may end sooner).
for _ in $(seq 600); do
    moves=$(grep -c '<first : move' "$WORK/debug" 2>/dev/null || true)
    [ "${moves:-0}" -ge "$MOVES" ] && break
    grep -q 'GameEnds([1-9]' "$WORK/debug" 2>/dev/null && break
    kill -0 "$XBOARD_PID" 2>/dev/null || { echo "make_screenshot.sh: xboard ended" >&2; cat "$WORK/xboard.log" >&2; exit 1; }
    sleep 0.2
done
sleep 1.5    # fairymax's reply and the redraw
WINDOW=$(xdotool search --onlyvisible --pid "$XBOARD_PID" | tail -n 1) || true
[ -n "$WINDOW" ] || { echo "make_screenshot.sh: no xboard window" >&2; exit 1; }
import -window "$WINDOW" "$WORK/window.png"
# A palette of 192 colours keeps the board's look at a quarter of the size.
convert "$WORK/window.png" -strip +dither -colors 192 "PNG8:$PNG"
echo "make_screenshot.sh: $PNG after ${moves:-0} moves by the program:"
grep -E '(<first : move|<second: move)' "$WORK/debug" | awk '{print $NF}' | paste -s -d ' '
