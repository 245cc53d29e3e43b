// What the reliability suites share: runs of the real executable without a display, the blocks
// its terminal front-end prints, and a look at a database file from outside the program.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/process.h"

namespace reliability {

// True when the suites run in their full mode (UPGRADE405_FULL=1).
bool FullMode();

// An environment variable as a number, or `fallback` when it is unset or not a number.
long EnvNumber(const char* name, long fallback);

using Env = std::map<std::string, std::optional<std::string>>;

// Runs `exe` with `args` and `input` on the terminal front-end (no display).
testing_support::ProcessResult RunUpgrade(const std::vector<std::string>& args,
                                          const std::string& input, const Env& env = {},
                                          const std::string& exe = UPGRADE405_EXE,
                                          int timeoutSeconds = 90);

// Starts the program on `path` in the background for the crash harnesses: it presses the button,
// confirms and closes, with nothing printed. The process id, or -1.
int StartUpgrade(const std::string& path);
// Waits for a run; true when it ended by itself with exit code 0.
bool EndedNormally(int pid);

// The blocks the terminal front-end prints for the program's windows and boxes.
extern const char kTitle[];  // the title of the built executable, upgrade405
std::string DialogBlock();
std::string DoneBlock(const std::string& title = kTitle);
std::string NotFoundBlock(const std::string& path, const std::string& title = kTitle);
// The text of a box as shown: "&" marks a mnemonic, "&&" shows one "&".
std::string Shown(const std::string& text);

// How a run that pressed the button once ended, read from what it printed.
enum class Outcome { kNotFound, kConfirmed, kError, kUnexpected };
// `out` is the whole output of a run with the input "enter\n\nclose\n" on the database at `path`.
// `errorText`, when given, receives the text of the error box.
Outcome ClassifyPress(const std::string& out, const std::string& path,
                      std::string* errorText = nullptr);
const char* OutcomeName(Outcome outcome);

// A database file as another program sees it. Opening it read-write first rolls back a
// journal a killed writer left behind, as the next opener of the file would.
struct DatabaseState {
  std::string error;           // "" when the file could be read
  std::string integrity;       // PRAGMA integrity_check, rows joined by "\n"
  std::int64_t rows = -1;      // rows of nuv
  std::uint64_t checksum = 0;  // every value of every row of nuv, in rowid order, with its type
  std::string filenameType;    // the declared type of nuv.Filename
  std::string tableSql;        // the stored CREATE TABLE text of nuv
  std::string schema;          // every entry of sqlite_schema, in name order
};
DatabaseState InspectDatabase(const std::string& path);

// testing_support::CreateNuvDatabase's table with `rows` rows of the same shape, written in one
// transaction (row by row, each insert would be a transaction and a flush to disk of its own).
void CreateLargeNuvDatabase(const std::string& path, const std::string& filenameType, int rows,
                            int filenameLength);

// Copies `from` to `to`, replacing it.
void CopyFile(const std::string& from, const std::string& to);

}  // namespace reliability
