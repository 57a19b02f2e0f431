#!/usr/bin/python3
"""The program against fairymax in the real xboard's match mode, on a
virtual display, and the outcome checked.

    tests/boards/xboard_match.py PROGRAM [OUTDIR]

PROGRAM is xboard's first engine (through tee_engine.py: OUTDIR/match.words),
fairymax the second; xboard alternates the colours, so the program plays
White and Black in one process. Environment: MATCH_GAMES (even, default 2),
MATCH_TIME_LIMIT (seconds, default 60 + 270 a game), MATCH_STALL (seconds
of silence in xboard's log that count as a hang, default 90),
MATCH_OPPONENT (the second engine's command, default fairymax).

Each problem found is the program's or the opponent's: the opponent's when
fairymax dies, stops answering, or loses a game other than by mate. Then the
match is played once more with new processes (OUTDIR/replay). Exit status:
0 when every game ended properly; 1 on a fault of the program or a second
fault of the opponent, saying which; 2 on bad usage or a missing tool.
"""
import os
import re
import shutil
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boardlib as bl  # noqa: E402

NAME = "chess"
PROGRAM, OPPONENT = "program", "opponent"
DRAWS = re.compile(r"^(Stalemate|Draw by repetition|Draw by fifty move rule|Draw claim: (3-fold repetition|"
                   r"50-move rule|insufficient mating material)|X[Bb]oard adjudication: (Stalemate|long game|"
                   r"50-move rule|Insufficient mating material|Trivial draw|repetition|repetition draw|"
                   r"3-fold repetition))$")
WINS = {"White mates": "1-0", "Black mates": "0-1", "Xboard adjudication: Checkmate": None,
        "XBoard adjudication: Checkmate": None}
# Lines of xboard's debug log that tell of a fault (fairymax's feature and
# accepted lines name options such as "Resign": they are left out).
FAULT_LINES = [("an illegal move", r"illegal"), ("a forfeit", r"forfeit"),
               ("an engine that crashed or exited", r"exited unexpectedly|terminated|crashed|broken pipe|"
                r"segmentation fault|core dumped|error (writing to|reading from)"),
               ("a loss on time", r"flags? fell|\bon time\b|time forfeit"),
               ("a false claim", r"false [a-z-]* ?claim"), ("a resignation", r"\bresign")]
ASKS = re.compile(r"^(go|ping \d+|usermove .*|[a-h][1-8][a-h][1-8][qrbn]?)$")
ANSWERS = re.compile(r"^(move |pong |Illegal move|resign|1-0|0-1|1/2-1/2)")


def games_of(pgn):
    """[{white, black, result, reason, moves}] from xboard's game file."""
    games = []
    for block in re.split(r"(?m)^(?=\[Event )", bl.read(pgn)):
        if not block.strip():
            continue
        tags = dict(re.findall(r'(?m)^\[(\w+) "(.*)"\]$', block))
        text = " ".join(line for line in block.splitlines() if not line.startswith("["))
        end = re.search(r"\{([^{}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*$", text)
        games.append({"white": tags.get("White", ""), "black": tags.get("Black", ""),
                      "result": tags.get("Result", ""), "reason": end.group(1) if end else "",
                      "moves": len(re.findall(r"(?:^|\s)\d+\.\s*[^\s.]", re.sub(r"\{[^{}]*\}", "", text)))})
    return games


def awaited(debug):
    """The engines ('first', 'second') that were sent a word asking for an
    answer (a move or a pong; thinking lines are none) and gave none."""
    last = {}
    for line in bl.read(debug).splitlines():
        m = re.match(r"^\d+ ([<>])(first|second)\s*: ?(.*)$", line)
        if m and m.group(1) == "<" and ANSWERS.match(m.group(3)):
            last[m.group(2)] = None
        elif m and m.group(1) == ">" and ASKS.match(m.group(3)):
            last[m.group(2)] = m.group(3)
    return [who for who, word in last.items() if word]


