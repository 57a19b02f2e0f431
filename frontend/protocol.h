// The xboard protocol, as graphical chess boards speak it to their engines:
// command words and coordinate moves in, "move " lines and result lines out.
// A board that announces version 2 (protover 2) is told the features the
// program has and gets replies to what it sends; a board that never does
// gets exactly the replies of the first version.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "frontend/clock.h"
#include "frontend/game_session.h"
#include "frontend/input_stream.h"

// Whether the words read are commands, or pieces being placed after "edit".
enum class InputMode { kCommands, kEditing };

// Whether the engine thinks about the position without playing, until the
// board says "exit".
enum class Analysis { kOff, kOn };

// The deepest iteration an analysis has completed, for the board's status
// requests.
struct AnalysisProgress {
  bool any = false;
  Move move{};
  SearchReport report{};
  std::int64_t milliseconds = 0;
};

struct ProtocolSession {
  GameSession game;
  InputMode input;
  // The board being set up after "edit", and the colour of the pieces
  // placed on it.
  Board editBoard;
  char editColour;
  // The clock as the board has set it ("level", "st", "time"), and the
  // moves of each time control ("level"'s first number; 0 for the game).
  Clock clock;
  int movesPerControl;
  Analysis analysis;
  AnalysisProgress progress;
  // Where the words come from, read ahead while the engine thinks.
  InputStream* stream;
};

ProtocolSession NewProtocolSession();

// What reading the input has come to.
enum class Reading { kGoOn, kQuit };

// Told the session each time the engine is about to choose a move.
using EngineMoveObserver = std::function<void(const GameSession& game)>;

// Reads the next word (with the rest of its line when the command takes
// arguments) and acts on it; then the engine answers: it plays while it is
// to move, or in analysis thinks about the position until input arrives.
// kQuit on "quit" and at end of input. The protocol is this, repeated.
Reading ReadActAndAnswer(InputStream* in, std::FILE* out, ProtocolSession* session, const EngineMoveObserver& observer);

// Runs the protocol until "quit" or end of input, every search also bounded
// by `searchBound` when it is set. Returns the exit status.
int RunProtocolMode(InputStream* in, std::FILE* out, const std::function<bool()>& searchBound);
