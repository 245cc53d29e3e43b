// The Linux side of the host seam: the configured host name and its fall-back, the user,
// the modules, the version note of a real executable, the clocks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "journal/version_info.h"
#include "platform/host.h"
#include "platform/posix/names.h"
#include "platform/posix/version_note.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// Points the configured host name at a file of the test's, and back when it ends.
class ScopedHostnameFile {
 public:
  explicit ScopedHostnameFile(std::string path)
      : previous_(platform::SetHostnameFileForTesting(std::move(path))) {}
  ~ScopedHostnameFile() { platform::SetHostnameFileForTesting(previous_); }

 private:
  std::string previous_;
};

std::string KernelHostName() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

TEST(PosixComputerNameTest, ConfiguredNameTakesPrecedence) {
  TempDir dir;
  const std::string file = dir.File("hostname");
  ScopedHostnameFile scoped(file);
  WriteFile(file, "configured-pc\n");
  EXPECT_EQ(platform::GetComputerNameText(), "configured-pc");
  WriteFile(file, "# a comment\n\n  \tspaced-pc \r\n other\n");
  EXPECT_EQ(platform::GetComputerNameText(), "spaced-pc");
  WriteFile(file, "poste-é\n");
  EXPECT_EQ(platform::GetComputerNameText(), "poste-é");
}

TEST(PosixComputerNameTest, EmptyConfiguredNameGivesAnEmptyName) {
  TempDir dir;
  const std::string file = dir.File("hostname");
  ScopedHostnameFile scoped(file);
  WriteFile(file, "");
  EXPECT_EQ(platform::GetComputerNameText(), "");
  WriteFile(file, "# only a comment\n");
  EXPECT_EQ(platform::GetComputerNameText(), "");
}

TEST(PosixComputerNameTest, MissingOrNonTextConfigurationKeepsTheKernelName) {
  ASSERT_NE(KernelHostName(), "");
  TempDir dir;
  const std::string file = dir.File("hostname");
  ScopedHostnameFile scoped(file);
  EXPECT_EQ(platform::GetComputerNameText(), KernelHostName());
  for (const std::string& binary :
       {std::string("pc\0x\n", 5), std::string("pc\xFF\xFE\n"), std::string("pc\xC3\n"),
        std::string("\xC0\xAF\n"), std::string("\xED\xA0\x80\n")}) {
    WriteFile(file, binary);
    EXPECT_EQ(platform::GetComputerNameText(), KernelHostName()) << binary;
  }
  // A folder where the file should be cannot be read as one.
  ScopedHostnameFile folder(dir.path().string());
  EXPECT_EQ(platform::GetComputerNameText(), KernelHostName());
}

TEST(PosixUserNameTest, IsTheEffectiveUsersLoginName) {
  const testing_support::ProcessResult id = testing_support::RunProcess({"/usr/bin/id", "-un"});
  ASSERT_EQ(id.exitCode, 0);
  EXPECT_EQ(platform::GetUserNameText() + "\n", id.out);
}

TEST(PosixModuleTest, TestProgramHoldsTheJournalCode) {
  // This test program links the journal statically: one module, the main executable.
  EXPECT_NE(platform::GetMainModuleHandle(), 0u);
  EXPECT_EQ(platform::GetMainModuleHandle(), platform::GetJournalModuleHandle());
  EXPECT_EQ(platform::GetModulePath(), platform::GetExecutablePath());
  EXPECT_EQ(ReadFile(platform::GetModulePath()).substr(0, 4),
            "\x7F"
            "ELF");
}

// The bytes of our version note's header and owner name, as the executable carries them.
std::string VersionNoteHead() {
  const std::uint32_t fields[3] = {11, 8, platform::kVersionNoteType};
  return std::string(reinterpret_cast<const char*>(fields), sizeof fields) +
         std::string("upgrade405\0\0", 12);
}

TEST(PosixVersionTest, ExecutableCarriesTheProjectVersion) {
  std::optional<platform::FileVersion> version;
  ASSERT_TRUE(platform::ReadFileVersion(UPGRADE405_EXE, version));
  ASSERT_TRUE(version);
  const std::string text = std::to_string(version->major) + "." + std::to_string(version->minor) +
                           "." + std::to_string(version->release) + "." +
                           std::to_string(version->build);
  EXPECT_EQ(text, UPGRADE405_VERSION);
  TVersionInfo info;
  EXPECT_TRUE(ReadVersionInfo(UPGRADE405_EXE, info));
  EXPECT_EQ(info.Version, UPGRADE405_VERSION);
}

TEST(PosixVersionTest, VersionIsReadFromTheNoteInTheFile) {
  TempDir dir;
  std::string bytes = ReadFile(UPGRADE405_EXE);
  const std::size_t at = bytes.find(VersionNoteHead());
  ASSERT_NE(at, std::string::npos);
  const std::uint16_t numbers[4] = {1, 2, 3, 4};
  std::memcpy(bytes.data() + at + VersionNoteHead().size(), numbers, sizeof numbers);
  WriteFile(dir.File("patched"), bytes);
  TVersionInfo info;
  EXPECT_TRUE(ReadVersionInfo(dir.File("patched"), info));
  EXPECT_EQ(info.Version, "1.2.3.4");
}

TEST(PosixVersionTest, FilesWithoutTheNoteHaveNoVersion) {
  TempDir dir;
  const std::string exe = ReadFile(UPGRADE405_EXE);
  WriteFile(dir.File("text"), "not an executable\n");
  WriteFile(dir.File("head"), exe.substr(0, 64));
  WriteFile(dir.File("half"), exe.substr(0, exe.size() / 2));
  std::string renamed = exe;
  renamed.replace(renamed.find(VersionNoteHead()) + 12, 10, "other_note");
  WriteFile(dir.File("renamed"), renamed);
  // The test program itself is built without the note.
  for (const std::string& path :
       {platform::GetExecutablePath(), dir.File("text"), dir.File("head"), dir.File("half"),
        dir.File("renamed"), dir.File("missing"), dir.path().string()}) {
    TVersionInfo info;
    EXPECT_FALSE(ReadVersionInfo(path, info)) << path;
    EXPECT_EQ(info.Version, "") << path;
    EXPECT_EQ(info.FileName, path);
  }
}

TEST(PosixClockTest, TicksNeverGoBack) {
  std::int64_t previous = platform::GetTickCount();
  for (int i = 0; i < 1000; ++i) {
    const std::int64_t now = platform::GetTickCount();
    ASSERT_GE(now, previous);
    previous = now;
  }
}

TEST(PosixClockTest, LocalTimeIsTodaysLocalDate) {
  const std::time_t before = std::time(nullptr);
  const platform::LocalTime now = platform::GetLocalTime();
  const std::time_t after = std::time(nullptr);
  std::tm first{}, last{};
  localtime_r(&before, &first);
  localtime_r(&after, &last);
  EXPECT_GE(now.year, first.tm_year + 1900);
  EXPECT_LE(now.year, last.tm_year + 1900);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  if (first.tm_yday == last.tm_yday) {
    EXPECT_EQ(now.month, first.tm_mon + 1);
    EXPECT_EQ(now.day, first.tm_mday);
  }
  EXPECT_GE(now.millisecond, 0);
  EXPECT_LT(now.millisecond, 1000);
  EXPECT_EQ(platform::GetTimeSeparator(), ":");
}

}  // namespace
