#include "engine/move_generation.h"

#include <array>

#include "model/apply_move.h"
#include "rules/check.h"

namespace {

struct Step {
  int file;
  int rank;
};

constexpr Step kKnightSteps[8] = {{-2, -1}, {-2, 1}, {-1, -2}, {-1, 2}, {1, -2}, {1, 2}, {2, -1}, {2, 1}};

// For every square, the squares one step away in each direction, or -1 off
// the board; rays are followed one step at a time through this table.
struct StepTable {
  std::array<std::array<std::int8_t, 8>, kSquareCount> target;
};

constexpr StepTable MakeStepTable(const Step (&steps)[8]) {
  StepTable table{};
  for (int square = 0; square < kSquareCount; ++square) {
    for (int i = 0; i < 8; ++i) {
      const int file = square / kBoardSize + steps[i].file;
      const int rank = square % kBoardSize + steps[i].rank;
      const bool on = file >= 0 && file < kBoardSize && rank >= 0 && rank < kBoardSize;
      table.target[square][i] = static_cast<std::int8_t>(on ? SquareIndex(file, rank) : -1);
    }
  }
  return table;
}

constexpr Step kAllDirections[8] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};
constexpr StepTable kKnightTable = MakeStepTable(kKnightSteps);
constexpr StepTable kNeighbours = MakeStepTable(kAllDirections);
// Indices into kAllDirections of the diagonal and the straight directions.
constexpr int kDiagonalDirections[4] = {0, 2, 5, 7};
constexpr int kLineDirections[4] = {1, 3, 4, 6};

// The first occupied square from `square` in direction `direction`, or -1.
int FirstPieceOnRay(const Board* board, int square, int direction) {
  for (int next = kNeighbours.target[square][direction]; next >= 0; next = kNeighbours.target[next][direction]) {
    if (board->squares[next] != kEmptySquare) return next;
  }
  return -1;
}

// Whether the first piece met along one of the rays is `slider` or `queen`.
bool FirstOnRaysIs(const Board* board, int square, const int (&directions)[4], char slider, char queen) {
  for (int direction : directions) {
    const int hit = FirstPieceOnRay(board, square, direction);
    if (hit >= 0 && (board->squares[hit] == slider || board->squares[hit] == queen)) return true;
  }
  return false;
}

// The target squares of one piece; a queen has at most 27.
constexpr int kMaxTargets = 32;
struct Targets {
  int squares[kMaxTargets];
  int count = 0;

  void Add(int square) {
    assert(count < kMaxTargets);
    squares[count++] = square;
  }
  void Sort() {
    for (int i = 1; i < count; ++i) {
      const int square = squares[i];
      int j = i;
      for (; j > 0 && squares[j - 1] > square; --j) squares[j] = squares[j - 1];
      squares[j] = square;
    }
  }
};

enum class Wanted { kAllMoves, kCapturesOnly };

// Finds the legal moves of one side and hands each, in generation order, to
// `keep`, which answers whether to go on.
template <typename Keep>
struct Generator {
  const Board* board;
  Move lastMove;
  Side mover;
  Wanted wanted;
  Keep keep;
  int kingSquare = kNoSquare;  // the mover's king, found once

  bool IsOwn(char c) const { return IsPieceOf(mover, c); }
  bool IsEnemy(char c) const { return IsPieceOf(Opponent(mover), c); }

