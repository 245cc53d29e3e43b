// The Linux side of the seam: confines the current process to reading one file and writing one
// pipe (no privileges, an unprivileged user, a system-call filter).
#include "platform/posix/sandbox.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <pwd.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {

namespace {

std::atomic<bool> filterOn{true};

// What a rule of the allow-list lets through, by the system call's arguments.
enum class Only {
  kAny,
  kFile,           // the first argument is the file's descriptor
  kFileItself,     // ... with AT_EMPTY_PATH: fstat through fstatat, no path looked up
  kPipe,           // the first argument is the pipe's descriptor
  kStandardError,  // ... standard error, /dev/null
  kNotExecutable,  // the protection (third argument) without PROT_EXEC
  kSelf,           // the first argument is this process's id
  kOwnCpuLimit,    // prlimit64(0, RLIMIT_CPU, ...): the limit a progress message renews
};

struct Allowed {
  int call;
  Only only;
};

// The allow-list: reading the file, answering, memory, the clock, the CPU limit, signals to
// itself (abort, raise), exit. Everything else kills the process.
const Allowed kAllowed[] = {
    {SCMP_SYS(read), Only::kFile},
    {SCMP_SYS(pread64), Only::kFile},
    {SCMP_SYS(lseek), Only::kFile},
    {SCMP_SYS(fstat), Only::kFile},
    {SCMP_SYS(newfstatat), Only::kFileItself},
    {SCMP_SYS(write), Only::kPipe},
    {SCMP_SYS(write), Only::kStandardError},
    {SCMP_SYS(close), Only::kAny},
    {SCMP_SYS(brk), Only::kAny},
    {SCMP_SYS(mmap), Only::kNotExecutable},
    {SCMP_SYS(mprotect), Only::kNotExecutable},
    {SCMP_SYS(munmap), Only::kAny},
    {SCMP_SYS(mremap), Only::kAny},
    {SCMP_SYS(madvise), Only::kAny},
    {SCMP_SYS(clock_gettime), Only::kAny},
    {SCMP_SYS(getrusage), Only::kAny},
    {SCMP_SYS(prlimit64), Only::kOwnCpuLimit},
    {SCMP_SYS(getpid), Only::kAny},
    {SCMP_SYS(gettid), Only::kAny},
    {SCMP_SYS(tgkill), Only::kSelf},
    {SCMP_SYS(rt_sigprocmask), Only::kAny},
    {SCMP_SYS(rt_sigreturn), Only::kAny},
    {SCMP_SYS(sigaltstack), Only::kAny},  // the sanitizers' runtime, at exit
    {SCMP_SYS(exit), Only::kAny},
    {SCMP_SYS(exit_group), Only::kAny},
};

struct FilterCloser {
  void operator()(void* context) const { seccomp_release(context); }
};

int AddRule(scmp_filter_ctx context, const Allowed& allowed, int fileFd, int pipeFd) {
  const auto is = [](unsigned argument, scmp_datum_t value) {
    return scmp_arg_cmp{argument, SCMP_CMP_EQ, value, 0};
  };
  const auto fd = [](int descriptor) { return static_cast<scmp_datum_t>(descriptor); };
  const int call = allowed.call;
  switch (allowed.only) {
    case Only::kAny:
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 0);
    case Only::kFile:
      if (fileFd < 0) return 0;
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 1, is(0, fd(fileFd)));
    case Only::kFileItself:
      if (fileFd < 0) return 0;
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 2, is(0, fd(fileFd)),
                              is(3, AT_EMPTY_PATH));
    case Only::kPipe:
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 1, is(0, fd(pipeFd)));
    case Only::kStandardError:
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 1, is(0, fd(STDERR_FILENO)));
    case Only::kNotExecutable:
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 1,
                              scmp_arg_cmp{2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0});
    case Only::kSelf:
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 1,
                              is(0, static_cast<scmp_datum_t>(::getpid())));
    case Only::kOwnCpuLimit:
      return seccomp_rule_add(context, SCMP_ACT_ALLOW, call, 2, is(0, 0), is(1, RLIMIT_CPU));
  }
  return -EINVAL;
}

