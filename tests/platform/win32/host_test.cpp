// The Windows host seam against the real system (under wine here): module paths and handles,
// the command line, the locale, the names, version blocks and the clock.
#include "platform/host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "main.h"
#include "platform/win32/registry_override.h"
#include "platform/win32/support.h"

namespace {

using platform::win32::Narrow;
using platform::win32::Widen;
using testing_support::ScopedRegistryValue;

const wchar_t kComputerNameKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  return text.size() >= end.size() &&
         lstrcmpiW(Widen(text.substr(text.size() - end.size())).c_str(), Widen(end).c_str()) == 0;
}

// The path of upgrade405.exe as the build gives it: a Unix path under wine, which reaches the
// same file through the drive that maps the root.
std::string ProgramPath() {
  std::string path = UPGRADE405_EXE;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

TEST(HostModules, ExecutablePathIsTheFullPathOfTheRunningProgram) {
  const std::string path = platform::GetExecutablePath();
  EXPECT_TRUE(EndsWithNoCase(path, "\\upgrade405_tests.exe")) << path;
  ASSERT_GE(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;
  EXPECT_NE(GetFileAttributesW(Widen(path).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(HostModules, StaticallyLinkedJournalRunsInTheMainExecutable) {
  EXPECT_EQ(platform::GetMainModuleHandle(), platform::GetJournalModuleHandle());
  EXPECT_EQ(platform::GetMainModuleHandle(),
            reinterpret_cast<platform::ModuleHandle>(GetModuleHandleW(nullptr)));
  EXPECT_EQ(platform::GetModulePath(), platform::GetExecutablePath());
}

TEST(HostModules, FindsTheModuleAndLoadAddressOfCode) {
  std::string path;
  std::uintptr_t base = 0;
  ASSERT_TRUE(
      platform::FindModuleOfAddress(reinterpret_cast<const void*>(&ProgramPath), path, base));
  EXPECT_EQ(path, platform::GetExecutablePath());
  EXPECT_EQ(base, reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));

  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const void* inKernel = reinterpret_cast<const void*>(GetProcAddress(kernel, "GetTickCount"));
  ASSERT_TRUE(platform::FindModuleOfAddress(inKernel, path, base));
  EXPECT_TRUE(EndsWithNoCase(path, "\\kernel32.dll")) << path;
  EXPECT_EQ(base, reinterpret_cast<std::uintptr_t>(kernel));
}

TEST(HostModules, AddressesOutsideEveryModuleAreNotFound) {
  std::string path = "unchanged";
  std::uintptr_t base = 7;
  EXPECT_FALSE(platform::FindModuleOfAddress(nullptr, path, base));
  EXPECT_FALSE(platform::FindModuleOfAddress(reinterpret_cast<const void*>(0x1000), path, base));
  EXPECT_EQ(path, "unchanged");
  EXPECT_EQ(base, 7u);
}

TEST(HostCommandLine, ParametersAreTheSplitCommandLineWithoutTheProgram) {
  // This test program was started with gtest's own options; none of them has quotes or spaces,
  // so the C runtime's split and the program's agree on them.
  std::vector<std::string> expected;
  for (int i = 1; i < __argc; ++i) expected.push_back(Narrow(__wargv[i]));
  EXPECT_EQ(platform::GetCommandLineParameters(), expected);
  const std::vector<std::string> all = SplitCommandLine(Narrow(GetCommandLineW()));
  ASSERT_FALSE(all.empty());
  EXPECT_TRUE(EndsWithNoCase(all.front(), "upgrade405_tests.exe")) << all.front();
}

TEST(HostLocale, LowerCasesAccentedLettersAndLeavesTheRest) {
  EXPECT_EQ(platform::LowerCaseForLocale("PGRADE405"), "pgrade405");
  EXPECT_EQ(platform::LowerCaseForLocale("\xC3\x89"
                                         "COLE \xC3\x80 \xC3\x87"
                                         "A"),
            "\xC3\xA9"
            "cole \xC3\xA0 \xC3\xA7"
            "a");
  EXPECT_EQ(platform::LowerCaseForLocale("d\xC3\xA9j\xC3\xA0 1.2-x"), "d\xC3\xA9j\xC3\xA0 1.2-x");
  EXPECT_EQ(platform::LowerCaseForLocale(""), "");
}

TEST(HostNames, RegistryComputerNameTakesPrecedenceWhenItIsText) {
  wchar_t reported[256] = {};
  DWORD size = 255;
  GetComputerNameW(reported, &size);

  ScopedRegistryValue value(HKEY_LOCAL_MACHINE, kComputerNameKey, L"ComputerName");
  if (!value.Ok()) GTEST_SKIP() << "the computer-name key cannot be written by this user";

  ASSERT_TRUE(value.SetText(L"POSTE-\u00C9T\u00C9"));
  EXPECT_EQ(platform::GetComputerNameText(), "POSTE-\xC3\x89T\xC3\x89");

  ASSERT_TRUE(value.SetText(L""));
  EXPECT_EQ(platform::GetComputerNameText(), "");

  // A value that is not text, or none at all, leaves the name the system reports.
  ASSERT_TRUE(value.SetNumber(405));
  EXPECT_EQ(platform::GetComputerNameText(), Narrow(reported));
  ASSERT_TRUE(value.Remove());
  EXPECT_EQ(platform::GetComputerNameText(), Narrow(reported));
}

TEST(HostNames, UserNameIsTheLoginOfTheProcess) {
  const std::string user = platform::GetUserNameText();
  EXPECT_FALSE(user.empty());
  wchar_t fromEnvironment[256] = {};
  if (GetEnvironmentVariableW(L"USERNAME", fromEnvironment, 256) > 0) {
    EXPECT_EQ(lstrcmpiW(Widen(user).c_str(), fromEnvironment), 0) << user;
  }
}

TEST(HostVersion, ReadsTheProgramsOwnVersionBlock) {
  std::optional<platform::FileVersion> version;
  ASSERT_TRUE(platform::ReadFileVersion(ProgramPath(), version)) << ProgramPath();
  ASSERT_TRUE(version);
  const std::string text = std::to_string(version->major) + "." + std::to_string(version->minor) +
                           "." + std::to_string(version->release) + "." +
                           std::to_string(version->build);
  EXPECT_EQ(text, UPGRADE405_VERSION);
}

TEST(HostVersion, FilesWithoutAVersionBlockGiveNone) {
  std::optional<platform::FileVersion> version = platform::FileVersion{9, 9, 9, 9};
  // The test program carries no version resource.
  EXPECT_FALSE(platform::ReadFileVersion(platform::GetExecutablePath(), version));
  EXPECT_FALSE(platform::ReadFileVersion(ProgramPath() + ".missing", version));
  EXPECT_FALSE(platform::ReadFileVersion("", version));
  ASSERT_TRUE(version);
  EXPECT_EQ(version->major, 9);
  EXPECT_EQ(version->build, 9);
}

// The strings Explorer's properties and the task manager show, read as they read them: through
// the block's first translation, in UTF-16. The description is the window's title, accents
// included; the copyright line names the company.
TEST(HostVersion, TheProgramsVersionStringsCarryTheirAccents) {
  const std::wstring program = Widen(ProgramPath());
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<unsigned char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, size, block.data()));
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 2 * sizeof(WORD));
  char language[9];
  std::snprintf(language, sizeof language, "%04x%04x", translation[0], translation[1]);
  auto value = [&](const std::string& name) {
    const std::wstring query = Widen("\\StringFileInfo\\" + std::string(language) + "\\" + name);
    wchar_t* text = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &chars) ||
        text == nullptr) {
      return std::string("(none)");
    }
    return Narrow(text);
  };
  EXPECT_EQ(value("FileDescription"), BuildDialogLayout(13).caption);
  const std::string company = value("CompanyName");
  const std::string copyright = value("LegalCopyright");
  EXPECT_NE(company, "(none)");
  EXPECT_NE(copyright.find("© "), std::string::npos) << copyright;
  EXPECT_NE(copyright.find(company), std::string::npos) << copyright;
}

