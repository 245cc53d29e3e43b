// Crash atomicity: the real executable killed with SIGKILL at random moments while it upgrades a
// table of 100,000 rows, on the path that changes only the stored definition and on the path
// that rebuilds the table. Afterwards the file must pass PRAGMA integrity_check, hold the same
// rows with the same values, and have either the old schema or the new one, never a mix; and
// the next run of the program must finish the upgrade.
//
// Short mode: a few runs per path. UPGRADE405_FULL=1: UPGRADE405_CRASH_RUNS runs per path
// (400 unless set). UPGRADE405_SEED picks the kill moments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "reliability/reliability.h"
#include "support/sample_db.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using reliability::DatabaseState;
using reliability::InspectDatabase;

constexpr int kRows = 100000;

using reliability::EndedNormally;
using reliability::StartUpgrade;

// The 100k-row database of one path and what a completed upgrade makes of it, built once for
// this run of the test program.
struct Template {
  std::string path;
  DatabaseState before;
  DatabaseState after;
  std::chrono::microseconds runTime{0};  // one whole run, to spread the kill moments over
};

class CrashTest : public ::testing::TestWithParam<const char*> {
 protected:
  static testing_support::TempDir& Folder() {
    static testing_support::TempDir folder;
    return folder;
  }

  static const Template& TemplateFor(const std::string& filenameType) {
    static std::map<std::string, std::unique_ptr<Template>> made;
    std::unique_ptr<Template>& t = made[filenameType];
    if (t) return *t;
    t = std::make_unique<Template>();
    t->path = Folder().File("template-" + std::to_string(made.size()) + ".mdb");
    reliability::CreateLargeNuvDatabase(t->path, filenameType, kRows, 40);
    t->before = InspectDatabase(t->path);
    const std::string probe = Folder().File("probe.mdb");
    reliability::CopyFile(t->path, probe);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = StartUpgrade(probe);
    const bool ended = EndedNormally(pid);
    t->runTime = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    t->after = InspectDatabase(probe);
    if (!ended) t->after.error = "the run without a kill failed";
    fs::remove(probe);
    return *t;
  }
};

TEST_P(CrashTest, KilledAnywhereLeavesTheOldOrTheNewSchemaAndEveryRow) {
#ifdef UPGRADE405_SANITIZED
  GTEST_SKIP() << "the crash harness runs in the plain build only";
#endif
  const Template& t = TemplateFor(GetParam());
  ASSERT_EQ(t.before.error, "");
  ASSERT_EQ(t.before.integrity, "ok");
  ASSERT_EQ(t.before.rows, kRows);
  ASSERT_EQ(t.after.error, "");
  ASSERT_EQ(t.after.filenameType, "TEXT(96)");
  ASSERT_EQ(t.after.checksum, t.before.checksum);
  ASSERT_NE(t.after.schema, t.before.schema);

  const long runs = reliability::FullMode() ? reliability::EnvNumber("UPGRADE405_CRASH_RUNS", 400)
                                            : reliability::EnvNumber("UPGRADE405_CRASH_RUNS", 5);
  const auto seed = static_cast<std::uint32_t>(reliability::EnvNumber("UPGRADE405_SEED", 405));
  std::mt19937 random(seed);
  // Up to half as long again as a whole run, so that every moment of it is reachable, the end
  // of the commit and the shutdown after it included.
  std::uniform_int_distribution<long> delay(0, t.runTime.count() * 3 / 2);
  const std::string path = Folder().File("run.mdb");
  int oldSchema = 0, newSchema = 0, finished = 0, interrupted = 0, failures = 0;
  for (long run = 0; run < runs && failures < 5; ++run) {
    fs::remove(path + "-journal");
    reliability::CopyFile(t.path, path);
    const long micros = delay(random);
    const pid_t pid = StartUpgrade(path);
    ASSERT_GT(pid, 0);
    const timespec pause{micros / 1000000, (micros % 1000000) * 1000};
    nanosleep(&pause, nullptr);
    int status = 0;
    const bool endedAlready = waitpid(pid, &status, WNOHANG) == pid;
    if (!endedAlready) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    if (endedAlready || !WIFSIGNALED(status)) ++finished;
    // A rollback journal left behind: the kill came in the middle of the transaction.
    if (fs::exists(path + "-journal")) ++interrupted;

    const DatabaseState state = InspectDatabase(path);
    const std::string label = std::string(GetParam()) + " seed " + std::to_string(seed) + " run " +
                              std::to_string(run) + " killed after " + std::to_string(micros) +
                              " us";
    const bool good = state.error.empty() && state.integrity == "ok" && state.rows == kRows &&
                      state.checksum == t.before.checksum &&
                      (state.schema == t.before.schema || state.schema == t.after.schema);
    EXPECT_TRUE(good) << label << "\nerror: " << state.error << "\nintegrity: " << state.integrity
                      << "\nrows: " << state.rows << "\nschema:\n"
                      << state.schema;
    if (!good) {
      ++failures;
      continue;
    }
    (state.schema == t.after.schema ? newSchema : oldSchema)++;
    // Now and then, the next run on the killed file: it must finish the upgrade.
    if (run % 10 == 4) {
      EXPECT_TRUE(EndedNormally(StartUpgrade(path))) << label;
      const DatabaseState next = InspectDatabase(path);
      EXPECT_EQ(next.schema, t.after.schema) << label;
      EXPECT_EQ(next.checksum, t.before.checksum) << label;
    }
  }
  std::printf(
      "%s: %ld runs over %ld us: %d left the old schema, %d the new one; %d killed inside the "
      "transaction, %d ended before the kill\n",
      GetParam(), runs, static_cast<long>(t.runTime.count()), oldSchema, newSchema, interrupted,
      finished);
}

// TEXT(50) to TEXT(96): the same affinity, only the stored definition changes. INTEGER and BLOB
// to TEXT(96): another affinity, the table is rebuilt.
INSTANTIATE_TEST_SUITE_P(Paths, CrashTest, ::testing::Values("TEXT(50)", "INTEGER", "BLOB"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           switch (info.index) {
                             case 0:
                               return std::string("DefinitionOnly");
                             case 1:
                               return std::string("RebuildFromInteger");
                             default:
                               return std::string("RebuildFromBlob");
                           }
                         });

}  // namespace
