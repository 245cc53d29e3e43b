// Runs a real program for a test: its arguments, what it reads, what it prints, how it ended.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
  int exitCode = -1;      // the exit status, or -1 when the process was killed
  int signal = 0;         // the signal that ended it, or 0
  bool timedOut = false;  // killed because it ran past the time limit
  std::string out;        // standard output
  std::string err;        // standard error
};

struct ProcessOptions {
  std::string input;                                      // written to standard input
  std::map<std::string, std::optional<std::string>> env;  // set, or removed when nullopt
  std::string workingDirectory;                           // "" keeps the current one
  int timeoutSeconds = 60;
};

// How StartChild sets up the child before it runs its program.
struct ChildOptions {
  // The child's standard input, output and error: these descriptors, or /dev/null when -1.
  // Descriptors the parent keeps should be close-on-exec, so that the program does not hold them.
  int in = -1;
  int out = -1;
  int err = -1;
  // Defaulted, so that options naming only some fields need no more.
  std::map<std::string, std::optional<std::string>> env = {};  // set, or removed when nullopt
  std::string workingDirectory = {};                           // "" keeps the current one
  // More setup in the child just before the program starts (limits, signals); may be empty.
  std::function<void()> beforeExec = {};
};

// The environment without a display, so that the program runs its terminal front-end.
std::map<std::string, std::optional<std::string>> WithoutDisplay();

// Starts `argv[0]` with `argv` (argv[0] included) in a forked child; returns its pid, or -1 when
// it could not fork. The child exits with 126 when it cannot change directory and 127 when it
// cannot run the program.
int StartChild(const std::vector<std::string>& argv, const ChildOptions& options);

// How a child ended.
struct ChildEnd {
  bool exited = false;  // it called exit; false when a signal ended it or waiting failed
  int exitCode = -1;    // its exit status when it exited, else -1
  int signal = 0;       // the signal that ended it, or 0
};

// Waits for child `pid` to end.
ChildEnd WaitForChild(int pid);

// Runs `body` in a forked child process and returns its exit status (or -1 when it died).
int InSecondProcess(const std::function<int()>& body);

// Something another process holds (a POSIX record lock, a BSD flock). A forked child runs `hold`,
// which takes it, calls `wait` (which returns on Release() or once `holdSeconds` have passed), lets
// it go and returns true; or returns false at once when it could not take it.
class HeldByChild {
 public:
  using Hold = std::function<bool(const std::function<void()>& wait)>;
  HeldByChild(const Hold& hold, int holdSeconds);
  ~HeldByChild() { Release(); }
  HeldByChild(const HeldByChild&) = delete;
  HeldByChild& operator=(const HeldByChild&) = delete;

  // Whether the child took it.
  bool Held() const { return held_; }
  // True while the child still holds it.
  bool StillHolding() const;
  void Release();

 private:
  int pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

// Runs `argv[0]` with `argv` (argv[0] included) and waits for it.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

}  // namespace testing_support
