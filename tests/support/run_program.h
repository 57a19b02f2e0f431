// Runs the built program with its standard input and output on pipes: on a
// whole input at once, or line by line while the test sends signals.
#pragma once

#include <sys/types.h>

#include <string>

struct ProgramRun {
  std::string output;  // all of standard output
  int status;          // exit status, -1 if it did not exit normally
};

// Feeds `input` to the program at `binary`, collects its output until it
// ends, and waits for it.
ProgramRun RunProgramOn(const std::string& binary, const std::string& input);

// A program started and still talked to.
struct RunningProgram {
  pid_t pid = -1;
  int input = -1;   // the program's standard input, written here
  int output = -1;  // its standard output, read here
};

// Starts `binary`; false (and a test failure) when it cannot be.
bool StartProgram(const std::string& binary, RunningProgram* program);
// Writes all of `text` to the program's input.
bool SendText(const RunningProgram& program, const std::string& text);
// The program's next line of output without its line end ("" at the end).
std::string ReadLine(const RunningProgram& program);
// Closes both pipes and waits for the program: its exit status, -1 if it did
// not exit normally.
int WaitForProgram(RunningProgram* program);
