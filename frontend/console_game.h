// One game in the console between the human and the computer.
#pragma once

#include <cstdio>
#include <string>

#include "frontend/input_stream.h"
// Plays the game with the human called `name`; ends after mate or stalemate
// and the final Enter, or at end of input. Returns the exit status.
int RunConsoleGame(InputStream* in, std::FILE* out, const std::string& name);
