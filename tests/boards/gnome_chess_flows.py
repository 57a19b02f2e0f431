#!/usr/bin/python3
"""The chess program in the real gnome-chess (Debian's, 43), words logged.

    tests/boards/gnome_chess_flows.py BUILD_DIR [OUTDIR] [--flows a,b] [--uci] [--level L]

Each flow starts gnome-chess in its own D-Bus session (dbus-run-session) on
a virtual display, with a private HOME whose engines.conf holds the entry
README.md gives (tee_engine.py around the program, on PATH), its settings
(opponent, colour, level) set with gsettings; the person's moves are mouse
clicks on the squares. At the end the probe (CECP only) compares the moves
the program accepts with the words replayed, and the game gnome-chess saves
on Ctrl+Q (autosave.pgn) must equal the words replayed.

Flows: white, black, undo, game_end (the person plays weak moves until the
game ends). Needs (Debian): gnome-chess xvfb xdotool dbus pychess. Exit
status 0 when every flow passed.
"""
import os
import re
import sys
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boardlib as bl  # noqa: E402
import chesspos  # noqa: E402

GNOME_CHESS = "/usr/games/gnome-chess"
# The board in gnome-chess's default 700x550 window (top-left corner of a8
# with White at the bottom, and the side of a square), in screen pixels.
BOARD_X, BOARD_Y, SQUARE = 157.8, 82.5, 48.05
WEAK_MOVES = ["f2f3", "g2g4", "f7f6", "g7g5", "e1f2", "e8f7", "h2h4", "h7h5", "a2a3", "a7a6"]


class GC:
    def __init__(self, ctx, flow, play_as):
        uci = ctx.a.uci
        self.ctx, self.flow, self.play_as, self.uci = ctx, flow, play_as, uci
        self.finished = self.game_over = False
        ctx.current = self
        self.home = os.path.join(ctx.work, "home-" + flow)
        home_env = bl.private_home(self.home)
        conf = os.path.join(self.home, ".config", "gnome-chess")
        os.makedirs(conf)
        bindir = os.path.join(ctx.work, "bin-" + flow)
        self.tee = os.path.join(ctx.out, "gnome-chess-%s.words" % flow)
        bl.make_engine_wrapper(os.path.join(bindir, "chess"), ctx.program, self.tee)
        with open(os.path.join(conf, "engines.conf"), "w") as f:
            # The entries the README gives, its levels as depths 1, 2 and 5.
            if uci:
                f.write("[Chess]\nprotocol=uci\nbinary=chess\n"
                        "uci-go-option-easy-0=depth 1\nuci-go-option-normal-0=depth 2\n"
                        "uci-go-option-hard-0=depth 5\n")
            else:
                f.write("[Chess]\nprotocol=cecp\nbinary=chess\ndelay-before-move=0\n"
                        "option-easy-0=sd 1\noption-normal-0=sd 2\noption-hard-0=sd 5\n")
        script = os.path.join(ctx.work, "start-%s.sh" % flow)
        with open(script, "w") as f:
            f.write("gsettings set org.gnome.Chess opponent 'Chess'\n"
                    "gsettings set org.gnome.Chess play-as '%s'\n"
                    "gsettings set org.gnome.Chess difficulty '%s'\n"
                    "gsettings set org.gnome.Chess board-side 'human'\n"
                    "exec %s\n" % (play_as, ctx.a.level, GNOME_CHESS))
        env = ctx.display.env(PATH=bindir + ":" + os.environ["PATH"], NO_AT_BRIDGE="1", **home_env)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.proc = ctx.procs.spawn(["dbus-run-session", "--", "sh", script],
                                    os.path.join(ctx.out, "gnome-chess-%s.out" % flow), env=env)
        bl.wait_until(lambda: self.events(), 30, "gnome-chess to start the program")
        time.sleep(2)

    def events(self):
        return [e for e in bl.tee_words(self.tee) if e[1] in (">", "<")]

    def engine_moves(self):
        pat = r"^bestmove \S+" if self.uci else r"^move \S+"
        return sum(1 for _, d, l in self.events() if d == "<" and re.match(pat, l))

    def wait_engine_move(self, before, timeout=30):
        bl.wait_until(lambda: self.engine_moves() > before or self.proc.poll() is not None,
                      timeout, "the program's move")
        if self.proc.poll() is not None:
            raise bl.Failure("gnome-chess ended")
        time.sleep(0.8)

    def replay(self):
        if self.uci:
            return bl.uci_replay(self.events())
        rp = bl.Replay()
        rp.feed(self.events())
        return rp

    def square(self, name):
        f = "abcdefgh".index(name[0])
        r = int(name[1]) - 1
        if self.play_as == "black":
            f, r = 7 - f, 7 - r
        return (int(BOARD_X + SQUARE * (f + 0.5)), int(BOARD_Y + SQUARE * (7 - r + 0.5)))

    def click_move(self, word):
        d = self.ctx.display
        d.click(*self.square(word[:2]))
        time.sleep(0.2)
        d.click(*self.square(word[2:4]))
        d.xdo("mousemove", 1000, 900)

    def person_move(self, word, reply=True):
        before = self.engine_moves()
        sent = self._sent_moves()
        self.click_move(word)
        bl.wait_until(lambda: self._sent_moves() > sent, 10, "gnome-chess to pass %s on" % word)
        if reply:
            self.wait_engine_move(before)

    def _sent_moves(self):
        sent = r"^position" if self.uci else r"^(usermove )?[a-h][1-8][a-h][1-8][qrbn]?$"
        return sum(1 for _, d, l in self.events() if d == ">" and re.match(sent, l))

    def pick(self, weak=False):
        pos = self.replay().pos
        legal = [m for m in pos.legal() if len(m) == 4]      # no promotion dialog
        if not legal:
            return None
        return bl.preferred(legal, legal[(len(pos.moves) * 7) % len(legal)],
                            WEAK_MOVES if weak else bl.PREFERRED_MOVES)

    def person_moves(self, n, weak=False):
        for _ in range(n):
            w = self.pick(weak)
            if w is None:
                return
            self.person_move(w)

    def finish(self, r, probe=True):
        self.finished = True
        problems = r["problems"]
        rp = self.replay()
        problems += rp.problems + (bl.uci_against_xboard(self.ctx.program, self.events(), r) if self.uci else [])
        if probe and not self.uci:
            problems += bl.run_probe(self.tee, rp.pos.fen(), status=r)
        # Ctrl+Q: gnome-chess saves the game it shows, then ends the program.
        self.ctx.display.key("ctrl+q", pointer=(400, 300))
        try:
            bl.wait_until(lambda: self.proc.poll() is not None, 15, "gnome-chess to quit")
        except bl.Failure as e:
            problems.append(str(e))
        pgn = bl.read(os.path.join(self.home, ".local", "share", "gnome-chess", "autosave.pgn"))
        r["pgn"] = pgn.strip().splitlines()[-1] if pgn.strip() else ""
        board = None
        if pgn:
            try:
                board = pgn_position(pgn)
            except Exception as e:
                problems.append("could not replay gnome-chess's saved game: %r" % e)
        elif self.game_over:
            # gnome-chess keeps no finished game: its verdict is in the title
            # ("Black Wins"), and the words replayed must end the same way.
            pos = rp.pos
            title = r.get("title", "")
            mated = pos.is_over() and not pos.legal() and pos.board.isChecked()
            want = ("White Wins" if not pos.white_to_move() else "Black Wins") if mated else "Draw"
            if want not in title and not (want == "Draw" and "drawn" in title.lower()):
                problems.append("gnome-chess shows %r, the words replayed give %s" % (title, want))
        else:
            problems.append("gnome-chess saved no game")
        if board is not None:
            r["board_fen"] = board.fen()
            r["program_fen"] = rp.pos.fen()
            if board.key() != rp.pos.key():
                problems.append("positions differ: gnome-chess %s, words replayed %s" % (board.fen(), rp.pos.fen()))
        problems += bl.error_replies(self.events())
        r["words"] = bl.excerpt(self.events())
        r["engine_moves"] = self.engine_moves()


