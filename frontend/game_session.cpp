#include "frontend/game_session.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iterator>

#include "engine/evaluation_tables.h"
#include "model/apply_move.h"
#include "model/move_text.h"
#include "rules/game_end.h"
#include "rules/legality.h"

namespace {

constexpr char kPromotionLetters[] = {'q', 'r', 'b', 'n'};

constexpr int kDoubleStep = 2;

// Whether the side to move can take en passant on the square the last move
// passed over: only then does the position differ from the one without it.
bool MayTakeEnPassant(const Position& position) {
  const Move& last = position.lastMove;
  if (!IsOnBoard(last.toFile, last.toRank) || std::abs(last.toRank - last.fromRank) != kDoubleStep ||
      last.fromFile != last.toFile) {
    return false;
  }
  const char pawn = PieceAt(&position.board, last.toFile, last.toRank);
  if (pawn != 'P' && pawn != 'p') return false;
  const int passedRank = (last.fromRank + last.toRank) / 2;
  for (const int file : {last.toFile - 1, last.toFile + 1}) {
    if (!IsOnBoard(file, last.toRank)) continue;
    const Move capture = BuildMove(file, last.toRank, last.toFile, passedRank, last);
    if (PieceAt(&position.board, file, last.toRank) == (pawn == 'P' ? 'p' : 'P') &&
        IsLegalMove(capture, &position.board, last) != 0) {
      return true;
    }
  }
  return false;
}

// The same position for the rules: the same pieces, side to move, castling
// rights and en passant capture.
bool SamePosition(const Position& a, const Position& b) {
  const Move& x = a.lastMove;
  const Move& y = b.lastMove;
  if (!std::equal(std::begin(a.board.squares), std::end(a.board.squares), std::begin(b.board.squares)) ||
      SideToMove(&a.board, x) != SideToMove(&b.board, y) || x.castleWhiteKingSide != y.castleWhiteKingSide ||
      x.castleWhiteQueenSide != y.castleWhiteQueenSide || x.castleBlackKingSide != y.castleBlackKingSide ||
      x.castleBlackQueenSide != y.castleBlackQueenSide) {
    return false;
  }
  const bool enPassantA = MayTakeEnPassant(a);
  if (enPassantA != MayTakeEnPassant(b)) return false;
  return !enPassantA || (x.toFile == y.toFile && x.toRank == y.toRank);
}

struct PlayedMove {
  Move move;
  char promotion;
};

// How far ahead of the engine's position a board's opening book may set up
// the next one: the other side's move and the book's answer to it.
constexpr int kBookPlies = 2;

// The legal moves, at most `plies` of them, that lead from `from` to
// `target`, appended to `moves`.
bool FindMovesTo(const Position& from, const Position& target, int plies, std::vector<PlayedMove>* moves) {
  if (plies == 0) return false;
  for (const Move& move : LegalMoves(&from.board, from.lastMove)) {
    for (const char promotion : kPromotionLetters) {
      Position after = from;
      after.lastMove = move;
      ApplyMovePromotingTo(&from.board, &after.lastMove, promotion, &after.board);
      moves->push_back({move, promotion});
      if (SamePosition(after, target) || FindMovesTo(after, target, plies - 1, moves)) return true;
      moves->pop_back();
      if (!IsPromotion(&from.board, move)) break;
    }
  }
  return false;
}

}  // namespace

GameSession NewSession() {
  GameSession session{InitialPosition(), {}, kBlackSide, EngineMode::kPlays, kFirstProtocolVersion, Thinking::kHidden,
                      kFullWidthDepth,   {}};
  return session;
}

void StartNewGame(GameSession* session) {
  session->position = InitialPosition();
  session->earlier.clear();
  session->engineSide = kBlackSide;
  session->mode = EngineMode::kPlays;
}

void SetPosition(GameSession* session, const Position& position) {
  session->position = position;
  session->earlier.clear();
}

void SetPositionOrPlay(GameSession* session, const Position& position) {
  std::vector<PlayedMove> moves;
  if (FindMovesTo(session->position, position, kBookPlies, &moves)) {
    for (const PlayedMove& played : moves) PlayMove(session, played.move, played.promotion);
    return;
  }
  SetPosition(session, position);
}

