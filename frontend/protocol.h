// The xboard protocol, as graphical chess boards speak it to their engines:
// command words and coordinate moves in, "move " lines and result lines out.
// A board that announces version 2 (protover 2) is told the features the
// program has and gets replies to what it sends; a board that never does
// gets exactly the replies of the first version.
#pragma once

#include <cstdio>
#include <string>

#include "frontend/game_session.h"

// Whether the words read are commands, or pieces being placed after "edit".
enum class InputMode { kCommands, kEditing };

struct ProtocolSession {
  GameSession game;
  InputMode input;
  // The board being set up after "edit", and the colour of the pieces
  // placed on it.
  Board editBoard;
  char editColour;
};

ProtocolSession NewProtocolSession();

// What reading the input has come to.
enum class Reading { kGoOn, kQuit };

// Reads the next word of `in`, with the rest of its line when the command
// takes arguments, and acts on it. kQuit on "quit" and at end of input.
Reading ReadAndAct(std::FILE* in, std::FILE* out, ProtocolSession* session);

// Acts on one word and its arguments.
Reading ActOn(const std::string& word, const std::string& arguments, std::FILE* out, ProtocolSession* session);

// The engine chooses its move, writes it, plays it and announces the end of
// the game it brings. Only while IsEngineToMove.
void PlayEngineMove(std::FILE* out, ProtocolSession* session);

// Runs the protocol until "quit" or end of input. Returns the exit status.
int RunProtocolMode(std::FILE* in, std::FILE* out);
