// Test side of the host seam: the values the test set in fakes::Host().
#include "base/text.h"
#include "fake_platform.h"

namespace platform {

#ifdef _WIN32
const char kPathSeparator = '\\';
#else
const char kPathSeparator = '/';
#endif

std::string GetExecutablePath() {
  return fakes::Host().executablePath;
}
std::vector<std::string> GetCommandLineParameters() {
  return fakes::Host().parameters;
}
std::string LowerCaseForLocale(const std::string& text) {
  return text::AsciiLower(text);
}
// The fake has no modules: the fatal error box names the executable.
bool FindModuleOfAddress(const void*, std::string&, std::uintptr_t&) {
  return false;
}
std::string GetComputerNameText() {
  ++fakes::Host().computerNameReads;
  return fakes::Host().computerName;
}
std::string GetUserNameText() {
  ++fakes::Host().userNameReads;
  return fakes::Host().userName;
}
std::string GetModulePath() {
  return fakes::Host().modulePath;
}
ModuleHandle GetMainModuleHandle() {
  return fakes::Host().mainModule;
}
ModuleHandle GetJournalModuleHandle() {
  return fakes::Host().journalModule;
}

bool ReadFileVersion(const std::string& path, std::optional<FileVersion>& version) {
  auto found = fakes::Host().versions.find(path);
  if (found == fakes::Host().versions.end()) return false;
  if (found->second) version = found->second;
  return true;
}

std::int64_t GetTickCount() {
  return fakes::Host().ticks;
}
LocalTime GetLocalTime() {
  return fakes::Host().localTime;
}
std::string GetTimeSeparator() {
  return fakes::Host().timeSeparator;
}

}  // namespace platform
