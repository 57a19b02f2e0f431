#!/usr/bin/python3
"""The chess program in pychess (Debian's, 1.0.3), driven through pychess's
own code with no window, words logged.

    tests/boards/pychess_flows.py BUILD_DIR [OUTDIR] [--flows a,b] [--uci]

"detect" takes the path of pychess's Add Engine dialog (is_uci(), then
is_cecp(), 5 s each; then discoverer.addEngine() and discover(), which must
not fail the program); "plugin" reads pychess's list from the plugin
folders after a `cmake --install --prefix /usr/local` staged in a private
mount namespace. The other flows play a game through pychess's GameModel
with its opening book on (book_depth_max 13, its default: the engine's
first moves come as `force` + `setboard`), the person a scripted local
player; README.md says what each does. Each flow runs in a child process
with its own HOME (pychess reads its configuration at import).

The engine runs through tee_engine.py, so every word is logged. Needs
(Debian): pychess. Exit status 0 when every flow passed.
"""
import argparse
import asyncio
import json
import os
import re
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boardlib as bl  # noqa: E402
import chesspos  # noqa: E402


def child_main(args):
    """Runs one flow inside a process with its own HOME (pychess reads its
    configuration at import)."""
    flow, wrapper, out = args.child, args.wrapper, args.result
    from pychess.System import conf
    from pychess.Players.engineNest import discoverer, is_uci, is_cecp
    r = {"problems": []}
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)

    def done():
        with open(out, "w") as f:
            json.dump(r, f)

    if flow == "plugin":
        names = [e.get("name") for e in discoverer.getEngines()]
        r["engines"] = names
        if "/usr/local/bin/chess" not in names:
            r["problems"].append("pychess's list from the plugin folders does not hold /usr/local/bin/chess: %s" % names)
        return done()

    # The Add Engine dialog: is_uci, then is_cecp (the dialog's order for an
    # engine pychess does not know by name), then addEngine and discover.
    command = [wrapper]
    r["is_uci"] = is_uci(command)
    r["is_cecp"] = is_cecp(command) if not r["is_uci"] else None
    protocol = "uci" if r["is_uci"] else ("xboard" if r["is_cecp"] else None)
    r["protocol"] = protocol
    if args.protocol and protocol and protocol != args.protocol:
        # the person picks the other protocol in the dialog's combo box
        if (args.protocol == "xboard" and is_cecp(command)) or args.protocol == "uci":
            protocol = args.protocol
            r["protocol_chosen"] = protocol
    if protocol is None:
        r["problems"].append("pychess's Add Engine refuses the program: neither is_uci nor is_cecp")
        return done()
    discoverer.addEngine("chess", wrapper, protocol, None, None)
    state = {"failed": []}
    discoverer.connect("all_engines_discovered", lambda _d: state.update(all=True))
    discoverer.connect("engine_failed", lambda _d, name, _engine: state["failed"].append(name))
    discoverer.discover()
    end = time.time() + 70

    async def wait_discovery():
        while "all" not in state and time.time() < end:
            await asyncio.sleep(0.1)
    loop.run_until_complete(wait_discovery())
    engine = discoverer.getEngineByName("chess")
    r["discovered"] = bool(engine) and "chess" not in state["failed"]
    if engine:
        r["engine"] = {k: engine.get(k) for k in ("name", "protocol", "command", "variants", "recheck")}
    if "all" not in state:
        r["problems"].append("pychess's discovery did not finish in 70 s")
    if not r["discovered"]:
        r["problems"].append("pychess's discovery failed the program (%s)" % state["failed"])
    if flow == "detect" or r["problems"]:
        return done()

    # --- a game through pychess's GameModel, book on ------------------------------
    from pychess.Utils.GameModel import GameModel
    from pychess.Utils.TimeModel import TimeModel
    from pychess.Utils.const import WHITE, BLACK, LOCAL, HINT
    from pychess.Utils.Move import parseAny
    from pychess.Players.Player import Player, TurnInterrupt, PassInterrupt
    from pychess.Variants.normal import NormalBoard

    conf.set("book_depth_max", 13)
    base = flow[4:] if flow.startswith("uci_") else flow
    person_white = base in ("white", "takeback", "hint", "underpromotion")

    class Person(Player):
        """A local player that moves from a fixed preference list."""
        __type__ = LOCAL

        def __init__(self, color):
            Player.__init__(self)
            self.color = color
            self.name = "person"
            self.queue = asyncio.Queue()

        async def makeMove(self, board1, move, board2):
            await asyncio.sleep(0.2)
            item = await self.queue.get()
            if item in ("int", "pass"):
                raise TurnInterrupt if item == "int" else PassInterrupt
            return item

        def playerUndoMoves(self, movecount, gamemodel):
            if gamemodel.curplayer is not self and movecount % 2 == 1 or \
                    (gamemodel.curplayer is self and movecount % 2 == 0):
                self.queue.put_nowait("int")

    # what pychess asks of a player besides its moves, not needed here
    for name in ("end", "kill", "putMessage", "offer", "updateTime", "pause", "resume", "hurry",
                 "setOptionInitialBoard"):
        setattr(Person, name, lambda self, *args: None)

    async def game():
        tm = TimeModel(0, 0)
        gm = GameModel(tm, NormalBoard)
        engine_color = BLACK if person_white else WHITE
        engine = discoverer.getEngineByName("chess")
        player = await discoverer.initPlayerEngine(engine, engine_color, 1, NormalBoard, 0, 0)
        person = Person(WHITE if person_white else BLACK)
        gm.setPlayers([person, player] if person_white else [player, person])
        hint = None
        if base == "hint":
            # Preferences > Hints: the hint analyzer on, with this engine
            conf.set("analyzer_check", True)
            conf.set("ana_combobox", engine.get("md5"))
            conf.set("infinite_analysis", True)   # UCI: go infinite, not go movetime
            await gm.start_analyzer(HINT)
            hint = gm.spectators.get(HINT)
            r["hint_engine"] = repr(hint)
            if hint is None:
                r["problems"].append("pychess started no hint analyzer on the program")
        if base == "underpromotion":
            # pychess's Setup Position path: a game loaded from a FEN (the
            # program gets it with setboard), Black to move; the person then
            # promotes to a knight, with check
            from io import StringIO
            from pychess.Savers import fen as fen_loader
            gm.loadAndStart(StringIO(bl.UNDERPROMOTION_FEN), fen_loader, 0, -1)
        else:
            gm.start()
        plies = 6 if base == "underpromotion" else 20
        deadline = time.time() + 120
        seen = [gm.ply, time.time()]

        def stalled():
            if gm.ply != seen[0]:
                seen[:] = [gm.ply, time.time()]
            return time.time() - seen[1] > 20
        while gm.ply < plies and gm.status in (0, 1, 2) and time.time() < deadline:
            if stalled():
                r["problems"].append("the game stalled at ply %d: no move for 20 s" % gm.ply)
                break
            board = gm.boards[-1]
            if gm.curplayer is person:
                pos = chesspos.Position(board.asFen())
                promotions = ["e7e8n"] if base == "underpromotion" else []
                w = next((m for m in promotions if m in pos.legal()), None)
                legal = [m for m in pos.legal() if len(m) == 4]
                if not legal:
                    break
                # after a takeback the person tries another move (out of the book)
                other = ["h2h4", "a2a4", "h7h5", "a7a5"] if r.get("took_back_at_ply") else []
                w = w or bl.preferred(legal, legal[(gm.ply * 7) % len(legal)], other + bl.PREFERRED_MOVES)
                if w == "e7e8n":
                    r["promoted"] = True
                person.queue.put_nowait(parseAny(board, w))
                ply = gm.ply
                while gm.ply == ply and time.time() < deadline and not stalled():
                    await asyncio.sleep(0.05)
            else:
                await asyncio.sleep(0.05)
            # Takebacks: at ply 4, just after a move the program got from
            # pychess's book as a setboard, and at ply 16, after its own.
            if base == "takeback" and gm.curplayer is person and gm.ply in (4, 16) \
                    and gm.ply not in r.setdefault("took_back_at_ply", []):
                await asyncio.sleep(0.5)
                r["took_back_at_ply"].append(gm.ply)
                gm.undoMoves(2)
                await asyncio.sleep(1.0)
        await asyncio.sleep(1.0)
        r.update(ply=gm.ply, fen=gm.boards[-1].asFen(), status=gm.status)
        if time.time() >= deadline:
            r["problems"].append("the game did not reach %d plies in 120 s (at ply %d)" % (plies, gm.ply))
        if gm.status not in (0, 1, 2):
            r["reason"] = gm.reason
        # The person is to move, the program waits: ask the probe (while the
        # game runs; pychess ends the program with the game).
        alive = "program exited" not in bl.read(args.tee).splitlines()[-1]
        if engine["protocol"] == "xboard" and gm.status == 2 and alive:
            r["probe_problems"] = bl.run_probe(args.tee, r["fen"], status=r)
        else:
            r["probe"] = "n/a (%s)" % ("UCI" if engine["protocol"] != "xboard" else "game over")

    try:
        loop.run_until_complete(asyncio.wait_for(game(), 180))
    except Exception as e:
        import traceback
        traceback.print_exc()
        r["problems"].append("game: %r" % e)
    r["problems"] += r.pop("probe_problems", [])
    done()
    os._exit(0)


