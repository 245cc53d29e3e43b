// Benchmarks of the upgrade against its alternatives, measured in one run on the same files.
//
// On Jet files of 1k, 100k and 1M rows that the project's writer makes once into the data
// folder (the sample table nuv, TEXT(50), and a TEXT(255) twin of each):
// - widening nuv.Filename through the program's own components and engine, against a bare
//   libmdb read of every row of the table, in this process;
// - shortening it from TEXT(255) when every value fits, against the same bare read;
// - the writer itself, writing each file anew, against the bare read of what it wrote, and its
//   peak memory at 1M rows against 1k rows (a child process run by bench/peak_run.cpp);
// - a whole run of the executable on the 1k-row sample, against a bare process that opens the
//   file with libmdb and reads its catalog;
// - the peak memory of a whole run, children included;
// - one journal line against one write plus one flush to disk of the same bytes.
//
// Every figure is reported as a ratio against its baseline, measured in the same run. Each
// operation that changes a file starts from a fresh copy put on disk first, so every operation
// starts from the same bytes in the page cache.
//
//   upgrade405_bench --data=DIR [--out=results.md] [--sizes=1000,100000,1000000]
//                    [--command=TEXT] [Google Benchmark options]
//   upgrade405_bench --write=ROWS FILE   (the writer alone, for the peak-memory child)
//
// The measurements are in files of their own: jet_upgrade_bench.cpp, jet_process_bench.cpp,
// writer_bench.cpp and journal_bench.cpp; what they share is in bench.h. This file holds the
// command line and the report's frame.
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

#include "bench.h"
#include "platform/database.h"

using namespace bench;

namespace {

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) == 0) return Trimmed(line.substr(line.find(':') + 2));
  }
  return "unknown";
}

// The first three fields of /proc/loadavg.
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}
std::string loadAtStart;

void WriteReport(const std::string& outPath, const std::string& command, const Collector& c,
                 const std::vector<JetMemory>& jetMemory,
                 const std::vector<WriterMemory>& writerMemory) {
  struct utsname u {};
  uname(&u);
  char date[64];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  std::ostringstream o;
  o << "# Benchmarks\n\n"
    << "Regenerate with `" << command << "` (builds a Release configuration in build/bench, "
    << "writes the Jet files once into build/bench/data, and rewrites this file).\n\n"
    << "Machine: " << sysconf(_SC_NPROCESSORS_ONLN) << " CPUs (nproc), " << CpuModel() << ", Linux "
    << u.release << ", libmdb " << UPGRADE405_LIBMDB_VERSION << "; run " << date
    << "; load average (1, 5, 15 min) " << loadAtStart << " at the start, " << LoadAverage()
    << " at the end: the machine is shared, so the figures carry its noise.\n\n"
    << "All figures come from this one run. The ways compared are run in turn, each on a fresh "
    << "copy of the same file (the copy, put on disk first, is not timed), in an order that "
    << "rotates each round; every time is the median over the rounds.\n\n";

  o << "## Jet files\n\n";
  if (!jetMissing.empty()) {
    o << "Left out: " << jetMissing << ".\n\n";
  } else {
    ReportJetUpgrade(o, c);
    ReportJetProcess(o, c);
    ReportWriter(o, c, writerMemory);
    ReportJetMemory(o, jetMemory);
  }
  ReportJournalLine(o, c);
  if (!c.failures.empty()) {
    o << "\n## Failures\n\n";
    for (const std::string& f : c.failures) o << "- " << f << "\n";
  }
  std::ofstream out(outPath);
  out << o.str();
}

// Takes this program's options (the data folder and the sizes into the settings); returns the
// rest, for Google Benchmark, argv[0] first.
std::vector<char*> ParseArguments(int argc, char** argv, std::string& outPath,
                                  std::string& command) {
  std::vector<char*> rest = {argv[0]};
  for (int a = 1; a < argc; ++a) {
    const std::string arg = argv[a];
    if (arg.rfind("--data=", 0) == 0) {
      dataDir = arg.substr(7);
    } else if (arg.rfind("--out=", 0) == 0) {
      outPath = arg.substr(6);
    } else if (arg.rfind("--command=", 0) == 0) {
      command = arg.substr(10);
    } else if (arg.rfind("--sizes=", 0) == 0) {
      sizes.clear();
      std::stringstream list(arg.substr(8));
      for (std::string item; std::getline(list, item, ',');) sizes.push_back(std::stoi(item));
    } else {
      rest.push_back(argv[a]);
    }
  }
  return rest;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strncmp(argv[1], "--write=", 8) == 0) {
    try {
      WriteNuv(argv[2], std::stoi(argv[1] + 8), 50);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
    return 0;
  }
  self = fs::canonical("/proc/self/exe").string();
  std::string outPath, command = "bash scripts/bench.sh";
  std::vector<char*> rest = ParseArguments(argc, argv, outPath, command);
  if (dataDir.empty()) {
    std::fprintf(stderr, "usage: %s --data=DIR [--out=FILE] [--sizes=N,...]\n", argv[0]);
    return 2;
  }
  fs::create_directories(dataDir);
  loadAtStart = LoadAverage();
  platform::InitializeCom();
  try {
    PrepareJet();
  } catch (const std::exception& e) {
    jetMissing = e.what();
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  RegisterJetUpgrade();
  RegisterJetProcess();
  RegisterWriter();
  RegisterJournalLine();
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  std::vector<WriterMemory> writerMemory;
  try {
    writerMemory = MeasureWriterMemory();
  } catch (const std::exception& e) {
    collector.failures.push_back(std::string("writer memory: ") + e.what());
  }
  std::vector<JetMemory> jetMemory;
  try {
    jetMemory = MeasureJetMemory();
  } catch (const std::exception& e) {
    collector.failures.push_back(std::string("Jet memory: ") + e.what());
  }
  benchmark::Shutdown();
  if (!outPath.empty()) WriteReport(outPath, command, collector, jetMemory, writerMemory);
  for (const std::string& f : collector.failures) std::fprintf(stderr, "FAILED %s\n", f.c_str());
  return collector.failures.empty() ? 0 : 1;
}
