// Work in a child process under limits: how each way the child can end reaches the parent.
#include "platform/posix/supervisor.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

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

TEST(JetSupervisorTest, AnAnswerArrivesWholeAndProgressRenewsTheDeadline) {
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

TEST(JetSupervisorTest, ACrashIsReportedWithItsSignal) {
  const ChildResult result = RunChild([](const ChildChannel&) { ::raise(SIGSEGV); });
  // A sanitizer's handler turns the crash into an exit with an error code.
  if (result.end == ChildEnd::kFailed) GTEST_SKIP() << "the crash was handled by a sanitizer";
  EXPECT_EQ(result.end, ChildEnd::kCrashed);
  EXPECT_EQ(result.signal, SIGSEGV);
}

TEST(JetSupervisorTest, AChildThatHangsIsKilledAtItsDeadline) {
  ChildLimits limits;
  limits.wallMs = 200;
  const ChildResult result = RunChild(
      [](const ChildChannel& channel) {
        channel.Send("partial");
        for (;;) ::pause();
      },
      limits);
  EXPECT_EQ(result.end, ChildEnd::kTimedOut);
  EXPECT_EQ(result.limitMs, 200);
  EXPECT_EQ(result.progresses, 0);
}

TEST(JetSupervisorTest, AChildThatWantsTooMuchMemoryEndsWithoutAnAnswer) {
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

TEST(JetSupervisorTest, ACutOrOversizedAnswerIsNoAnswer) {
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

}  // namespace
