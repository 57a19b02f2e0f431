// UCI, the other protocol graphical boards and chess tools speak to their
// engines: the board sends the whole game with each "position" and asks for
// a move with "go"; the engine answers "bestmove".
#pragma once

#include <cstdio>
#include <functional>

#include "frontend/input_stream.h"

// Runs UCI, the word "uci" having been read, until "quit" or end of input.
// Every search is also bounded by `searchBound` when it is set. Returns the
// exit status.
int RunUciMode(InputStream* in, std::FILE* out, const std::function<bool()>& searchBound);
