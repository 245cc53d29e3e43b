// Other users of a Jet file, through the real executable: a second process holding a POSIX
// record lock on the database, or on the Jet lock file (.ldb) beside it, as Samba holds them
// for Windows clients of a share. The press must fail at once with the "in use" error while
// the lock is held, change nothing, and succeed once the lock is gone; a leftover .ldb that
// nobody locks does not block. A write lock on the whole database is how a process that opened
// it exclusively holds it: the program cannot open it then, as with Jet, and says so with the
// not-found notice.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "reliability/reliability.h"
#include "support/jet_files.h"
#include "support/jet_sample.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using reliability::Outcome;
using testing_support::ReadFile;

// A child process holding one fcntl lock on `path` (created when missing) until Release() or
// until `holdSeconds` have passed.
class RecordLockHolder : public testing_support::HeldByChild {
 public:
  RecordLockHolder(const std::string& path, short type, off_t start, off_t length, int holdSeconds)
      : HeldByChild(
            [&](const std::function<void()>& wait) {
              const int fd =
                  open(path.c_str(), (type == F_WRLCK ? O_RDWR : O_RDONLY) | O_CREAT, 0644);
              struct flock lock {};
              lock.l_type = type;
              lock.l_whence = SEEK_SET;
              lock.l_start = start;
              lock.l_len = length;
              if (fd < 0 || fcntl(fd, F_SETLK, &lock) != 0) return false;
              wait();
              return true;
            },
            holdSeconds) {}
};

const std::string kPress = "enter\n\nclose\n";
// A writer-made nuv file, nuv404.mdb in `dir`, and where its length field lies.
struct NuvFile {
  std::string path;
  long field;
  std::uint32_t definitionPage;
};
NuvFile MakeNuv(const testing_support::TempDir& dir) {
  const std::string path = dir.File("nuv404.mdb");
  fs::remove(path);
  const jet_writer::DatabaseLayout layout = testing_support::CreateJetNuvDatabase(path, 50, 1000);
  return {path, testing_support::FilenameLengthField(layout),
          layout.tables.at("nuv").definitionPages.front()};
}

// Less than ADO's 30-second command timeout: a press that waited for the lock instead of
// failing at once is stopped and counted as a failure.
constexpr int kAtOnceSeconds = 20;

TEST(JetLockTest, LockOnTheFileOrItsLdbFailsThePressWithTheInUseErrorAndChangesNothing) {
  testing_support::TempDir dir;
  const std::uint32_t definitionPage = MakeNuv(dir).definitionPage;
  struct Case {
    const char* what;
    bool onLdb;
    short type;
    off_t start, length;
  };
  for (const Case& c : {
           Case{"a read lock on the whole database", false, F_RDLCK, 0, 0},
           Case{"a write lock on nuv's definition page", false, F_WRLCK, definitionPage * 4096,
                4096},
           Case{"a read lock on one byte of the database", false, F_RDLCK, 100, 1},
           // Windows clients lock ranges far past the end of the file.
           Case{"a read lock past the end of the database", false, F_RDLCK, 0x10000000, 1},
           Case{"a write lock on the whole .ldb", true, F_WRLCK, 0, 0},
           Case{"a read lock on a user slot of the .ldb", true, F_RDLCK, 0x10000001, 1},
       }) {
    const NuvFile nuv = MakeNuv(dir);
    const std::string& db = nuv.path;
    const std::string ldb = dir.File("nuv404.ldb");
    fs::remove(ldb);
    const std::string before = ReadFile(db);
    {
      RecordLockHolder holder(c.onLdb ? ldb : db, c.type, c.start, c.length, 120);
      ASSERT_TRUE(holder.Held()) << c.what;
      const testing_support::ProcessResult r =
          reliability::RunUpgrade({"/db=" + db}, kPress, {}, UPGRADE405_EXE, kAtOnceSeconds);
      EXPECT_FALSE(r.timedOut) << c.what << ": the press waited for the lock";
      std::string error;
      EXPECT_EQ(reliability::ClassifyPress(r.out, db, &error), Outcome::kError) << c.what << "\n"
                                                                                << r.out;
      EXPECT_NE(error.find("utilis"), std::string::npos) << c.what << ": " << error;
      EXPECT_EQ(r.exitCode, 0) << c.what;
      EXPECT_TRUE(holder.StillHolding()) << c.what;
      EXPECT_TRUE(ReadFile(db) == before) << c.what << ": changed while locked";
    }
    // The lock gone (a stale .ldb may stay behind): the press goes through.
    const testing_support::ProcessResult r = reliability::RunUpgrade({"/db=" + db}, kPress);
    EXPECT_EQ(reliability::ClassifyPress(r.out, db), Outcome::kConfirmed) << c.what << "\n"
                                                                          << r.out;
    EXPECT_EQ(testing_support::ReadLengthField(db, nuv.field), 192) << c.what;
  }
}

