#!/usr/bin/python3
"""Plays the program against another engine in xboard's match mode and scores it.

xboard runs the match on a virtual display (Xvfb): it starts both engines,
keeps the clocks, loads each game's opening, adjudicates by the rules
(checkmate, stalemate, threefold repetition, the 50-move rule, insufficient
material) and saves the games as PGN. A UCI opponent such as Stockfish is
run through polyglot. This script only builds xboard's command line, waits
for the match, and reads the PGN afterwards: W/D/L, the score, an Elo
difference with its 95% interval, and how the draws and losses came about.

Needs (Debian): xboard, xvfb, polyglot (for a UCI opponent), and the
opponent: stockfish or fairymax. pychess, when installed, is used to replay
the games and count repeated positions (optional).

    apt-get install -y xboard xvfb polyglot stockfish fairymax pychess

Examples (from the top of the source tree, with the program in build/chess):

    # level 4 against Stockfish limited to 1350 Elo, with about 100 ms a move
    # for Stockfish: 3 s + 0.1 s a move on xboard's clock (1/30 of the
    # program's 90 s + 3 s), 40 opening lines with both colours
    bench/strength_match.py --level 4 --elo 1350 --tc 90+3 --opponent-odds 30

    # the deepest level on an equal clock against fairymax
    bench/strength_match.py --level 40 --opponent fairymax --tc 60+0.6

    # the endings: each position once, the program has the extra piece
    bench/strength_match.py --level 40 --tc 20+0.2 --once \\
        --openings bench/endgames.fen

Opening files: a PGN file (.pgn) is loaded as games, each game's moves
played before the engines take over; any other file holds one FEN a line.
By default each opening is played twice, the program White in the first
game and Black in the second. With --once each opening is played once and
the colours still alternate, the program White in odd games: in
bench/endgames.fen the side with the extra piece is White in the odd lines.

The clock (--tc) is "MOVES/SECONDS" (40/300: 40 moves in 5 minutes, then
again) or "SECONDS+INCREMENT" (20+0.2). --opponent-odds K divides the
opponent's clock by K (xboard's -secondTimeOdds). polyglot passes on only
whole seconds of increment: a UCI opponent with less sees no increment and
spends a share of what its clock shows, while xboard still adds the
increment to it. The summary gives the seconds each side spent a move.

Everything goes to the output directory: games.pgn (xboard's record),
xboard.debug (every word xboard exchanged with both engines), polyglot.log
(the UCI words), command.txt, games.txt (one line a game) and summary.txt.
Exit status: 0 when the match ran to its end, 1 when it was stopped (hang,
time limit) or a game ended irregularly (illegal move, forfeit, crash),
2 for bad usage or a missing tool.
"""

import argparse
import math
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

STOCKFISH = "stockfish"
FAIRYMAX = "fairymax"
GAME_DIRS = ["/usr/games", "/usr/local/games"]
PLIES_BOUND = 300  # for the hang bound only: no game is expected this long
DIAGRAM_OR_COMMENT = re.compile(r"\{[^{}]*\}", re.S)
RESULT_TOKENS = ("1-0", "0-1", "1/2-1/2", "*")


def die(message):
    print("strength_match.py: " + message, file=sys.stderr)
    sys.exit(2)


def find_tool(name):
    path = shutil.which(name)
    if path:
        return path
    for folder in GAME_DIRS:
        candidate = os.path.join(folder, name)
        if os.access(candidate, os.X_OK):
            return candidate
    return None


def parse_clock(text):
    """'40/300' -> ('moves', 40, 300.0); '20+0.2' -> ('increment', 20.0, 0.2)."""
    moves = re.fullmatch(r"(\d+)/(\d+(?:\.\d+)?)", text)
    if moves:
        return ("moves", int(moves.group(1)), float(moves.group(2)))
    increment = re.fullmatch(r"(\d+(?:\.\d+)?)\+(\d+(?:\.\d+)?)", text)
    if increment:
        return ("increment", float(increment.group(1)), float(increment.group(2)))
    die("--tc must be MOVES/SECONDS or SECONDS+INCREMENT, not " + text)


