// The plain search, kept as the baseline of the benchmark and of the golden
// records. Minimax over a tree of heap nodes: every legal move to the full-width
// depth, then captures only, scored by the static evaluation. A node is
// searched with one bound, its parent's running score, and stops as soon as
// its own running score shows the parent can no longer take it. By the rules
// to win, a mate counts its plies from the root and a root move back into a
// position of the game scores 0.
#include "reference/reference_search.h"

#include <cstdlib>
#include <new>
#include <vector>

#include "engine/evaluation_tables.h"
#include "engine/search.h"
#include "model/apply_move.h"
#include "reference/reference_evaluation.h"
#include "rules/check.h"
#include "rules/game_end.h"
#include "rules/legality.h"

namespace reference {

namespace {

constexpr int kNoBound = 100000;
constexpr std::int32_t kComputerToMove = +1;

struct SearchNode {
  Board board;
  std::int32_t turn;  // +1 when the computer is to move here, -1 otherwise
  Move move;          // the move that led here, with the rights after it
  SearchNode* next;   // the next child of the same parent
};

SearchNode* NewNode() { return new (std::nothrow) SearchNode; }
void DeleteNode(SearchNode* node) { delete node; }
Move NodeMove(const SearchNode* node) { return node->move; }

void DeleteList(SearchNode* node) {
  while (node != nullptr) {
    SearchNode* next = node->next;
    DeleteNode(node);
    node = next;
  }
}

struct ChildList {
  SearchNode* head = nullptr;
  SearchNode* tail = nullptr;
};

struct SearchContext {
  char side;  // the computer's side letter, the same at every level
  SearchRules rules;
  std::int64_t nodes;
  // The game's positions before the root, looked at by the rules to win.
  const std::vector<Position>* earlier;
};

// A position with no legal move `ply` plies below the root, scored
// `flatScore` (+-kMateScore or 0) when mates are flat.
int NoMoveScore(int flatScore, int ply, const SearchContext& context) {
  if (context.rules == SearchRules::kFlatMates || flatScore == 0) return flatScore;
  return flatScore > 0 ? flatScore - ply : flatScore + ply;
}

// The static score at a capture node `ply` plies below the root: by the
// rules to win a checkmate is scored as in the full-width part, threats left out.
int StaticScore(const SearchNode* node, int ply, const SearchContext& context) {
  if (context.rules == SearchRules::kToWin && CheckGameEnd(&node->board, node->move) == kCheckmate) {
    const int whiteMated = IsWhiteInCheck(&node->board, node->move);
    const int blackMated = IsBlackInCheck(&node->board, node->move);
    if (whiteMated != blackMated) {
      const bool computerMated = (context.side == kWhiteSide) == (whiteMated != 0);
      return NoMoveScore(computerMated ? -kMateScore : kMateScore, ply, context);
    }
  }
  return EvaluatePosition(&node->board, context.side, node->move);
}

void AppendChild(const Board* parentBoard, ChildList* list, Move move, SearchContext* context) {
  SearchNode* child = NewNode();
  if (child == nullptr) return;  // out of memory: the move is left unsearched
  ApplyMove(parentBoard, &move, &child->board);
  child->move = move;
  child->turn = 0;
  child->next = nullptr;
  if (list->tail == nullptr) {
    list->head = child;
  } else {
    list->tail->next = child;
  }
  list->tail = child;
  ++context->nodes;
}

// One child per legal move (or per legal capture) of the side to move, in
// the order origin file, origin rank, target file, target rank.
ChildList GenerateChildren(const SearchNode* node, bool capturesOnly, SearchContext* context) {
  const char mover = node->turn == kComputerToMove ? context->side : OtherSide(context->side);
  auto isMover = mover == kWhiteSide ? IsWhitePiece : IsBlackPiece;
  auto isEnemy = mover == kWhiteSide ? IsBlackPiece : IsWhitePiece;
  ChildList list;
  for (const Move& candidate : LegalMoves(&node->board, node->move)) {
    if (!isMover(PieceAt(&node->board, candidate.fromFile, candidate.fromRank))) continue;
    if (capturesOnly && !isEnemy(PieceAt(&node->board, candidate.toFile, candidate.toRank))) continue;
    AppendChild(&node->board, &list, candidate, context);
  }
  return list;
}

// Takes a child's score into the running score of a node with `turn`, and
// tells whether the node may stop: its parent, which takes the opposite
// extreme, can no longer be changed by it.
bool TakeScore(std::int32_t turn, int score, int bound, int* running) {
  if (turn == kComputerToMove) {
    if (score > *running) *running = score;
    return bound != kNoBound && *running >= bound;
  }
  if (score < *running) *running = score;
  return bound != kNoBound && *running <= bound;
}

// Searches a node's children in list order, the first with no bound and each
// later one with the running score as its bound, releasing each child once
// scored. Stops, releasing the rest unsearched, when the node's own bound is
// reached; `*stopped` tells whether it did.
template <typename SearchChild>
int SearchChildren(const SearchNode* node, SearchNode* child, int bound, SearchContext* context, bool* stopped,
                   SearchChild searchChild) {
  int running = 0;
  bool first = true;
  while (child != nullptr) {
    child->turn = -node->turn;
    const int score = searchChild(child, first ? kNoBound : running, context);
    SearchNode* next = child->next;
    DeleteNode(child);
    if (first) {
      running = score;
      first = false;
    } else if (TakeScore(node->turn, score, bound, &running)) {
      DeleteList(next);
      *stopped = true;
      return running;
    }
    child = next;
  }
  return running;
}

int MinimaxSearch(SearchNode* node, int ply, int depth, int bound, SearchContext* context);
bool IsEarlierPosition(const SearchNode* node, const std::vector<Position>* earlier);

int CaptureSearch(SearchNode* node, int ply, int level, int limit, int bound, SearchContext* context) {
  const ChildList captures = GenerateChildren(node, true, context);
  if (captures.head == nullptr || level >= limit) {
    DeleteList(captures.head);
    return StaticScore(node, ply, *context);
  }
  bool stopped = false;
  int running = SearchChildren(node, captures.head, bound, context, &stopped,
                               [ply, level, limit](SearchNode* child, int childBound, SearchContext* ctx) {
                                 return CaptureSearch(child, ply + 1, level + 1, limit, childBound, ctx);
                               });
  if (stopped) return running;
  // The side to move may also decline every capture: the stand-pat score.
  const int standPat = StaticScore(node, ply, *context);
  if (node->turn == kComputerToMove ? standPat > running : standPat < running) running = standPat;
  return running;
}

// The full-width search below the root. The root itself is searched by
// `SearchRoot`, which keeps its children until the choice is made.
int MinimaxSearch(SearchNode* node, int ply, int depth, int bound, SearchContext* context) {
  if (ply >= depth) return CaptureSearch(node, ply, 0, kCaptureLevels, kNoBound, context);
  const ChildList children = GenerateChildren(node, false, context);
  if (children.head == nullptr) {
    const bool someKingInCheck = IsWhiteInCheck(&node->board, node->move) || IsBlackInCheck(&node->board, node->move);
    if (!someKingInCheck) return 0;  // stalemate
    const int ownKingInCheck = context->side == kWhiteSide ? IsWhiteInCheck(&node->board, node->move)
                                                           : IsBlackInCheck(&node->board, node->move);
    return NoMoveScore(ownKingInCheck ? -kMateScore : kMateScore, ply, *context);
  }
  bool stopped = false;
  return SearchChildren(node, children.head, bound, context, &stopped,
                        [ply, depth](SearchNode* child, int childBound, SearchContext* ctx) {
                          // By the rules to win, a reply to a root move that goes
                          // back into a position of the game scores 0.
                          const bool repeats =
                              ply == 1 && ctx->rules == SearchRules::kToWin && IsEarlierPosition(child, ctx->earlier);
                          return repeats ? 0 : MinimaxSearch(child, ply + 1, depth, childBound, ctx);
                        });
}

// The en passant square of a position: the square a pawn that has just made
// its double step passed over; -1 when the last move was none.
int EnPassantSquare(const Board* board, Move lastMove) {
  const char piece = PieceAt(board, lastMove.toFile, lastMove.toRank);
  const bool doubleStep = (piece == 'P' || piece == 'p') && lastMove.fromFile == lastMove.toFile &&
                          (lastMove.toRank - lastMove.fromRank == 2 || lastMove.fromRank - lastMove.toRank == 2);
  return doubleStep ? SquareIndex(lastMove.toFile, (lastMove.fromRank + lastMove.toRank) / 2) : -1;
}

// Whether two positions are the same for the repetition rule: the same
// pieces on the same squares, the same side to move, the same castling
// rights and the same en passant square.
bool IsSamePosition(const Board* board, Move lastMove, const Position& other) {
  for (int square = 0; square < kSquareCount; ++square) {
    if (board->squares[square] != other.board.squares[square]) return false;
  }
  const Move& last = other.lastMove;
  return SideToMove(board, lastMove) == SideToMove(&other.board, last) &&
         lastMove.castleWhiteQueenSide == last.castleWhiteQueenSide &&
         lastMove.castleWhiteKingSide == last.castleWhiteKingSide &&
         lastMove.castleBlackQueenSide == last.castleBlackQueenSide &&
         lastMove.castleBlackKingSide == last.castleBlackKingSide &&
         EnPassantSquare(board, lastMove) == EnPassantSquare(&other.board, last);
}

bool IsEarlierPosition(const SearchNode* node, const std::vector<Position>* earlier) {
  if (earlier == nullptr) return false;
  for (const Position& position : *earlier) {
    if (IsSamePosition(&node->board, node->move, position)) return true;
  }
  return false;
}

// Searches every first-level child; a later child replaces the chosen one
// only with a strictly greater score, so ties keep the earlier move. By the
// rules to win, a child that is a position of the game scores 0.
Move SearchRoot(SearchNode* root, int depth, const std::vector<Position>* earlier, SearchContext* context, int* score) {
  const ChildList children = GenerateChildren(root, false, context);
  Move chosen = root->move;
  int running = 0;
  bool first = true;
  for (SearchNode* child = children.head; child != nullptr; child = child->next) {
    child->turn = -root->turn;
    const bool repeats = context->rules == SearchRules::kToWin && IsEarlierPosition(child, earlier);
    const int childScore = repeats ? 0 : MinimaxSearch(child, 1, depth, first ? kNoBound : running, context);
    if (first || childScore > running) {
      running = childScore;
      chosen = NodeMove(child);
    }
    first = false;
  }
  DeleteList(children.head);
  *score = running;
  return chosen;
}

}  // namespace

Move SearchMove(const Board* board, Move lastMove, int depth, char side, SearchRules rules,
                const std::vector<Position>* earlier, SearchReport* report) {
  SearchNode* root = NewNode();
  if (root == nullptr) return lastMove;
  root->board = *board;
  root->turn = kComputerToMove;
  root->move = lastMove;
  root->next = nullptr;
  SearchContext context{side, rules, 1, earlier};
  int score = 0;
  const Move chosen = SearchRoot(root, depth, earlier, &context, &score);
  DeleteNode(root);
  if (report != nullptr) {
    const bool mate =
        rules == SearchRules::kToWin && std::abs(score) >= kMateScore - kMaxPly && std::abs(score) <= kMateScore;
    *report = {score, context.nodes, depth, mate ? kMateScore - std::abs(score) : 0};
  }
  return chosen;
}

Move ChooseComputerMoveReported(const Board* board, Move lastMove, int depth, char side, SearchReport* report) {
  return SearchMove(board, lastMove, depth, side, RulesOfLevel(depth), nullptr, report);
}

}  // namespace reference
