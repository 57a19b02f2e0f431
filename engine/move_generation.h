// Legal move generation and attack tests for the search. They give the same
// moves as the legality test, in the same order (origin file, origin rank,
// target file, target rank), but find them from square sets: each piece's
// targets from the attack tables, then what keeps the own king safe, from
// the checks and pins found once per position.
#pragma once

#include <cassert>
#include <cstdint>

#include "engine/side.h"
#include "engine/square_set.h"
#include "model/board.h"

struct GeneratedMove {
  std::uint8_t from;  // square index, file * 8 + rank
  std::uint8_t to;
  bool operator==(const GeneratedMove&) const = default;
};

// Enough for any position: no legal position has more than 218 moves.
constexpr int kMaxMoves = 256;

struct MoveList {
  GeneratedMove moves[kMaxMoves];
  int count = 0;

  void Add(GeneratedMove move) {
    assert(count < kMaxMoves);
    moves[count++] = move;
  }
};

// The board as sets: each side's pieces of each kind, and all of its pieces.
struct PieceSets {
  SquareSet pieces[kSides][kPieceKinds];
  SquareSet bySide[kSides];

  SquareSet Of(Side side, PieceKind kind) const { return pieces[IndexOf(side)][kind]; }
  SquareSet Of(Side side) const { return bySide[IndexOf(side)]; }
  SquareSet Occupied() const { return bySide[0] | bySide[1]; }
  bool operator==(const PieceSets&) const = default;
};

PieceSets SetsOf(const Board* board);

// The position as the search carries it: the model's board and last move
// (ApplyMove keeps them exact), the side to move, the board as sets, its
// material and placement from White's point of view, and whether the side
// that has just moved is in check (only in a set-up position: a legal move
// never leaves its own king attacked).
struct SearchBoard {
  Board board;
  Move lastMove;
  Side mover;
  PieceSets sets;
  int materialAndPlacement;
  bool opponentInCheck;
};

SearchBoard MakeSearchBoard(const Board* board, Move lastMove);

// The position after a generated move, whose last move carries the rights.
SearchBoard PlayMove(const SearchBoard& parent, GeneratedMove move);

// What the legal moves are built from, found once per position: the
// mover's king, its checkers and its pinned pieces.
struct Analysis {
  int king;                // the mover's king (the first in board order), or kNoSquare
  SquareSet checkers;      // enemy pieces attacking it
  SquareSet pinned;        // own pieces alone between it and an enemy slider
  SquareSet answersCheck;  // where a piece other than the king must go: every square out of check
};

Analysis Analyse(const SearchBoard& position);

// The square an en passant capture lands on, right after an enemy pawn's
// double step, or kNoSquare. The pawn taken stands on the last move's target.
int EnPassantTarget(const SearchBoard& position);

// All legal moves of the side to move, in generation order; whether there is
// one at all; the captures, the most valuable victim first and each victim's
// cheapest attacker first; all moves, those captures first and then the rest
// in generation order.
void GenerateMoves(const SearchBoard& position, const Analysis& analysis, MoveList* list);
bool HasLegalMove(const SearchBoard& position, const Analysis& analysis);
void GenerateCapturesMostValuableFirst(const SearchBoard& position, const Analysis& analysis, MoveList* list);
void GenerateMovesCapturesFirst(const SearchBoard& position, const Analysis& analysis, MoveList* list);
// The legal moves that take no piece standing on their target (en passant
// among them), in generation order, added after those already in the list.
void AddNonCaptures(const SearchBoard& position, const Analysis& analysis, MoveList* list);

// Every piece of `attacker` that attacks the square among `occupied`.
SquareSet AttackersOf(const PieceSets& sets, int square, Side attacker, SquareSet occupied);

// The same on the model's types, for `side` in the position reached by
// `lastMove`; the captures (moves onto an enemy piece) in generation order.
void GenerateMoves(const Board* board, Move lastMove, Side side, MoveList* list);
void GenerateCaptures(const Board* board, Move lastMove, Side side, MoveList* list);
bool HasLegalMove(const Board* board, Move lastMove, Side side);

// Whether a piece of `attacker` attacks the square (kings included); whether
// the king of `side` stands attacked (a missing king never is).
bool IsSquareAttackedBy(const Board* board, int square, Side attacker);
bool IsKingInCheck(const Board* board, Side side);

// Whether a piece with the letter `slider` is the first piece met from
// `square` along a diagonal, or along a file or rank; whether a knight with
// the letter `knight` stands a knight's jump away.
bool IsReachedAlongDiagonals(const Board* board, int square, char slider);
bool IsReachedAlongLines(const Board* board, int square, char slider);
bool IsReachedByKnight(const Board* board, int square, char knight);

// The move record for a generated move, carrying the rights of `lastMove`.
inline Move ToMove(GeneratedMove move, Move lastMove) {
  return BuildMove(move.from / kBoardSize, move.from % kBoardSize, move.to / kBoardSize, move.to % kBoardSize,
                   lastMove);
}
