// The Linux side of the seam: confines the current process, for good, to reading one file and
// writing one pipe, before it parses what others may have crafted.
//
// In order: no new privileges; when the process runs as root, the capability bounding set
// emptied and the user and group changed to the system's unprivileged `nobody`/`nogroup`, with
// no supplementary groups; every capability dropped; every descriptor closed but the file, the
// pipe and standard error (which must be /dev/null: a library's warnings go there); then a
// system-call filter that allows reading and seeking the file, writing the pipe and standard
// error, memory, the clock, its CPU limit, signals to itself and exit, and kills the process
// on anything else (opening a file, exec, sockets, signals to others, ptrace...).
//
// What needs more (opening the file, loading character-set tables, looking the user up) must
// happen before: after the change of user the process is no longer dumpable and its own
// /proc/self/fd is closed to it.
#pragma once

#include <string>

namespace platform {

// The step of the confinement that the kernel refused.
enum class SandboxStep {
  kNone,
  kNoNewPrivileges,
  kUser,          // the unprivileged user's lookup or the change to it
  kCapabilities,  // the bounding set or the capabilities
  kFilter,        // building or loading the system-call filter
};

struct SandboxFailure {
  SandboxStep step = SandboxStep::kNone;
  int error = 0;  // errno
};

// Confines the calling process (single-threaded: a child just forked) to reading `fileFd` (-1
// for none) and writing `pipeFd`. false with `failure` when a step was refused; the process is
// then partly confined and must end without reading anything.
bool EnterSandbox(int fileFd, int pipeFd, SandboxFailure& failure);

// Why the confinement failed, in French without final period: "le changement d'utilisateur a
// été refusé (...)".
std::string SandboxFailureText(const SandboxFailure& failure);

// Test hook: false leaves the system-call filter out (every other step is taken); true
// restores it.
void SetSandboxFilterForTesting(bool on);

}  // namespace platform