def run_flow(ctx, r):
    name = r["flow"]
    protocol = protocol_of(name)
    env = dict(os.environ, **bl.private_home(os.path.join(ctx.work, "home-" + name)))
    tee = os.path.join(ctx.out, "pychess-%s.words" % name)
    wrapper = bl.make_engine_wrapper(os.path.join(ctx.work, "bin-" + name, "chess"), ctx.program, tee)
    out = os.path.join(ctx.work, "result-%s.json" % name)
    env.pop("DISPLAY", None)
    argv = ["/usr/bin/python3", os.path.abspath(__file__), ctx.build, "--child", name, "--wrapper", wrapper,
            "--result", out, "--tee", tee]
    if protocol:
        argv += ["--protocol", protocol]
    if name == "plugin":
        stage = os.path.join(ctx.work, "stage")
        usr_local = bl.install_staged(ctx.build, stage)
        root = os.path.join(ctx.work, "root-plugin")
        os.makedirs(root, exist_ok=True)
        argv = bl.in_namespace(argv, root, usr_local, keep=ctx.keep)
    p = ctx.procs.spawn(argv, os.path.join(ctx.out, "pychess-%s.out" % name), env=env, cwd=ctx.work)
    try:
        p.wait(240)
    except subprocess.TimeoutExpired:
        r["problems"].append("pychess did not finish in 240 s")
    try:
        with open(out) as f:
            child = json.load(f)
    except (OSError, ValueError):
        child = {"problems": ["pychess's run left no result (see pychess-%s.out)" % name]}
    r["problems"] += child.pop("problems", [])
    r.update(child)
    events = bl.tee_words(tee)
    r["words"] = bl.excerpt(events, 18)
    games = split_games(tee)
    # Replay the game's words: every move of the program legal where it was made.
    if name not in ("detect", "plugin") and games:
        if protocol == "uci":
            rp = bl.uci_replay(games[-1])
            r["problems"] += bl.uci_against_xboard(ctx.program, games[-1], r)
        else:
            # pychess's book sets the position after the person's move
            # and the book's answer, and may take both back with undo
            rp = bl.Replay(setboard_keeps_moves=True)
            rp.feed(games[-1])
        r["problems"] += rp.problems
        if r.get("fen") and chesspos.key_of(r["fen"]) != chesspos.key_of(rp.pos.fen()):
            r["problems"].append("positions differ: pychess %s, words replayed %s" % (r["fen"], rp.pos.fen()))
        r["program_fen"] = rp.pos.fen()
    r["problems"] += bl.error_replies(games[-1] if games else [])
    if name.endswith("hint"):
        r["problems"] += analysis_problems(tee, r)


