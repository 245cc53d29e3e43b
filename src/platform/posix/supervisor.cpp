// Work run in a forked child process under limits, and the parent's wait for its answer.
#include "platform/posix/supervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>

#include "platform/host.h"
#include "platform/posix/descriptor.h"

// Present only in a build with a sanitizer.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace platform {

namespace {

// A child that could not be confined sends this tag, the step (1 byte) and errno (4 bytes,
// little-endian), then exits with this code.
constexpr char kNotConfinedTag[] = "NOT CONFINED";
constexpr std::size_t kNotConfinedSize = sizeof kNotConfinedTag - 1 + 5;
constexpr int kNotConfinedExit = 121;

// The confinement's failure in the bytes of a child that ended with kNotConfinedExit.
bool DecodeNotConfined(const std::string& bytes, SandboxFailure& failure) {
  const std::size_t tag = sizeof kNotConfinedTag - 1;
  if (bytes.size() != kNotConfinedSize || bytes.compare(0, tag, kNotConfinedTag) != 0) {
    return false;
  }
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[tag + at]); };
  if (byte(0) > static_cast<unsigned>(SandboxStep::kFilter)) return false;
  failure.step = static_cast<SandboxStep>(byte(0));
  failure.error = static_cast<int>(byte(1) | byte(2) << 8 | byte(3) << 16 | byte(4) << 24);
  return true;
}

// CPU seconds for `ms` of wall-clock time, with a margin so that the wall clock ends first.
rlim_t CpuSeconds(int ms) {
  return static_cast<rlim_t>(ms / 1000 + 2);
}

// The process's address space now, in bytes (0 when unknown).
rlim_t AddressSpaceInUse() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  unsigned long pages = 0;
  const int got = std::fscanf(statm, "%lu", &pages);
  std::fclose(statm);
  return got == 1 ? static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

// Closes every descriptor from `first` on, except `keepA` and `keepB`.
void CloseDescriptorsExcept(int first, int keepA, int keepB) {
  const int low = std::min(keepA, keepB), high = std::max(keepA, keepB);
  auto closeRange = [](int from, int to) {
    if (from <= to) ::close_range(static_cast<unsigned>(from), static_cast<unsigned>(to), 0);
  };
  closeRange(first, low - 1);
  closeRange(low + 1, high - 1);
  closeRange(high + 1, std::numeric_limits<int>::max());
}