  // Keeps the move if it does not leave the mover's king attacked. Returns
  // false once `keep` wants no more moves.
  bool Try(int from, int to) {
    if (wanted == Wanted::kCapturesOnly && !IsEnemy(board->squares[to])) return true;
    Move move = ToMove({static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)}, lastMove);
    Board after;
    ApplyMove(board, &move, &after);
    const int king = from == kingSquare ? to : kingSquare;
    if (king != kNoSquare && IsSquareAttackedBy(&after, king, Opponent(mover))) return true;
    return keep(GeneratedMove{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)});
  }

  // The targets of one piece, tried in ascending square order so that the
  // list keeps the generation order.
  bool Piece(int from) {
    Targets targets;
    switch (board->squares[from]) {
      case 'P':
      case 'p': PawnTargets(from, &targets); break;
      case 'N':
      case 'n': LeaperTargets(from, kKnightTable, &targets); break;
      case 'B':
      case 'b': SliderTargets(from, kDiagonalDirections, &targets); break;
      case 'R':
      case 'r': SliderTargets(from, kLineDirections, &targets); break;
      case 'Q':
      case 'q':
        SliderTargets(from, kDiagonalDirections, &targets);
        SliderTargets(from, kLineDirections, &targets);
        break;
      case 'K':
      case 'k':
        LeaperTargets(from, kNeighbours, &targets);
        CastlingTargets(from, &targets);
        break;
      default: return true;
    }
    targets.Sort();
    for (int i = 0; i < targets.count; ++i) {
      if (!Try(from, targets.squares[i])) return false;
    }
    return true;
  }

  void LeaperTargets(int from, const StepTable& table, Targets* targets) const {
    for (std::int8_t to : table.target[from]) {
      if (to >= 0 && !IsOwn(board->squares[to])) targets->Add(to);
    }
  }

  void SliderTargets(int from, const int (&directions)[4], Targets* targets) const {
    for (int direction : directions) {
      for (int to = kNeighbours.target[from][direction]; to >= 0; to = kNeighbours.target[to][direction]) {
        if (IsOwn(board->squares[to])) break;
        targets->Add(to);
        if (board->squares[to] != kEmptySquare) break;
      }
    }
  }

  void PawnTargets(int from, Targets* targets) const {
    const bool white = mover == Side::kWhite;
    const int file = from / kBoardSize;
    const int rank = from % kBoardSize;
    const int forward = white ? 1 : -1;
    const int next = rank + forward;
    if (next < kRank1 || next > kRank8) return;
    if (board->squares[SquareIndex(file, next)] == kEmptySquare) {
      targets->Add(SquareIndex(file, next));
      const int startRank = white ? kRank2 : kRank7;
      const int doubleRank = white ? kRank4 : kRank5;
      if (rank == startRank && board->squares[SquareIndex(file, doubleRank)] == kEmptySquare) {
        targets->Add(SquareIndex(file, doubleRank));
      }
    }
    // En passant: right after an enemy pawn's double step onto the rank
    // beside us, onto the square it passed over.
    const char enemyPawn = PieceOf(Opponent(mover), 'P');
    const int lastFile = GetToFile(lastMove);
    const int lastRank = GetToRank(lastMove);
    const bool doubleStep = board->squares[SquareIndex(lastFile, lastRank)] == enemyPawn &&
                            lastRank == (white ? kRank5 : kRank4) && GetFromRank(lastMove) == (white ? kRank7 : kRank2);
    for (int captureFile : {file - 1, file + 1}) {
      if (captureFile < kFileA || captureFile > kFileH) continue;
      const int to = SquareIndex(captureFile, next);
      if (IsEnemy(board->squares[to]) || (doubleStep && lastFile == captureFile && next == (white ? kRank6 : kRank3))) {
        targets->Add(to);
      }
    }
  }

  // Castling: the right still held, every square between king and rook
  // empty, and the king neither in check nor passing over or landing on an
  // attacked square.
  void CastlingTargets(int from, Targets* targets) const {
    const bool white = mover == Side::kWhite;
    const int home = white ? kRank1 : kRank8;
    if (from != SquareIndex(kFileE, home)) return;
    const bool queenSide = white ? GetCastleWhiteQueenSide(lastMove) : GetCastleBlackQueenSide(lastMove);
    const bool kingSide = white ? GetCastleWhiteKingSide(lastMove) : GetCastleBlackKingSide(lastMove);
    if (!queenSide && !kingSide) return;
    if (IsSquareAttackedBy(board, from, Opponent(mover))) return;
    auto empty = [this, home](int file) { return board->squares[SquareIndex(file, home)] == kEmptySquare; };
    auto safe = [this, home](int file) { return !IsSquareAttackedBy(board, SquareIndex(file, home), Opponent(mover)); };
    if (queenSide && empty(kFileB) && empty(kFileC) && empty(kFileD) && safe(kFileD) && safe(kFileC)) {
      targets->Add(SquareIndex(kFileC, home));
    }
    if (kingSide && empty(kFileF) && empty(kFileG) && safe(kFileF) && safe(kFileG)) {
      targets->Add(SquareIndex(kFileG, home));
    }
  }

  void Run() {
    kingSquare = FindPiece(board, PieceOf(mover, 'K'));
    for (int from = 0; from < kSquareCount; ++from) {
      if (IsOwn(board->squares[from]) && !Piece(from)) return;
    }
  }
};

}  // namespace

bool IsSquareAttackedBy(const Board* board, int square, Side attacker) {
  const int file = square / kBoardSize;
  const int rank = square % kBoardSize;
  if (IsAttackedByPawn(file, rank, board, PieceOf(attacker, 'P'))) return true;
  const char knight = PieceOf(attacker, 'N');
  for (std::int8_t from : kKnightTable.target[square]) {
    if (from >= 0 && board->squares[from] == knight) return true;
  }
  const char king = PieceOf(attacker, 'K');
  for (std::int8_t from : kNeighbours.target[square]) {
    if (from >= 0 && board->squares[from] == king) return true;
  }
  const char queen = PieceOf(attacker, 'Q');
  return FirstOnRaysIs(board, square, kDiagonalDirections, PieceOf(attacker, 'B'), queen) ||
         FirstOnRaysIs(board, square, kLineDirections, PieceOf(attacker, 'R'), queen);
}

bool IsReachedAlongDiagonals(const Board* board, int square, char slider) {
  return FirstOnRaysIs(board, square, kDiagonalDirections, slider, slider);
}

bool IsReachedAlongLines(const Board* board, int square, char slider) {
  return FirstOnRaysIs(board, square, kLineDirections, slider, slider);
}

bool IsReachedByKnight(const Board* board, int square, char knight) {
  for (std::int8_t from : kKnightTable.target[square]) {
    if (from >= 0 && board->squares[from] == knight) return true;
  }
  return false;
}

bool IsKingInCheck(const Board* board, Side side) {
  const int king = FindPiece(board, PieceOf(side, 'K'));
  return king != kNoSquare && IsSquareAttackedBy(board, king, Opponent(side));
}

namespace {

void Generate(const Board* board, Move lastMove, Side side, Wanted wanted, MoveList* list) {
  list->count = 0;
  auto add = [list](GeneratedMove move) {
    list->Add(move);
    return true;
  };
  Generator<decltype(add)> generator{board, lastMove, side, wanted, add};
  generator.Run();
}

}  // namespace

void GenerateMoves(const Board* board, Move lastMove, Side side, MoveList* list) {
  Generate(board, lastMove, side, Wanted::kAllMoves, list);
}

void GenerateCaptures(const Board* board, Move lastMove, Side side, MoveList* list) {
  Generate(board, lastMove, side, Wanted::kCapturesOnly, list);
}

bool HasLegalMove(const Board* board, Move lastMove, Side side) {
  bool found = false;
  auto stop = [&found](GeneratedMove) {
    found = true;
    return false;
  };
  Generator<decltype(stop)> generator{board, lastMove, side, Wanted::kAllMoves, stop};
  generator.Run();
  return found;
}
