// The confinement of the libmdb child, through the real child of a real widening: what it may
// not do ends it, what it runs as, and a kernel that refuses to confine it.
#include "platform/posix/sandbox.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/jet/engine/engine.h"
#include "platform/posix/jet/libmdb/client.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/process.h"

namespace {

using namespace platform;
using namespace testing_support;

constexpr char kWiden[] = "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)";

pid_t testProcess = 0;     // the libmdb child's parent
std::string rootOnlyFile;  // a file that only root may read

class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testProcess = ::getpid();
    original_ = dir_.File("original.mdb");
    CreateJetNuvDatabase(original_);
    db_ = dir_.File("nuv.mdb");
    WriteFile(db_, ReadFile(original_));
  }
  void TearDown() override {
    SetLibmdbChildHookForTesting(nullptr);
    SetSandboxFilterForTesting(true);
  }
  // The statement's result, with `hook` run in the confined child.
  base::Status Widen(void (*hook)(int file)) {
    std::optional<JetEngine> engine;
    EXPECT_TRUE(JetEngine::Open(db_, {}, engine).ok());
    if (!engine) return {};
    SetLibmdbChildHookForTesting(hook);
    return engine->Execute(kWiden);
  }
  bool Unchanged() const { return DifferingOffsets(original_, db_).empty(); }

  TempDir dir_;
  std::string original_;
  std::string db_;
};

struct Attempt {
  const char* name;
  void (*attempt)(int file);
};

// Each would let the child go on to a successful answer if the filter let it through.
const Attempt kForbidden[] = {
    {"open a file", [](int) { ::close(::open("/etc/passwd", O_RDONLY | O_NONBLOCK)); }},
    {"write to the database",
     [](int file) {
       // Read-only, so an allowed write would fail with EBADF and the child go on.
       if (::pwrite(file, "X", 1, 0) < 0 && ::write(file, "X", 1) < 0) return;
     }},
    {"exec", [](int) { ::execl("/bin/true", "true", static_cast<char*>(nullptr)); }},
    {"connect a socket",
     [](int) {
       const int s = ::socket(AF_INET, SOCK_STREAM, 0);
       sockaddr_in to{};
       to.sin_family = AF_INET;
       to.sin_port = htons(9);
       to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
       ::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to);
       ::close(s);
     }},
    {"signal its parent", [](int) { ::kill(testProcess, SIGCONT); }},
    {"trace its parent", [](int) { ::ptrace(PTRACE_SEIZE, testProcess, nullptr, nullptr); }},
    {"lift its memory limit",
     [](int) {
       const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
       ::setrlimit(RLIMIT_AS, &unlimited);
     }},
    {"map executable memory",
     [](int) {
       void* code =
           ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
       if (code != MAP_FAILED) ::munmap(code, 4096);
     }},
};

TEST_F(SandboxTest, WhatTheChildMayNotDoKillsItAndChangesNothing) {
  for (const Attempt& forbidden : kForbidden) {
    SCOPED_TRACE(forbidden.name);
    const base::Status status = Widen(forbidden.attempt);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("endommagée ou ne peut pas être lue"), std::string::npos)
        << status.message();
    EXPECT_NE(status.message().find("appel système interdit"), std::string::npos)
        << status.message();
    EXPECT_TRUE(Unchanged());
  }
  // What reading and answering need is allowed.
  EXPECT_TRUE(Widen(nullptr).ok());
  EXPECT_FALSE(Unchanged());
}

// In the child, its filter off: aborts unless it runs as an unprivileged user without groups or
// capabilities, and a file only root may read is closed to it.
void CheckUnprivileged(int) {
  gid_t groups[8];
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3] = {};
  if (::getuid() == 0 || ::geteuid() == 0 || ::getgid() == 0 || ::getegid() == 0 ||
      ::getgroups(8, groups) != 0 || ::syscall(SYS_capget, &header, caps) != 0 ||
      caps[0].effective != 0 || caps[0].permitted != 0 || caps[1].permitted != 0 ||
      ::prctl(PR_CAPBSET_READ, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
      ::prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) != 1) {
    std::abort();
  }
  if (::open(rootOnlyFile.c_str(), O_RDONLY | O_NONBLOCK) >= 0 || errno != EACCES) std::abort();
}

TEST_F(SandboxTest, AsRootTheChildRunsAsAnUnprivilegedUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  // The folder open to all, the file to root alone.
  ::chmod(dir_.path().c_str(), 0755);
  rootOnlyFile = dir_.File("root-only");
  WriteFile(rootOnlyFile, "secret");
  ASSERT_EQ(::chmod(rootOnlyFile.c_str(), 0600), 0);
  SetSandboxFilterForTesting(false);
  const base::Status status = Widen(CheckUnprivileged);
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_FALSE(Unchanged());
}

// Makes this process's later calls to load a system-call filter fail with EPERM, as a kernel or
// a container that does not allow one.
bool RefuseFilters() {
  scmp_filter_ctx context = seccomp_init(SCMP_ACT_ALLOW);
  const bool built = context != nullptr &&
                     seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(seccomp), 0) == 0 &&
                     seccomp_rule_add(context, SCMP_ACT_ERRNO(EPERM), SCMP_SYS(prctl), 1,
                                      SCMP_A0(SCMP_CMP_EQ, PR_SET_SECCOMP)) == 0 &&
                     seccomp_load(context) == 0;
  seccomp_release(context);
  return built;
}

TEST_F(SandboxTest, ARefusedConfinementLeavesTheFileUnreadAndSaysWhy) {
  const std::string& db = db_;
  const int code = InSecondProcess([&] {
    if (!RefuseFilters()) return 10;
    const base::Status status = Widen(nullptr);
    if (status.ok()) return 11;
    const bool says = status.message().find(
                          "n'a pas été lue, car le processus de lecture n'a "
                          "pas pu être confiné") != std::string::npos &&
                      status.message().find("filtre des appels système") != std::string::npos;
    return says ? 0 : 12;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadFile(db), ReadFile(original_));
}

}  // namespace
