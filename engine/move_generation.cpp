#include "engine/move_generation.h"

#include <array>

#include "model/apply_move.h"

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
struct Targets {
  int squares[32];
  int count = 0;

  void Add(int square) { squares[count++] = square; }
  void Sort() {
    for (int i = 1; i < count; ++i) {
      const int square = squares[i];
      int j = i;
      for (; j > 0 && squares[j - 1] > square; --j) squares[j] = squares[j - 1];
      squares[j] = square;
    }
  }
};

struct Generator {
  const Board* board;
  Move lastMove;
  bool white;
  bool capturesOnly;
  MoveList* list;  // null when only asking whether a legal move exists
  bool found = false;
  int kingSquare = -1;  // the mover's king, found once

  bool IsOwn(char c) const { return white ? IsWhitePiece(c) : IsBlackPiece(c); }
  bool IsEnemy(char c) const { return white ? IsBlackPiece(c) : IsWhitePiece(c); }

  // Keeps the move if it does not leave the mover's king attacked. Returns
  // false once the search for any legal move may stop.
  bool Try(int from, int to) {
    if (capturesOnly && !IsEnemy(board->squares[to])) return true;
    Move move = ToMove({static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)}, lastMove);
    Board after;
    ApplyMove(board, &move, &after);
    const int king = from == kingSquare ? to : kingSquare;
    if (king >= 0 && IsSquareAttacked(&after, king, !white)) return true;
    found = true;
    if (list == nullptr) return false;
    list->moves[list->count++] = {static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to)};
    return true;
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
    const char enemyPawn = white ? 'p' : 'P';
    const int lastFile = GetToFile(lastMove);
    const int lastRank = GetToRank(lastMove);
    const bool doubleStep = board->squares[SquareIndex(lastFile, lastRank)] == enemyPawn &&
                            lastRank == (white ? kRank5 : kRank4) && GetFromRank(lastMove) == (white ? kRank7 : kRank2);
    for (int side : {file - 1, file + 1}) {
      if (side < kFileA || side > kFileH) continue;
      const int to = SquareIndex(side, next);
      if (IsEnemy(board->squares[to]) || (doubleStep && lastFile == side && next == (white ? kRank6 : kRank3))) {
        targets->Add(to);
      }
    }
  }

  // Castling: the right still held, every square between king and rook
  // empty, and the king neither in check nor passing over or landing on an
  // attacked square.
  void CastlingTargets(int from, Targets* targets) const {
    const int home = white ? kRank1 : kRank8;
    if (from != SquareIndex(kFileE, home)) return;
    const bool queenSide = white ? GetCastleWhiteQueenSide(lastMove) : GetCastleBlackQueenSide(lastMove);
    const bool kingSide = white ? GetCastleWhiteKingSide(lastMove) : GetCastleBlackKingSide(lastMove);
    if (!queenSide && !kingSide) return;
    if (IsSquareAttacked(board, from, !white)) return;
    auto empty = [this, home](int file) { return board->squares[SquareIndex(file, home)] == kEmptySquare; };
    auto safe = [this, home](int file) { return !IsSquareAttacked(board, SquareIndex(file, home), !white); };
    if (queenSide && empty(kFileB) && empty(kFileC) && empty(kFileD) && safe(kFileD) && safe(kFileC)) {
      targets->Add(SquareIndex(kFileC, home));
    }
    if (kingSide && empty(kFileF) && empty(kFileG) && safe(kFileF) && safe(kFileG)) {
      targets->Add(SquareIndex(kFileG, home));
    }
  }

  void Run() {
    const char king = white ? 'K' : 'k';
    for (int square = 0; square < kSquareCount && kingSquare < 0; ++square) {
      if (board->squares[square] == king) kingSquare = square;
    }
    for (int from = 0; from < kSquareCount; ++from) {
      if (IsOwn(board->squares[from]) && !Piece(from)) return;
    }
  }
};

}  // namespace

bool IsSquareAttacked(const Board* board, int square, bool byWhite) {
  const char pawn = byWhite ? 'P' : 'p';
  const int file = square / kBoardSize;
  const int pawnRank = square % kBoardSize + (byWhite ? -1 : 1);
  if (pawnRank >= kRank1 && pawnRank <= kRank8) {
    if (file > kFileA && board->squares[SquareIndex(file - 1, pawnRank)] == pawn) return true;
    if (file < kFileH && board->squares[SquareIndex(file + 1, pawnRank)] == pawn) return true;
  }
  const char knight = byWhite ? 'N' : 'n';
  for (std::int8_t from : kKnightTable.target[square]) {
    if (from >= 0 && board->squares[from] == knight) return true;
  }
  const char king = byWhite ? 'K' : 'k';
  for (std::int8_t from : kNeighbours.target[square]) {
    if (from >= 0 && board->squares[from] == king) return true;
  }
  const char queen = byWhite ? 'Q' : 'q';
  return FirstOnRaysIs(board, square, kDiagonalDirections, byWhite ? 'B' : 'b', queen) ||
         FirstOnRaysIs(board, square, kLineDirections, byWhite ? 'R' : 'r', queen);
}

bool IsReachedAlongRays(const Board* board, int square, bool diagonal, char slider) {
  return FirstOnRaysIs(board, square, diagonal ? kDiagonalDirections : kLineDirections, slider, slider);
}

bool IsReachedByKnight(const Board* board, int square, char knight) {
  for (std::int8_t from : kKnightTable.target[square]) {
    if (from >= 0 && board->squares[from] == knight) return true;
  }
  return false;
}

bool IsKingAttacked(const Board* board, bool whiteKing) {
  const char king = whiteKing ? 'K' : 'k';
  for (int square = 0; square < kSquareCount; ++square) {
    if (board->squares[square] == king) return IsSquareAttacked(board, square, !whiteKing);
  }
  return false;
}

void GenerateLegalMoves(const Board* board, Move lastMove, char side, bool capturesOnly, MoveList* list) {
  list->count = 0;
  Generator generator{board, lastMove, side == kWhiteSide, capturesOnly, list};
  generator.Run();
}

bool HasLegalMove(const Board* board, Move lastMove, char side) {
  Generator generator{board, lastMove, side == kWhiteSide, false, nullptr};
  generator.Run();
  return generator.found;
}
