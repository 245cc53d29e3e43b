// The host: the running process, its modules, the clock and the names of the machine and user.
//
// Plain functions, defined once per target. Text is UTF-8. None of them throws unless it says so;
// a value the platform cannot give is returned empty.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The path separator of file names on this platform ('\\' on Windows, '/' elsewhere).
extern const char kPathSeparator;

// Full path of the process's executable file.
std::string GetExecutablePath();

// The process's parameters after the program name, in order. On Windows they come from the
// program's own split of the command line; elsewhere as the shell split them.
std::vector<std::string> GetCommandLineParameters();

// Answers a command line that only asks about the program, before anything else runs: on Linux
// the one parameter `--help` (how to call it, in French) or `--version` (its name and version),
// written to standard output. Returns the exit code then (0; 1 when standard output cannot be
// written), and nothing for any other command line, which the program then runs as always. The
// Windows product has no such parameters: there it always returns nothing.
std::optional<int> AnswerInformationRequest();

// `text` lower-cased by the rules of the user's locale, accented letters included.
std::string LowerCaseForLocale(const std::string& text);

// The module that holds `address`: its file path and load address. False when the address
// lies in no module.
bool FindModuleOfAddress(const void* address, std::string& modulePath, std::uintptr_t& loadBase);

// --- Identification, for the journal ---

// An opaque module handle: equal handles mean the same module.
using ModuleHandle = std::uintptr_t;

// The computer name; a configured name (the registry value on Windows, the static host name on
// Linux) takes precedence over the one the system reports. A configured value that is not text
// (a registry value of another type; a host name file with a NUL or invalid UTF-8) is ignored
// and the system's name stays.
std::string GetComputerNameText();
// The login name of the user that runs the process.
std::string GetUserNameText();
// Full path of the module that holds the journal code.
std::string GetModulePath();
// Handle of the process's main executable (its load address).
ModuleHandle GetMainModuleHandle();
// Handle of the module that holds the journal code (its load address): the main executable's
// when the journal is linked into it, a library's otherwise.
ModuleHandle GetJournalModuleHandle();

// Reads the version block of `path` (on Windows the VERSIONINFO resource, on Linux the ELF note
// "upgrade405" our build writes); false when the file has none that can be read. `version` is
// set to the block's file version only when the block was read and its fixed file information
// could be had; a block without it gives true and leaves `version` alone.
struct FileVersion {
  std::uint16_t major = 0, minor = 0, release = 0, build = 0;
};
bool ReadFileVersion(const std::string& path, std::optional<FileVersion>& version);

// A monotonic millisecond count (64 bits) that does not wrap.
std::int64_t GetTickCount();

// The local date and time.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};
LocalTime GetLocalTime();

// The time separator of the user's regional settings (":" where nothing else is configured).
std::string GetTimeSeparator();

}  // namespace platform
