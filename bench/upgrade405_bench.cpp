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
// libmdb's header includes glib's inside extern "C"; glib's, included first, brings its C++
// parts in with C++ linkage.
#include <glib.h>
#include <mdbtools.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "components/ado.h"
#include "jet_writer.h"
#include "journal/journal.h"
#include "main.h"
#include "platform/database.h"
#include "platform/host.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path dataDir;
std::vector<int> sizes = {1000, 100000, 1000000};

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

// --- processes ---

// Runs `argv` with `input` on its standard input, its output discarded, DISPLAY empty; returns
// its exit status and, when asked, its resource usage.
int Spawn(const std::vector<std::string>& argv, const std::string& input,
          struct rusage* usage = nullptr) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.emplace_back(*e);
  }
  env.emplace_back("DISPLAY=");
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[0]);
  if (rc != 0) {
    close(pipeFds[1]);
    throw std::runtime_error("cannot start " + argv[0]);
  }
  if (!input.empty() && write(pipeFds[1], input.data(), input.size()) < 0) {
    close(pipeFds[1]);
    throw std::runtime_error("cannot write to " + argv[0]);
  }
  close(pipeFds[1]);
  int status = 0;
  struct rusage own {};
  if (wait4(pid, &status, 0, usage != nullptr ? usage : &own) != pid) {
    throw std::runtime_error("wait4");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string self;  // this executable, for the writer's child process

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// --- Jet files ---

std::string jetMissing;  // why the Jet benchmarks were left out, or ""

fs::path JetSource(int rows) {
  return dataDir / ("jet_" + std::to_string(rows) + ".mdb");
}
// The same table with Filename declared TEXT(255): what shortening starts from.
fs::path JetWideSource(int rows) {
  return dataDir / ("jet_" + std::to_string(rows) + "_text255.mdb");
}
fs::path JetWork() {
  return dataDir / "jet_work.mdb";
}

// Writes the sample table nuv of `rows` rows with Filename TEXT(`textLength`) to `path`, anew;
// returns where its length field lies.
long WriteNuv(const fs::path& path, int rows, int textLength) {
  fs::remove(path);
  const jet_writer::DatabaseLayout layout = jet_writer::WriteJetDatabase(
      path.string(), {{jet_writer::NuvSampleTable(static_cast<std::uint64_t>(rows), textLength)}});
  return static_cast<long>(layout.tables.at("nuv").columns.at("Filename").lengthOffset);
}

// Where nuv.Filename's length field lies in each file the writer made, by path. The writer
// gives the same bytes for the same description, so a file made by an earlier run is kept, and
// the offset it was written at beside it.
std::map<std::string, long> lengthFields;

fs::path FieldNote(const fs::path& path) {
  return path.string() + ".field";
}

void MakeOnce(const fs::path& path, int rows, int textLength) {
  long field = -1;
  if (fs::exists(path) && (std::ifstream(FieldNote(path)) >> field) && field > 0) {
    lengthFields[path.string()] = field;
    return;
  }
  std::fprintf(stderr, "writing the Jet file of %d rows, TEXT(%d)...\n", rows, textLength);
  const fs::path part = path.string() + ".part";
  field = WriteNuv(part, rows, textLength);
  fs::rename(part, path);
  std::ofstream(FieldNote(path)) << field << "\n";
  lengthFields[path.string()] = field;
}

long LengthField(const fs::path& path) {
  const auto found = lengthFields.find(path.string());
  if (found == lengthFields.end()) throw std::runtime_error("no length field for " + path.string());
  return found->second;
}

int ReadLengthField(const fs::path& path, long field) {
  std::ifstream in(path, std::ios::binary);
  unsigned char b[2] = {0, 0};
  in.seekg(field);
  if (!in.read(reinterpret_cast<char*>(b), 2)) return -1;
  return b[0] | (b[1] << 8);
}

void WriteLengthField(const fs::path& path, long field, int value) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  const char b[2] = {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
  f.seekp(field);
  f.write(b, 2);
  if (!f) throw std::runtime_error("cannot patch " + path.string());
}

// Makes each size's file and its TEXT(255) twin once.
void PrepareJet() {
  for (int rows : sizes) {
    MakeOnce(JetSource(rows), rows, 50);
    MakeOnce(JetWideSource(rows), rows, 255);
    if (ReadLengthField(JetSource(rows), LengthField(JetSource(rows))) != 100 ||
        ReadLengthField(JetWideSource(rows), LengthField(JetWideSource(rows))) != 510) {
      throw std::runtime_error("the written length fields are not TEXT(50) and TEXT(255)");
    }
  }
}

// What the working copy holds: a copy of this source, with the length field as in the source
// when `pristine`.
fs::path workFrom;
bool workPristine = false;

void FlushToDisk(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fsync(fd) != 0) throw std::runtime_error("cannot flush " + path.string());
  close(fd);
}

