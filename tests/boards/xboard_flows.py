#!/usr/bin/python3
"""The chess program in the real xboard, flow by flow, words logged.

    tests/boards/xboard_flows.py BUILD_DIR [OUTDIR] [--flows a,b,...] [--uci]

Each flow starts its own xboard (Debian's, 4.9) on a virtual display with
the program as its first engine (xboard's default settings: protocol
version 2, its default time control), through tee_engine.py; "plugin" and
"first_move" take it from xboard's engine list instead, filled from the
plugin file of a `cmake --install --prefix /usr/local` staged in a private
mount namespace. A flow drives xboard with xdotool as a person would (moves
typed into its move box, menu choices by their keys), then compares
xboard's position (Edit > Copy Position) with the words replayed and with
the probe's answers; README.md lists the flows and the checks. With --uci
the program runs through polyglot (`-fcp PROGRAM -fUCI`): the flows
"uci_game" and "uci_two_machines".

Needs (Debian): xboard fairymax xvfb xdotool xclip pychess polyglot cmake;
runs as root (mount namespace). Exit status 0 when every flow passed.
"""
import os
import re
import subprocess
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boardlib as bl  # noqa: E402
import chesspos  # noqa: E402

XBOARD = "/usr/games/xboard"
BOARD_POINT = (380, 460)     # a square of xboard's board (h1-ish) for key presses