TEST(HostResources, TheProgramCarriesItsIcon) {
  HMODULE program = LoadLibraryExW(Widen(ProgramPath()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  EXPECT_NE(FindResourceW(program, L"MAINICON", RT_GROUP_ICON), nullptr);
  auto icon = static_cast<HICON>(LoadImageW(program, L"MAINICON", IMAGE_ICON, 32, 32, 0));
  EXPECT_NE(icon, nullptr);
  if (icon != nullptr) DestroyIcon(icon);
  FreeLibrary(program);
}

TEST(HostClock, TicksNeverGoBackAndTimeIsACalendarDate) {
  const std::int64_t first = platform::GetTickCount();
  Sleep(20);
  const std::int64_t second = platform::GetTickCount();
  EXPECT_GT(first, 0);
  EXPECT_GE(second, first);

  const platform::LocalTime now = platform::GetLocalTime();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
}

TEST(HostClock, TimeSeparatorFollowsTheUsersSettings) {
  ScopedRegistryValue value(HKEY_CURRENT_USER, L"Control Panel\\International", L"sTime");
  if (!value.Ok()) GTEST_SKIP() << "the user's regional settings cannot be written";
  ASSERT_TRUE(value.SetText(L"."));
  const std::string changed = platform::GetTimeSeparator();
  ASSERT_TRUE(value.SetText(L":"));
  const std::string standard = platform::GetTimeSeparator();
  if (changed == standard) GTEST_SKIP() << "this system does not reread the regional settings";
  EXPECT_EQ(changed, ".");
  EXPECT_EQ(standard, ":");
}

}  // namespace
