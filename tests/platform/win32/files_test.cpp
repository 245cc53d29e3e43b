// The Windows file seam on real files: creation, the sharing rule, appending, flushing and the
// ANSI code page of file text.
#include "platform/files.h"

#include <gtest/gtest.h>

#include "platform/win32/support.h"
#include "support/temp_dir.h"

namespace {

using platform::File;
using platform::win32::Widen;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// Another process's open of the file, as CreateFile makes it.
HANDLE OpenAsOther(const std::string& path, DWORD access, DWORD share) {
  return CreateFileW(Widen(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(WindowsFiles, CreateMakesAnEmptyFileAndTruncatesAnExistingOne) {
  TempDir dir;
  const std::string path = dir.File("day.jnl");
  EXPECT_FALSE(platform::FileExists(path));
  {
    File file = File::CreateOrTruncate(path);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Size(), 0);
  }
  EXPECT_TRUE(platform::FileExists(path));
  WriteFile(path, "previous run\r\n");
  { File file = File::CreateOrTruncate(path); }
  EXPECT_EQ(ReadFile(path), "");
}

TEST(WindowsFiles, AppendsAtTheEndOneWriteAtATime) {
  TempDir dir;
  const std::string path = dir.File("day.jnl");
  WriteFile(path, "first\r\n");
  File file = File::OpenWriteSharedForRead(path);
  EXPECT_EQ(file.Size(), 7);
  file.SeekToEnd();
  const std::string line = "second\r\n";
  file.Write(line.data(), line.size());
  EXPECT_TRUE(file.FlushToDisk());
  // Readable by others while it is open, and already on disk.
  EXPECT_EQ(ReadFile(path), "first\r\nsecond\r\n");
  EXPECT_EQ(file.Size(), 15);
}

TEST(WindowsFiles, OpenFromTheStartOverwritesWithoutSeeking) {
  TempDir dir;
  const std::string path = dir.File("day.jnl");
  WriteFile(path, "abcdef");
  File file = File::OpenWriteSharedForRead(path);
  file.Write("XY", 2);
  file.Close();
  EXPECT_EQ(ReadFile(path), "XYcdef");
}

TEST(WindowsFiles, OthersMayReadButNotWriteWhileItIsOpen) {
  TempDir dir;
  const std::string path = dir.File("day.jnl");
  File file = File::CreateOrTruncate(path);

  HANDLE reader = OpenAsOther(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);

  HANDLE writer = OpenAsOther(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

  // A second journal of the same day cannot have it either.
  try {
    File second = File::OpenWriteSharedForRead(path);
    ADD_FAILURE() << "a second writer opened the file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.SystemCode(), ERROR_SHARING_VIOLATION);
  }
  EXPECT_THROW(File::CreateOrTruncate(path), EFCreateError);

  // Closing hands it back.
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_NO_THROW(File::OpenWriteSharedForRead(path));
}

TEST(WindowsFiles, AnotherWritersHoldKeepsTheFileFromUs) {
  TempDir dir;
  const std::string path = dir.File("day.jnl");
  WriteFile(path, "x");
  HANDLE other = OpenAsOther(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_THROW(File::OpenWriteSharedForRead(path), EFOpenError);
  CloseHandle(other);
}

TEST(WindowsFiles, MissingFoldersAndFilesAreReportedWithTheSystemsCode) {
  TempDir dir;
  try {
    File::CreateOrTruncate(dir.File("Log\\day.jnl"));
    ADD_FAILURE() << "created a file in a missing folder";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.SystemCode(), ERROR_PATH_NOT_FOUND);
  }
  EXPECT_FALSE(platform::FileExists(dir.File("Log")));
  try {
    File::OpenWriteSharedForRead(dir.File("none.jnl"));
    ADD_FAILURE() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.SystemCode(), ERROR_FILE_NOT_FOUND);
  }
}

TEST(WindowsFiles, AClosedOrMovedFromFileRefusesWork) {
  TempDir dir;
  File file = File::CreateOrTruncate(dir.File("day.jnl"));
  File moved = std::move(file);
  EXPECT_FALSE(
      file.IsOpen());  // NOLINT(bugprone-use-after-move): the moved-from state is the point
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_THROW(file.Write("x", 1), EWriteError);
  EXPECT_THROW(file.Size(), EStreamError);
  EXPECT_THROW(file.SeekToEnd(), EStreamError);
  EXPECT_FALSE(file.FlushToDisk());  // nothing to flush: the same answer as on POSIX
  moved.Write("x", 1);
  moved.Close();
  EXPECT_EQ(ReadFile(dir.File("day.jnl")), "x");
}

TEST(WindowsFiles, FileTextIsInTheAnsiCodePage) {
  EXPECT_EQ(platform::ToFileText("Processus \"C:\\x.exe\" 0\r\n"), "Processus \"C:\\x.exe\" 0\r\n");
  if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
  EXPECT_EQ(platform::ToFileText("Processus termin\xC3\xA9 - Temps \xC3\xA9"
                                 "coul\xC3\xA9"),
            "Processus termin\xE9 - Temps \xE9"
            "coul\xE9");
  EXPECT_EQ(platform::ToFileText("retir\xC3\xA9 de la m\xC3\xA9moire"),
            "retir\xE9 de la m\xE9moire");
  // A character the code page lacks becomes the default character, not a look-alike.
  EXPECT_EQ(platform::ToFileText("\xE2\x88\x9A \xE4\xB8\xAD"), "? ?");
}

TEST(WindowsFiles, PathsAreUtf8) {
  TempDir dir;
  { File file = File::CreateOrTruncate(dir.path().string() + "\\journal_\xC3\xA9t\xC3\xA9.jnl"); }
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((Widen(dir.path().string()) + L"\\journal_*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  FindClose(search);
  EXPECT_STREQ(found.cFileName, L"journal_\u00E9t\u00E9.jnl");
}

}  // namespace
