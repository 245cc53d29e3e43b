// A test implementation of every seam: every value it returns is set by the test, and every
// call that changes something is recorded, in order, in one log.
//
// Linked instead of the platform library into the journal's unit tests (host and files) and the
// run-order tests (all four seams). Files live in memory; a file can be created only in a folder
// the test declared, and can be held by an "other process" that writes it. The Nth write can be
// made to fail, once or for good. The database opens or refuses as told and its classes can be
// unregistered; the windows are shown at once and closed as told, or cannot be created.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/host.h"

namespace fakes {

struct HostState {
  std::string computerName = "PC01";
  std::string userName = "operator";
  std::string executablePath;  // set by Reset() to a path inside the fake's folders
  std::string modulePath;
  platform::ModuleHandle mainModule = 0x400000;
  platform::ModuleHandle journalModule = 0x400000;
  // The files that have a version block, with its file version; nothing for a block whose fixed
  // file information cannot be had.
  std::map<std::string, std::optional<platform::FileVersion>> versions;
  std::int64_t ticks = 0;
  platform::LocalTime localTime{2026, 12, 7, 8, 41, 54, 0};
  std::string timeSeparator = ":";
  std::vector<std::string> parameters;  // the command line after the program's name

  int computerNameReads = 0;
  int userNameReads = 0;
};

struct FileSystemState {
  std::set<std::string> folders;             // existing folders, each ending in the separator
  std::map<std::string, std::string> files;  // existing files and their bytes
  std::set<std::string> heldByOtherWriter;   // files another process holds open for writing

  int failWriteNumber = 0;   // the write call (1-based, counted from Reset) that fails; 0: none
  bool failForGood = false;  // then every later write fails too
  int writeCalls = 0;

  // What happened at the seams, in order. Files: "exists P", "create P", "open P", "size P",
  // "seek-end P", "write P <bytes>", "write-failed P", "flush P", "close P", and "... refused"
  // for a failed create or open. Database: "com-init", "com-uninit", "connection-create",
  // "connection-open <connection string>", "connection-close", "connection-release",
  // "command-create", "command-execute", "command-release", "... refused" for a failed create or
  // open. Windows: "application-window <title>", "dialog", "notice <text>", "error-box <text>",
  // "fatal-box <text>", "application-window-destroyed", "... refused" for a window not created.
  std::vector<std::string> log;

  // The number of files open right now.
  std::size_t OpenCount() const;
};

struct DatabaseState {
  int comInitializations = 0;             // InitializeCom calls not yet undone
  bool openFails = false;                 // Open refuses, as for a missing file
  std::vector<std::string> unregistered;  // "ADODB.Connection", "ADODB.Command"
  int liveObjects = 0;                    // connections and commands not yet released
};

struct UiState {
  int dialogPresses = 0;      // presses of the dialog's button before the user closes it
  bool refuseDialog = false;  // the dialog cannot be created
  bool refuseNotice = false;  // the notice box cannot be created
};

HostState& Host();
FileSystemState& Files();
DatabaseState& Database();
UiState& Ui();

// Puts everything back to its defaults: one folder `Folder()`, no files, no failure, empty log,
// the executable at Folder() + "upgrade405" with no version and no parameters, COM not
// initialised, a database that opens, windows that are created, ExitCode 0.
void Reset();

// A folder that exists after Reset(), ending in the platform's separator.
std::string Folder();
// The platform's separator as text.
std::string Sep();

}  // namespace fakes
