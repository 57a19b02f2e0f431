#!/usr/bin/env bash
# Plays this chess program against fairymax inside the real xboard GUI, in
# match mode, on a virtual X display (Xvfb), and checks the outcome.
#
# Usage: tests/xboard/run_match.sh PATH_TO_CHESS_BINARY [OUTDIR]
#
#   PATH_TO_CHESS_BINARY  our program (e.g. build/chess); it is xboard's FIRST
#                         engine, fairymax is the SECOND engine.
#   OUTDIR                where games.pgn, xboard.debug and the other logs go
#                         (default: a new directory under ${TMPDIR:-/tmp}).
#
# Environment:
#   MATCH_GAMES   number of games, even and >= 2 (default 2). xboard alternates
#                 colours between the games of a match, so with 2 games our
#                 program plays White once and Black once, in one process.
#   MATCH_TIME_LIMIT  seconds before the whole match counts as hung
#                 (default 60 + 270 per game, i.e. 600 s for 2 games).
#
# Exit status: 0 = every game finished properly; 1 = the match failed (hang,
# crash, illegal move, forfeit, time loss, error output, unexpected result);
# 2 = bad usage or a missing tool (apt-get install -y xboard fairymax xvfb).
#
# Every process this script starts (Xvfb, timeout+xboard, and the engines that
# xboard starts) is ended by its PID when the script exits, whatever happens.

set -u
export LC_ALL=C

die_usage() { echo "run_match.sh: $*" >&2; exit 2; }