// Keeps the child's descriptors to the answer's pipe and a read-only one of its own on the file
// open as `fd`, which it returns (-1 for none). The parent's descriptor may carry an
// open-file-description lock, which must end with the parent, never linger in a child.
int KeepOnlyOwnDescriptors(int fd, int answerFd) {
  int own = -1;
  if (fd >= 0) {
    const std::string inherited = "/proc/self/fd/" + std::to_string(fd);
    own = ::open(inherited.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  CloseDescriptorsExcept(STDERR_FILENO + 1, answerFd, own);
  const int devnull = ::open("/dev/null", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (devnull >= 0) {
    ::dup2(devnull, STDIN_FILENO);
    ::dup2(devnull, STDOUT_FILENO);
    ::dup2(devnull, STDERR_FILENO);
  }
  return own;
}

// A fault ends the child and nothing else: no handler of the parent's (a crash reporter, or a
// sanitizer's or fuzzer's death callback in tests) runs in its place, and no core is written.
void DieQuietly() {
  for (int fatal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGXCPU}) {
    ::signal(fatal, SIG_DFL);
  }
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(nullptr);
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
}

void SetLimits(const ChildLimits& limits) {
  // Only the soft CPU limit: a progress message raises it.
  const rlimit cpu{CpuSeconds(limits.wallMs), RLIM_INFINITY};
  ::setrlimit(RLIMIT_CPU, &cpu);
  if (const rlim_t inUse = AddressSpaceInUse(); inUse != 0) {
    const rlimit memory{inUse + limits.memoryBytes, inUse + limits.memoryBytes};
    ::setrlimit(RLIMIT_AS, &memory);
  }
}

// The parent's descriptors that the child keeps its own of: the file (-1 for none) and the
// pipe's end it answers on.
struct InheritedFds {
  int file;
  int answer;
};

[[noreturn]] void RunChild(pid_t parent, const ChildLimits& limits, InheritedFds fds,
                           const std::function<void(const ChildChannel&)>& work) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // A parent that died before the line above would leave this child running on its own.
  if (::getppid() != parent) ::_exit(1);
  const int own = KeepOnlyOwnDescriptors(fds.file, fds.answer);
  DieQuietly();
  SetLimits(limits);
  work(ChildChannel(fds.answer, own));
  ::_exit(0);
}

// Reads the child's answer until it closes the pipe, its wall-clock limit runs out or the
// answer grows too large; fills `result` but for how the child ended.
void ReadAnswer(int answerFd, const ChildLimits& limits, const ProgressReader& progress,
                ChildResult& result) {
  result.limitMs = limits.wallMs;
  std::int64_t deadline = GetTickCount() + result.limitMs;
  char buffer[65536];
  while (true) {
    if (const int next = progress ? progress(result.bytes) : 0; next > 0) {
      result.limitMs = next;
      deadline = GetTickCount() + next;
      ++result.progresses;
    }
    const std::int64_t left = deadline - GetTickCount();
    if (left <= 0) {
      result.end = ChildEnd::kTimedOut;
      return;
    }
    pollfd p{answerFd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready <= 0) continue;  // interrupted, or the deadline, checked above
    const ssize_t n = ::read(answerFd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    result.bytes.append(buffer, static_cast<std::size_t>(n));
    if (result.bytes.size() > limits.maxAnswer) {
      result.end = ChildEnd::kTooLarge;
      return;
    }
  }
}

}  // namespace

void ChildChannel::Confine(int fileFd) const {
  SandboxFailure failure;
  if (EnterSandbox(fileFd, answerFd_, failure)) return;
  std::string message(kNotConfinedTag);
  message += static_cast<char>(failure.step);
  for (int shift = 0; shift < 32; shift += 8) {
    message += static_cast<char>(static_cast<unsigned>(failure.error) >> shift & 0xFF);
  }
  Send(message);
  ::_exit(kNotConfinedExit);
}

void ChildChannel::Send(const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(answerFd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void ChildChannel::Progress(const std::string& message, int limitMs) const {
  Send(message);
  rusage used{};
  ::getrusage(RUSAGE_SELF, &used);
  const rlim_t seconds =
      static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) + CpuSeconds(limitMs);
  const rlimit cpu{seconds, seconds};
  ::setrlimit(RLIMIT_CPU, &cpu);
}

ChildResult RunInChild(const ChildLimits& limits, int fd, const ProgressReader& progress,
                       const std::function<void(const ChildChannel&)>& work) {
  ChildResult result;
  int ends[2] = {-1, -1};
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    result.error = errno;
    return result;
  }
  UniqueFd answerRead(ends[0]), answerWrite(ends[1]);
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) {
    result.end = ChildEnd::kNotStarted;
    result.error = errno;
    return result;
  }
  if (child == 0) RunChild(parent, limits, {fd, answerWrite.Get()}, work);
  answerWrite.Reset();
  result.end = ChildEnd::kAnswered;
  ReadAnswer(answerRead.Get(), limits, progress, result);
  if (result.end != ChildEnd::kAnswered) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (result.end != ChildEnd::kAnswered) return result;
  if (WIFSIGNALED(status)) {
    result.end = ChildEnd::kCrashed;
    result.signal = WTERMSIG(status);
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == kNotConfinedExit &&
             DecodeNotConfined(result.bytes, result.confinement)) {
    result.end = ChildEnd::kNotConfined;
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    result.end = ChildEnd::kFailed;
  }
  return result;
}

}  // namespace platform
