// Opening Jet files: what the header says, the connection's Mode, and other users of the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/jet/engine/engine.h"
#include "platform/posix/jet/engine/file.h"
#include "platform/posix/jet/format/header.h"
#include "platform/posix/jet/libmdb/client.h"
#include "platform/posix/sandbox.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/process.h"

namespace {

using namespace platform;
using namespace testing_support;

constexpr char kWiden[] = "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)";

base::Status Open(const std::string& path, std::optional<JetEngine>& engine, OpenMode mode = {}) {
  return JetEngine::Open(path, mode, engine);
}

// Changes byte `at` of `path` by XOR with `mask`.
void FlipByte(const std::string& path, std::size_t at, unsigned char mask) {
  std::string bytes = ReadFile(path);
  bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) ^ mask);
  WriteFile(path, bytes);
}

// A classic POSIX lock, as Samba takes for a Windows client, held by this test process until
// destroyed; the engine then runs in a second process.
class PosixLock {
 public:
  PosixLock(const std::string& path, short type, off_t start, off_t length)
      : fd_(::open(path.c_str(), (type == F_WRLCK ? O_RDWR : O_RDONLY) | O_CLOEXEC)) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    EXPECT_EQ(::fcntl(fd_, F_SETLK, &lock), 0) << std::strerror(errno);
  }
  ~PosixLock() { ::close(fd_); }
  PosixLock(const PosixLock&) = delete;
  PosixLock& operator=(const PosixLock&) = delete;

 private:
  int fd_;
};

// Runs the program's statement on `path` in a second process: 0 when it succeeded, 2 when it
// failed as "in use", 3 when it failed otherwise, 4 when the file did not open.
int WidenInSecondProcess(const std::string& path, OpenMode mode = {}) {
  return InSecondProcess([&] {
    std::optional<JetEngine> engine;
    if (!JetEngine::Open(path, mode, engine).ok()) return 4;
    const base::Status status = engine->Execute(kWiden);
    if (status.ok()) return 0;
    return status.message().find("déjà utilisée par un autre utilisateur") != std::string::npos ? 2
                                                                                                : 3;
  });
}

class JetOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = dir_.File("original.mdb");
    const jet_writer::DatabaseLayout layout = CreateJetNuvDatabase(original_);
    lengthField_ = static_cast<long>(layout.tables.at("nuv").columns.at("Filename").lengthOffset);
    db_ = dir_.File("nuv.mdb");
    WriteFile(db_, ReadFile(original_));
  }
  void TearDown() override {
    SetLibmdbChildHookForTesting(nullptr);
    SetLibmdbScanHookForTesting(nullptr);
    SetLibmdbTimeLimitForTesting(0);
  }
  bool Unchanged() const { return DifferingOffsets(original_, db_).empty(); }
  bool Widened() const {
    return DifferingOffsets(original_, db_) == std::vector<long>{lengthField_};
  }

  TempDir dir_;
  long lengthField_ = -1;  // nuv.Filename's length field
  std::string original_;
  std::string db_;
};

TEST_F(JetOpenTest, HeadersThatTheProviderWouldNotOpenFailAndChangeNothing) {
  struct Case {
    const char* name;
    std::size_t at;
    unsigned char mask;
    const char* says;
  };
  // Offsets of the header page: the signature, the version, and under the RC4 mask the
  // page-encoding key (0x3E) and the database password (0x42).
  for (const Case& c : {Case{"ace signature", 4 + 9, 'J' ^ 'A', "ACE"},
                        Case{"ace version", 0x14, 0x01 ^ 0x02, "ACE"},
                        Case{"unknown version", 0x14, 0x01 ^ 0x7F, "version"},
                        Case{"password", 0x42, 'a', "mot de passe"},
                        Case{"password end", 0x42 + 39, 0x10, "mot de passe"},
                        Case{"encrypted", 0x3E, 0x5A, "cryptée"}}) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string db = dir.File("nuv.mdb");
    WriteFile(db, ReadFile(original_));
    FlipByte(db, c.at, c.mask);
    if (std::string(c.name) == "ace signature") {
      FlipByte(db, 4 + 10, 'e' ^ 'C');
      FlipByte(db, 4 + 11, 't' ^ 'E');
      ASSERT_EQ(ReadFile(db).substr(4, 15), "Standard ACE DB");
    }
    const std::string before = ReadFile(db);
    std::optional<JetEngine> engine;
    const base::Status status = Open(db, engine);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(engine.has_value());
    EXPECT_NE(status.message().find(c.says), std::string::npos) << status.message();
    EXPECT_EQ(ReadFile(db), before);
  }
  // A truncated header, and a file that is not a database at all.
  WriteFile(db_, ReadFile(original_).substr(0, 2000));
  std::optional<JetEngine> engine;
  EXPECT_NE(Open(db_, engine).message().find("tronqué"), std::string::npos);
  WriteFile(db_, std::string(8192, 'x'));
  EXPECT_FALSE(Open(db_, engine).ok());
  EXPECT_FALSE(Open(dir_.File("missing.mdb"), engine).ok());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("missing.mdb"))) << "open never creates a file";
}