// A fresh copy of `from` on disk, outside the timed part. The copy is put on disk before it is
// handed over: otherwise the first operation that flushes the file would pay for writing the
// whole copy out. A widening changes only the 2-byte length field, so when the working copy was
// made from the same source and widened, writing the source's length back gives the source's
// bytes again without copying 100 MB anew.
fs::path FreshJetCopy(const fs::path& from) {
  if (workFrom == from && fs::exists(JetWork())) {
    const long field = LengthField(from);
    if (!workPristine) WriteLengthField(JetWork(), field, ReadLengthField(from, field));
  } else {
    fs::copy_file(from, JetWork(), fs::copy_options::overwrite_existing);
    FlushToDisk(dataDir);
  }
  FlushToDisk(JetWork());
  workFrom = from;
  workPristine = false;  // the caller is about to change it
  lengthFields[JetWork().string()] = LengthField(from);
  return JetWork();
}

bool JetUpgraded(const fs::path& path) {
  return ReadLengthField(path, LengthField(path)) == 192;
}

// What any rebuild of the table must do at least: read every row of nuv with libmdb, every
// column bound, in this process. Returns the number of rows.
long BareLibmdbRead(const fs::path& path) {
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (mdb == nullptr) throw std::runtime_error("libmdb cannot open " + path.string());
  long rows = 0;
  if (mdb_read_catalog(mdb, MDB_TABLE) != nullptr) {
    char name[] = "nuv";
    if (MdbTableDef* table = mdb_read_table_by_name(mdb, name, MDB_TABLE)) {
      mdb_read_columns(table);
      mdb_rewind_table(table);
      std::vector<std::vector<char>> values(table->num_cols, std::vector<char>(MDB_BIND_SIZE));
      std::vector<int> lengths(table->num_cols);
      for (unsigned int c = 0; c < table->num_cols; ++c) {
        mdb_bind_column(table, static_cast<int>(c + 1), values[c].data(), &lengths[c]);
      }
      while (mdb_fetch_row(table)) ++rows;
      mdb_free_tabledef(table);
    }
  }
  mdb_close(mdb);
  return rows;
}

void JetRead(const fs::path& path, int rows) {
  if (BareLibmdbRead(path) != rows) throw std::runtime_error("libmdb read another row count");
}

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

