// What the benchmarks share: the settings of the run, child processes, the Jet files the writer
// makes and their working copies, the bare libmdb read every Jet figure is compared with, the
// round-robin timing of several ways on the same file, and the collector of the figures.
// Each benchmark file registers its measurements and writes its part of the report.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The run's settings, from the command line.
extern fs::path dataDir;
extern std::vector<int> sizes;  // rows of the Jet files
extern std::string self;        // this executable, for the writer's child process
extern std::string jetMissing;  // why the Jet benchmarks were left out, or ""

// --- processes ---

// Runs `argv` with `input` on its standard input, its output discarded, DISPLAY empty; returns
// its exit status and, when asked, its resource usage.
int Spawn(const std::vector<std::string>& argv, const std::string& input,
          struct rusage* usage = nullptr);

// The peak of `program` run by peak_run (stdin the press, output discarded), in KiB.
long JetPeak(const std::vector<std::string>& program);

double Median(std::vector<double> values);

// --- Jet files ---

fs::path JetSource(int rows);
// The same table with Filename declared TEXT(255): what shortening starts from.
fs::path JetWideSource(int rows);
fs::path JetWork();

// Writes the sample table nuv of `rows` rows with Filename TEXT(`textLength`) to `path`, anew;
// returns where its length field lies.
long WriteNuv(const fs::path& path, int rows, int textLength);
// Makes each size's file and its TEXT(255) twin once.
void PrepareJet();
// A fresh copy of `from` on disk, outside the timed part.
fs::path FreshJetCopy(const fs::path& from);
// Whether the file's nuv.Filename is TEXT(96).
bool JetUpgraded(const fs::path& path);

// What any rebuild of the table must do at least: read every row of nuv with libmdb, every
// column bound, in this process. Returns the number of rows.
long BareLibmdbRead(const fs::path& path);
// The bare read, which must find `rows` rows.
void JetRead(const fs::path& path, int rows);

// One way of working on a Jet file: the file it starts from (a fresh copy of it, or the file
// itself when it only reads), the operation, and what must hold afterwards.
struct JetWay {
  std::string name;
  std::function<fs::path(int)> from;
  bool copy;
  std::function<void(const fs::path&, int)> run;
  std::function<bool(const fs::path&)> check;
  int repeat = 1;  // samples per round: the cheap ways take several, each on a fresh copy
};

// Registers benchmark `name` once per size of `sizes`, `rounds(rows)` rounds each, timed by
// hand, in milliseconds.
void RegisterPerSize(const char* name, void (*benchmark)(benchmark::State&), int (*rounds)(int));

// Runs `ways` in turn each round, in an order that rotates, and gives each way's median time
// as a counter of its name.
void JetInterleaved(benchmark::State& state, int rows, const std::vector<JetWay>& ways);

// --- the figures and the report ---

// Keeps every measurement's counters, by "name/argument", and the failures.
class Collector : public benchmark::ConsoleReporter {
 public:
  Collector() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override;
  // The median time in seconds of `way` in measurement `key`, 0 when missing.
  double Get(const std::string& key, const std::string& way) const;

  std::map<std::string, std::map<std::string, double>> values;
  std::vector<std::string> failures;
};

std::string Fixed(double value, int digits);
// a / b with `digits` decimals, "-" when b is not positive.
std::string Ratio(double a, double b, int digits);
const char* Verdict(bool met);

// --- the measurements, one file each ---

// Widening and shortening through the program's components (jet_upgrade_bench.cpp), and the
// peak memory of whole runs.
void RegisterJetUpgrade();
void ReportJetUpgrade(std::ostringstream& o, const Collector& c);
struct JetMemory {
  int rows;
  long bare, widen, shorten;
};
std::vector<JetMemory> MeasureJetMemory();
void ReportJetMemory(std::ostringstream& o, const std::vector<JetMemory>& memory);

// A whole run of the executable against a bare libmdb process (jet_process_bench.cpp).
void RegisterJetProcess();
void ReportJetProcess(std::ostringstream& o, const Collector& c);

// The writer (writer_bench.cpp): its speed and its peak memory.
void RegisterWriter();
struct WriterMemory {
  int rows;
  long peak;
};
std::vector<WriterMemory> MeasureWriterMemory();
void ReportWriter(std::ostringstream& o, const Collector& c,
                  const std::vector<WriterMemory>& writerMemory);

// One journal line (journal_bench.cpp).
void RegisterJournalLine();
void ReportJournalLine(std::ostringstream& o, const Collector& c);

}  // namespace bench
