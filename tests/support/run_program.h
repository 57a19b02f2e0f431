// Runs the built program on a given standard input.
#pragma once

#include <string>

struct ProgramRun {
  std::string output;  // all of standard output
  int status;          // exit status, -1 if it did not exit normally
};

// Feeds `input` to the program at `binary` and collects its output. `tag`
// begins the name of the temporary input file, which is made unique and
// removed afterwards.
ProgramRun RunProgramOn(const std::string& binary, const std::string& input, const std::string& tag);