def minutes_seconds(seconds):
    whole = int(round(seconds))
    return "%d:%02d" % (whole // 60, whole % 60)


def clock_args(clock):
    kind, first, second = clock
    if kind == "moves":
        return ["-tc", minutes_seconds(second), "-mps", str(first)]
    return ["-tc", minutes_seconds(first), "-inc", "%g" % second]


def clock_seconds_per_game(clock, odds):
    """An upper bound of one side's thinking time in a game of PLIES_BOUND plies."""
    kind, first, second = clock
    moves = PLIES_BOUND // 2
    if kind == "moves":
        total = second * math.ceil(moves / first)
    else:
        total = first + moves * second
    return total / odds


def count_openings(path):
    with open(path, encoding="utf-8") as handle:
        text = handle.read()
    if path.endswith(".pgn"):
        return len(re.findall(r"^\[Event ", text, re.M))
    return len([line for line in text.splitlines() if line.strip()])


# --- reading the games ------------------------------------------------------


def split_games(text):
    games = []
    for chunk in re.split(r"(?m)^(?=\[Event )", text):
        if not chunk.strip():
            continue
        tags = dict(re.findall(r'(?m)^\[(\w+) "(.*)"\]\s*$', chunk))
        body = re.sub(r'(?m)^\[\w+ ".*"\]\s*$', "", chunk)
        games.append((tags, body))
    return games


def tokens_of(body):
    """Moves and comments in order: ('move', 'Nf3') or ('comment', 'text')."""
    out = []
    position = 0
    pattern = re.compile(r"\{([^{}]*)\}|(\S+)", re.S)
    for match in pattern.finditer(body, position):
        if match.group(1) is not None:
            out.append(("comment", match.group(1)))
            continue
        word = match.group(2)
        word = re.sub(r"^\d+\.(\.\.)?", "", word)
        if not word or word in RESULT_TOKENS or word.startswith("$"):
            continue
        out.append(("move", word))
    return out


def termination_of(body):
    match = re.search(r"\{([^{}]*)\}\s*(1-0|0-1|1/2-1/2|\*)\s*$", body)
    return " ".join(match.group(1).split()) if match else ""


def kind_of_end(result, reason):
    low = reason.lower()
    if "on time" in low:
        return "time"
    if any(word in low for word in ("illegal", "forfeit", "false", "crash", "exited", "disconnect")):
        return "irregular"
    if "material" in low:  # before "mate", which "material" holds
        return "material"
    if "stalemate" in low:
        return "stalemate"
    if "mate" in low:
        return "mate"
    if "repetition" in low:
        return "repetition"
    if "50" in low or "fifty" in low:
        return "fifty-move"
    if "resign" in low:
        return "resignation"
    return "other" if result in ("1-0", "0-1", "1/2-1/2") else "unfinished"


def repeated_positions(tags, moves):
    """Most times any position (pieces, side, castling, en passant) occurs, or None."""
    try:
        from pychess.Utils.const import FEN_START
        from pychess.Utils.lutils.LBoard import LBoard
        from pychess.Utils.lutils.lmove import parseSAN
    except Exception:  # pychess missing: not counted
        return None
    board = LBoard()
    board.applyFen(tags.get("FEN", FEN_START))
    seen = {}

    def note():
        key = " ".join(board.asFen().split()[:4])
        seen[key] = seen.get(key, 0) + 1

    note()
    try:
        for san in moves:
            board.applyMove(parseSAN(board, san))
            note()
    except Exception:
        return None
    return max(seen.values())


SCORE = re.compile(r"^\s*([+-]?\d+\.\d+)/(\d+)(?:\s+(?:(\d+):)?(\d+(?:\.\d+)?))?")


def read_games(pgn_path, our_name):
    with open(pgn_path, encoding="utf-8", errors="replace") as handle:
        text = handle.read()
    records = []
    for number, (tags, body) in enumerate(split_games(text), 1):
        ours_white = tags.get("White") == our_name
        if not ours_white and tags.get("Black") != our_name:
            continue
        white_first = " b " not in (" " + tags.get("FEN", "w") + " ")
        moves = []
        our_scores = []
        seconds = {True: [], False: []}  # by "the program moved"
        opening_plies = 0
        for kind, value in tokens_of(body):
            if kind == "move":
                moves.append(value)
                continue
            if not moves:
                continue
            score = SCORE.match(value)
            if not score:
                continue
            white_moved = (len(moves) % 2 == 1) == white_first
            if white_moved == ours_white:
                our_scores.append(float(score.group(1)))
            if score.group(4) is not None:
                spent = float(score.group(4)) + 60 * int(score.group(3) or 0)
                seconds[white_moved == ours_white].append(spent)
        # the moves of a loaded opening carry no engine comment: the first
        # comment follows the first engine move
        for kind, _ in tokens_of(body):
            if kind == "comment":
                opening_plies = max(opening_plies - 1, 0)
                break
            opening_plies += kind == "move"
        result = tags.get("Result", "*")
        reason = termination_of(body)
        points = {"1-0": 1.0, "0-1": 0.0, "1/2-1/2": 0.5}.get(result)
        if points is not None and not ours_white:
            points = 1.0 - points
        our_first = white_first == ours_white
        plies = len(moves)
        our_moves = (plies + (1 if our_first else 0)) // 2
        records.append({
            "round": number,
            "colour": "White" if ours_white else "Black",
            "opponent": tags.get("Black" if ours_white else "White", "?"),
            "result": result,
            "points": points,
            "reason": reason,
            "end": kind_of_end(result, reason),
            "plies": plies,
            "opening_plies": opening_plies if "FEN" not in tags else 0,
            "our_moves": our_moves,
            "last_score": our_scores[-1] if our_scores else None,
            "repeats": repeated_positions(tags, moves),
            # xboard's first time in a game counts from the game's set-up
            "our_seconds": seconds[True][1:],
            "their_seconds": seconds[False][1:],
        })
    return records


# --- the score --------------------------------------------------------------


def elo_of(score):
    if score <= 0.0:
        return -math.inf
    if score >= 1.0:
        return math.inf
    return -400.0 * math.log10(1.0 / score - 1.0)


def elo_interval(wins, draws, losses):
    """Elo difference and its 95% interval, from the per-game score's spread."""
    games = wins + draws + losses
    score = (wins + 0.5 * draws) / games
    variance = (wins * (1.0 - score) ** 2 + draws * (0.5 - score) ** 2
                + losses * score ** 2) / games
    margin = 1.959964 * math.sqrt(variance / games)
    return score, elo_of(score), elo_of(score - margin), elo_of(score + margin)


def signed(value):
    if math.isinf(value):
        return "+inf" if value > 0 else "-inf"
    return "%+.0f" % (value + 0.0) if round(value) != 0 else "+0"


AHEAD = 3.0  # pawns: a draw given away while this far ahead is worth counting


def summarise(records, title):
    finished = [r for r in records if r["points"] is not None]
    wins = sum(r["points"] == 1.0 for r in finished)
    draws = sum(r["points"] == 0.5 for r in finished)
    losses = sum(r["points"] == 0.0 for r in finished)
    lines = [title]
    if not finished:
        return lines + ["no finished game"]
    score, elo, low, high = elo_interval(wins, draws, losses)
    lines.append("games %d: W/D/L %d/%d/%d, score %.1f%%, Elo %s (95%%: %s .. %s)"
                 % (len(finished), wins, draws, losses, 100.0 * score, signed(elo),
                    signed(low), signed(high)))
    drawn = [r for r in finished if r["points"] == 0.5]
    kinds = {}
    for r in drawn:
        kinds[r["end"]] = kinds.get(r["end"], 0) + 1
    repetition = [r for r in drawn if r["end"] == "repetition"]
    ahead = sum(r["last_score"] is not None and r["last_score"] >= AHEAD for r in repetition)
    lines.append("draws: " + (", ".join("%s %d" % kv for kv in sorted(kinds.items())) or "none")
                 + "; by repetition with the program's last score >= +%.2f: %d" % (AHEAD, ahead))
    ends = {}
    for r in finished:
        if r["points"] != 0.5:
            key = ("won" if r["points"] == 1.0 else "lost") + " by " + r["end"]
            ends[key] = ends.get(key, 0) + 1
    lines.append("decided: " + (", ".join("%s %d" % kv for kv in sorted(ends.items())) or "none"))
    time_lost = sum(r["end"] == "time" and r["points"] == 0.0 for r in finished)
    time_won = sum(r["end"] == "time" and r["points"] == 1.0 for r in finished)
    lines.append("losses on time: the program %d, the opponent %d" % (time_lost, time_won))
    ours = [t for r in finished for t in r["our_seconds"]]
    theirs = [t for r in finished for t in r["their_seconds"]]
    if ours and theirs:
        lines.append("seconds a move (xboard's record): the program %.2f on average, at most %.1f;"
                     " the opponent %.2f on average, at most %.1f"
                     % (sum(ours) / len(ours), max(ours), sum(theirs) / len(theirs), max(theirs)))
    irregular = [r for r in records if r["end"] in ("irregular", "unfinished", "other")]
    lines.append("irregular or unfinished games: %d" % len(irregular))
    mated = [r for r in finished if r["points"] == 1.0 and r["end"] == "mate"]
    if mated:
        counts = sorted(r["our_moves"] for r in mated)
        lines.append("wins by mate: %d, the program's moves to mate: min %d, median %d, max %d"
                     % (len(mated), counts[0], counts[len(counts) // 2], counts[-1]))
    repeats = [r["repeats"] for r in records if r["repeats"] is not None]
    if repeats:
        lines.append("games in which a position occurred twice or more: %d of %d"
                     % (sum(n >= 2 for n in repeats), len(repeats)))
    return lines


def game_line(r):
    score = "-" if r["last_score"] is None else "%+.2f" % r["last_score"]
    repeats = "-" if r["repeats"] is None else str(r["repeats"])
    points = "?" if r["points"] is None else {1.0: "win", 0.5: "draw", 0.0: "loss"}[r["points"]]
    return ("game %3d  %-5s vs %-20s %-7s %-4s %-10s plies %3d (opening %2d)  moves by the program %3d"
            "  last score %8s  most repeats %s  {%s}"
            % (r["round"], r["colour"], r["opponent"][:20], r["result"], points, r["end"], r["plies"],
               r["opening_plies"], r["our_moves"], score, repeats, r["reason"]))


# --- running xboard ---------------------------------------------------------


def start_display(log):
    """Starts Xvfb on a display number it chooses itself; returns it and its name."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
         "-noreset"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
    os.close(write_end)
    answer = b""
    deadline = time.time() + 20
    while time.time() < deadline and server.poll() is None and not answer.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 0.2)
        if ready:
            chunk = os.read(read_end, 64)
            if not chunk:
                break
            answer += chunk
    os.close(read_end)
    if answer.strip() and server.poll() is None:
        return server, ":" + answer.decode().strip()
    stop_process(server)
    die("could not start Xvfb (see xvfb.log)")


def stop_process(process, group=False):
    if process is None or process.poll() is not None:
        return
    try:
        if group:
            os.killpg(process.pid, signal.SIGTERM)
        else:
            process.terminate()
        process.wait(timeout=5)
    except (subprocess.TimeoutExpired, ProcessLookupError):
        try:
            if group:
                os.killpg(process.pid, signal.SIGKILL)
            else:
                process.kill()
        except ProcessLookupError:
            pass
        process.wait()


def main():
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        formatter_class=argparse.RawDescriptionHelpFormatter,
        epilog="\n\n".join(__doc__.split("\n\n")[1:]))
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--engine", default=os.path.join(here, "..", "build", "chess"),
                        help="the program (default: build/chess)")
    parser.add_argument("--level", type=int, default=2, help="the program's level, sent as sd N (default 2)")
    parser.add_argument("--name", help="the program's name in the PGN (default chess-sdN)")
    parser.add_argument("--opponent", default=STOCKFISH,
                        help="stockfish (default), fairymax, or the command of another engine")
    parser.add_argument("--protocol", choices=["uci", "xboard"],
                        help="the opponent's protocol (default: uci for stockfish, else xboard)")
    parser.add_argument("--elo", type=int, help="UCI_LimitStrength with this UCI_Elo (a UCI opponent)")
    parser.add_argument("--opponent-options", default="",
                        help="more engine options for the opponent, NAME=VALUE,... (xboard's -secondOptions)")
    parser.add_argument("--opponent-name", help="the opponent's name in the PGN")
    parser.add_argument("--tc", default="30+3", help="the clock: MOVES/SECONDS or SECONDS+INCREMENT (default 30+3)")
    parser.add_argument("--opponent-odds", type=float, default=1.0,
                        help="divide the opponent's clock by this (default 1)")
    parser.add_argument("--openings", default=os.path.join(here, "openings.pgn"),
                        help="the opening file, PGN games or one FEN a line (default bench/openings.pgn)")
    parser.add_argument("--once", action="store_true", help="play each opening once instead of twice")
    parser.add_argument("--games", type=int, help="games to play (default: every opening, twice unless --once)")
    parser.add_argument("--out", help="output directory (default: a new one under /tmp)")
    parser.add_argument("--stall", type=int, default=300,
                        help="stop the match when xboard logs nothing for this many seconds (default 300)")
    parser.add_argument("--nice", type=int, default=10, help="niceness of xboard and the engines (default 10)")
    parser.add_argument("--report-only", action="store_true",
                        help="only read the games.pgn already in --out and report")
    args = parser.parse_args()

    engine = os.path.abspath(args.engine)
    our_name = args.name or "chess-sd%d" % args.level
    out = os.path.abspath(args.out or tempfile.mkdtemp(prefix="strength-match."))
    os.makedirs(out, exist_ok=True)
    pgn = os.path.join(out, "games.pgn")
    clock = parse_clock(args.tc)
    if args.report_only:
        return report(pgn, our_name, out, "report of " + pgn, stopped=None)

    if not (os.path.isfile(engine) and os.access(engine, os.X_OK)):
        die("not an executable file: " + engine)
    missing = [tool for tool in ("xboard", "Xvfb") if not find_tool(tool)]
    opponent = {STOCKFISH: find_tool(STOCKFISH), FAIRYMAX: find_tool(FAIRYMAX)}.get(
        args.opponent, args.opponent)
    if not opponent or not find_tool(opponent.split()[0]):
        missing.append(args.opponent)
    protocol = args.protocol or ("uci" if args.opponent == STOCKFISH else "xboard")
    if protocol == "uci" and not find_tool("polyglot"):
        missing.append("polyglot")
    if missing:
        die("missing: %s (apt-get install -y xboard xvfb polyglot stockfish fairymax)" % " ".join(missing))
    if not os.path.isfile(args.openings):
        die("no opening file " + args.openings)
    openings = count_openings(args.openings)
    if openings == 0:
        die("no opening in " + args.openings)
    per_opening = 1 if args.once else 2
    games = args.games or openings * per_opening
    if games < 1:
        die("--games must be at least 1")

    options = []
    if args.elo:
        if protocol != "uci":
            die("--elo needs a UCI opponent")
        options += ["UCI_LimitStrength=1", "UCI_Elo=%d" % args.elo]
    if args.opponent_options:
        options += [o for o in args.opponent_options.split(",") if o]
    opponent_name = args.opponent_name or (
        os.path.basename(opponent.split()[0]) + ("-%d" % args.elo if args.elo else ""))

    for stale in ("games.pgn", "xboard.debug", "polyglot.log", "summary.txt", "games.txt"):
        if os.path.exists(os.path.join(out, stale)):
            os.remove(os.path.join(out, stale))
    work = tempfile.mkdtemp(prefix="strength-match-work.")
    home = os.path.join(work, "home")
    os.makedirs(home)

    load = (["-loadGameFile", os.path.abspath(args.openings), "-loadGameIndex", "-%d" % per_opening]
            if args.openings.endswith(".pgn") else
            ["-loadPositionFile", os.path.abspath(args.openings), "-loadPositionIndex", "-%d" % per_opening])
    xboard = [
        "nice", "-n", str(args.nice), find_tool("xboard"),
        "-fcp", engine, "-fn", our_name,
        # the level is set anew after each game's new
        "-firstInitString", "new\nrandom\nsd %d\n" % args.level,
        "-scp", opponent, "-sn", opponent_name,
        "-matchGames", str(games), *load, "-rewindIndex", str(openings),
        *clock_args(clock), "-secondTimeOdds", "%g" % args.opponent_odds,
        "-ponderNextMove", "false", "-defaultHashSize", "16",
        "-autoCallFlag", "true",
        # adjudication by the rules only
        "-checkMates", "true", "-testClaims", "true", "-materialDraws", "true",
        "-trivialDraws", "false", "-ruleMoves", "50", "-repeatsToDraw", "3",
        "-adjudicateDrawMoves", "0", "-adjudicateLossThreshold", "0",
        "-saveGameFile", pgn, "-debugMode", "true", "-nameOfDebugFile", os.path.join(out, "xboard.debug"),
        "-matchPause", "500", "-popupExitMessage", "false", "-popupMoveErrors", "false",
        "-saveSettingsOnExit", "false", "-soundProgram", "",
    ]
    if protocol == "uci":
        xboard += ["-sUCI", "-adapterCommand",
                   '%s -noini -log true -lf "%s" -ec "%%fcp" -ed "%%fd"'
                   % (find_tool("polyglot"), os.path.join(out, "polyglot.log"))]
    if options:
        xboard += ["-secondOptions", ",".join(options)]
    bound = games * (60 + 1.5 * (clock_seconds_per_game(clock, 1.0)
                                 + clock_seconds_per_game(clock, args.opponent_odds)))
    with open(os.path.join(out, "command.txt"), "w") as handle:
        handle.write(" ".join(sys.argv) + "\n" + " ".join(repr(a) if re.search(r"\s", a) else a
                                                           for a in xboard) + "\n")
    title = ("%s (%s, level %d) vs %s%s, clock %s for the program and %s%s, %d games from %s"
             % (our_name, engine, args.level, opponent_name,
                " (%s)" % ",".join(options) if options else "", args.tc,
                "the same" if args.opponent_odds == 1 else "1/%g of it" % args.opponent_odds,
                " for the opponent", games, os.path.relpath(args.openings)))
    print("strength_match.py: " + title, flush=True)
    print("strength_match.py: logs in " + out, flush=True)

    display = None
    match = None
    stopped = None
    xvfb_log = open(os.path.join(out, "xvfb.log"), "w")
    try:
        display, name = start_display(xvfb_log)
        environment = dict(os.environ, HOME=home, DISPLAY=name,
                           PATH=os.pathsep.join([os.environ.get("PATH", "")] + GAME_DIRS))
        environment.pop("XAUTHORITY", None)
        with open(os.path.join(out, "xboard.stderr"), "w") as errors:
            match = subprocess.Popen(xboard, cwd=work, env=environment, stdin=subprocess.DEVNULL,
                                     stdout=errors, stderr=errors, start_new_session=True)
            debug = os.path.join(out, "xboard.debug")
            started = time.time()
            last_growth, last_size = started, -1
            while match.poll() is None:
                time.sleep(2)
                size = os.path.getsize(debug) if os.path.exists(debug) else 0
                if size != last_size:
                    last_size, last_growth = size, time.time()
                if time.time() - last_growth > args.stall:
                    stopped = "xboard logged nothing for %d s" % args.stall
                elif time.time() - started > bound:
                    stopped = "the match ran past %d s" % bound
                if stopped:
                    break
            elapsed = time.time() - started
    finally:
        stop_process(match, group=True)
        stop_process(display)
        xvfb_log.close()
        shutil.rmtree(work, ignore_errors=True)
    title += ", %.0f s" % elapsed
    return report(pgn, our_name, out, title, stopped)


def report(pgn, our_name, out, title, stopped):
    records = read_games(pgn, our_name) if os.path.exists(pgn) else []
    with open(os.path.join(out, "games.txt"), "w") as handle:
        for r in records:
            handle.write(game_line(r) + "\n")
    lines = summarise(records, title)
    if stopped:
        lines.append("STOPPED: " + stopped)
    with open(os.path.join(out, "summary.txt"), "w") as handle:
        handle.write("\n".join(lines) + "\n")
    for r in records:
        print(game_line(r))
    print("\n".join(lines))
    bad = stopped or any(r["end"] in ("irregular", "unfinished", "other") for r in records)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