def pgn_position(pgn):
    body = "\n".join(l for l in pgn.splitlines() if not l.startswith("["))
    body = re.sub(r"\{[^}]*\}", " ", body)
    fen = re.search(r'\[FEN "([^"]+)"\]', pgn)
    pos = chesspos.Position(fen.group(1) if fen else chesspos.START_FEN)
    from pychess.Utils.lutils import lmove
    for tok in body.split():
        tok = re.sub(r"^\d+\.+", "", tok)                # the move number
        if tok and tok not in ("*", "1-0", "0-1", "1/2-1/2"):
            pos.push(chesspos._word(pos.board, lmove.parseSAN(pos.board, tok)))
    return pos


def flow_white(ctx, r):
    gc = GC(ctx, r["flow"], "white")
    gc.person_moves(3)
    gc.finish(r)


def flow_black(ctx, r):
    gc = GC(ctx, r["flow"], "black")
    gc.wait_engine_move(0)
    gc.person_moves(3)
    gc.finish(r)


def flow_undo(ctx, r):
    gc = GC(ctx, r["flow"], "white")
    gc.person_moves(2)
    gc.ctx.display.key("ctrl+z", pointer=(400, 300))   # Undo: the person's move and the reply
    time.sleep(1.5)
    gc.person_move("b1c3")
    gc.person_moves(1)
    gc.finish(r)


def flow_game_end(ctx, r):
    gc = GC(ctx, r["flow"], "white")
    for _ in range(60):
        w = gc.pick(weak=True)
        if w is None:
            break
        before = gc.engine_moves()
        gc.person_move(w, reply=False)
        try:
            gc.wait_engine_move(before, 30)
        except bl.Failure:
            if gc.replay().pos.is_over():
                break
            raise
        if gc.replay().pos.is_over():
            break
    time.sleep(1)
    pos = gc.replay().pos
    r["final"] = pos.fen()
    if not pos.is_over():
        r["problems"].append("the game did not end within 60 moves")
    title = " ".join(gc.ctx.display.xdo("getwindowname", w).strip()
                     for w in gc.ctx.display.windows("."))
    r["title"] = title[:200]
    gc.game_over = True
    gc.finish(r, probe=False)


FLOWS = [("white", flow_white), ("black", flow_black), ("undo", flow_undo), ("game_end", flow_game_end)]


def main():
    ctx = bl.flow_context("gnome-chess", [("--level", dict(choices=["easy", "normal", "hard"], default="easy"))])
    uci = "uci_" if ctx.a.uci else ""
    table = [(uci + name, fn) for name, fn in FLOWS if not ctx.a.flows or name in ctx.a.flows.split(",")]
    return bl.run_flows(ctx, table, lambda name: "gnome-chess" + (" (UCI)" if uci else " (CECP)"),
                        "gnome-chess-%sresults.json" % uci.replace("_", "-"),
                        words=lambda name: bl.tee_words(os.path.join(ctx.out, "gnome-chess-%s.words" % name)))


if __name__ == "__main__":
    bl.main(main)