class XB:
    """One xboard with the program as its first engine."""

    def __init__(self, ctx, flow, extra=(), first=None, second=None, namespace=None, uci=False,
                 save_settings=False, root=None):
        self.ctx, self.flow, self.uci = ctx, flow, uci
        ctx.current = self
        self.finished = False
        self.debug = os.path.join(ctx.out, "xboard-%s.debug" % flow)
        self.tee = os.path.join(ctx.out, "xboard-%s.words" % flow)
        out = os.path.join(ctx.out, "xboard-%s.out" % flow)
        bl.fresh(self.debug, self.tee, out)
        self.root = root or os.path.join(ctx.work, "root-" + flow)
        os.makedirs(self.root, exist_ok=True)
        if first is None:
            first = bl.make_engine_wrapper(os.path.join(ctx.work, "chess"), ctx.program, self.tee)
        args = [XBOARD] + (["-fcp", first] if first != "plugin" else []) + [
            "-debugMode", "true", "-nameOfDebugFile", self.debug,
            "-saveSettingsOnExit", "true" if save_settings else "false",
            "-soundProgram", "", "-popupExitMessage", "false"]
        args += (["-fUCI"] if uci else []) + (["-scp", second] if second else []) + list(extra)
        argv = bl.in_namespace(args, self.root, namespace, keep=ctx.keep)
        self.started = time.time()
        self.proc = ctx.procs.spawn(argv, out,
                                    env=ctx.display.env(HOME=self.root), cwd=ctx.work)

    # --- the debug log ----------------------------------------------------------
    def text(self):
        return bl.read(self.debug)

    def count(self, regex):
        return len(re.findall(regex, self.text(), re.M))

    def wait(self, regex, n=1, timeout=30, what=None):
        bl.wait_until(lambda: self.count(regex) >= n or self.proc.poll() is not None, timeout, what or regex)
        if self.proc.poll() is not None:
            raise bl.Failure("xboard ended (%s)" % self.proc.returncode)

    def ready(self, timeout=40):
        """The program has answered xboard's opening (pong), or xboard gave up
        waiting for its features and sent the game set-up."""
        def ok():
            t = self.text()
            if re.search(r"^\d+ <first : pong", t, re.M):
                return True
            # protocol 1 program: xboard waits ~10 s, then sends new ... hard
            m = [int(x) for x in re.findall(r"^(\d+) >first : hard", t, re.M)]
            return any(x > 9000 for x in m) or (m and time.time() - self.started > 12)
        bl.wait_until(ok, timeout, "xboard and the program ready")
        time.sleep(0.3)

    def engine_moves(self):
        return self.count(r"^\d+ <first : move ")

    def wait_engine_move(self, before, timeout=30):
        self.wait(r"^\d+ <first : move ", before + 1, timeout, "the program's move")
        time.sleep(0.4)

    # --- a person at the board ---------------------------------------------------
    def key(self, *keys):
        self.ctx.display.key(*keys, pointer=BOARD_POINT)
        time.sleep(0.4)

    def type_move(self, word):
        """Types the move in xboard's move box; waits until xboard passes it on."""
        pat = r"^\d+ >first : (usermove \d+ >first : )?%s$" % word
        sent = self.count(pat)
        self.ctx.display.type(word, pointer=BOARD_POINT)
        time.sleep(0.2)
        self.ctx.display.key("Return")
        self.wait(pat, sent + 1, 10, "xboard to pass %s to the program" % word)

    def play(self, word, reply=True, timeout=30):
        before = self.engine_moves()
        self.type_move(word)
        if reply:
            self.wait_engine_move(before, timeout)

    def fen(self):
        """xboard's own position: Edit > Copy Position, read from the clipboard."""
        subprocess.run(["xclip", "-selection", "clipboard", "-i", "/dev/null"], env=self.ctx.display.env())
        self.key("shift+ctrl+c")
        out = bl.wait_until(lambda: subprocess.run(
            ["xclip", "-selection", "clipboard", "-o"], env=self.ctx.display.env(),
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.strip(), 5,
            "xboard's Copy Position")
        return out.splitlines()[0].strip()

    def paste_position(self, fen):
        p = subprocess.Popen(["xclip", "-selection", "clipboard", "-i"], stdin=subprocess.PIPE,
                             env=self.ctx.display.env(), start_new_session=True)
        p.communicate(fen.encode())
        time.sleep(0.2)
        self.key("shift+ctrl+v")

    def person_moves(self, n, reply=True):
        """n moves for the person: the first legal move in xboard's position
        from a fixed preference list, so that runs repeat."""
        for _ in range(n):
            legal = chesspos.Position(self.fen()).legal()
            if not legal:
                return
            self.play(bl.preferred(legal, legal[len(legal) // 2]), reply=reply)

    # --- the checks ------------------------------------------------------------------
    def finish(self, result, probe=None):
        self.finished = True
        probe = not self.uci if probe is None else probe
        problems = result["problems"]
        try:
            board = self.fen()
        except bl.Failure as e:
            board = None
            problems.append(str(e))
        events = bl.xboard_words(self.debug, "first")
        rp = bl.Replay()
        rp.feed(events)
        problems += rp.problems
        if board:
            result["board_fen"] = board
            result["program_fen"] = rp.pos.fen()
            if chesspos.key_of(board) != chesspos.key_of(rp.pos.fen()):
                problems.append("positions differ: xboard %s, words replayed %s" % (board, rp.pos.fen()))
        problems += bl.error_replies(events)
        text = self.text()
        for pat, what in [(r"Illegal move from first", "xboard refused a move of the program"),
                          (r"exited unexpectedly|broken pipe|first chess program .* exited", "the program died")]:
            m = re.search(r"^.*%s.*$" % pat, text, re.M)
            if m:
                problems.append("%s: %s" % (what, m.group(0).strip()))
        if probe and board and os.path.exists(self.tee):
            if re.search(r"<first : (feature .*ping=1|pong)", text):
                problems += bl.run_probe(self.tee, board, status=result)
            else:
                result["probe"] = "n/a (the program does not answer ping)"
        if self.uci:
            # what polyglot told the program, in UCI: every bestmove legal
            # where it was made, and the last position plus its answer is
            # xboard's (when the program had the last move)
            uci_events = [e for e in bl.tee_words(self.tee) if e[1] in (">", "<")]
            urp = bl.uci_replay(uci_events)
            problems += urp.problems + bl.uci_against_xboard(self.ctx.program, uci_events, result)
            if board and uci_events and uci_events[-1][2].startswith("bestmove") and \
                    chesspos.key_of(board) != urp.pos.key():
                problems.append("positions differ: xboard %s, UCI words replayed %s" % (board, urp.pos.fen()))
            result["uci_words"] = bl.excerpt(uci_events)
        result["words"] = bl.excerpt(events)
        result["engine_moves"] = len(rp.engine_moves)


def _start_and_quit(ctx, flow, usr_local, root=None):
    xb = XB(ctx, flow, first="plugin", namespace=usr_local, save_settings=True, root=root)
    xb.wait(r"StartChildProcess", 1, 20)
    time.sleep(2)
    xb.key("ctrl+q")                     # File > Quit saves ~/.xboardrc
    bl.wait_until(lambda: xb.proc.poll() is not None, 15, "xboard to quit")
    return xb


def _engine_list(xb):
    """The engines xboard lists in the ~/.xboardrc it saved."""
    lst = re.search(r"-firstChessProgramNames \{(.*?)\}", bl.read(os.path.join(xb.root, ".xboardrc")), re.S)
    return lst.group(1).strip().splitlines() if lst else []


def flow_plugin(ctx, r):
    # 0. A user who has run xboard before: ~/.xboardrc exists, with the time
    # it was saved (xboard takes only plugin files newer than that).
    empty = os.path.join(ctx.work, "empty-usr-local")
    os.makedirs(empty, exist_ok=True)
    before = _start_and_quit(ctx, "plugin-before", empty)
    time.sleep(1.5)
    # 1. cmake --install --prefix /usr/local (staged), then xboard again:
    # its autoInstall reads the plugin folders and lists the program.
    stage = os.path.join(ctx.work, "stage")
    usr_local = bl.install_staged(ctx.build, stage)
    eng = os.path.join(usr_local, "share/games/plugins/xboard/chess.eng")
    r["plugin_file"] = bl.read(eng)
    saved = re.search(r"-saveDate (\d+)", bl.read(os.path.join(before.root, ".xboardrc")))
    r["plugin_file_newer_than_xboardrc"] = bool(saved) and os.path.getmtime(eng) > int(saved.group(1))
    r["engine_list"] = _engine_list(_start_and_quit(ctx, "plugin-register", usr_local, root=before.root))
    if not any("/usr/local/bin/chess" in l for l in r["engine_list"]):
        r["problems"].append("xboard's engine list, after the install into /usr/local, does not name "
                             "/usr/local/bin/chess (plugin file %s than ~/.xboardrc): %s"
                             % ("newer" if r["plugin_file_newer_than_xboardrc"] else "older",
                                r["engine_list"]))


def flow_first_move(ctx, r):
    """The time from xboard's start to the program's first move, with the
    program picked from xboard's engine list (filled from the installed
    plugin file on xboard's first start) and xboard's default options."""
    stage = os.path.join(ctx.work, "stage")
    usr_local = bl.install_staged(ctx.build, stage)
    xb = _start_and_quit(ctx, "first_move-register", usr_local)
    if not any("/usr/local/bin/chess" in l for l in _engine_list(xb)):
        r["problems"].append("xboard did not list /usr/local/bin/chess on its first start")
        return
    # Started again with the program picked from the list by its nickname
    # (what Engine > Load New 1st Engine does), Machine White from the start.
    t0 = time.time()
    xb2 = XB(ctx, "first_move", first="plugin", namespace=usr_local, root=xb.root,
             extra=["-fe", "chess", "-mode", "MachineWhite"])
    xb2.wait(r"^\d+ <first : move ", 1, 40, "the program's first move")
    r["first_move_s_wall"] = round(time.time() - t0, 2)
    text = xb2.text()
    m = re.search(r"^(\d+) <first : move (\S+)", text, re.M)
    started = re.search(r"StartChildProcess \(dir=\"[^\"]*\"\) (\S+)", text)
    r["engine_command"] = started.group(1) if started else "?"
    r["first_move"], r["first_move_ms_xboard_clock"] = m.group(2), int(m.group(1))
    if r["engine_command"] != "/usr/local/bin/chess":
        r["problems"].append("xboard started %s, not the installed program" % r["engine_command"])
    # xboard waits for the features (up to its feature timeout) unless
    # done=1 comes before its next word after protover
    after = re.search(r"^(?:\d+ >first : )?protover 2\n((?:.*\n)*?)\d+ >first : ", text, re.M)
    if not after or not re.search(r"<first : feature .*done=1", after.group(1)):
        r["problems"].append("xboard went on before the program's feature line with done=1")
    xb2.finish(r, probe=False)


# xboard's menu keys
MACHINE_WHITE, MACHINE_BLACK, EDIT_GAME, EDIT_POSITION = "ctrl+w", "ctrl+b", "ctrl+e", "shift+ctrl+e"
RETRACT, BACK, NEW_GAME, TWO_MACHINES, ANALYSIS_MODE = "ctrl+x", "alt+Left", "ctrl+n", "ctrl+t", "ctrl+a"
EDIT_WHITE = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"
EDIT_BLACK = "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPP2PPP/RNBQKBNR b KQkq e3 0 3"


def _edit_position(xb, fen):
    xb.key(EDIT_POSITION)
    time.sleep(0.5)
    xb.paste_position(fen)               # Paste Position while editing
    time.sleep(0.5)
    xb.key(EDIT_GAME)                    # leaving, xboard sends the position
    time.sleep(0.5)


def steps(*todo, uci=False):
    """A flow of steps on one xboard: ("person", N) N moves of the person;
    ("machine", KEY) a menu key after which the program must move; ("key",
    KEY); ("play", MOVE) a move the program answers; ("enter", "MOVES")
    moves in Edit Game; ("sent", WORD) xboard must send WORD; ("position",
    FEN) Edit Position with FEN pasted. UCI: the program behind polyglot."""
    def flow(ctx, r):
        xb = XB(ctx, r["flow"], uci=uci)
        xb.ready(60 if uci else 40)
        for step, arg in todo:
            if step == "person":
                xb.person_moves(arg)
            elif step == "machine":
                n = xb.engine_moves()
                xb.key(arg)
                xb.wait_engine_move(n)
            elif step == "key":
                xb.key(arg)
            elif step == "play":
                xb.play(arg)
            elif step == "enter":
                for word in arg.split():
                    xb.play(word, reply=False)
            elif step == "sent":
                xb.wait(r"^\d+ >first : %s" % arg, 1, 10, arg)
            elif step == "position":
                _edit_position(xb, arg)
            time.sleep(0.3)
        xb.finish(r)
    return flow


def flow_new_after_mate(ctx, r):
    xb = XB(ctx, "new_after_mate")
    xb.ready()
    xb.key(EDIT_GAME)
    for w in ("f2f3", "e7e5", "g2g4"):
        xb.play(w, reply=False)
    n = xb.engine_moves()
    xb.key(MACHINE_BLACK)                # mate in one (Qh4)
    xb.wait_engine_move(n)
    r["mating_move"] = re.findall(r"<first : move (\S+)", xb.text())[-1]
    try:
        xb.wait(r"^\d+ >first : result", 1, 10, "xboard to end the game")
    except bl.Failure as e:
        r["problems"].append(str(e))
    xb.key(NEW_GAME)
    xb.wait(r"^\d+ >first : new", xb.count(r"^\d+ >first : new") + 0, 10)
    time.sleep(1)
    xb.person_moves(2)
    xb.finish(r)


def flow_two_machines(ctx, r, uci=False):
    xb = XB(ctx, r["flow"], extra=["-tc", "1", "-mps", "40"], second="fairymax", uci=uci)
    xb.ready(60)
    xb.key(TWO_MACHINES)
    xb.wait(r"^\d+ <first : move ", 8, 90, "8 moves by the program")
    xb.key(EDIT_GAME)                    # both machines stop
    time.sleep(1.5)
    xb.finish(r)


def flow_underpromotion(ctx, r):
    xb = XB(ctx, "underpromotion")
    xb.ready()
    _edit_position(xb, bl.UNDERPROMOTION_FEN)
    n = xb.engine_moves()
    xb.key(MACHINE_BLACK)                # the program plays Black, to move
    xb.wait_engine_move(n)
    xb.play("e7e8n")                     # the person promotes to a knight
    r["board_after"] = xb.fen()
    if "N" not in r["board_after"].split()[0]:
        r["problems"].append("xboard did not make a knight: %s" % r["board_after"])
    xb.person_moves(1)
    xb.finish(r)


def flow_hint(ctx, r):
    """Engine > Hint at the person's turn: xboard sends hint, the program
    answers with a move for the person, legal on xboard's board."""
    xb = XB(ctx, "hint")
    xb.ready()
    xb.person_moves(2)
    xb.ctx.display.click(272, 13)        # the Engine menu
    time.sleep(0.5)
    xb.ctx.display.click(281, 188)       # Hint
    xb.wait(r"^\d+ <first : Hint: ", 1, 10, "the program's hint")
    time.sleep(0.5)
    xb.ctx.display.click(152, 41)        # OK on xboard's "Hint: ..." box
    hint = re.findall(r"^\d+ <first : Hint: (\S+)", xb.text(), re.M)[-1]
    r["hint"] = hint
    if chesspos.Position(xb.fen()).normalise(hint) is None:
        r["problems"].append("the hint %s is not legal on xboard's board" % hint)
    xb.person_moves(1)
    xb.finish(r)


THINKING = re.compile(r"^\d+ <first : *(\d+) +-?\d+ +\d+ +\d+ +\S", re.M)


def flow_analysis(ctx, r):
    """Mode > Analysis Mode: thinking lines arrive depth after depth; a move
    made meanwhile starts the analysis again from depth 1 in the new
    position; Edit Game leaves the mode (exit)."""
    xb = XB(ctx, "analysis")
    xb.ready()
    xb.person_moves(1)
    xb.key(ANALYSIS_MODE)
    xb.wait(r"^\d+ >first : analyze", 1, 10, "xboard to send analyze")
    bl.wait_until(lambda: len(THINKING.findall(xb.text().split(">first : analyze", 1)[1])) >= 3, 30,
                  "three depths of thinking")
    xb.type_move("d2d4")
    move_at = re.search(r"^\d+ >first : (usermove \d+ >first : )?d2d4$", xb.text(), re.M).start()
    bl.wait_until(lambda: len(THINKING.findall(xb.text()[move_at:])) >= 4, 30, "depths after the move")
    ctx.display.screenshot(os.path.join(ctx.out, "xboard-analysis-thinking.png"))
    before = [int(d) for d in THINKING.findall(xb.text()[xb.text().index(">first : analyze"):move_at])]
    after = [int(d) for d in THINKING.findall(xb.text()[move_at:])]
    # lines of the search under way may still come before the new one starts
    stale = after.index(1) if 1 in after else len(after)
    r["depths_before_the_move"], r["depths_after_the_move"] = before[:12], after[:12]
    r["old_lines_after_the_move"] = stale
    if before[:3] != [1, 2, 3] or after[stale:stale + 3] != [1, 2, 3]:
        r["problems"].append("the analysis does not go depth by depth from 1, before and after the move: %s, %s"
                             % (before[:6], after[:6]))
    xb.key(EDIT_GAME)
    xb.wait(r"^\d+ >first : exit", 1, 10, "xboard to leave the analysis (exit)")
    time.sleep(1)
    xb.finish(r)


FLOWS = [("first_move", flow_first_move), ("plugin", flow_plugin),
         ("person_white", steps(("person", 3))),
         ("person_black", steps(("machine", MACHINE_WHITE), ("person", 3))),
         ("machine_black_start", steps(("key", MACHINE_BLACK), ("person", 3))),   # already the mode
         ("machine_white_mid", steps(("person", 2), ("machine", MACHINE_WHITE), ("person", 2))),
         ("machine_black_mid", steps(("machine", MACHINE_WHITE), ("person", 1), ("machine", MACHINE_BLACK),
                                     ("person", 2))),
         ("retract", steps(("play", "e2e4"), ("play", "d2d4"), ("key", RETRACT), ("sent", "remove"),
                           ("play", "g1f3"), ("person", 1))),
         ("edit_game_back", steps(("key", EDIT_GAME), ("enter", "e2e4 e7e5 g1f3 b8c6"), ("key", BACK),
                                  ("key", BACK), ("machine", MACHINE_WHITE), ("person", 2))),
         ("edit_position_white", steps(("position", EDIT_WHITE), ("machine", MACHINE_WHITE), ("person", 2))),
         ("edit_position_black", steps(("position", EDIT_BLACK), ("machine", MACHINE_BLACK), ("person", 2))),
         ("new_after_mate", flow_new_after_mate), ("two_machines", flow_two_machines),
         ("underpromotion", flow_underpromotion), ("hint", flow_hint), ("analysis", flow_analysis)]
UCI_FLOWS = [("uci_game", steps(("person", 4), uci=True)), ("uci_two_machines", lambda ctx, r: flow_two_machines(ctx, r, uci=True))]


def main():
    ctx = bl.flow_context("xboard")
    table = bl.pick_flows(ctx, FLOWS, UCI_FLOWS)
    uci_only = all(name.startswith("uci") for name, _ in table)
    return bl.run_flows(ctx, table, lambda name: "xboard" + (" + polyglot" if name.startswith("uci") else ""),
                        "xboard-uci-results.json" if uci_only else "xboard-results.json",
                        words=lambda name: bl.xboard_words(os.path.join(ctx.out, "xboard-%s.debug" % name)))


if __name__ == "__main__":
    bl.main(main)
