// The shared unit: the values every part of the program reads, and its start-up and shutdown.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TJournal;

// Full path of the database file to open. Set at start-up; may be empty.
extern std::string DatabasePath;

// The one journal of the process, from the shared unit's start-up to its shutdown.
extern std::unique_ptr<TJournal> Journal;

// The exit code the process ends with: 0, or 1 after an exception escaped the entry.
extern int ExitCode;

// Where the executable lies, derived once from its full path.
struct TExecutableLocation {
  std::string path;       // full path
  std::string directory;  // the path cut after its last separator, which it keeps
  std::string baseName;   // file name without directory and without its last extension
};
TExecutableLocation DeriveExecutableLocation(const std::string& exePath);

// The default database path, replaced by each parameter that starts with "/db=" (the four
// characters compared without regard to ASCII case): the last one wins.
std::string DatabasePathFromParameters(const std::string& defaultPath,
                                       const std::vector<std::string>& parameters);

// Shared unit start-up: executable location, journal, database path.
void GlobalInitialization();
// Shared unit shutdown, the reverse of its start-up.
void GlobalFinalization();
