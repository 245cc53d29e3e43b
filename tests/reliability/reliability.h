// What the reliability suites share: runs of the real executable without a display, the blocks
// its terminal front-end prints, and the log of the preloaded fault library.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/process.h"

namespace reliability {

// True when the suites run in their full mode (UPGRADE405_FULL=1).
bool FullMode();

// An environment variable as a number, or `fallback` when it is unset or not a number.
long EnvNumber(const char* name, long fallback);

using Env = std::map<std::string, std::optional<std::string>>;

// Runs `exe` with `args` and `input` on the terminal front-end (no display).
testing_support::ProcessResult RunUpgrade(const std::vector<std::string>& args,
                                          const std::string& input, const Env& env = {},
                                          const std::string& exe = UPGRADE405_EXE,
                                          int timeoutSeconds = 90);

// Starts the program on `path` in the background for the crash harnesses: it presses the button,
// confirms and closes, with nothing printed. The process id, or -1.
int StartUpgrade(const std::string& path);
// Waits for a run; true when it ended by itself with exit code 0.
bool EndedNormally(int pid);

// The blocks the terminal front-end prints for the program's windows and boxes.
extern const char kTitle[];  // the title of the built executable, upgrade405
std::string DialogBlock();
std::string DoneBlock(const std::string& title = kTitle);
std::string NotFoundBlock(const std::string& path, const std::string& title = kTitle);
// The text of a box as shown: "&" marks a mnemonic, "&&" shows one "&".
std::string Shown(const std::string& text);

// How a run that pressed the button once ended, read from what it printed.
enum class Outcome { kNotFound, kConfirmed, kError, kUnexpected };
// `out` is the whole output of a run with the input "enter\n\nclose\n" on the database at `path`.
// `errorText`, when given, receives the text of the error box.
Outcome ClassifyPress(const std::string& out, const std::string& path,
                      std::string* errorText = nullptr);
const char* OutcomeName(Outcome outcome);

// Copies `from` to `to`, replacing it.
void CopyFile(const std::string& from, const std::string& to);

// One operation the preloaded fault library counted, as its log line says.
struct ShimCall {
  long number;
  std::string name;
  int fd;
  bool failed;
};

inline std::vector<ShimCall> ReadShimLog(const std::string& path) {
  std::vector<ShimCall> calls;
  std::ifstream in(path);
  ShimCall call;
  std::string result;
  while (in >> call.number >> call.name >> call.fd >> result) {
    call.failed = result == "fail";
    calls.push_back(call);
  }
  // The forked child appends its lines too: order them by their number.
  std::sort(calls.begin(), calls.end(),
            [](const ShimCall& a, const ShimCall& b) { return a.number < b.number; });
  return calls;
}

// A run of the program whose input is written line by line while it runs.
class Session {
 public:
  explicit Session(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<std::string> argv{UPGRADE405_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = testing_support::StartChild(
        argv, {.in = in[0], .out = out[1], .env = testing_support::WithoutDisplay()});
    close(in[0]);
    close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~Session() {
    if (in_ >= 0) close(in_);
    if (out_ >= 0) close(out_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Send(const std::string& line) {
    const std::string text = line + "\n";
    signal(SIGPIPE, SIG_IGN);
    if (write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      ADD_FAILURE() << "cannot send " << line;
    }
  }
  // Reads until the output so far ends with `end`, for at most 60 s; returns the output.
  const std::string& WaitFor(const std::string& end) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (
        !(out.size() >= end.size() && out.compare(out.size() - end.size(), end.size(), end) == 0)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      pollfd p{out_, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) break;
      char buf[4096];
      const ssize_t n = read(out_, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
  }
  // Ends the input and waits for the exit code (-1 when killed).
  int Finish() {
    close(in_);
    in_ = -1;
    WaitFor("\x01");  // everything up to the end of the output
    const int exitCode = testing_support::WaitForChild(pid_).exitCode;
    pid_ = -1;
    return exitCode;
  }

  std::string out;

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
};

}  // namespace reliability
