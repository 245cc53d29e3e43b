// I/O faults on a real Jet file: the real executable widens a copy of a writer-made nuv file
// (1k rows) with a // preloaded library that fails the Nth read (read, pread, fread: the engine's
// own and libmdb's in the child process the engine forks), write, flush to disk or lock (fcntl) on
// the database's folder, once or for good, for every N a clean run performs. Every case must end
// without a crash or a hang in a designed outcome (the not-found notice or an error box, or the
// confirmation when the failure did not touch what the upgrade needs), leave the file old or
// new and never anything else, report every failed write or flush, never retry a failed flush,
// and never confirm a file that still holds the old length.
//
// Short mode: every write, flush and lock, and up to 24 reads spread over the run's reads.
// UPGRADE405_FULL=1: every read as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "reliability/reliability.h"
#include "support/jet_files.h"
#include "support/jet_sample.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using reliability::Outcome;
using testing_support::ProcessResult;
using testing_support::ReadFile;

using reliability::ReadShimLog;
using reliability::ShimCall;

class JetIoFaultTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const long field = testing_support::FilenameLengthField(
        testing_support::CreateJetNuvDatabase(source_, 50, 1000));
    before_ = ReadFile(source_);
    after_ = before_;
    after_[static_cast<std::size_t>(field)] = static_cast<char>(192);
  }

  // One run on a fresh copy with operation `failAt` of kind `only` failing (0: none).
  ProcessResult Run(long failAt, const std::string& mode, std::vector<ShimCall>& calls) {
    reliability::CopyFile(source_, db_);
    fs::remove(log_);
    reliability::Env env{
        {"LD_PRELOAD", std::string(UPGRADE405_FAIL_NTH_SHIM)},
        {"UPGRADE405_SHIM_DIR", dir_.path().string() + "/"},
        {"UPGRADE405_SHIM_FAIL_AT", std::to_string(failAt)},
        {"UPGRADE405_SHIM_MODE", mode},
        {"UPGRADE405_SHIM_ONLY", GetParam()},
        {"UPGRADE405_SHIM_LOG", log_},
    };
    const char* asan = std::getenv("ASAN_OPTIONS");
    env["ASAN_OPTIONS"] = (asan != nullptr && *asan != '\0' ? std::string(asan) + ":" : "") +
                          "verify_asan_link_order=0";
    ProcessResult r =
        reliability::RunUpgrade({"/db=" + db_}, "enter\n\nclose\n", env, UPGRADE405_EXE, 60);
    calls = ReadShimLog(log_);
    return r;
  }

  testing_support::TempDir dir_;
  std::string source_ = dir_.File("source.mdb");
  std::string before_, after_;
  std::string db_ = dir_.File("NUV.MDB");
  std::string log_ = dir_.File("shim.log");
};

TEST_P(JetIoFaultTest, EachOperationFailingOnceOrForGood) {
  const std::string kind = GetParam();
  std::vector<ShimCall> clean;
  const ProcessResult cleanRun = Run(0, "once", clean);
  ASSERT_EQ(reliability::ClassifyPress(cleanRun.out, db_), Outcome::kConfirmed)
      << cleanRun.out << cleanRun.err;
  ASSERT_TRUE(ReadFile(db_) == after_);
  ASSERT_FALSE(clean.empty()) << "the library counted no " << kind << " on the database";

  // Which N to fail: all of them, or in the short mode up to 24 spread over the run.
  std::set<long> numbers;
  const long total = static_cast<long>(clean.size());
  const long most = reliability::FullMode() ? total : 24;
  for (long k = 0; k < std::min(total, most); ++k) {
    numbers.insert(1 + k * (total - 1) / std::max(1L, std::min(total, most) - 1));
  }
  std::map<Outcome, int> seen;
  int cases = 0;
  std::vector<std::string> retries;
  for (const char* mode : {"once", "persist"}) {
    for (long n : numbers) {
      std::vector<ShimCall> calls;
      const ProcessResult r = Run(n, mode, calls);
      const std::string what =
          kind + " " + std::to_string(n) + " of " + std::to_string(total) + " failing " + mode;
      ++cases;
      EXPECT_FALSE(r.timedOut) << what;
      EXPECT_EQ(r.signal, 0) << what << "\n" << r.err;
      EXPECT_EQ(r.exitCode, 0) << what << "\n" << r.err;
      const Outcome outcome = reliability::ClassifyPress(r.out, db_);
      ++seen[outcome];
      EXPECT_NE(outcome, Outcome::kUnexpected) << what << "\n" << r.out << r.err;
      bool failedWriteOrFlush = false, anyFailed = false;
      for (std::size_t i = 0; i < calls.size(); ++i) {
        if (!calls[i].failed) continue;
        anyFailed = true;
        failedWriteOrFlush =
            failedWriteOrFlush || calls[i].name == "write" || calls[i].name == "fsync";
        if (calls[i].name != "fsync") continue;
        for (std::size_t j = i + 1; j < calls.size(); ++j) {
          if (calls[j].fd == calls[i].fd && calls[j].name == "fsync") {
            retries.push_back(what + ": flush " + std::to_string(calls[i].number) +
                              " failed and flush " + std::to_string(calls[j].number) +
                              " came after it");
            break;
          }
        }
      }
      // Fewer operations than N: the program took another road before it (a retry with fewer
      // reads, say); only a run that reached N shows the failure.
      EXPECT_TRUE(anyFailed || static_cast<long>(calls.size()) < n) << what;
      const std::string now = ReadFile(db_);
      EXPECT_TRUE(now == before_ || now == after_) << what << ": neither the old nor the new file";
      if (outcome == Outcome::kConfirmed) {
        EXPECT_FALSE(failedWriteOrFlush) << what << ": a failed write or flush was confirmed";
        EXPECT_TRUE(now == after_) << what << ": confirmed, yet the old length is there";
      }
      if (kind == "write" || kind == "fsync") {
        EXPECT_EQ(outcome, Outcome::kError) << what << "\n" << r.out;
      }
      if (HasFailure()) break;
    }
  }
  std::string all;
  for (const std::string& r : retries) all += r + "\n";
  EXPECT_TRUE(retries.empty()) << retries.size() << " retried flushes:\n" << all;
  std::printf("%s: %ld per clean run, %d failing runs: %d not found, %d error box, %d confirmed\n",
              kind.c_str(), total, cases, seen[Outcome::kNotFound], seen[Outcome::kError],
              seen[Outcome::kConfirmed]);
}

INSTANTIATE_TEST_SUITE_P(Operations, JetIoFaultTest,
                         ::testing::Values("read", "write", "fsync", "lock"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           name[0] = static_cast<char>(std::toupper(name[0]));
                           return name;
                         });

}  // namespace
