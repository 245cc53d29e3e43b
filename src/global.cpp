#include "global.h"

#include "base/text.h"
#include "journal/journal.h"
#include "platform/host.h"

std::string DatabasePath;
std::unique_ptr<TJournal> Journal;
int ExitCode = 0;

TExecutableLocation DeriveExecutableLocation(const std::string& exePath) {
  TExecutableLocation location;
  location.path = exePath;
  std::size_t cut = exePath.find_last_of(platform::kPathSeparator);
  std::size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
  location.directory = exePath.substr(0, nameStart);
  std::string fileName = exePath.substr(nameStart);
  location.baseName = fileName.substr(0, fileName.rfind('.'));
  return location;
}

std::string DatabasePathFromParameters(const std::string& defaultPath,
                                       const std::vector<std::string>& parameters) {
  std::string path = defaultPath;
  for (const std::string& parameter : parameters) {
    if (text::AsciiLower(parameter.substr(0, 4)) == "/db=") path = parameter.substr(4);
  }
  return path;
}

void GlobalInitialization() {
  const TExecutableLocation exe = DeriveExecutableLocation(platform::GetExecutablePath());
  const std::string sep(1, platform::kPathSeparator);

  // The journal comes first, so that its start line precedes everything the program does.
  Journal =
      std::make_unique<TJournal>(exe.directory + "Log" + sep, exe.baseName, false, false, false);

  DatabasePath = DatabasePathFromParameters(exe.directory + "database" + sep + "NUV.MDB",
                                            platform::GetCommandLineParameters());
}

void GlobalFinalization() {
  // The journal writes its end line with the exit code as it goes.
  if (Journal) Journal->SetExitCode(ExitCode);
  Journal.reset();
  DatabasePath.clear();
}
