// One game as a graphical board drives it, whatever protocol it speaks: the
// position, the positions before it, which side the engine plays, and the
// settings the board has chosen. The protocol readers turn their lines into
// these operations.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/search.h"
#include "frontend/clock.h"
#include "model/position.h"

// Whether the engine answers on its side's turn, or plays neither side and
// only takes the moves it is given.
enum class EngineMode { kPlays, kForce };

// Whether each search is followed by a line with its depth, score and size.
enum class Thinking { kHidden, kShown };

// The version of the board's protocol: 1 until the board says otherwise.
constexpr int kFirstProtocolVersion = 1;
constexpr int kFeatureProtocolVersion = 2;

struct GameSession {
  Position position;
  // Every position before the current one, oldest first, back to the start
  // or to the last position set up.
  std::vector<Position> earlier;
  char engineSide;
  EngineMode mode;
  int protocolVersion;
  Thinking thinking;
  // Full-width plies of the engine's search.
  int depth;
  // A limit on every search from outside the program, for a harness that
  // runs it in process; empty in the program.
  std::function<bool()> searchBound;
};

// What the engine found for the side to move.
struct EngineChoice {
  Move move;
  SearchReport report;
  std::int64_t milliseconds;
};

// A session at the start of the run: a new game, protocol version 1, no
// thinking output, the usual depth.
GameSession NewSession();

// The initial position, White to move, the engine playing Black and no
// longer in force mode, the earlier positions forgotten. The settings stay.
void StartNewGame(GameSession* session);

// Sets up `position` (already known playable) with no earlier positions.
void SetPosition(GameSession* session, const Position& position);

// Sets up `position` (already known playable). When it follows the current
// position by one or two legal moves, those moves are played instead, so
// that a board that sets up the positions of its opening book can still
// take moves back.
void SetPositionOrPlay(GameSession* session, const Position& position);

// The depth asked for, brought into the range the engine searches.
void SetDepth(GameSession* session, long long depth);
int DepthInRange(long long depth);

char SideToMove(const GameSession& session);

// kGameGoesOn, kStalemate or kCheckmate for the side to move.
int GameEnd(const GameSession& session);

// The engine plays the side to move, the game goes on, and force mode is off.
bool IsEngineToMove(const GameSession& session);

// The move named by `text` (e2e4, e7e8n) if it is legal for the side to move.
bool ReadLegalMove(const GameSession& session, const std::string& text, Move* move);

// Plays a legal move; a pawn reaching its last rank becomes `promotion`.
void PlayMove(GameSession* session, Move move, char promotion);

// Takes back `halfMoves` half-moves if that many were played; false
// otherwise, and nothing changes.
bool TakeBack(GameSession* session, int halfMoves);

// What may end a search before its depth: the clock (used at every depth
// but the usual one, whose search stays as it always was), input that has
// arrived, and what is told after every completed iteration.
struct SearchControl {
  Clock clock;
  std::function<bool()> interrupted;
  // Each completed iteration's choice, timed from the start of the search.
  std::function<void(const EngineChoice& choice)> completed;
};

// Milliseconds on the steady clock since `start`.
std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start);

// The engine's choice for the side to move at `depth`, timed: the deepest
// completed iteration's, a move back into a position of the game counting
// as a draw. The game must go on.
EngineChoice ChooseEngineMove(const GameSession& session, int depth, const SearchControl& control);
EngineChoice ChooseEngineMove(const GameSession& session, int depth);

// A score as boards show it: in hundredths of a pawn.
int Centipawns(int score);

// A score that is a mate: found by the engine when positive.
bool IsMateScore(int score);

// A choice's score as the boards show it: centipawns, or a mate in moves
// (negative when the engine is mated; 0 for no mate). At the usual depth a
// mate is counted on the shown line of `plies`, at the others from the
// search's own distance.
struct ShownScore {
  int centipawns;
  int mateMoves;
};
ShownScore ScoreToShow(const SearchReport& report, int depth, int plies);

// The line shown with a choice: the move alone, or for a mate the line to
// it, the engine's choices after the move at one ply less each time until
// the game ends or the depth is spent.
std::vector<Move> ShownLine(const GameSession& session, const EngineChoice& choice, int depth);

// A line as move texts, a promotion with its letter, each after a blank.
std::string LineText(const GameSession& session, const std::vector<Move>& line);
