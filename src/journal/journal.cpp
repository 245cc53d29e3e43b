#include "journal/journal.h"

#include <cmath>

#include "journal/version_info.h"

namespace {

// The run messages of the program's string table.
constexpr const char* kStartInExecutable = "Processus \"%s\" version \"%s\" demarre sur \"%s\\%s\"";
constexpr const char* kStartInLibrary =
    "Module \"%s\" version \"%s\" a été appelé à partir de \"%s\" version \"%s\" fonctionnant "
    "sur \"%s\\%s\"";
constexpr const char* kEndInExecutable = "Processus terminé avec le code de sortie %d";
constexpr const char* kEndInLibrary = "Module retiré de la mémoire";

constexpr const char* kTimerLeak = "Freeing internal timer leak";
constexpr const char* kElapsedPrefix = "Temps écoulé: ";
constexpr const char* kElapsedJoiner = " - Temps écoulé: ";

constexpr std::string_view kLevelNames[] = {"Start  ", "System ", "Begin  ", "End    ", "Info   ",
                                            "Warning", "Error  ", "Data   ", "Action "};

// Days from 1970-01-01 to the civil date y-m-d (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// True when `c` ends a folder part of a name: the platform's separator, and on Windows also
// the drive's colon.
bool IsNameDelimiter(char c) {
  return c == platform::kPathSeparator || (platform::kPathSeparator == '\\' && c == ':');
}

std::string CleanMessage(const std::string& message) {
  std::string cleaned = text::ReplaceAll(message, "\n\r", " ");
  cleaned = text::ReplaceAll(cleaned, "\r\n", " ");
  cleaned = text::ReplaceAll(cleaned, "\n", " ");
  return text::ReplaceAll(cleaned, "\r", " ");
}

}  // namespace

std::string_view JournalLevelName(JournalLevel level) {
  return kLevelNames[static_cast<std::size_t>(level)];
}

double JournalTimestamp(const platform::LocalTime& time) {
  const std::int64_t days =
      DaysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day)) -
      DaysFromCivil(1899, 12, 30);
  const double milliseconds =
      ((time.hour * 60.0 + time.minute) * 60.0 + time.second) * 1000.0 + time.millisecond;
  return static_cast<double>(days) + milliseconds / 86400000.0;
}

std::string JournalTimestampText(const platform::LocalTime& time,
                                 const std::string& timeSeparator) {
  return text::Format("%4.4d-%2.2d-%2.2d %2.2d%s%2.2d%s%2.2d",
                      {std::int64_t{time.year}, std::int64_t{time.month}, std::int64_t{time.day},
                       std::int64_t{time.hour}, timeSeparator, std::int64_t{time.minute},
                       timeSeparator, std::int64_t{time.second}});
}

std::string JournalFileName(const std::string& directory, const std::string& name,
                            const platform::LocalTime& date) {
  std::string baseName = name;
  for (std::size_t i = baseName.size(); i > 0; --i) {
    if (IsNameDelimiter(baseName[i - 1])) {
      baseName.erase(0, i);
      break;
    }
  }
  const std::size_t dot = baseName.rfind('.');
  if (dot != std::string::npos) baseName.erase(dot);
  baseName = text::TrimControls(baseName);
  if (!baseName.empty()) baseName += '_';

  std::string folder = directory;
  if (folder.empty() || folder.back() != platform::kPathSeparator) {
    folder += platform::kPathSeparator;
  }
  return folder + baseName +
         text::Format("%4.4d-%2.2d-%2.2d",
                      {std::int64_t{date.year}, std::int64_t{date.month}, std::int64_t{date.day}}) +
         ".jnl";
}

TJournal::TJournal(const std::string& directory, const std::string& name, bool keepEntries,
                   bool recreate, bool noFile)
    : ComputerName(platform::GetComputerNameText()), UserName(platform::GetUserNameText()) {
  KeepEntries = keepEntries;
  Recreate = recreate;
  Entries.clear();
  if (noFile) return;
  FileName = JournalFileName(directory, name, platform::GetLocalTime());
  OpenFile();
}