THINKING = re.compile(r"^ *(\d+) +-?\d+ +\d+ +\d+ +\S")                # CECP: ply score time nodes pv
INFO = re.compile(r"^info (?=.*\bpv \S)(?=.*\bscore )(?:.* )?depth (\d+)\b")   # UCI: a pv with its score


def analysis_problems(tee, r):
    """The hint analyzer's words (the copy of the program that got analyze,
    or go infinite or go movetime): its lines come depth after depth, and
    start again from depth 1 for each new position; in UCI every info line
    with a pv carries its score."""
    for _, events in bl.tee_processes(tee):
        if not any(d == ">" and (l == "analyze" or re.match(r"go (infinite|movetime)", l)) for _, d, l in events):
            continue
        lines = [l for _, d, l in events if d == "<"]
        depths = [int(m.group(1)) for m in (THINKING.match(l) or INFO.match(l) for l in lines) if m]
        r["analysis_depths"] = depths[:30]
        r["analysis_words"] = bl.excerpt([e for e in events if not e[2].startswith(("accepted", "option"))], 16)
        problems = ["the analyzer's line has a pv without a score: %s" % l for l in lines
                    if l.startswith("info") and " pv " in l and " score " not in l][:1]
        if max(depths, default=0) < 2 or depths.count(1) < 2:
            problems.append("the analyzer did not think depth after depth for two positions: depths %s" % depths[:20])
        return problems
    return ["no copy of the program was asked to analyse"]


def split_games(tee):
    """The words of each copy of the program that played a game (pychess
    starts one per game and per check, and its hint analyzer besides)."""
    games = [[e for e in ev if e[1] in (">", "<")] for _, ev in bl.tee_processes(tee)]

    # the game's engine (not pychess's hint analyzer, which gets only
    # "go infinite" or "go movetime")
    def plays(g):
        return any(d == ">" and (l == "go" or l.startswith("go ") and not re.search(r"infinite|movetime", l))
                   or d == "<" and l.startswith("move ") for _, d, l in g)
    return [g for g in games if plays(g)]


FLOWS = ["detect", "plugin", "white", "black", "takeback", "underpromotion", "hint"]
UCI_FLOWS = ["uci_hint", "uci_white", "uci_takeback"]


def protocol_of(name):
    return "uci" if name.startswith("uci") else (None if name == "plugin" else "xboard")


def main():
    if "--child" in sys.argv:
        ap = argparse.ArgumentParser()
        for flag in ("build", "--child", "--wrapper", "--result", "--tee", "--protocol"):
            ap.add_argument(flag)
        return child_main(ap.parse_args())
    ctx = bl.flow_context("pychess")
    names = ctx.a.flows.split(",") if ctx.a.flows else (UCI_FLOWS if ctx.a.uci else FLOWS)
    return bl.run_flows(ctx, [(name, run_flow) for name in names],
                        lambda name: "pychess" + (" (UCI)" if protocol_of(name) == "uci" else ""),
                        "pychess-uci-results.json" if ctx.a.uci else "pychess-results.json", display=False)


if __name__ == "__main__":
    bl.main(main)
