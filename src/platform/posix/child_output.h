// Linux side, for the engine's questions to other programs: runs one to its end, within a time
// limit, and keeps what it prints.
#pragma once

#include <string>
#include <vector>

namespace platform {

// How a bounded run ended.
enum class ChildEnd {
  kExited,    // it ended by itself; `exitCode` says how
  kTimedOut,  // it ran past the limit and was killed
  kFailed,    // it could not be started (or killed by a signal, or printed too much)
};

struct ChildOutput {
  ChildEnd end = ChildEnd::kFailed;
  int exitCode = -1;  // with kExited
  std::string out;    // its standard output, up to the limit
};

// Runs `argv` (argv[0] looked up on PATH), its standard input and error on /dev/null, and waits
// at most `timeoutMs` for it to end, killing it (and what it started in its process group)
// beyond that. Never throws; blocks no longer than the limit and the kill. Output beyond 16 MiB
// is a failure.
ChildOutput RunForOutput(const std::vector<std::string>& argv, int timeoutMs);

}  // namespace platform