[ $# -ge 1 ] && [ $# -le 2 ] || die_usage "usage: $0 PATH_TO_CHESS_BINARY [OUTDIR]"
ENGINE_ARG=$1
[ -f "$ENGINE_ARG" ] && [ -x "$ENGINE_ARG" ] || die_usage "not an executable file: $ENGINE_ARG"
ENGINE=$(cd "$(dirname "$ENGINE_ARG")" && pwd)/$(basename "$ENGINE_ARG")

GAMES=${MATCH_GAMES:-2}
case $GAMES in ''|*[!0-9]*) die_usage "MATCH_GAMES must be a number" ;; esac
GAMES=$((10#$GAMES))
if [ "$GAMES" -lt 2 ] || [ $((GAMES % 2)) -ne 0 ]; then
    die_usage "MATCH_GAMES must be even and at least 2 (got $GAMES)"
fi

# Debian installs xboard and fairymax in /usr/games.
export PATH="$PATH:/usr/games"
missing=""
for tool in Xvfb xboard fairymax timeout pgrep awk; do
    command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
done
[ -z "$missing" ] || die_usage "missing tool(s):$missing (apt-get install -y xboard fairymax xvfb)"
FAIRYMAX=$(command -v fairymax)

# --- time limits ---------------------------------------------------------
# Per game: ~10 s while xboard waits for feature replies that never come
# (our program sends none), ~10 s match pause between games, fairymax's own
# clock (15 s per 40 moves, at most 80 moves before the long-game draw), and
# a generous share for our program (about 2.5 s per move on average, although
# it normally answers in well under a second). A hang ends up here; the
# clocks themselves are never the thing under test.
PER_GAME=270
BOUND=$((60 + PER_GAME * GAMES))        # 600 s for the default 2 games
if [ -n "${MATCH_TIME_LIMIT:-}" ]; then
    case $MATCH_TIME_LIMIT in *[!0-9]*) die_usage "MATCH_TIME_LIMIT must be a number of seconds" ;; esac
    BOUND=$((10#$MATCH_TIME_LIMIT))
    [ "$BOUND" -ge 1 ] || die_usage "MATCH_TIME_LIMIT must be at least 1"
fi
HARD_DEADLINE=$((BOUND + 30))           # the script's own last resort

# --- output and private working directories --------------------------------
if [ $# -ge 2 ]; then
    OUTDIR=$2
    mkdir -p "$OUTDIR" || die_usage "cannot create $OUTDIR"
else
    OUTDIR=$(mktemp -d "${TMPDIR:-/tmp}/chess-xboard-match.XXXXXX") || die_usage "mktemp failed"
fi
OUTDIR=$(cd "$OUTDIR" && pwd)
PGN=$OUTDIR/games.pgn
DEBUG=$OUTDIR/xboard.debug
SUMMARY=$OUTDIR/summary.txt
# xboard appends to the game file: start from nothing.
rm -f "$PGN" "$DEBUG" "$SUMMARY" "$OUTDIR/xboard.stdout" "$OUTDIR/xboard.stderr" \
      "$OUTDIR/xvfb.log" "$OUTDIR/first-engine.log"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/xboard-match-work.XXXXXX") || die_usage "mktemp failed"
mkdir -p "$WORK/home"        # private HOME: no ~/.xboardrc is read or written

XVFB_PID=""
XB_PID=""
XB_PGID=""
declare -A TRACKED=()        # pid -> start time, for everything xboard started

# Start time of a process (field 22 of /proc/PID/stat), to avoid killing a
# recycled PID.
proc_start() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    set -- $stat
    echo "${20}"
}

# Remember every descendant of $1 (xboard's engines, sound players, ...).
track_descendants() {
    local kid st
    for kid in $(pgrep -P "$1" 2>/dev/null); do
        if [ -z "${TRACKED[$kid]+x}" ]; then
            st=$(proc_start "$kid") && TRACKED[$kid]=$st
        fi
        track_descendants "$kid"
    done
}

kill_tracked() {            # $1 = signal
    local pid st
    for pid in "${!TRACKED[@]}"; do
        st=$(proc_start "$pid") || continue
        [ "$st" = "${TRACKED[$pid]}" ] && kill "-$1" "$pid" 2>/dev/null
    done
}

any_tracked_alive() {
    local pid st
    for pid in "${!TRACKED[@]}"; do
        st=$(proc_start "$pid") || continue
        [ "$st" = "${TRACKED[$pid]}" ] && return 0
    done
    return 1
}

alive() {                    # running and not a zombie
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [ "${stat%% *}" != Z ]
}

stop_xboard() {
    if [ -n "$XB_PID" ]; then
        track_descendants "$XB_PID"
        # timeout(1) made itself a process group leader; xboard and the
        # engines are in that group.
        [ -n "$XB_PGID" ] && kill -TERM -- "-$XB_PGID" 2>/dev/null
        kill -TERM "$XB_PID" 2>/dev/null
        kill_tracked TERM
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            alive "$XB_PID" || any_tracked_alive || break
            sleep 0.3
        done
        [ -n "$XB_PGID" ] && kill -KILL -- "-$XB_PGID" 2>/dev/null
        kill -KILL "$XB_PID" 2>/dev/null
        kill_tracked KILL
        wait "$XB_PID" 2>/dev/null
        XB_PID=""
    fi
}

cleanup() {
    local rc=$?
    trap - EXIT INT TERM HUP
    stop_xboard
    if [ -n "$XVFB_PID" ]; then
        kill -TERM "$XVFB_PID" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            alive "$XVFB_PID" || break
            sleep 0.2
        done
        kill -KILL "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    rm -rf "$WORK"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

say() { echo "$*" | tee -a "$SUMMARY"; }

# --- virtual display -------------------------------------------------------
DISPLAY_NUM=""
for n in $(seq 99 -1 60); do
    [ -e "/tmp/.X$n-lock" ] && continue
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    rm -f "$WORK/displayfd"
    # -displayfd: Xvfb writes the display number there once it accepts clients.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset -displayfd 3 \
        3>"$WORK/displayfd" >>"$OUTDIR/xvfb.log" 2>&1 </dev/null &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
        [ -s "$WORK/displayfd" ] && break
        alive "$XVFB_PID" || break
        sleep 0.1
    done
    if [ -s "$WORK/displayfd" ] && alive "$XVFB_PID"; then
        DISPLAY_NUM=$n
        break
    fi
    kill -KILL "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
done
if [ -z "$DISPLAY_NUM" ]; then
    echo "run_match.sh: could not start Xvfb on any display :99..:60 (see $OUTDIR/xvfb.log)" >&2
    exit 2
fi

# --- xboard ---------------------------------------------------------------
OUR_NAME=$(basename "$ENGINE")
FIRST_CMD=$ENGINE
case $ENGINE in
    *[[:space:]\'\"\\]*)  # xboard splits the engine command at blanks
        ln -s "$ENGINE" "$WORK/engine" && FIRST_CMD=$WORK/engine ;;
esac

XB_ARGS=(
    -fcp "$FIRST_CMD" -fn "$OUR_NAME"
    -scp "$FAIRYMAX"
    -matchGames "$GAMES"
    # 40 moves in 5 minutes. fairymax gets 1/20 of that (15 s per 40 moves)
    # so that it moves fast; our program keeps the full 5 minutes.
    -tc 5 -mps 40 -secondTimeOdds 20
    # A hung engine loses on time instead of stalling the match.
    -autoCallFlag true
    # Every game ends in bounded time: our program never claims draws.
    -adjudicateDrawMoves 80 -ruleMoves 50 -repeatsToDraw 3
    -materialDraws true -trivialDraws true
    -checkMates true -testClaims true
    -saveGameFile "$PGN"
    -debugMode true -nameOfDebugFile "$DEBUG"
    # Print the end-of-match message and exit instead of waiting on a dialog.
    -popupExitMessage false -popupMoveErrors false
    -saveSettingsOnExit false
    -soundProgram ""
)
{
    echo "display :$DISPLAY_NUM, time bound ${BOUND}s for $GAMES games"
    printf 'xboard'
    printf ' %q' "${XB_ARGS[@]}"
    echo
} > "$OUTDIR/command.txt"

echo "run_match.sh: $GAMES games, $OUR_NAME (first) vs fairymax (second), display :$DISPLAY_NUM, limit ${BOUND}s"
echo "run_match.sh: logs in $OUTDIR"

START=$SECONDS
(
    cd "$WORK" || exit 2
    export HOME="$WORK/home" DISPLAY=":$DISPLAY_NUM"
    unset XAUTHORITY
    exec timeout -k 10 "$BOUND" xboard "${XB_ARGS[@]}" \
        >"$OUTDIR/xboard.stdout" 2>"$OUTDIR/xboard.stderr" </dev/null
) &
XB_PID=$!
sleep 0.2
pg=$(ps -o pgid= -p "$XB_PID" 2>/dev/null | tr -d ' ')
if [ -n "$pg" ] && [ "$pg" = "$XB_PID" ] && [ "$pg" != "$(ps -o pgid= -p $$ | tr -d ' ')" ]; then
    XB_PGID=$pg
fi

# Our program is the child of xboard that runs $FIRST_CMD.
find_first_engine() {
    local xb kid
    for xb in $(pgrep -P "$XB_PID" 2>/dev/null); do     # timeout -> xboard
        for kid in $(pgrep -P "$xb" 2>/dev/null); do
            # (for a script, its path is an argument of the interpreter)
            if tr '\0' '\n' < "/proc/$kid/cmdline" 2>/dev/null | grep -q -x -F -- "$FIRST_CMD"; then
                echo "$kid"
                return 0
            fi
        done
    done
    return 1
}

# "running", "gone", or "exited CODE" (a zombie's wait status, /proc stat field 52)
engine_state() {
    local stat
    stat=$(cat "/proc/$ENGINE_PID/stat" 2>/dev/null) || { echo gone; return; }
    stat=${stat##*) }
    set -- $stat
    [ "${20}" = "$ENGINE_START" ] || { echo gone; return; }
    if [ "$1" = Z ]; then echo "exited ${50:-?}"; else echo running; fi
}

describe_exit() {
    local code=$1 sig
    case $code in ''|*[!0-9]*) echo "ended (status unknown)"; return ;; esac
    sig=$((code & 127))
    if [ "$sig" -ne 0 ]; then
        echo "was killed by signal $sig (SIG$(kill -l "$sig" 2>/dev/null))$( [ $((code & 128)) -ne 0 ] && echo ', core dumped')"
    else
        echo "exited with status $(((code >> 8) & 255))"
    fi
}

HARD_TIMEOUT=0
ENGINE_PID=""
ENGINE_START=""
ENGINE_GONE_AT=""
ENGINE_DIED=""
while alive "$XB_PID"; do
    track_descendants "$XB_PID"
    if [ -z "$ENGINE_PID" ]; then
        ENGINE_PID=$(find_first_engine) && ENGINE_START=$(proc_start "$ENGINE_PID") || ENGINE_PID=""
    elif [ -z "$ENGINE_GONE_AT" ]; then
        st=$(engine_state)
        if [ "$st" != running ]; then
            ENGINE_GONE_AT=$SECONDS
            ENGINE_EXIT=$(describe_exit "${st#exited }")
        fi
    elif [ $((SECONDS - ENGINE_GONE_AT)) -ge 5 ] &&
         ! grep -q -E '^[0-9]+ >first : quit' "$DEBUG" 2>/dev/null; then
        # xboard itself may take minutes to notice (it waits for the clock),
        # so stop the match now.
        ENGINE_DIED="our program (pid $ENGINE_PID) $ENGINE_EXIT in the middle of the match"
        break
    fi
    if [ $((SECONDS - START)) -gt "$HARD_DEADLINE" ]; then
        HARD_TIMEOUT=1
        break
    fi
    sleep 1
done
if [ "$HARD_TIMEOUT" = 1 ] || [ -n "$ENGINE_DIED" ]; then
    XB_RC=124
    [ -n "$ENGINE_DIED" ] && XB_RC=stopped
    stop_xboard
else
    wait "$XB_PID"
    XB_RC=$?
    XB_PID=""
    kill_tracked TERM         # an engine xboard failed to stop, if any
fi
ELAPSED=$((SECONDS - START))

# ===========================================================================
# Checks
# ===========================================================================
FAILURES=0
fail() { FAILURES=$((FAILURES + 1)); say "FAIL: $*"; }
quote() { sed -n "$1" | head -n "${2:-10}" | sed 's/^/    | /' | tee -a "$SUMMARY"; }

say "== xboard match: $OUR_NAME vs fairymax, $GAMES games, ${ELAPSED}s (limit ${BOUND}s)"

[ -z "$ENGINE_PID" ] && fail "could not find our program among xboard's child processes"
if [ -n "$ENGINE_DIED" ]; then
    fail "$ENGINE_DIED; xboard was stopped"
elif [ "$XB_RC" = 124 ] || [ "$XB_RC" = 137 ]; then
    fail "the match did not finish within ${BOUND}s (xboard was stopped)"
elif [ "$XB_RC" != 0 ]; then
    fail "xboard exited with status $XB_RC"
fi

touch "$DEBUG" "$PGN"
[ -s "$DEBUG" ] || fail "xboard wrote no debug log ($DEBUG)"

# --- the debug log -----------------------------------------------------------
# Lines from our program look like "1234 <first : move e7e5"; lines xboard
# sends it look like "1234 >first : e2e4".
grep -E '^[0-9]+ [<>]first : ' "$DEBUG" > "$OUTDIR/first-engine.log"

# fairymax's "feature option=..." lines name options like "Resign"; skip them.
grep -n -v -E '^[0-9]+ [<>](first |second): (feature|accepted) ' "$DEBUG" > "$WORK/debug.filtered"
check_log() {               # $1 = label, $2 = extended regex (case-insensitive)
    if grep -i -E "$2" "$WORK/debug.filtered" > "$WORK/hits"; then
        fail "$1 ($(wc -l < "$WORK/hits") line(s) in xboard.debug):"
        quote 1,8p < "$WORK/hits"
    fi
}
check_log "illegal move reported" 'illegal'
check_log "forfeit" 'forfeit'
check_log "engine crashed or exited" 'exited unexpectedly|terminated|crashed|broken pipe|segmentation fault|core dumped|error (writing to|reading from)'
check_log "loss on time" 'flags? fell|\bon time\b|time forfeit'
check_log "false claim by an engine" 'false [a-z-]* ?claim'
check_log "resignation" '\bresign'
if grep -n -E '^[0-9]+ <first : .*([Ee]rror|ERROR)' "$DEBUG" > "$WORK/hits"; then
    fail "our program printed error lines:"
    quote 1,8p < "$WORK/hits"
fi
if grep -n -E '^[^0-9].*([Ee]rror|ERROR)' "$DEBUG" > "$WORK/hits"; then
    fail "xboard reported errors:"
    quote 1,8p < "$WORK/hits"
fi
if grep -v -E 'Error \(unknown command\)' "$DEBUG" | grep -n -E '^[0-9]+ <second: .*([Ee]rror|ERROR)' > "$WORK/hits"; then
    fail "fairymax reported errors:"
    quote 1,8p < "$WORK/hits"
fi

# The "ALSA"/sound noise some systems print is harmless; anything about the
# engines in xboard's stderr is not.
if grep -i -E 'exited unexpectedly|illegal|forfeit|error:' "$OUTDIR/xboard.stderr" \
        | grep -v -E '^ALSA|aplay' > "$WORK/hits"; then
    fail "xboard's stderr reports problems:"
    quote 1,8p < "$WORK/hits"
fi

starts=$(grep -c -F "StartChildProcess (dir=\".\") $FIRST_CMD" "$DEBUG")
if [ "$starts" != 1 ]; then
    fail "xboard started our program $starts time(s); expected exactly once for the whole match"
fi

# --- the games -------------------------------------------------------------
# One record per game: index|White|Black|Result|termination comment|moves
awk -v OFS='|' '
    function flush() {
        if (!n) return
        text = moves
        gsub(/[ \t\r]+/, " ", text)
        reason = ""; tail = text
        if (match(text, /\{[^{}]*\} *(1-0|0-1|1\/2-1\/2|\*) *$/)) {
            tail = substr(text, RSTART)
            reason = tail; sub(/^\{/, "", reason); sub(/\} *(1-0|0-1|1\/2-1\/2|\*) *$/, "", reason)
        }
        # full moves: count "N." move numbers
        cnt = 0; t = text
        gsub(/\{[^{}]*\}/, "", t)
        while (match(t, /(^| )[0-9]+\. *[^ .]/)) { cnt++; t = substr(t, RSTART + RLENGTH) }
        print n, white, black, result, reason, cnt
    }
    /^\[Event / { flush(); n++; moves = ""; white = black = result = "" }
    /^\[White "/ { white = $0; sub(/^\[White "/, "", white); sub(/"\]$/, "", white) }
    /^\[Black "/ { black = $0; sub(/^\[Black "/, "", black); sub(/"\]$/, "", black) }
    /^\[Result "/ { result = $0; sub(/^\[Result "/, "", result); sub(/"\]$/, "", result) }
    /^[^[]/ { moves = moves " " $0 }
    END { flush() }
' "$PGN" > "$WORK/games"

ngames=$(wc -l < "$WORK/games")
[ "$ngames" = "$GAMES" ] || fail "games.pgn holds $ngames game(s); expected $GAMES finished ones"

# Per-game timing and our program's moves, from the debug log: a game starts
# at "New game (k)" and ends when xboard sends "result" to the engines.
awk '
    /^New game \(/ { g = $0; sub(/^New game \(/, "", g); sub(/\).*/, "", g); g += 0; want_start = 1; next }
    /^[0-9]+ / {
        if (g && want_start) { start[g] = $1; want_start = 0 }
        if (g && !(g in stop) && $0 ~ /^[0-9]+ >(first |second): result /) stop[g] = $1
        if (g && $0 ~ /^[0-9]+ <first : move /) ours[g]++
        last = $1
    }
    END {
        for (i = 1; i <= g; i++) {
            e = (i in stop) ? stop[i] : last
            printf "%d %.1f %d %s\n", i, (e - start[i]) / 1000.0, ours[i] + 0, (i in stop) ? "ended" : "unfinished"
        }
    }
' "$DEBUG" > "$WORK/timing"

white_games=0; black_games=0
ALLOWED_DRAW='^(Stalemate|Draw by repetition|Draw by fifty move rule|Draw claim: (3-fold repetition|50-move rule|insufficient mating material)|X[Bb]oard adjudication: (Stalemate|long game|50-move rule|Insufficient mating material|Trivial draw|repetition|repetition draw|3-fold repetition))$'
ALLOWED_WIN='^(White mates|Black mates|X[Bb]oard adjudication: Checkmate)$'

say ""
say "== games"
while IFS='|' read -r idx white black result reason nmoves; do
    dur="?"; ours="?"
    read -r _ dur ours _ < <(awk -v i="$idx" '$1 == i' "$WORK/timing")
    say "game $idx: White=$white Black=$black  $result {$reason}  $nmoves moves, ${dur}s, $ours moves by $OUR_NAME"

    if [ "$white" = "$OUR_NAME" ]; then white_games=$((white_games + 1))
    elif [ "$black" = "$OUR_NAME" ]; then black_games=$((black_games + 1))
    else fail "game $idx: $OUR_NAME did not play in it"; fi

    case $result in
        1/2-1/2)
            echo "$reason" | grep -q -E "$ALLOWED_DRAW" \
                || fail "game $idx: draw for an unexpected reason: {$reason}" ;;
        1-0|0-1)
            if ! echo "$reason" | grep -q -E "$ALLOWED_WIN"; then
                fail "game $idx: decided by something other than checkmate: $result {$reason}"
            elif { [ "$reason" = "White mates" ] && [ "$result" != 1-0 ]; } ||
                 { [ "$reason" = "Black mates" ] && [ "$result" != 0-1 ]; }; then
                fail "game $idx: result $result does not match {$reason}"
            fi ;;
        *) fail "game $idx: no proper result: '$result' {$reason}" ;;
    esac
    if [ "$ours" = 0 ]; then
        fail "game $idx: $OUR_NAME made no move"
    fi
done < "$WORK/games"

if [ "$ngames" -gt 0 ]; then
    [ "$white_games" -ge 1 ] || fail "$OUR_NAME never played White"
    [ "$black_games" -ge 1 ] || fail "$OUR_NAME never played Black"
fi
awk '$4 == "unfinished" { print "game " $1 " did not finish (" $2 "s so far)" }' "$WORK/timing" |
    while read -r line; do say "$line"; done

say ""
say "== result lines in games.pgn"
grep -n -E '^\[Result |\{[^{}]*\} *(1-0|0-1|1/2-1/2|\*) *$' "$PGN" | tee -a "$SUMMARY"
grep -h -E 'final score' "$OUTDIR/xboard.stderr" | tee -a "$SUMMARY"

say ""
say "== what xboard sent to $OUR_NAME besides moves, time and otim (one line per stage)"
awk '
    /^New game \(/ { flushline(); stage = $0; sub(/ *:.*/, "", stage); next }
    /^[0-9]+ >first : / {
        cmd = $0; sub(/^[0-9]+ >first : /, "", cmd); sending = 1
        if (cmd ~ /^(time|otim) / || cmd ~ /^[a-h][1-8][a-h][1-8][qrbn]?$/) next
        line = line (line == "" ? "" : ", ") cmd; next
    }
    /^Interrupting first/ { sigint++; next }
    /^[a-z0-9 ]+$/ && sending { line = line ", " $0; next }   # rest of a multi-line send
    { sending = 0 }
    function flushline() {
        if (line != "") print (stage == "" ? "start-up" : stage) ": " line
        if (sigint) print "    (xboard also sent it SIGINT " sigint " time(s), as it does before passing on a move or a result)"
        line = ""; sigint = 0
    }
    END { flushline() }
' "$DEBUG" | tee -a "$SUMMARY"
other=$(grep -E '^[0-9]+ <first : ' "$DEBUG" | grep -v -E '<first : move [a-h][1-8][a-h][1-8][qrbn]?$' | sed 's/^[0-9]* <first : //' | sort | uniq -c | sort -rn | head -n 8)
if [ -n "$other" ]; then
    say "lines from $OUR_NAME other than moves (count, text):"
    echo "$other" | sed 's/^/    /' | tee -a "$SUMMARY"
fi

# Our program ignores "force", so when xboard ends a game right after passing
# it the opponent's move, it still answers; xboard takes that move back with
# "undo" and starts the next game with "new". Worth a note, not a failure.
if grep -E 'Undoing extra move from first|Ignoring (move out of turn|extra move) (by|from) first' "$DEBUG" > "$WORK/hits"; then
    say "note: $OUR_NAME moved after xboard had ended the game or put it in force mode ($(wc -l < "$WORK/hits") time(s)):"
    sed 's/^/    | /' "$WORK/hits" | head -n 5 | tee -a "$SUMMARY"
fi

say ""
if [ "$FAILURES" -eq 0 ]; then
    say "PASS: $GAMES games in ${ELAPSED}s; $OUR_NAME played White $white_games time(s) and Black $black_games time(s). Logs: $OUTDIR"
    exit 0
fi
say "FAILED: $FAILURES problem(s). Logs: $OUTDIR (xboard.debug, games.pgn, summary.txt)"
exit 1