def play(procs, display, program, out, games, bound, stall):
    """One match; returns (the problems found as (whose, text), the summary)."""
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(os.path.join(out, "home"))
    debug, pgn, words = (os.path.join(out, f) for f in ("xboard.debug", "games.pgn", "match.words"))
    first = bl.make_engine_wrapper(os.path.join(out, NAME), program, words)
    args = ["xboard", "-fcp", first, "-fn", NAME, "-scp", os.environ.get("MATCH_OPPONENT", "fairymax"),
            "-matchGames", str(games),
            # 40 moves in 5 minutes; fairymax gets a twentieth (15 s) so that it
            # moves fast, and the program can lose on time only by hanging
            "-tc", "5", "-mps", "40", "-secondTimeOdds", "20", "-autoCallFlag", "true",
            # every game ends in bounded time: the program claims no draws
            "-adjudicateDrawMoves", "80", "-ruleMoves", "50", "-repeatsToDraw", "3", "-materialDraws", "true",
            "-trivialDraws", "true", "-checkMates", "true", "-testClaims", "true",
            "-saveGameFile", pgn, "-debugMode", "true", "-nameOfDebugFile", debug,
            "-popupExitMessage", "false", "-popupMoveErrors", "false", "-saveSettingsOnExit", "false",
            "-soundProgram", ""]
    started = time.time()
    xb = procs.spawn(args, os.path.join(out, "xboard.out"), cwd=out, env=display.env(HOME=os.path.join(out, "home")))
    found, died, stopped, heard = [], None, False, (0, started)
    def death():
        """How the program ended, when it ended before xboard sent quit."""
        events = bl.tee_words(words)
        exited = [e for e in events if e[1] == "#" and e[2].startswith("program exited")]
        if exited and not any(e[1] == ">" and e[2] == "quit" for e in events):
            code = int(exited[0][2].split()[-1])
            return "killed by signal %d" % -code if code < 0 else "exited with status %d" % code
        return None
    while xb.poll() is None:
        if death():
            died = died or time.time()
            if time.time() - died > 5:      # xboard may wait for the clock before it notices
                break
        size = os.path.getsize(debug) if os.path.exists(debug) else 0
        heard = (size, time.time()) if size != heard[0] else heard
        silent = time.time() - heard[1] > stall
        if silent or time.time() - started > bound:
            # a hang: whose it is, the engine that was asked and never answered
            stopped, late = True, awaited(debug)
            why = "nothing happened for %d s" % stall if silent else "the match did not finish within %d s" % bound
            found.append((PROGRAM if "first" in late or not late else OPPONENT, "%s (%s)" % (why, (
                "the program did not answer" if "first" in late else
                "the opponent did not answer" if late else "no engine was awaited"))))
            break
        time.sleep(1)
    dead = death()          # before xboard is ended, which ends the program too
    procs.end(xb)
    elapsed = time.time() - started
    if dead:
        found.append((PROGRAM, "the program %s in the middle of the match" % dead))

    played = games_of(pgn)

    def whose(game_index, line=""):
        """A line naming an engine is that engine's fault; a game's fault is
        its loser's (in the game file, or the winner a line names, not
        claims: the program plays White in the odd games)."""
        if "second" in line or "first" in line:
            return OPPONENT if "second" in line else PROGRAM
        g = played[game_index - 1] if 0 < game_index <= len(played) else None
        winner = None if "claim" in line else re.search(r"\b(White|Black) (wins|mates)", line)
        if winner:
            ours = ("white" if g["white"] == NAME else "black") if g else ("white" if game_index % 2 else "black")
            return PROGRAM if ours != winner.group(1).lower() else OPPONENT
        loser = g and {"1-0": g["black"], "0-1": g["white"]}.get(g["result"])
        return OPPONENT if loser and loser != NAME else PROGRAM

    game, seen = 0, set()
    xboard_out = [l for l in bl.read(os.path.join(out, "xboard.out")).splitlines()
                  if re.search(r"exited unexpectedly|illegal|forfeit|error:", l, re.I) and not re.match("ALSA|aplay", l)]
    found += [(whose(0, line), "xboard said: %s" % line) for line in xboard_out]
    for line in bl.read(debug).splitlines():
        m = re.match(r"^New game \((\d+)\)", line)
        game = int(m.group(1)) if m else game
        if re.match(r"^\d+ [<>](first |second): (feature|accepted) ", line):
            continue
        what = next((what for what, pattern in FAULT_LINES if re.search(pattern, line, re.I)), None)
        if what is None and re.match(r"^[^0-9].*error", line, re.I):
            what = "an error reported by xboard"
        if what and (what, game) not in seen:
            seen.add((what, game))
            found.append((whose(game, line), "%s in game %d: %s" % (what, game, line.strip())))
        elif re.match(r"^\d+ <second: .*error", line, re.I) and "unknown command" not in line:
            found.append((OPPONENT, "the opponent printed an error: %s" % line))
    events = bl.tee_words(words)
    found += [(PROGRAM, p) for p in bl.error_replies(events)]
    starts = sum(1 for _, d, l in events if d == "#" and l.startswith("started"))
    if starts != 1:
        found.append((PROGRAM, "xboard started the program %d times; once is the match's" % starts))

    if not (died or stopped) and xb.returncode != 0:    # the fault found before explains it
        found.append((found[0][0] if found else PROGRAM, "xboard exited with status %s" % xb.returncode))
    summary = ["xboard match: %s against the opponent, %d games, %.0f s (limit %d s)" % (NAME, games, elapsed, bound)]
    if len(played) != games and not found:
        found.append((PROGRAM, "the game file holds %d games; %d were asked for" % (len(played), games)))
    colours = set()
    for i, g in enumerate(played, 1):
        ours = [c for c in ("white", "black") if g[c] == NAME]
        colours.update(ours)
        summary.append("game %d: White=%s Black=%s %s {%s}, %d moves" % (i, g["white"], g["black"], g["result"],
                                                                         g["reason"], g["moves"]))
        if not ours:
            found.append((PROGRAM, "game %d: the program did not play in it" % i))
        elif g["result"] == "1/2-1/2" and not DRAWS.match(g["reason"]):
            found.append((PROGRAM, "game %d: a draw for an unexpected reason: {%s}" % (i, g["reason"])))
        elif g["result"] in ("1-0", "0-1") and (g["reason"] not in WINS or WINS[g["reason"]] not in (None, g["result"])):
            found.append((whose(i), "game %d: %s {%s}, not a mate" % (i, g["result"], g["reason"])))
        elif g["result"] not in ("1-0", "0-1", "1/2-1/2"):
            found.append((PROGRAM, "game %d: no proper result: '%s' {%s}" % (i, g["result"], g["reason"])))
    if played and not any(d == "<" and l.startswith("move ") for _, d, l in events):
        found.append((PROGRAM, "the program made no move"))
    if len(played) == games and colours != {"white", "black"}:
        found.append((PROGRAM, "the program did not play both colours"))
    return found, summary