void JetInterleaved(benchmark::State& state, int rows, const std::vector<JetWay>& ways) {
  if (!jetMissing.empty()) {
    state.SkipWithError(("Jet files missing: " + jetMissing).c_str());
    return;
  }
  std::map<std::string, std::vector<double>> samples;
  std::size_t round = 0;
  try {
    for (auto _ : state) {
      double total = 0;
      for (std::size_t k = 0; k < ways.size(); ++k) {
        const JetWay& way = ways[(k + round) % ways.size()];
        for (int r = 0; r < way.repeat; ++r) {
          const fs::path path = way.copy ? FreshJetCopy(way.from(rows)) : way.from(rows);
          const auto start = Clock::now();
          way.run(path, rows);
          const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
          if (way.check && !way.check(path)) {
            throw std::runtime_error(way.name + " did not do its work");
          }
          samples[way.name].push_back(seconds);
          total += seconds;
        }
      }
      ++round;
      state.SetIterationTime(total);
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  for (const auto& [name, values] : samples) state.counters[name] = Median(values);
}

// --- benchmarks ---

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

// A whole run of the program on the 1k-row sample, and a bare libmdb process on the same file.
void BM_JetProcess(benchmark::State& state) {
  JetInterleaved(state, static_cast<int>(state.range(0)),
                 {{"bare", JetSource, false,
                   [](const fs::path& path, int) {
                     if (Spawn({UPGRADE405_BARE_OPEN_JET_EXE, path.string()}, "") != 0) {
                       throw std::runtime_error("the bare process failed");
                     }
                   },
                   nullptr},
                  {"run", JetSource, true,
                   [](const fs::path& path, int) {
                     if (Spawn({UPGRADE405_EXE, "/db=" + path.string()}, "enter\n\n") != 0) {
                       throw std::runtime_error("the program failed");
                     }
                   },
                   JetUpgraded}});
}

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

// Rounds per table size: enough for a stable median, few enough for the large tables.
int JetRounds(int rows) {
  return rows <= 1000 ? 30 : rows <= 100000 ? 10 : 5;
}
int WriterRounds(int rows) {
  return rows <= 1000 ? 20 : rows <= 100000 ? 6 : 3;
}

void Register() {
  for (int rows : sizes) {
    benchmark::RegisterBenchmark("Jet", BM_Jet)
        ->Arg(rows)
        ->UseManualTime()
        ->Iterations(JetRounds(rows))
        ->Unit(benchmark::kMillisecond);
  }
  if (std::find(sizes.begin(), sizes.end(), 1000) != sizes.end()) {
    benchmark::RegisterBenchmark("JetProcess", BM_JetProcess)
        ->Arg(1000)
        ->UseManualTime()
        ->Iterations(40)
        ->Unit(benchmark::kMillisecond);
  }
  for (int rows : sizes) {
    benchmark::RegisterBenchmark("Writer", BM_Writer)
        ->Arg(rows)
        ->UseManualTime()
        ->Iterations(WriterRounds(rows))
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("JournalLine", BM_JournalLine)
      ->UseManualTime()
      ->Iterations(500)
      ->Unit(benchmark::kMicrosecond);
}

// Keeps every measurement's counters, by "name/argument", and the failures.
class Collector : public benchmark::ConsoleReporter {
 public:
  Collector() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) failures.push_back(run.benchmark_name() + ": " + run.error_message);
      std::string key = run.run_name.function_name;
      if (!run.run_name.args.empty()) key += "/" + run.run_name.args;
      for (const auto& [name, counter] : run.counters) values[key][name] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // The median time in seconds of `way` in measurement `key`, 0 when missing.
  double Get(const std::string& key, const std::string& way) const {
    auto found = values.find(key);
    if (found == values.end()) return 0;
    auto value = found->second.find(way);
    return value == found->second.end() ? 0 : value->second;
  }
  std::map<std::string, std::map<std::string, double>> values;
  std::vector<std::string> failures;
};

// --- peak memory, in child processes ---

// The peak memory of whole runs on Jet files, children included (peak_run's wait4).
struct JetMemory {
  int rows;
  long bare, widen, shorten;
};

// The peak of `program` run by peak_run (stdin the press, output discarded), in KiB.
long JetPeak(const std::vector<std::string>& program) {
  const fs::path report = dataDir / "jet_peak.txt";
  const fs::path input = dataDir / "press.txt";
  std::ofstream(input) << "enter\n\n";
  fs::remove(report);
  std::vector<std::string> argv{UPGRADE405_PEAK_RUN_EXE, report.string(), input.string()};
  argv.insert(argv.end(), program.begin(), program.end());
  if (Spawn(argv, "") != 0) throw std::runtime_error(program[0] + " failed");
  std::ifstream in(report);
  long kilobytes = 0;
  if (!(in >> kilobytes) || kilobytes <= 0) throw std::runtime_error("no peak reported");
  return kilobytes;
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

// The writer's peak memory: this program's --write mode, alone in a process that peak_run
// starts, at 1k and at 1M rows (or the smallest and largest size measured).
struct WriterMemory {
  int rows;
  long peak;
};

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

// --- the report ---

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

std::string Fixed(double value, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, value);
  return buf;
}

// The Jet figures and whether each target is met.
void WriteJetReport(std::ostringstream& o, const Collector& c, const std::vector<JetMemory>& memory,
                    const std::vector<WriterMemory>& writerMemory) {
  auto ratio = [](double a, double b, int digits) { return b > 0 ? Fixed(a / b, digits) : "-"; };
  auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
  o << "## Jet files\n\n";
  if (!jetMissing.empty()) {
    o << "Left out: " << jetMissing << ".\n\n";
    return;
  }
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
      << ratio(read, widen, read >= 10 * widen ? 0 : 2) << " | " << ratio(shorten, read, 2)
      << " |\n";
    if (rows == 1000) widen1k = widen;
    if (rows == 1000000) widen1m = widen, read1m = read, shorten1m = shorten;
  }
  o << "\nTargets:\n\n";
  if (widen1k > 0 && widen1m > 0) {
    o << "- widening flat in rows, 1M over 1k at most 1.2: " << verdict(widen1m <= 1.2 * widen1k)
      << " (" << ratio(widen1m, widen1k, 2) << ");\n"
      << "- widening at 1M rows at least 100 times faster than the bare read: "
      << verdict(read1m >= 100 * widen1m) << " (" << ratio(read1m, widen1m, 0) << " times);\n";
  }
  if (read1m > 0 && shorten1m > 0) {
    // At 1k rows both take a few milliseconds, mostly fixed costs (the engine's child
    // processes); the target is about reading many rows.
    o << "- shortening from TEXT(255) at 1M rows at most 1.5 times the bare read: "
      << verdict(shorten1m <= 1.5 * read1m) << " (" << ratio(shorten1m, read1m, 2) << ").\n";
  }
  o << "\n";

  const std::string key = "JetProcess/1000";
  const double bare = c.Get(key, "bare"), run = c.Get(key, "run");
  o << "### A whole run of the executable on the sample\n\n"
    << "`printf 'enter\\n\\n' | DISPLAY= upgrade405 /db=FILE` (start, press, confirm, end of "
    << "input) on the 1,000-row sample, against a bare process that opens the same file with "
    << "libmdb and reads its catalog (`bench/bare_open_jet.cpp`).\n\n"
    << "| rounds | bare (ms) | whole run (ms) | run / bare |\n"
    << "|---:|---:|---:|---:|\n"
    << "| 40 | " << Fixed(bare * 1e3, 2) << " | " << Fixed(run * 1e3, 2) << " | "
    << ratio(run, bare, 2) << " |\n\n"
    << "Target, the whole run at most 2 times the bare process: "
    << verdict(run <= 2 * bare && bare > 0) << " (" << ratio(run, bare, 2) << ").\n\n";

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
      << Fixed(read * 1e3, 2) << " | " << ratio(write, read, 2) << " |\n";
    if (rows == 1000000) write1m = write, readWritten1m = read;
  }
  if (write1m > 0 && readWritten1m > 0) {
    o << "\nTarget, writing 1M rows at most 2 times the bare read of them: "
      << verdict(write1m <= 2 * readWritten1m) << " (" << ratio(write1m, readWritten1m, 2)
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
    o << "\nTarget, 1M rows within 10% of 1k rows: " << verdict(large <= 1.1 * small) << " ("
      << ratio(large, small, 3) << ").\n";
  }
  o << "\n";

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
      << verdict(widen1mKb <= 1.1 * static_cast<double>(widen1kKb)) << " ("
      << ratio(static_cast<double>(widen1mKb), static_cast<double>(widen1kKb), 3)
      << "); shortening, for reference: "
      << ratio(static_cast<double>(shorten1mKb), static_cast<double>(shorten1kKb), 3) << ".\n";
  }
  o << "\n";
}

