"""The chess rules the checks compare against: pychess's own move generator
(Debian package pychess, module pychess.Utils.lutils), wrapped so that moves
are coordinate words as the engines write them (e2e4, e1g1, e7e8n)."""
import sys

sys.path.insert(0, "/usr/lib/python3/dist-packages")
from pychess.Utils.lutils import lmove, lmovegen  # noqa: E402
from pychess.Utils.lutils.LBoard import LBoard  # noqa: E402

START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def _board(fen):
    board = LBoard()
    board.applyFen(fen)
    return board


def _word(board, move):
    text = lmove.toAN(board, move)
    white = board.color == 0
    if text in ("O-O", "O-O-O"):
        rank = "1" if white else "8"
        return "e" + rank + ("g" if text == "O-O" else "c") + rank
    return text.replace("=", "").lower()


class Position:
    """A position and the moves that led to it from the last set-up."""

    def __init__(self, fen=START_FEN):
        self.setup = fen
        self.moves = []
        self.board = _board(fen)

    def copy(self):
        other = Position(self.setup)
        for m in self.moves:
            other.push(m)
        return other

    def fen(self):
        return self.board.asFen()

    def white_to_move(self):
        return self.board.color == 0

    def _moves(self):
        """The legal moves by their words; a promotion in all four forms."""
        b = self.board
        return {_word(b, m): m for m in lmovegen.genAllMoves(b) if not b.willLeaveInCheck(m)}

    def legal(self):
        return sorted(self._moves())

    def normalise(self, word):
        """The word as legal() spells it (a promotion without a letter gives a
        queen), or None when it is not a legal move here."""
        word = word.strip().lower()
        legal = self.legal()
        return next((w for w in (word, word + "q") if w in legal), None)

    def push(self, word):
        w = self.normalise(word)
        if w is None:
            raise ValueError("illegal move %s in %s" % (word, self.fen()))
        self.board.applyMove(self._moves()[w])
        self.moves.append(w)
        return w

    def pop(self):
        if not self.moves:
            return False
        self.moves.pop()
        self.board = self.copy().board     # the moves left, played again from the set-up
        return True

    def key(self):
        return key_of(self.fen())

    def path_to(self, fen, plies=2):
        """The moves (at most plies of them) that lead from here to FEN, or
        None. A board that sets a position one or two half-moves on from the
        engine's (pychess after a book move: the person's move and the
        book's answer) expects them to be taken back by undo."""
        target = key_of(fen)
        board = _board(self.fen())

        def search(depth):
            if key_of(board.asFen()) == target:
                return []
            if depth == 0:
                return None
            for m in lmovegen.genAllMoves(board):
                if board.willLeaveInCheck(m):
                    continue
                word = _word(board, m)
                board.applyMove(m)
                rest = search(depth - 1)
                board.popMove()
                if rest is not None:
                    return [word] + rest
            return None
        path = search(plies)
        return path if path else None

    def is_over(self):
        return not self.legal()


def key_of(fen):
    """The part of a FEN that decides the game from here: pieces, side to
    move, castling rights, and the en passant square only when a capture
    there is legal."""
    pieces, side, castling, ep = (fen.split() + ["-"] * 4)[:4]
    if ep != "-":
        try:
            pos = Position(" ".join([pieces, side, castling, ep, "0", "1"]))
            # a pawn (pychess's piece 1) taking on the square from another file
            if not any(m[2:4] == ep and m[0] != ep[0] and pos.board.arBoard[_square(m[:2])] == 1
                       for m in pos.legal()):
                ep = "-"
        except Exception:  # pychess refuses some FENs; keep the field as given
            pass
    return " ".join([pieces, side, castling or "-", ep])


def _square(name):
    return (int(name[1]) - 1) * 8 + "abcdefgh".index(name[0])


def valid_fen(fen):
    try:
        Position(fen)
        return True
    except Exception:
        return False
