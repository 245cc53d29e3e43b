// Widening and shortening nuv.Filename through the program's own components and engine, against
// a bare libmdb read of every row of the table in this process; and the peak memory of whole
// runs of the program doing the same, children included.
#include <algorithm>
#include <stdexcept>

#include "base/text.h"
#include "bench.h"
#include "components/ado.h"
#include "main.h"

namespace bench {

namespace {

// The program's way: its connection and command components on its engine, as the dialog's
// button runs them.
void UpgradeThroughEngine(const fs::path& path) {
  TADOConnection connection;
  connection.SetConnectionString(ConnectionStringTemplate);
  connection.SetLoginPrompt(false);
  connection.SetProvider("Microsoft.Jet.OLEDB.4.0");
  TADOCommand command;
  command.SetConnection(&connection);
  connection.SetConnectionString(
      text::Format(connection.ConnectionString(), {QuoteDataSource(path.string())}));
  connection.SetConnected(true);
  command.SetCommandText(UpgradeStatement);
  command.Execute();
}

// Widening takes a few milliseconds whatever the size, as much as the noise of a shared
// machine: it is sampled this many times per round.
constexpr int kWidenSamples = 9;

// Widening and shortening through the components, and the bare libmdb read of every row.
void BM_Jet(benchmark::State& state) {
  JetInterleaved(
      state, static_cast<int>(state.range(0)),
      {{"read", JetSource, false, JetRead, nullptr},
       {"widen", JetSource, true, [](const fs::path& path, int) { UpgradeThroughEngine(path); },
        JetUpgraded, kWidenSamples},
       {"shorten", JetWideSource, true,
        [](const fs::path& path, int) { UpgradeThroughEngine(path); }, JetUpgraded}});
}

// Rounds per table size: enough for a stable median, few enough for the large tables.
int JetRounds(int rows) {
  return rows <= 1000 ? 30 : rows <= 100000 ? 10 : 5;
}

}  // namespace

void RegisterJetUpgrade() {
  RegisterPerSize("Jet", BM_Jet, JetRounds);
}

// The Jet figures and whether each target is met.
void ReportJetUpgrade(std::ostringstream& o, const Collector& c) {
  o << "Jet 4 files that the project's writer (`tools/jet_writer`) makes once into the data "
    << "folder: the sample table `nuv` (`NuvSampleTable`, what `make_sample_mdb` writes, at "
    << "1,000 rows the sample itself) with `Filename` TEXT(50), and for shortening its twin "
    << "with TEXT(255).\n\n"
    << "- read: a bare libmdb read of every row of `nuv`, every column bound, in this process "
    << "(open, catalog, table, rows, close): the least that any rebuild of the table must do;\n"
    << "- widen: the program's components and engine run `" << UpgradeStatement
    << "` on a TEXT(50) copy (open, statement, close), " << kWidenSamples
    << " samples per round (between two, the copy gets its source's length field back, which "
    << "makes it the source's bytes again);\n"
    << "- shorten: the same statement on a TEXT(255) copy, every value fitting.\n\n"
    << "| rows | rounds | read (ms) | widen (ms) | shorten (ms) | read / widen | "
       "shorten / read |\n"
    << "|---:|---:|---:|---:|---:|---:|---:|\n";
  double widen1k = 0, widen1m = 0, read1m = 0, shorten1m = 0;
  for (int rows : sizes) {
    const std::string key = "Jet/" + std::to_string(rows);
    const double read = c.Get(key, "read"), widen = c.Get(key, "widen");
    const double shorten = c.Get(key, "shorten");
    o << "| " << rows << " | " << JetRounds(rows) << " | " << Fixed(read * 1e3, 2) << " | "
      << Fixed(widen * 1e3, 3) << " | " << Fixed(shorten * 1e3, 2) << " | "
      << Ratio(read, widen, read >= 10 * widen ? 0 : 2) << " | " << Ratio(shorten, read, 2)
      << " |\n";
    if (rows == 1000) widen1k = widen;
    if (rows == 1000000) widen1m = widen, read1m = read, shorten1m = shorten;
  }
  o << "\nTargets:\n\n";
  if (widen1k > 0 && widen1m > 0) {
    o << "- widening flat in rows, 1M over 1k at most 1.2: " << Verdict(widen1m <= 1.2 * widen1k)
      << " (" << Ratio(widen1m, widen1k, 2) << ");\n"
      << "- widening at 1M rows at least 100 times faster than the bare read: "
      << Verdict(read1m >= 100 * widen1m) << " (" << Ratio(read1m, widen1m, 0) << " times);\n";
  }
  if (read1m > 0 && shorten1m > 0) {
    // At 1k rows both take a few milliseconds, mostly fixed costs (the engine's child
    // processes); the target is about reading many rows.
    o << "- shortening from TEXT(255) at 1M rows at most 1.5 times the bare read: "
      << Verdict(shorten1m <= 1.5 * read1m) << " (" << Ratio(shorten1m, read1m, 2) << ").\n";
  }
  o << "\n";
}

std::vector<JetMemory> MeasureJetMemory() {
  std::vector<JetMemory> out;
  if (!jetMissing.empty()) return out;
  for (int rows : sizes) {
    JetMemory m{rows, 0, 0, 0};
    for (int repeat = 0; repeat < 3; ++repeat) {
      m.bare = std::max(m.bare, JetPeak({UPGRADE405_BARE_OPEN_JET_EXE, JetSource(rows).string()}));
      m.widen = std::max(
          m.widen, JetPeak({UPGRADE405_EXE, "/db=" + FreshJetCopy(JetSource(rows)).string()}));
      if (!JetUpgraded(JetWork())) throw std::runtime_error("the run did not widen");
      m.shorten =
          std::max(m.shorten,
                   JetPeak({UPGRADE405_EXE, "/db=" + FreshJetCopy(JetWideSource(rows)).string()}));
      if (!JetUpgraded(JetWork())) throw std::runtime_error("the run did not shorten");
    }
    out.push_back(m);
  }
  return out;
}

// The peak memory of whole runs on Jet files, children included (peak_run's wait4).
void ReportJetMemory(std::ostringstream& o, const std::vector<JetMemory>& memory) {
  o << "### Peak memory of a whole run\n\n"
    << "The largest `ru_maxrss` that `wait4` reports for the process, which includes the children "
    << "it forked and waited for (the engine reads with libmdb in a child), measured by a small "
    << "launcher (`bench/peak_run.cpp`); the largest of 3 runs.\n\n"
    << "| rows | bare libmdb process (KiB) | run, widening (KiB) | run, shortening (KiB) |\n"
    << "|---:|---:|---:|---:|\n";
  long widen1kKb = 0, widen1mKb = 0, shorten1kKb = 0, shorten1mKb = 0;
  for (const JetMemory& m : memory) {
    o << "| " << m.rows << " | " << m.bare << " | " << m.widen << " | " << m.shorten << " |\n";
    if (m.rows == 1000) widen1kKb = m.widen, shorten1kKb = m.shorten;
    if (m.rows == 1000000) widen1mKb = m.widen, shorten1mKb = m.shorten;
  }
  if (widen1kKb > 0 && widen1mKb > 0) {
    o << "\nTarget, 1M rows within 10% of 1k rows: widening "
      << Verdict(widen1mKb <= 1.1 * static_cast<double>(widen1kKb)) << " ("
      << Ratio(static_cast<double>(widen1mKb), static_cast<double>(widen1kKb), 3)
      << "); shortening, for reference: "
      << Ratio(static_cast<double>(shorten1mKb), static_cast<double>(shorten1kKb), 3) << ".\n";
  }
  o << "\n";
}

}  // namespace bench
