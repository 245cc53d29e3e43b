// Crash atomicity on real Jet files: the executable killed with SIGKILL at random moments while
// it widens nuv.Filename in copies of writer-made nuv files of 1k and of 100k rows. The engine
// writes the 2-byte length field inside one sector and flushes, so after every run the file
// must be byte for byte the original or the widened file (old or new length, nothing else),
// both independent readers must read it with every row unchanged, and the next run must finish
// the upgrade.
//
// Short mode: a few tens of runs. UPGRADE405_FULL=1: UPGRADE405_CRASH_RUNS runs per file (1,000
// unless set). UPGRADE405_SEED picks the kill moments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "reliability/reliability.h"
#include "support/jet_files.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;

using reliability::EndedNormally;
using reliability::StartUpgrade;

struct Param {
  const char* name;
  std::uint64_t rows;
  long shortRuns;
};

class JetCrashTest : public ::testing::TestWithParam<Param> {};

TEST_P(JetCrashTest, KilledAnywhereLeavesTheOldOrTheNewLengthAndEveryRow) {
#ifdef UPGRADE405_SANITIZED
  GTEST_SKIP() << "the crash harness runs in the plain build only";
#endif
  const Param p = GetParam();
  testing_support::TempDir dir;
  const std::string source = dir.File("source.mdb");
  const long field = testing_support::FilenameLengthField(
      testing_support::CreateJetNuvDatabase(source, 50, p.rows));
  const std::string before = ReadFile(source);
  ASSERT_EQ(testing_support::ReadLengthField(source, field), 100);

  // The widened file as an uninterrupted run leaves it, and the median time of such runs to
  // spread the kill moments over (one run alone may be slowed by whatever else the machine does).
  const std::string widened = dir.File("widened.mdb");
  std::vector<std::chrono::microseconds> times;
  for (int probe = 0; probe < 5; ++probe) {
    reliability::CopyFile(source, widened);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(EndedNormally(StartUpgrade(widened)));
    times.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  const auto runTime = times[times.size() / 2];
  const std::string after = ReadFile(widened);
  ASSERT_TRUE(testing_support::WidenedInPlace(source, widened, field, "nuv", "Filename", 96));
  // Both states as both readers see them: every row of every table the same in each. A run
  // that leaves either state exactly has left a file these readers read this way, so they
  // are run again only on a file that is neither.
  ASSERT_TRUE(testing_support::SameRowsAsReference(source, widened));

  const long runs = reliability::FullMode()
                        ? reliability::EnvNumber("UPGRADE405_CRASH_RUNS", 1000)
                        : reliability::EnvNumber("UPGRADE405_CRASH_RUNS", p.shortRuns);
  const auto seed = static_cast<std::uint32_t>(reliability::EnvNumber("UPGRADE405_SEED", 405));
  std::mt19937 random(seed);
  // Up to half as long again as a whole run, so that every moment of it is reachable.
  std::uniform_int_distribution<long> delay(0, runTime.count() * 3 / 2);
  const std::string path = dir.File("run.mdb");
  int oldLength = 0, newLength = 0, finished = 0, failures = 0;
  for (long run = 0; run < runs && failures < 5; ++run) {
    reliability::CopyFile(source, path);
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
    const std::string label = std::string(p.name) + " seed " + std::to_string(seed) + " run " +
                              std::to_string(run) + " killed after " + std::to_string(micros) +
                              " us";
    const std::string now = ReadFile(path);
    if (now == before) {
      ++oldLength;
    } else if (now == after) {
      ++newLength;
    } else {
      ++failures;
      ADD_FAILURE() << label << ": neither the old nor the new file; bytes changed at "
                    << ::testing::PrintToString(testing_support::DifferingOffsets(source, path))
                    << "; readers: " << testing_support::SameRowsAsReference(source, path);
      continue;
    }
    // Now and then the next run on the killed file: it must finish the upgrade.
    if (run % 10 == 4) {
      const testing_support::ProcessResult next =
          reliability::RunUpgrade({"/db=" + path}, "enter\n\nclose\n");
      EXPECT_EQ(reliability::ClassifyPress(next.out, path), reliability::Outcome::kConfirmed)
          << label << ": the next run\n"
          << next.out;
      EXPECT_EQ(next.exitCode, 0) << label;
      EXPECT_TRUE(ReadFile(path) == after) << label << ": the next run did not widen";
    }
  }
  std::printf(
      "%s: %ld runs over %ld us: %d left the old length, %d the new one; %d ended before "
      "the kill\n",
      p.name, runs, static_cast<long>(runTime.count()), oldLength, newLength, finished);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JetCrashTest,
                         ::testing::Values(Param{"Rows1k", 1000, 20},
                                           Param{"Rows100k", 100000, 10}),
                         [](const ::testing::TestParamInfo<Param>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
