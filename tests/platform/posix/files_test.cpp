// The Linux file seam on real files: creating, the hold on other writers (from a real second
// process), position, size, writing and its failure.
#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::InSecondProcess;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// In a second process: 0 when `path` could be opened for writing through the seam, 1 when the
// open was refused with EFOpenError, 2 on anything else.
int SecondProcessOpens(const std::string& path) {
  return InSecondProcess([&] {
    try {
      platform::File file = platform::File::OpenWriteSharedForRead(path);
      return file.IsOpen() ? 0 : 2;
    } catch (const EFOpenError&) {
      return 1;
    } catch (...) {
      return 2;
    }
  });
}

std::string Write(platform::File& file, const std::string& bytes) {
  file.Write(bytes.data(), bytes.size());
  return bytes;
}

TEST(PosixFilesTest, CreateMakesOrEmptiesAFileButNoFolder) {
  TempDir dir;
  const std::string path = dir.File("a.jnl");
  EXPECT_FALSE(platform::FileExists(path));
  {
    platform::File file = platform::File::CreateOrTruncate(path);
    EXPECT_TRUE(file.IsOpen());
    Write(file, "first");
  }
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_EQ(ReadFile(path), "first");
  platform::File::CreateOrTruncate(path);
  EXPECT_EQ(ReadFile(path), "");

  const std::string inMissing = dir.File("Log/a.jnl");
  EXPECT_THROW(platform::File::CreateOrTruncate(inMissing), EFCreateError);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Log"));
}

TEST(PosixFilesTest, OpenWritesFromTheStartUntilSeekToEnd) {
  TempDir dir;
  const std::string path = dir.File("a.jnl");
  EXPECT_THROW(platform::File::OpenWriteSharedForRead(path), EFOpenError);
  WriteFile(path, "0123456789");
  platform::File file = platform::File::OpenWriteSharedForRead(path);
  EXPECT_EQ(file.Size(), 10);
  Write(file, "ab");
  EXPECT_EQ(ReadFile(path), "ab23456789");
  file.SeekToEnd();
  Write(file, "\r\n");
  EXPECT_TRUE(file.FlushToDisk());
  EXPECT_EQ(file.Size(), 12);
  EXPECT_EQ(ReadFile(path), "ab23456789\r\n");
}

TEST(PosixFilesTest, OpenFileRefusesASecondWriterButNotReaders) {
  TempDir dir;
  const std::string path = dir.File("a.jnl");
  WriteFile(path, "held");
  {
    platform::File file = platform::File::OpenWriteSharedForRead(path);
    EXPECT_EQ(SecondProcessOpens(path), 1);
    // Creating over it is refused as well, and leaves its bytes alone.
    const int created = InSecondProcess([&] {
      try {
        platform::File::CreateOrTruncate(path);
        return 0;
      } catch (const EFCreateError&) {
        return 1;
      }
    });
    EXPECT_EQ(created, 1);
    EXPECT_EQ(ReadFile(path), "held");
    // A reader opens it while it is held.
    const int read = InSecondProcess([&] { return ReadFile(path) == "held" ? 0 : 1; });
    EXPECT_EQ(read, 0);
  }
  // Destruction closed it: the hold is gone.
  EXPECT_EQ(SecondProcessOpens(path), 0);
}

TEST(PosixFilesTest, CloseAndMoveHandTheFileOver) {
  TempDir dir;
  const std::string path = dir.File("a.jnl");
  platform::File first = platform::File::CreateOrTruncate(path);
  platform::File second = std::move(first);
  EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move): a moved-from file is empty
  EXPECT_TRUE(second.IsOpen());
  EXPECT_EQ(SecondProcessOpens(path), 1);
  Write(second, "x");
  second.Close();
  EXPECT_FALSE(second.IsOpen());
  second.Close();  // a second close does nothing
  EXPECT_FALSE(second.FlushToDisk());
  EXPECT_EQ(SecondProcessOpens(path), 0);
  EXPECT_THROW(Write(second, "y"), EWriteError);
  EXPECT_THROW(second.Size(), EStreamError);
}

TEST(PosixFilesTest, WriteOnAFullDeviceThrowsWithTheSystemCode) {
  platform::File full = platform::File::OpenWriteSharedForRead("/dev/full");
  try {
    Write(full, "line\r\n");
    FAIL() << "the write to /dev/full succeeded";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.SystemCode(), ENOSPC);
  }
}

// Root ignores file modes through its capabilities CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and
// CAP_FOWNER; a process that gives them up is held to the modes as any owner is. Returns false
// when they could not be given up.
bool GiveUpRootFileOverride() {
  if (geteuid() != 0) return true;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  for (const unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    data[cap / 32].effective &= ~(1u << (cap % 32));
    data[cap / 32].permitted &= ~(1u << (cap % 32));
  }
  return syscall(SYS_capset, &header, data) == 0;
}

TEST(PosixFilesTest, FolderWithoutRightsIsRefused) {
  TempDir dir;
  const std::string path = dir.File("a.jnl");
  WriteFile(path, "x");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  // In a second process, so that this one keeps its rights: 0 when both opens were refused.
  const int refused = InSecondProcess([&] {
    if (!GiveUpRootFileOverride()) return 9;
    int result = 0;
    try {
      const platform::File file = platform::File::OpenWriteSharedForRead(path);
      result |= 1;
    } catch (const EFOpenError&) {
    }
    try {
      const platform::File file = platform::File::CreateOrTruncate(path);
      result |= 2;
    } catch (const EFCreateError&) {
    }
    return result;
  });
  EXPECT_EQ(refused, 0) << "1: opened for writing, 2: truncated, 9: rights not given up";
  EXPECT_EQ(ReadFile(path), "x");
}

}  // namespace
