#include "tests/support/run_program.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

ProgramRun RunProgramOn(const std::string& binary, const std::string& input, const std::string& tag) {
  std::string name = tag;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  // The input goes to a file of its own, made here and removed afterwards,
  // so that runs at the same time (from another checkout, say) never share
  // one; the output comes back through a pipe.
  std::string path = ::testing::TempDir() + "chess_run_" + name + "_XXXXXX";
  const int file = mkstemp(path.data());
  if (file < 0) {
    ADD_FAILURE() << "cannot create a file for the input: " << path;
    return {"", -1};
  }
  std::FILE* in = fdopen(file, "wb");
  bool written = in != nullptr && std::fwrite(input.data(), 1, input.size(), in) == input.size();
  if (in != nullptr) {
    written = std::fclose(in) == 0 && written;
  } else {
    close(file);
  }
  ProgramRun run{"", -1};
  std::FILE* output = written ? popen(("'" + binary + "' < '" + path + "'").c_str(), "r") : nullptr;
  if (output == nullptr) {
    ADD_FAILURE() << "cannot run " << binary << " on " << path;
  } else {
    char buffer[1 << 16];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, output)) > 0;) run.output.append(buffer, got);
    const int raw = pclose(output);
    run.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  unlink(path.c_str());
  return run;
}