TEST(JetLockTest, WholeFileWriteLockIsAnExclusiveOpenerAndEndsInTheNotFoundNotice) {
  testing_support::TempDir dir;
  const std::string db = MakeNuv(dir).path;
  const std::string before = ReadFile(db);
  {
    RecordLockHolder holder(db, F_WRLCK, 0, 0, 120);
    ASSERT_TRUE(holder.Held());
    const testing_support::ProcessResult r =
        reliability::RunUpgrade({"/db=" + db}, kPress, {}, UPGRADE405_EXE, kAtOnceSeconds);
    EXPECT_FALSE(r.timedOut) << "opening waited for the lock";
    EXPECT_EQ(reliability::ClassifyPress(r.out, db), Outcome::kNotFound) << r.out;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(holder.StillHolding());
  }
  EXPECT_TRUE(ReadFile(db) == before);
  EXPECT_EQ(reliability::ClassifyPress(reliability::RunUpgrade({"/db=" + db}, kPress).out, db),
            Outcome::kConfirmed);
}

TEST(JetLockTest, AnIdleInstanceDoesNotBlockASecondOneAndThenFindsTheColumnWidened) {
  testing_support::TempDir dir;
  const NuvFile nuv = MakeNuv(dir);
  const std::string& db = nuv.path;
  std::string widened = ReadFile(db);
  widened[static_cast<std::size_t>(nuv.field)] = static_cast<char>(192);
  // Its input stays open: it shows the dialog and waits, its connection open.
  reliability::Session first({"/db=" + db});
  ASSERT_EQ(first.WaitFor(reliability::DialogBlock()), reliability::DialogBlock());
  // The second runs whole while the first keeps its connection open.
  const testing_support::ProcessResult second =
      reliability::RunUpgrade({"/db=" + db}, kPress, {}, UPGRADE405_EXE, kAtOnceSeconds);
  EXPECT_EQ(reliability::ClassifyPress(second.out, db), Outcome::kConfirmed) << second.out;
  EXPECT_TRUE(ReadFile(db) == widened);
  // The first, opened on the old length, presses now: the length is there already.
  first.Send("enter");
  first.Send("");
  first.Send("close");
  EXPECT_EQ(first.Finish(), 0);
  EXPECT_EQ(reliability::ClassifyPress(first.out, db), Outcome::kConfirmed) << first.out;
  EXPECT_TRUE(ReadFile(db) == widened);
}

TEST(JetLockTest, LeftoverLdbThatNobodyLocksDoesNotBlock) {
  testing_support::TempDir dir;
  const NuvFile nuv = MakeNuv(dir);
  const std::string& db = nuv.path;
  // What Jet leaves behind after a crash: user slots with a name in them.
  std::string slot(64, '\0');
  slot.replace(0, 8, "PC-ADMIN");
  slot.replace(32, 5, "Admin");
  testing_support::WriteFile(dir.File("nuv404.ldb"), slot + slot);
  const testing_support::ProcessResult r = reliability::RunUpgrade({"/db=" + db}, kPress);
  EXPECT_EQ(reliability::ClassifyPress(r.out, db), Outcome::kConfirmed) << r.out;
  EXPECT_EQ(testing_support::ReadLengthField(db, nuv.field), 192);
}

}  // namespace
