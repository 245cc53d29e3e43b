// Windows side of the host seam: the process, its modules, the clock, the names of the machine
// and the user, version blocks and the user's locale.
#include "platform/host.h"

#include <vector>

#include "base/command_line.h"
#include "platform/win32/support.h"

namespace platform {

using win32::Narrow;
using win32::Widen;

const char kPathSeparator = '\\';

std::optional<int> AnswerInformationRequest() {
  return std::nullopt;
}

namespace {

// The file name of `module` (nullptr: the main executable), however long it is.
std::string ModuleFileName(HMODULE module) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) return Narrow(buffer.data(), static_cast<int>(n));
    buffer.resize(buffer.size() * 2);
  }
}

HMODULE ModuleOfAddress(const void* address) {
  HMODULE module = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module)) return nullptr;
  return module;
}

// The module this code was linked into: the journal's, since the journal calls it.
HMODULE JournalModule() {
  static const HMODULE module = ModuleOfAddress(reinterpret_cast<const void*>(&JournalModule));
  return module;
}

}  // namespace

std::string GetExecutablePath() {
  return ModuleFileName(nullptr);
}

std::vector<std::string> GetCommandLineParameters() {
  std::vector<std::string> parameters = SplitCommandLine(Narrow(GetCommandLineW()));
  if (!parameters.empty()) parameters.erase(parameters.begin());
  return parameters;
}

std::string LowerCaseForLocale(const std::string& text) {
  std::wstring wide = Widen(text);
  if (wide.empty()) return text;
  const int length = static_cast<int>(wide.size());
  std::wstring lower(wide.size(), L'\0');
  if (LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE, wide.data(), length, lower.data(),
                    length, nullptr, nullptr, 0) != length) {
    return text;
  }
  return Narrow(lower);
}

bool FindModuleOfAddress(const void* address, std::string& modulePath, std::uintptr_t& loadBase) {
  if (address == nullptr) return false;
  HMODULE module = ModuleOfAddress(address);
  if (module == nullptr) return false;
  modulePath = ModuleFileName(module);
  // A module handle is its load address.
  loadBase = reinterpret_cast<std::uintptr_t>(module);
  return true;
}

std::string GetComputerNameText() {
  wchar_t buffer[256] = {};
  DWORD size = 255;
  GetComputerNameW(buffer, &size);
  std::string name = Narrow(buffer);

  // The configured name takes precedence when it is there as text; a value of another type
  // keeps the system's name.
  win32::RegistryKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", 0, KEY_READ,
                    key.Receive()) != ERROR_SUCCESS) {
    return name;
  }
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key.Get(), L"ComputerName", nullptr, &type, nullptr, &bytes) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return name;
  }
  std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.Get(), L"ComputerName", nullptr, &type,
                       reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS) {
    return name;
  }
  return Narrow(value.data());  // up to the first NUL, as stored text ends
}

std::string GetUserNameText() {
  wchar_t buffer[256] = {};
  DWORD size = 255;
  GetUserNameW(buffer, &size);
  return Narrow(buffer);
}

std::string GetModulePath() {
  return ModuleFileName(JournalModule());
}

ModuleHandle GetMainModuleHandle() {
  return reinterpret_cast<ModuleHandle>(GetModuleHandleW(nullptr));
}

ModuleHandle GetJournalModuleHandle() {
  return reinterpret_cast<ModuleHandle>(JournalModule());
}

bool ReadFileVersion(const std::string& path, std::optional<FileVersion>& version) {
  if (path.empty()) return false;
  const std::wstring wide = Widen(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, block.data())) return false;
  // The block is read; a root query that fails leaves the version as it was.
  void* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &fixed, &length) || fixed == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return true;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  version = FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                        HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
  return true;
}

std::int64_t GetTickCount() {
  return static_cast<std::int64_t>(GetTickCount64());
}

LocalTime GetLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

std::string GetTimeSeparator() {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIME, buffer, 8) <= 1) return ":";
  return Narrow(buffer);
}

}  // namespace platform
