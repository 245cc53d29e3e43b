// The libmdb child's two halves apart from libmdb: how a child's end reaches the parent, and
// the format of what it sends.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/posix/jet/libmdb_wire.h"
#include "platform/posix/jet/supervisor.h"

namespace {

using namespace platform;

// Progress messages in these tests: "+", then the new limit's milliseconds as one byte, times 10.
int ReadProgress(std::string& bytes) {
  if (bytes.size() < 2 || bytes[0] != '+') return 0;
  const int limitMs = static_cast<unsigned char>(bytes[1]) * 10;
  bytes.erase(0, 2);
  return limitMs;
}

ChildResult RunChild(const std::function<void(const ChildChannel&)>& work,
                     ChildLimits limits = {}) {
  return RunInChild(limits, -1, ReadProgress, work);
}

TEST(JetChildTest, AnAnswerArrivesWholeAndProgressRenewsTheDeadline) {
  ChildLimits limits;
  limits.wallMs = 200;
  const ChildResult result = RunChild(
      [](const ChildChannel& channel) {
        channel.Progress("+\xC8", 2000);  // 2 s from now
        ::usleep(400 * 1000);             // past the first limit, within the second
        channel.Send("the answer");
      },
      limits);
  EXPECT_EQ(result.end, ChildEnd::kAnswered);
  EXPECT_EQ(result.bytes, "the answer");
  EXPECT_EQ(result.progresses, 1);
  EXPECT_EQ(result.limitMs, 2000);
}

TEST(JetChildTest, ACrashIsReportedWithItsSignal) {
  const ChildResult result = RunChild([](const ChildChannel&) { ::raise(SIGSEGV); });
  // A sanitizer's handler turns the crash into an exit with an error code.
  if (result.end == ChildEnd::kFailed) GTEST_SKIP() << "the crash was handled by a sanitizer";
  EXPECT_EQ(result.end, ChildEnd::kCrashed);
  EXPECT_EQ(result.signal, SIGSEGV);
}

TEST(JetChildTest, AChildThatHangsIsKilledAtItsDeadline) {
  ChildLimits limits;
  limits.wallMs = 200;
  const auto start = std::chrono::steady_clock::now();
  const ChildResult result = RunChild(
      [](const ChildChannel& channel) {
        channel.Send("partial");
        for (;;) ::pause();
      },
      limits);
  EXPECT_EQ(result.end, ChildEnd::kTimedOut);
  EXPECT_EQ(result.limitMs, 200);
  EXPECT_EQ(result.progresses, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(JetChildTest, AChildThatWantsTooMuchMemoryEndsWithoutAnAnswer) {
  ChildLimits limits;
  limits.memoryBytes = 64u << 20;
  const ChildResult result = RunChild(
      [](const ChildChannel& channel) {
        const auto big = std::make_unique<char[]>(std::size_t{512} << 20);
        std::memset(big.get(), 1, std::size_t{512} << 20);
        channel.Send("allocated");
      },
      limits);
  EXPECT_TRUE(result.end == ChildEnd::kCrashed || result.end == ChildEnd::kFailed)
      << static_cast<int>(result.end);
  EXPECT_EQ(result.bytes, "");
}

TEST(JetChildTest, ACutOrOversizedAnswerIsNoAnswer) {
  ChildResult result = RunChild([](const ChildChannel& channel) {
    channel.Send("half of an ans");
    ::raise(SIGKILL);
  });
  EXPECT_EQ(result.end, ChildEnd::kCrashed);
  EXPECT_EQ(result.signal, SIGKILL);
  EXPECT_EQ(result.bytes, "half of an ans");
  ChildLimits limits;
  limits.maxAnswer = 1000;
  result =
      RunChild([](const ChildChannel& channel) { channel.Send(std::string(4096, 'x')); }, limits);
  EXPECT_EQ(result.end, ChildEnd::kTooLarge);
}

TEST(JetChildTest, AnswersSurviveTheirEncodingAndGarbageIsRejected) {
  LibmdbView view;
  view.tableFound = true;
  view.table = "nuv";
  view.firstPage = 24;
  view.tablesOnDefinition = 2;
  view.columns = {{"Id", 0, 4, 4, true}, {"Filename", 1, 10, 100, false}};
  view.relationships = 3;
  view.scanned = true;
  view.rows = 1000;
  view.tooLong = 3;
  const std::string bytes = EncodeLibmdbView(view);
  LibmdbView back;
  ASSERT_TRUE(DecodeLibmdbView(bytes, back));
  EXPECT_EQ(back.table, "nuv");
  EXPECT_EQ(back.firstPage, 24u);
  ASSERT_EQ(back.columns.size(), 2u);
  EXPECT_EQ(back.columns[1].name, "Filename");
  EXPECT_EQ(back.columns[1].size, 100);
  EXPECT_TRUE(back.columns[0].fixed);
  EXPECT_EQ(back.tooLong, 3u);
  EXPECT_EQ(back.tablesOnDefinition, 2u);
  EXPECT_EQ(back.relationships, 3u);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(DecodeLibmdbView(bytes.substr(0, cut), back)) << cut;
  }
  EXPECT_FALSE(DecodeLibmdbView(bytes + "x", back));
  std::string flipped = bytes;
  flipped[8] = '\x7F';  // the failure text's length
  EXPECT_FALSE(DecodeLibmdbView(flipped, back));
  std::uint32_t pages = 0;
  const std::string progress = EncodeScanStarts(70000);
  EXPECT_EQ(DecodeScanStarts(progress + bytes, pages), progress.size());
  EXPECT_EQ(pages, 70000u);
  EXPECT_EQ(DecodeScanStarts(progress.substr(0, progress.size() - 1), pages), 0u);
  EXPECT_EQ(DecodeScanStarts(bytes, pages), 0u);
}

}  // namespace
