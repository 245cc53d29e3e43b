// Linux side, for the engine's questions to other programs: one run, bounded in time.
#include "platform/posix/child_output.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/descriptor.h"

extern char** environ;

namespace platform {

namespace {

constexpr std::size_t kMaxOutput = 16u << 20;

long long NowMs() {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// Starts `argv` in a process group of its own, its output into `writeEnd`; the pid, or -1.
pid_t Start(const std::vector<std::string>& argv, int writeEnd) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, writeEnd, 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

// Reads `from` until its end or `deadline`; false on a timeout, an error or too much output.
bool ReadUntil(int from, long long deadline, std::string& out, bool& timedOut) {
  char buffer[65536];
  for (;;) {
    const long long left = deadline - NowMs();
    if (left <= 0) {
      timedOut = true;
      return false;
    }
    struct pollfd ready {
      from, POLLIN, 0
    };
    const int polled = ::poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled < 0) return false;
    if (polled == 0) continue;
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    out.append(buffer, static_cast<std::size_t>(n));
    if (out.size() > kMaxOutput) return false;
  }
}

// Waits for `pid` to end, until `deadline`; false when it is still running then.
bool WaitUntil(pid_t pid, long long deadline, int& status) {
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) return false;
    if (NowMs() >= deadline) return false;
    ::usleep(2000);
  }
}

}  // namespace

ChildOutput RunForOutput(const std::vector<std::string>& argv, int timeoutMs) {
  ChildOutput result;
  int ends[2];
  if (argv.empty() || ::pipe2(ends, O_CLOEXEC) != 0) return result;
  UniqueFd readEnd(ends[0]);
  const pid_t pid = Start(argv, ends[1]);
  ::close(ends[1]);
  if (pid < 0) return result;
  const long long deadline = NowMs() + timeoutMs;
  bool timedOut = false;
  const bool read = ReadUntil(readEnd.Get(), deadline, result.out, timedOut);
  int status = 0;
  if (!read || !WaitUntil(pid, deadline, status)) {
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    result.end = (timedOut || NowMs() >= deadline) ? ChildEnd::kTimedOut : ChildEnd::kFailed;
    return result;
  }
  if (!WIFEXITED(status)) return result;
  result.end = ChildEnd::kExited;
  result.exitCode = WEXITSTATUS(status);
  return result;
}

}  // namespace platform