void SetDepth(GameSession* session, long long depth) { session->depth = DepthInRange(depth); }

int DepthInRange(long long depth) { return static_cast<int>(std::clamp<long long>(depth, kMinDepth, kMaxDepth)); }

char SideToMove(const GameSession& session) { return SideToMove(&session.position.board, session.position.lastMove); }

int GameEnd(const GameSession& session) { return CheckGameEnd(&session.position.board, session.position.lastMove); }

bool IsEngineToMove(const GameSession& session) {
  return session.mode == EngineMode::kPlays && SideToMove(session) == session.engineSide &&
         GameEnd(session) == kGameGoesOn;
}

bool ReadLegalMove(const GameSession& session, const std::string& text, Move* move) {
  *move = ParseCoordinateMove(text, session.position.lastMove);
  return IsLegalMove(*move, &session.position.board, session.position.lastMove) != 0;
}

void PlayMove(GameSession* session, Move move, char promotion) {
  session->earlier.push_back(session->position);
  Position& position = session->position;
  ApplyMovePromotingTo(&position.board, &move, promotion, &position.board);
  position.lastMove = move;
}

bool TakeBack(GameSession* session, int halfMoves) {
  if (halfMoves < 1 || static_cast<std::size_t>(halfMoves) > session->earlier.size()) return false;
  session->earlier.resize(session->earlier.size() - static_cast<std::size_t>(halfMoves - 1));
  session->position = session->earlier.back();
  session->earlier.pop_back();
  return true;
}

EngineChoice ChooseEngineMove(const GameSession& session, int depth, const SearchControl& control) {
  const auto start = std::chrono::steady_clock::now();
  SearchLimits limits;
  limits.depth = depth;
  limits.earlier = &session.earlier;
  if (depth != kFullWidthDepth && HasClock(control.clock)) {
    const Budget budget = BudgetFor(control.clock);
    limits.startBy = start + budget.soft;
    limits.stopBy = start + budget.hard;
  }
  if (control.interrupted || session.searchBound) {
    limits.interrupted = [&control, &session] {
      return (control.interrupted && control.interrupted()) || (session.searchBound && session.searchBound());
    };
  }
  if (control.completed) {
    limits.completed = [&control, start](Move move, const SearchReport& report) {
      control.completed(EngineChoice{move, report, MillisecondsSince(start)});
    };
  }
  EngineChoice choice{};
  choice.move =
      SearchMove(&session.position.board, session.position.lastMove, SideToMove(session), limits, &choice.report);
  choice.milliseconds = MillisecondsSince(start);
  return choice;
}

std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

EngineChoice ChooseEngineMove(const GameSession& session, int depth) {
  return ChooseEngineMove(session, depth, SearchControl{});
}

int Centipawns(int score) {
  constexpr int kScorePerCentipawn = kPawnValue / 100;
  return score / kScorePerCentipawn;
}

bool IsMateScore(int score) { return score >= kMateScore || score <= -kMateScore; }

ShownScore ScoreToShow(const SearchReport& report, int depth, int plies) {
  if (depth == kFullWidthDepth) {
    if (!IsMateScore(report.score)) return {Centipawns(report.score), 0};
    plies = std::max(plies, 1);
  } else if (report.matePlies == 0) {
    return {Centipawns(report.score), 0};
  } else {
    plies = report.matePlies;
  }
  const int moves = (plies + 1) / 2;
  return {0, report.score > 0 ? moves : -moves};
}

std::vector<Move> ShownLine(const GameSession& session, const EngineChoice& choice, int depth) {
  std::vector<Move> line{choice.move};
  if (!IsMateScore(choice.report.score)) return line;
  GameSession after = session;
  for (Move move = choice.move;;) {
    PlayMove(&after, move, kQueenPromotion);
    if (GameEnd(after) != kGameGoesOn || depth <= kMinDepth) return line;
    --depth;
    move = ChooseEngineMove(after, depth).move;
    line.push_back(move);
  }
}

std::string LineText(const GameSession& session, const std::vector<Move>& line) {
  std::string text;
  Board board = session.position.board;
  for (Move move : line) {
    text += ' ';
    text += MoveTextWithPromotion(&board, move);
    ApplyMove(&board, &move, &board);
  }
  return text;
}
