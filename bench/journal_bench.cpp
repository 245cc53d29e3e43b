// One journal line against one write plus one flush to disk of the same bytes.
#include <fcntl.h>
#include <unistd.h>

#include "bench.h"
#include "journal/journal.h"
#include "platform/host.h"

namespace bench {

namespace {

const char kJournalMessage[] = "Mise à jour de la base de donnée effetuée.";

// One journal line and one write plus one fsync of the same bytes, in turn.
void BM_JournalLine(benchmark::State& state) {
  const fs::path folder = dataDir / "journal";
  fs::create_directories(folder);
  TJournal journal(folder.string(), "bench", false, true, false);
  const fs::path plain = folder / "plain.txt";
  const int fd = open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (!journal.HasFile() || fd < 0) {
    if (fd >= 0) close(fd);
    state.SkipWithError("cannot open the files");
    return;
  }
  // The bytes of one journal line with the same message.
  const std::string line = "[" + JournalTimestampText(platform::GetLocalTime(), ":") + "][" +
                           std::string(JournalLevelName(JournalLevel::Info)) + "] " +
                           kJournalMessage + "\r\n";
  std::vector<double> journalTimes, plainTimes;
  bool journalFirst = true;
  for (auto _ : state) {
    double total = 0;
    for (int k = 0; k < 2; ++k) {
      const bool doJournal = (k == 0) == journalFirst;
      const auto start = Clock::now();
      if (doJournal) {
        journal.WriteEntry(kJournalMessage, JournalLevel::Info);
      } else if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()) ||
                 fsync(fd) != 0) {
        state.SkipWithError("write failed");
        break;
      }
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      (doJournal ? journalTimes : plainTimes).push_back(seconds);
      total += seconds;
    }
    journalFirst = !journalFirst;
    state.SetIterationTime(total);
  }
  close(fd);
  state.counters["journal"] = Median(journalTimes);
  state.counters["plain"] = Median(plainTimes);
}

}  // namespace

void RegisterJournalLine() {
  benchmark::RegisterBenchmark("JournalLine", BM_JournalLine)
      ->UseManualTime()
      ->Iterations(500)
      ->Unit(benchmark::kMicrosecond);
}

void ReportJournalLine(std::ostringstream& o, const Collector& c) {
  const double line = c.Get("JournalLine", "journal"), plain = c.Get("JournalLine", "plain");
  o << "## One journal line\n\n"
    << "`TJournal::WriteEntry` of one Info line on a real file, against one `write` plus one "
    << "`fsync` of the same bytes on a file in the same folder, 500 of each in turn.\n\n"
    << "| write + fsync (µs) | journal line (µs) | line / (write + fsync) |\n|---:|---:|---:|\n"
    << "| " << Fixed(plain * 1e6, 1) << " | " << Fixed(line * 1e6, 1) << " | "
    << Ratio(line, plain, 2) << " |\n";
}

}  // namespace bench
