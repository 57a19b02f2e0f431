#include "tests/support/run_program.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

constexpr int kReadEnd = 0;
constexpr int kWriteEnd = 1;
constexpr int kNoTimeout = -1;

void CloseIfOpen(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

bool StartProgram(const std::string& binary, RunningProgram* program) {
  // A program that stops reading must not end the test with SIGPIPE; the
  // child gets the default back before it becomes the program.
  std::signal(SIGPIPE, SIG_IGN);
  // A failed pipe() leaves its pair -1.
  int toProgram[2] = {-1, -1};
  int fromProgram[2] = {-1, -1};
  if (pipe(toProgram) != 0 || pipe(fromProgram) != 0) {
    for (int& fd : toProgram) CloseIfOpen(&fd);
    ADD_FAILURE() << "no pipe for " << binary;
    return false;
  }
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGPIPE, SIG_DFL);
    dup2(toProgram[kReadEnd], STDIN_FILENO);
    dup2(fromProgram[kWriteEnd], STDOUT_FILENO);
    for (const int fd : {toProgram[kReadEnd], toProgram[kWriteEnd], fromProgram[kReadEnd], fromProgram[kWriteEnd]}) {
      close(fd);
    }
    execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(toProgram[kReadEnd]);
  close(fromProgram[kWriteEnd]);
  program->pid = child;
  program->input = toProgram[kWriteEnd];
  program->output = fromProgram[kReadEnd];
  if (child < 0) {
    ADD_FAILURE() << "cannot start " << binary;
    WaitForProgram(program);
    return false;
  }
  return true;
}

bool SendText(const RunningProgram& program, const std::string& text) {
  for (std::size_t sent = 0; sent < text.size();) {
    const ssize_t wrote = write(program.input, text.data() + sent, text.size() - sent);
    if (wrote <= 0) return false;
    sent += static_cast<std::size_t>(wrote);
  }
  return true;
}

std::string ReadLine(const RunningProgram& program) {
  std::string line;
  char c = 0;
  while (read(program.output, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

int WaitForProgram(RunningProgram* program) {
  CloseIfOpen(&program->input);
  CloseIfOpen(&program->output);
  int raw = 0;
  const bool exited = program->pid > 0 && waitpid(program->pid, &raw, 0) == program->pid;
  program->pid = -1;
  return exited && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

ProgramRun RunProgramOn(const std::string& binary, const std::string& input) {
  ProgramRun run{"", -1};
  RunningProgram program;
  if (!StartProgram(binary, &program)) return run;
  // Writing and reading in turn, as each pipe is ready: a long input and a
  // long output never wait for each other. Input the program leaves unread
  // when it ends is dropped.
  std::size_t sent = 0;
  if (input.empty()) CloseIfOpen(&program.input);
  while (program.output >= 0) {
    pollfd pipes[2] = {{program.output, POLLIN, 0}, {program.input, POLLOUT, 0}};
    if (poll(pipes, program.input >= 0 ? 2 : 1, kNoTimeout) < 0) break;
    if (program.input >= 0 && pipes[1].revents != 0) {
      const ssize_t wrote = write(program.input, input.data() + sent, input.size() - sent);
      sent += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
      if (wrote <= 0 || sent == input.size()) CloseIfOpen(&program.input);
    }
    if (pipes[0].revents != 0) {
      char buffer[1 << 16];
      const ssize_t got = read(program.output, buffer, sizeof buffer);
      if (got <= 0) break;
      run.output.append(buffer, static_cast<std::size_t>(got));
    }
  }
  run.status = WaitForProgram(&program);
  return run;
}
