// The journal: timestamped, levelled, one-line entries in a daily file beside the executable,
// elapsed-time markers between Begin and End, an optional in-memory mirror, and a start and an
// end entry for each run.
//
// Uses only the platform seam (platform/host.h for the clock, ticks, names and modules;
// platform/files.h for the file), so it compiles unchanged for every target and its tests can
// run it against a test implementation of the seam.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/files.h"
#include "platform/host.h"

// The nine levels, in this order; each has a 7-character name written into every line.
enum class JournalLevel : std::uint8_t {
  Start,   // start entry of a run
  System,  // end entry of a run
  Begin,   // starts a timer
  End,     // stops the most recent timer and appends the elapsed time
  Info,
  Warning,
  Error,
  Data,
  Action,
};

// The level's name as written in a line: exactly 7 characters, padded with spaces.
std::string_view JournalLevelName(JournalLevel level);

// One mirrored entry.
struct TJournalRecord {
  JournalLevel Level = JournalLevel::Start;
  double Timestamp = 0;       // days since 1899-12-30 plus the elapsed fraction of the day
  std::string TimestampText;  // "yyyy-mm-dd hh:mm:ss", as in the file line
  std::string Message;        // the message part of the file line
};

using TJournalBuffer = std::vector<TJournalRecord>;
using JournalTimerStack = std::vector<std::int64_t>;

// `time` as days since 30 December 1899 plus the elapsed fraction of the day.
double JournalTimestamp(const platform::LocalTime& time);
// `time` as "yyyy-mm-dd hh:mm:ss", each ':' being `timeSeparator`.
std::string JournalTimestampText(const platform::LocalTime& time, const std::string& timeSeparator);
// The journal's file name for `name` in `directory` on the day `date`: the directory with a
// trailing separator ensured, the base name (after the last separator, last extension removed,
// trimmed of characters up to the space), "_" when that is not empty, "yyyy-mm-dd", ".jnl".
std::string JournalFileName(const std::string& directory, const std::string& name,
                            const platform::LocalTime& date);

// The journal. Owns its open file and its lists. Construction never fails because of the file:
// a journal that cannot open it carries on without one, silently. A failed write of an entry
// reaches the caller of WriteEntry as EWriteError, except at destruction, where it is absorbed.
class TJournal {
 public:
  // Reads the computer and user names, then, unless `noFile`, fixes the file name from
  // `directory`, `name` and today's date and opens the file (OpenFile). The directory is never
  // created.
  TJournal(const std::string& directory, const std::string& name, bool keepEntries, bool recreate,
           bool noFile);
  // One "Freeing internal timer leak" End entry per running timer (newest first), the end
  // entry (with the exit code last given to SetExitCode, 0 when none was), then the mirror emptied
  // and the file flushed and closed. Never throws.
  ~TJournal();
  TJournal(const TJournal&) = delete;
  TJournal& operator=(const TJournal&) = delete;

  // The exit code the end entry reports: the process's, given by its owner before the journal
  // is destroyed.
  void SetExitCode(int code) { ReportedExitCode = code; }
  // (Re)opens FileName and writes the separator (when the file holds bytes) and the start
  // entry. Any failure is absorbed: no file, FileName empty.
  void OpenFile();
  // Writes one entry: the message cleaned of line breaks, timers for Begin and End, one write of
  // the line then a flush to disk when there is a file, the mirror when KeepEntries.
  void WriteEntry(const std::string& message, JournalLevel level);
  // WriteEntry of `format` filled with `args` ("%s" text, "%d" signed integer).
  void WriteEntryFmt(const std::string& format, const std::vector<text::FormatArg>& args,
                     JournalLevel level);
  // The empty line CR LF, flushed to disk, when there is a file.
  void WriteSeparator();
  // `milliseconds` as "hh:mm:ss", seconds rounded half to even, hours past 99 as they come.
  static std::string FormatElapsed(std::int64_t milliseconds);
  void PushTimer(std::int64_t ticks);
  // The most recent timer, removed; 0 when none runs.
  std::int64_t PopTimer();
  void AppendRecord(const std::string& message, JournalLevel level,
                    const platform::LocalTime& timestamp);

  // The full path of the file; empty with NoFile or after opening failed.
  const std::string& GetFileName() const { return FileName; }
  bool HasFile() const { return Stream.IsOpen(); }
  const TJournalBuffer& GetEntries() const { return Entries; }
  const JournalTimerStack& GetTimers() const { return Timers; }

 private:
  void WriteLine(const std::string& line);

  platform::ModuleHandle MainModule = 0;  // recorded by OpenFile; 0 until then
  platform::File Stream;
  TJournalBuffer Entries;
  bool KeepEntries = false;
  std::string FileName;
  std::string ComputerName;
  std::string UserName;
  bool Recreate = false;
  JournalTimerStack Timers;
  int ReportedExitCode = 0;
};