// Builds and loads the filter; 0 or a negative errno.
int LoadFilter(int fileFd, int pipeFd) {
  const std::unique_ptr<void, FilterCloser> context(seccomp_init(SCMP_ACT_KILL_PROCESS));
  if (!context) return -ENOMEM;
  for (const Allowed& allowed : kAllowed) {
    if (const int added = AddRule(context.get(), allowed, fileFd, pipeFd); added < 0) {
      return added;
    }
  }
  return seccomp_load(context.get());
}

bool RunsAsRoot() {
  uid_t real = 0, effective = 0, saved = 0;
  ::getresuid(&real, &effective, &saved);
  return real == 0 || effective == 0 || saved == 0;
}

// Empties the capability bounding set (root only: it takes CAP_SETPCAP) and the ambient set.
bool DropBoundingSet() {
  // Up to the running kernel's last capability, which may come after this build's headers'.
  for (int capability = 0; capability < 64; ++capability) {
    if (::prctl(PR_CAPBSET_DROP, capability, 0, 0, 0) == 0) continue;
    if (errno == EINVAL) break;  // past the last
    return false;
  }
  return ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) == 0 || errno == EINVAL;
}

// Becomes the system's unprivileged user and group, with no supplementary group.
bool BecomeNobody() {
  const passwd* user = ::getpwnam("nobody");
  const group* users = ::getgrnam("nogroup");
  if (user == nullptr || users == nullptr) {
    errno = ENOENT;
    return false;
  }
  const uid_t uid = user->pw_uid;
  const gid_t gid = users->gr_gid;
  if (uid == 0 || gid == 0) {
    errno = EINVAL;
    return false;
  }
  if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 ||
      ::setresuid(uid, uid, uid) != 0) {
    return false;
  }
  // A change that did not take would leave root.
  if (::getuid() != uid || ::geteuid() != uid || ::getgid() != gid || ::getegid() != gid) {
    errno = EPERM;
    return false;
  }
  return true;
}

// No capability, effective, permitted or inheritable.
bool DropCapabilities() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
  return ::syscall(SYS_capset, &header, none) == 0;
}

// Closes every descriptor but those of `keep` (-1 for none).
void CloseAllBut(std::array<int, 3> keep) {
  std::sort(keep.begin(), keep.end());
  int from = 0;
  for (const int fd : keep) {
    if (fd < from) continue;
    if (fd > from) ::close_range(static_cast<unsigned>(from), static_cast<unsigned>(fd - 1), 0);
    from = fd + 1;
  }
  ::close_range(static_cast<unsigned>(from), ~0u, 0);
}

bool Fail(SandboxFailure& failure, SandboxStep step, int error) {
  failure.step = step;
  failure.error = error;
  return false;
}

}  // namespace

bool EnterSandbox(int fileFd, int pipeFd, SandboxFailure& failure) {
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
    return Fail(failure, SandboxStep::kNoNewPrivileges, errno);
  }
  if (RunsAsRoot()) {
    if (!DropBoundingSet()) return Fail(failure, SandboxStep::kCapabilities, errno);
    if (!BecomeNobody()) return Fail(failure, SandboxStep::kUser, errno);
  }
  if (!DropCapabilities()) return Fail(failure, SandboxStep::kCapabilities, errno);
  CloseAllBut({fileFd, pipeFd, STDERR_FILENO});
  if (!filterOn.load()) return true;
  if (const int loaded = LoadFilter(fileFd, pipeFd); loaded != 0) {
    return Fail(failure, SandboxStep::kFilter, -loaded);
  }
  return true;
}

std::string SandboxFailureText(const SandboxFailure& failure) {
  // By SandboxStep.
  static const char* const kSteps[] = {
      "le confinement a échoué",
      "l'interdiction de tout nouveau privilège a été refusée",
      "le passage à l'utilisateur sans privilège nobody a été refusé",
      "l'abandon des capacités a été refusé",
      "le filtre des appels système a été refusé",
  };
  const auto step = static_cast<std::size_t>(failure.step);
  return std::string(kSteps[step < std::size(kSteps) ? step : 0]) + " (" +
         std::strerror(failure.error) + ")";
}

void SetSandboxFilterForTesting(bool on) {
  filterOn = on;
}

}  // namespace platform
