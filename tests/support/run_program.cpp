#include "tests/support/run_program.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

ProgramRun RunProgramOn(const std::string& binary, const std::string& input, const std::string& tag) {
  std::string name = tag;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const std::string base = ::testing::TempDir() + "chess_run_" + name;
  {
    std::ofstream in(base + ".in", std::ios::binary);
    in << input;
  }
  const std::string command = "'" + binary + "' < '" + base + ".in' > '" + base + ".out'";
  const int raw = std::system(command.c_str());
  std::ifstream out(base + ".out", std::ios::binary);
  std::stringstream text;
  text << out.rdbuf();
  return {text.str(), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
}