def main():
    if len(sys.argv) not in (2, 3) or not os.access(sys.argv[1], os.X_OK):
        print("usage: %s PROGRAM [OUTDIR] (PROGRAM an executable file)" % sys.argv[0], file=sys.stderr)
        return 2
    missing = [t for t in ("Xvfb", "xboard", "fairymax") if not shutil.which(t)]
    if missing:
        print("xboard_match.py: missing %s (apt-get install -y xboard fairymax xvfb)" % " ".join(missing),
              file=sys.stderr)
        return 2
    program = os.path.abspath(sys.argv[1])
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="chess-xboard-match."))
    games = int(os.environ.get("MATCH_GAMES", "2"))
    if games < 2 or games % 2:
        print("xboard_match.py: MATCH_GAMES must be even and at least 2", file=sys.stderr)
        return 2
    bound = int(os.environ.get("MATCH_TIME_LIMIT", str(60 + 270 * games)))
    stall = int(os.environ.get("MATCH_STALL", "90"))
    procs = bl.Processes()
    os.makedirs(out, exist_ok=True)
    report = open(os.path.join(out, "summary.txt"), "w")

    def say(text):
        print(text, flush=True)
        report.write(text + "\n")
    try:
        display = bl.Display(procs, out)
        for attempt in ("first", "replay"):
            here = out if attempt == "first" else os.path.join(out, "replay")
            say("== %s match, logs in %s" % (attempt, here))
            found, summary = play(procs, display, program, here, games, bound, stall)
            for line in summary:
                say(line)
            program_faults = [text for whose, text in found if whose == PROGRAM]
            opponent_faults = [text for whose, text in found if whose == OPPONENT]
            for text in opponent_faults:
                say("the opponent's fault: %s" % text)
            for text in program_faults:
                say("FAIL (the program's fault): %s" % text)
            if program_faults:
                return 1
            if not opponent_faults:
                say("PASS: %d games; logs in %s" % (games, here))
                return 0
            if attempt == "replay":
                say("FAIL (the opponent failed twice): %s" % opponent_faults[0])
                return 1
            say("the opponent failed, not the program: the match is played again with new processes")
    finally:
        procs.end_all()
        report.close()


if __name__ == "__main__":
    bl.main(main)
