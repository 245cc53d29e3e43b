// Runs a function in a forked child WITHOUT exec: safe only in a single-threaded process (the
// program is single-threaded when it asks), since the child inherits one thread and whatever
// locks the others held. It runs under limits, so that a library that may crash, loop or eat
// memory on a damaged file cannot take the program down.
//
// The child gets a pipe to send its answer on, a read-only descriptor of its own on one file
// (every inherited descriptor is closed: the parent's may carry a lock that must not outlive
// the parent), an address-space limit, a CPU-time limit, no core file and /dev/null for its
// standard streams; it dies with the parent. Before it reads what it was given, its work
// confines it (sandbox.h) to that file and its pipe; where the kernel refuses, the child ends
// without reading and the parent learns why. The parent reads the answer under a wall-clock
// limit, which the child may replace on its way by sending a progress message that the
// caller's ProgressReader recognises among the bytes received. What the bytes mean is the
// caller's business: the supervisor only tells how the child ended.
#pragma once

#include <sys/resource.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/posix/sandbox.h"

namespace platform {

// What the child's work writes to, in the child.
class ChildChannel {
 public:
  ChildChannel(int answerFd, int fileFd) : answerFd_(answerFd), fileFd_(fileFd) {}
  // The child's own read-only descriptor on the file it was given, or -1.
  int file() const { return fileFd_; }
  // Confines the child (sandbox.h) to reading `fileFd` (-1 for none) and writing its answer,
  // closing every other descriptor; where a step is refused, ends the child at once with a
  // result of ChildEnd::kNotConfined.
  void Confine(int fileFd) const;
  // Sends `bytes` to the parent, whole unless the parent is gone.
  void Send(const std::string& bytes) const;
  // Sends `message`, which the parent's ProgressReader turns into a new wall-clock limit of
  // `limitMs`, and gives the child's CPU-time limit as much again from now.
  void Progress(const std::string& message, int limitMs) const;

 private:
  int answerFd_;
  int fileFd_;
};

// The wall-clock limit of a child until its first progress message, unless the caller sets one.
inline constexpr int kChildWallMs = 3000;

struct ChildLimits {
  int wallMs = kChildWallMs;             // until the first progress message
  rlim_t memoryBytes = rlim_t{1} << 30;  // address space beyond what the child inherits
  std::size_t maxAnswer = 8u << 20;      // bytes the parent accepts
};

// Called by the parent with the bytes received so far: when they hold a whole progress message
// where the caller expects one, removes it and returns the new wall-clock limit (ms from now);
// otherwise 0. The bytes are kept however the child ends.
using ProgressReader = std::function<int(std::string& bytes)>;

enum class ChildEnd {
  kAnswered,     // exited with code 0: `bytes` is all it sent
  kCrashed,      // ended by a signal (`signal`)
  kFailed,       // exited with another code
  kTimedOut,     // killed when its wall-clock limit ran out
  kTooLarge,     // killed when its answer passed ChildLimits::maxAnswer
  kNoPipe,       // the pipe could not be made (`error` is errno)
  kNotStarted,   // the process could not be made (`error` is errno)
  kNotConfined,  // the child could not be confined (`confinement`) and read nothing
};

struct ChildResult {
  ChildEnd end = ChildEnd::kNoPipe;
  std::string bytes;           // what the child sent, progress messages removed
  int signal = 0;              // kCrashed
  int error = 0;               // kNoPipe, kNotStarted
  int limitMs = 0;             // the wall-clock limit in force at the end
  int progresses = 0;          // the progress messages received
  SandboxFailure confinement;  // kNotConfined
};

// Runs `work` in a child process under `limits`, with its own read-only descriptor on the file
// open as `fd` (-1 for none), and waits for its end. `work` returns normally to exit with 0.
ChildResult RunInChild(const ChildLimits& limits, int fd, const ProgressReader& progress,
                       const std::function<void(const ChildChannel&)>& work);

}  // namespace platform
