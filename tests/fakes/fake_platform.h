// A test implementation of the host and file seams for the journal's unit tests: every value
// it returns is set by the test, and every file operation is recorded.
//
// Linked instead of the platform library into upgrade405_journal_tests only. Files live in
// memory; a file can be created only in a folder the test declared, and can be held by an
// "other process" that writes it. The Nth write can be made to fail, once or for good.
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

  // What happened, in order: "exists P", "create P", "open P", "size P", "seek-end P",
  // "write P <bytes>", "write-failed P", "flush P", "close P", and "... refused" for a failed
  // create or open.
  std::vector<std::string> log;

  // The number of files open right now.
  std::size_t OpenCount() const;
};

HostState& Host();
FileSystemState& Files();

// Puts both back to their defaults: one folder `Folder()`, no files, no failure, empty log,
// the executable at Folder() + "upgrade405" with no version, ExitCode 0.
void Reset();

// A folder that exists after Reset(), ending in the platform's separator.
std::string Folder();
// The platform's separator as text.
std::string Sep();

}  // namespace fakes