TJournal::~TJournal() {
  // A write that fails here (a full disk at shutdown) must neither end the program nor change
  // its exit code, so each entry's failure is absorbed and the next one is still tried.
  for (std::size_t n = Timers.size(); n > 0; --n) {
    try {
      WriteEntry(kTimerLeak, JournalLevel::End);
    } catch (const EStreamError&) {
    }
  }
  try {
    if (MainModule == platform::GetJournalModuleHandle()) {
      WriteEntryFmt(kEndInExecutable, {std::int64_t{ReportedExitCode}}, JournalLevel::System);
    } else {
      WriteEntry(kEndInLibrary, JournalLevel::System);
    }
  } catch (const EStreamError&) {
  }
  Entries.clear();
  if (Stream.IsOpen()) {
    Stream.FlushToDisk();
    Stream.Close();
  }
}

void TJournal::OpenFile() {
  if (Stream.IsOpen()) {
    Stream.FlushToDisk();
    Stream.Close();
  }
  try {
    if (Recreate || !platform::FileExists(FileName)) {
      platform::File::CreateOrTruncate(FileName);  // closed again at once
    }
    Stream = platform::File::OpenWriteSharedForRead(FileName);
    if (Stream.Size() > 0) {
      Stream.SeekToEnd();
      WriteSeparator();
    }
    MainModule = platform::GetMainModuleHandle();
    const std::string exePath = platform::GetExecutablePath();
    if (MainModule == platform::GetJournalModuleHandle()) {
      WriteEntryFmt(kStartInExecutable, {exePath, VersionText(exePath), ComputerName, UserName},
                    JournalLevel::Start);
    } else {
      const std::string modulePath = platform::GetModulePath();
      WriteEntryFmt(kStartInLibrary,
                    {modulePath, VersionText(modulePath), exePath, VersionText(exePath),
                     ComputerName, UserName},
                    JournalLevel::Start);
    }
  } catch (const std::exception&) {
    // A journal that cannot keep its file goes on without one. The file is closed so that it
    // does not stay locked against other writers until the process ends.
    Stream.Close();
    FileName.clear();
  }
}

void TJournal::WriteEntry(const std::string& message, JournalLevel level) {
  std::string text = CleanMessage(message);
  if (level == JournalLevel::Begin) PushTimer(platform::GetTickCount());
  if (level == JournalLevel::End) {
    // Without a running timer there is no start to measure from: the elapsed time is zero.
    std::int64_t elapsed = 0;
    if (!Timers.empty()) {
      const std::int64_t start = PopTimer();
      elapsed = platform::GetTickCount() - start;
    }
    text = text.empty() ? kElapsedPrefix + FormatElapsed(elapsed)
                        : text + kElapsedJoiner + FormatElapsed(elapsed);
  }
  const platform::LocalTime now = platform::GetLocalTime();
  if (Stream.IsOpen()) {
    WriteLine(text::Format("[%s][%s] %s", {JournalTimestampText(now, platform::GetTimeSeparator()),
                                           std::string(JournalLevelName(level)), text}) +
              "\r\n");
  }
  if (KeepEntries) AppendRecord(text, level, now);
}

void TJournal::WriteEntryFmt(const std::string& format, const std::vector<text::FormatArg>& args,
                             JournalLevel level) {
  WriteEntry(text::Format(format, args), level);
}

void TJournal::WriteSeparator() {
  if (Stream.IsOpen()) WriteLine("\r\n");
}

void TJournal::WriteLine(const std::string& line) {
  const std::string bytes = platform::ToFileText(line);
  Stream.Write(bytes.data(), bytes.size());
  Stream.FlushToDisk();  // its result is not examined
}

std::string TJournal::FormatElapsed(std::int64_t milliseconds) {
  // std::nearbyint rounds in the default mode: to nearest, halves to the even neighbour.
  const auto s =
      static_cast<std::int64_t>(std::nearbyint(static_cast<double>(milliseconds) / 1000.0));
  return text::Format("%2.2d:%2.2d:%2.2d", {s / 3600, (s / 60) % 60, s % 60});
}

void TJournal::PushTimer(std::int64_t ticks) {
  Timers.push_back(ticks);
}

std::int64_t TJournal::PopTimer() {
  if (Timers.empty()) return 0;
  const std::int64_t ticks = Timers.back();
  Timers.pop_back();
  return ticks;
}

void TJournal::AppendRecord(const std::string& message, JournalLevel level,
                            const platform::LocalTime& timestamp) {
  Entries.push_back(TJournalRecord{level, JournalTimestamp(timestamp),
                                   JournalTimestampText(timestamp, platform::GetTimeSeparator()),
                                   message});
}