TEST_F(JetOpenTest, AJet4FileUnderAJet3HeaderOpensButIsNotAltered) {
  // The header of an Access 97 file (version 0, 126 masked bytes, no date mask on its password)
  // on Jet 4 pages: read as Jet 3, the file makes no sense and nothing is written.
  std::string bytes = ReadFile(db_);
  auto* page = reinterpret_cast<unsigned char*>(bytes.data());
  ToggleJetHeaderMask(page, kJet4PageSize, JetVersion::kJet4);
  page[0x14] = 0;
  std::memset(page + 0x42, 0, 20);
  ToggleJetHeaderMask(page, kJet4PageSize, JetVersion::kJet3);
  WriteFile(db_, bytes);
  std::optional<JetEngine> engine;
  ASSERT_TRUE(Open(db_, engine).ok());
  const base::Status status = engine->Execute(kWiden);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(ReadFile(db_), bytes);
}

TEST_F(JetOpenTest, ModeReadRefusesTheStatement) {
  std::optional<JetEngine> engine;
  ASSERT_TRUE(Open(db_, engine, {true, false}).ok());
  const base::Status status = engine->Execute(kWiden);
  EXPECT_NE(status.message().find("lecture seule"), std::string::npos) << status.message();
  EXPECT_TRUE(Unchanged());
}

TEST_F(JetOpenTest, ShareExclusiveKeepsOthersOutUntilClosed) {
  {
    std::optional<JetEngine> engine;
    ASSERT_TRUE(Open(db_, engine, {false, true}).ok());
    EXPECT_EQ(WidenInSecondProcess(db_), 4) << "a shared open is refused";
    EXPECT_EQ(WidenInSecondProcess(db_, {false, true}), 4) << "so is an exclusive one";
    EXPECT_TRUE(engine->Execute(kWiden).ok());
    EXPECT_TRUE(Widened());
  }
  EXPECT_EQ(WidenInSecondProcess(db_, {false, true}), 0) << "closing released the file";
}

TEST_F(JetOpenTest, AnotherProcessLockingTheFileOrItsLockFileMakesTheStatementFail) {
  {
    PosixLock lock(db_, F_RDLCK, 0x10000000, 1);  // a byte-range lock beyond the end, as Jet's
    EXPECT_EQ(WidenInSecondProcess(db_), 2);
    EXPECT_EQ(WidenInSecondProcess(db_, {false, true}), 4) << "nor opens it exclusively";
  }
  EXPECT_TRUE(Unchanged());
  const std::string ldb = dir_.File("nuv.ldb");
  WriteFile(ldb, std::string(64, '\0'));
  {
    PosixLock lock(ldb, F_WRLCK, 0, 1);
    EXPECT_EQ(WidenInSecondProcess(db_), 2);
  }
  EXPECT_TRUE(Unchanged());
  // The lock file is now a leftover that nobody locks: it does not stand in the way.
  EXPECT_EQ(WidenInSecondProcess(db_), 0);
  EXPECT_TRUE(Widened());
}

TEST_F(JetOpenTest, ALibmdbChildThatCrashesOrHangsChangesNothing) {
  std::optional<JetEngine> engine;
  ASSERT_TRUE(Open(db_, engine).ok());
  SetLibmdbChildHookForTesting([](int) { ::raise(SIGSEGV); });
  base::Status status = engine->Execute(kWiden);
  EXPECT_NE(status.message().find("endommagée ou ne peut pas être lue"), std::string::npos)
      << status.message();
  // A sanitizer's handler turns the crash into an exit without an answer.
  EXPECT_TRUE(status.message().find("signal 11") != std::string::npos ||
              status.message().find("réponse lisible") != std::string::npos)
      << status.message();
  SetLibmdbTimeLimitForTesting(300);
  SetLibmdbChildHookForTesting([](int) {
    // Busy: the confined child may not sleep in the kernel.
    std::atomic<unsigned> spins{0};
    for (;;) spins.fetch_add(1, std::memory_order_relaxed);
  });
  status = engine->Execute(kWiden);
  EXPECT_NE(status.message().find("n'a pas abouti"), std::string::npos) << status.message();
  SetLibmdbChildHookForTesting([](int) { ::_exit(0); });  // no answer at all
  status = engine->Execute(kWiden);
  EXPECT_NE(status.message().find("réponse lisible"), std::string::npos) << status.message();
  EXPECT_TRUE(Unchanged());
  SetLibmdbChildHookForTesting(nullptr);
  SetLibmdbTimeLimitForTesting(0);
  EXPECT_TRUE(engine->Execute(kWiden).ok());
  EXPECT_TRUE(Widened());
}

