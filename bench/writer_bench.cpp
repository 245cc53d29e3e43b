// The writer writing the sample table anew, against the bare libmdb read of what it wrote, and its
// peak memory at 1M rows against 1k rows (a child process run by bench/peak_run.cpp).
#include <algorithm>
#include <stdexcept>

#include "bench.h"

namespace bench {

namespace {

// The writer writing the table anew, and the bare libmdb read of every row of what it wrote, in
// turn. The file it writes is removed first, outside the timed part.
void BM_Writer(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const fs::path written = dataDir / "jet_written.mdb";
  JetInterleaved(state, rows,
                 {{"write",
                   [written](int) {
                     fs::remove(written);
                     return written;
                   },
                   false, [](const fs::path& path, int n) { WriteNuv(path, n, 50); }, nullptr},
                  {"read_written", [written](int) { return written; }, false,
                   [](const fs::path& path, int n) {
                     // The first round may read before the first write: the source is the same
                     // bytes.
                     JetRead(fs::exists(path) ? path : JetSource(n), n);
                   },
                   nullptr}});
  fs::remove(written);
}

// Rounds per table size: enough for a stable median, few enough for the large tables.
int WriterRounds(int rows) {
  return rows <= 1000 ? 20 : rows <= 100000 ? 6 : 3;
}

}  // namespace

void RegisterWriter() {
  RegisterPerSize("Writer", BM_Writer, WriterRounds);
}

// The writer's peak memory: this program's --write mode, alone in a process that peak_run
// starts, at 1k and at 1M rows (or the smallest and largest size measured).
std::vector<WriterMemory> MeasureWriterMemory() {
  std::vector<WriterMemory> out;
  if (sizes.empty()) return out;
  const fs::path written = dataDir / "jet_peak_written.mdb";
  for (int rows : {*std::min_element(sizes.begin(), sizes.end()),
                   *std::max_element(sizes.begin(), sizes.end())}) {
    WriterMemory m{rows, 0};
    for (int repeat = 0; repeat < 3; ++repeat) {
      fs::remove(written);
      m.peak =
          std::max(m.peak, JetPeak({self, "--write=" + std::to_string(rows), written.string()}));
    }
    if (BareLibmdbRead(written) != rows) throw std::runtime_error("the writer child wrote badly");
    out.push_back(m);
  }
  fs::remove(written);
  return out;
}

void ReportWriter(std::ostringstream& o, const Collector& c,
                  const std::vector<WriterMemory>& writerMemory) {
  o << "### The writer\n\n"
    << "- write: the writer writes the table anew (`WriteJetDatabase` of `NuvSampleTable`, "
    << "TEXT(50)), the file removed first, outside the timed part;\n"
    << "- read: the bare libmdb read of every row of what it wrote, as above.\n\n"
    << "| rows | rounds | write (ms) | read (ms) | write / read |\n"
    << "|---:|---:|---:|---:|---:|\n";
  double write1m = 0, readWritten1m = 0;
  for (int rows : sizes) {
    const std::string writerKey = "Writer/" + std::to_string(rows);
    const double write = c.Get(writerKey, "write"), read = c.Get(writerKey, "read_written");
    o << "| " << rows << " | " << WriterRounds(rows) << " | " << Fixed(write * 1e3, 2) << " | "
      << Fixed(read * 1e3, 2) << " | " << Ratio(write, read, 2) << " |\n";
    if (rows == 1000000) write1m = write, readWritten1m = read;
  }
  if (write1m > 0 && readWritten1m > 0) {
    o << "\nTarget, writing 1M rows at most 2 times the bare read of them: "
      << Verdict(write1m <= 2 * readWritten1m) << " (" << Ratio(write1m, readWritten1m, 2)
      << ").\n";
  }
  o << "\nPeak memory of the writer: the largest `ru_maxrss` of 3 runs of this benchmark "
    << "program's `--write=ROWS FILE` mode (the writer alone, nothing else measured in that "
    << "process) started by `bench/peak_run.cpp`.\n\n"
    << "| rows | peak (KiB) |\n|---:|---:|\n";
  for (const WriterMemory& m : writerMemory) o << "| " << m.rows << " | " << m.peak << " |\n";
  if (writerMemory.size() == 2 && writerMemory[0].rows == 1000 && writerMemory[1].rows == 1000000) {
    const double small = static_cast<double>(writerMemory[0].peak);
    const double large = static_cast<double>(writerMemory[1].peak);
    o << "\nTarget, 1M rows within 10% of 1k rows: " << Verdict(large <= 1.1 * small) << " ("
      << Ratio(large, small, 3) << ").\n";
  }
  o << "\n";
}

}  // namespace bench