void WriteReport(const std::string& outPath, const std::string& command, const Collector& c,
                 const std::vector<JetMemory>& jetMemory,
                 const std::vector<WriterMemory>& writerMemory) {
  struct utsname u {};
  uname(&u);
  char date[64];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  auto ratio = [](double a, double b, int digits) { return b > 0 ? Fixed(a / b, digits) : "-"; };
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

  WriteJetReport(o, c, jetMemory, writerMemory);

  const double line = c.Get("JournalLine", "journal"), plain = c.Get("JournalLine", "plain");
  o << "## One journal line\n\n"
    << "`TJournal::WriteEntry` of one Info line on a real file, against one `write` plus one "
    << "`fsync` of the same bytes on a file in the same folder, 500 of each in turn.\n\n"
    << "| write + fsync (µs) | journal line (µs) | line / (write + fsync) |\n|---:|---:|---:|\n"
    << "| " << Fixed(plain * 1e6, 1) << " | " << Fixed(line * 1e6, 1) << " | "
    << ratio(line, plain, 2) << " |\n";
  if (!c.failures.empty()) {
    o << "\n## Failures\n\n";
    for (const std::string& f : c.failures) o << "- " << f << "\n";
  }
  std::ofstream out(outPath);
  out << o.str();
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
  Register();
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