TEST_F(JetOpenTest, AChildThatHangsInAShorteningsScanFailsTheScanAfterTheTableWasRead) {
  std::optional<JetEngine> engine;
  ASSERT_TRUE(Open(db_, engine).ok());
  SetLibmdbTimeLimitForTesting(300);
  SetLibmdbScanHookForTesting([] {
    std::atomic<unsigned> spins{0};
    for (;;) spins.fetch_add(1, std::memory_order_relaxed);
  });
  // The table part came before the scan: the failure is the scan's, in the same one child.
  const base::Status status = engine->Execute("ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(5)");
  EXPECT_NE(status.message().find("la lecture des valeurs de la colonne par libmdb n'a pas abouti"),
            std::string::npos)
      << status.message();
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(engine->Execute(kWiden).ok());  // a widening reads no value
  EXPECT_TRUE(Widened());
}

// The database, as the libmdb child's hook below finds it.
struct stat childDatabase {};

// In the confined child (its filter off, so that it may look around): aborts unless its
// descriptors are libmdb's own read-only one on the database, its pipe and standard error
// (/dev/null). The engine's descriptor carries the statement's lock, which must not outlive it.
void CheckChildDescriptors(int file) {
  int database = 0, others = 0;
  for (int fd = 0; fd < 1024; ++fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) continue;
    if (info.st_dev == childDatabase.st_dev && info.st_ino == childDatabase.st_ino) {
      ++database;
      if (fd != file || (::fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY) std::abort();
    } else if (!S_ISFIFO(info.st_mode) && !(fd == STDERR_FILENO && S_ISCHR(info.st_mode))) {
      ++others;
    }
  }
  if (database != 1 || others != 0) std::abort();
}

TEST_F(JetOpenTest, TheLibmdbChildHoldsItsOwnReadOnlyDescriptorAndNothingElse) {
  ASSERT_EQ(::stat(db_.c_str(), &childDatabase), 0);
  std::optional<JetEngine> engine;
  ASSERT_TRUE(Open(db_, engine).ok());
  SetSandboxFilterForTesting(false);
  SetLibmdbChildHookForTesting(CheckChildDescriptors);
  const base::Status status = engine->Execute(kWiden);
  SetSandboxFilterForTesting(true);
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_TRUE(Widened());
}

// Makes one of the engine's file calls fail with `error` from now on, counting its calls;
// restores the real ones when destroyed.
class FailingCall {
 public:
  enum Which { kRead, kWrite, kFlush, kLock };
  FailingCall(Which which, int error) {
    which_ = which;
    error_ = error;
    count_ = 0;
    JetFileCalls calls = DefaultJetFileCalls();
    switch (which) {
      case kRead:
        calls.pread = [](int, void*, std::size_t, off_t) -> ssize_t { return Fail(); };
        break;
      case kWrite:
        calls.pwrite = [](int, const void*, std::size_t, off_t) -> ssize_t { return Fail(); };
        break;
      case kFlush:
        calls.fsync = [](int) { return static_cast<int>(Fail()); };
        break;
      case kLock:
        calls.lock = [](int, int, struct flock*) { return static_cast<int>(Fail()); };
        break;
    }
    SetJetFileCallsForTesting(calls);
  }
  ~FailingCall() { SetJetFileCallsForTesting(DefaultJetFileCalls()); }
  FailingCall(const FailingCall&) = delete;
  FailingCall& operator=(const FailingCall&) = delete;
  int count() const { return count_; }

 private:
  static ssize_t Fail() {
    ++count_;
    errno = error_;
    return -1;
  }
  static inline Which which_ = kRead;
  static inline int error_ = 0;
  static inline int count_ = 0;
};

TEST_F(JetOpenTest, FailedReadsWritesFlushesAndLocksAreReportedOnceAndNeverAsSuccess) {
  std::optional<JetEngine> engine;
  {
    FailingCall read(FailingCall::kRead, EIO);
    EXPECT_FALSE(Open(db_, engine).ok()) << "the header cannot be read";
  }
  ASSERT_TRUE(Open(db_, engine).ok());
  {
    FailingCall read(FailingCall::kRead, EIO);
    const base::Status status = engine->Execute(kWiden);
    EXPECT_NE(status.message().find("ne peut pas être lue"), std::string::npos) << status.message();
  }
  {
    FailingCall lock(FailingCall::kLock, ENOLCK);
    const base::Status status = engine->Execute(kWiden);
    EXPECT_NE(status.message().find("Impossible de verrouiller"), std::string::npos)
        << status.message();
  }
  {
    FailingCall write(FailingCall::kWrite, ENOSPC);
    const base::Status status = engine->Execute(kWiden);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("Erreur d'écriture"), std::string::npos) << status.message();
    EXPECT_NE(status.message().find(std::strerror(ENOSPC)), std::string::npos);
    EXPECT_EQ(write.count(), 1) << "never retried";
  }
  EXPECT_TRUE(Unchanged());
  {
    FailingCall flush(FailingCall::kFlush, EIO);
    const base::Status status = engine->Execute(kWiden);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("écriture sur le disque"), std::string::npos)
        << status.message();
    EXPECT_EQ(flush.count(), 1) << "never retried";
  }
  // The write reached the file before the flush failed: the length is the old one or the new.
  EXPECT_TRUE(Unchanged() || Widened());
}

}  // namespace
