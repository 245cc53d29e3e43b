// Benchmarks of the upgrade against its alternatives, measured in one run on the same files.
//
// On real Jet files (the test databases of 1k, 100k and 1M rows, unpacked once into the data
// folder):
// - widening nuv.Filename through the program's own components and engine, against a bare
//   libmdb read of every row of the table, in this process;
// - shortening it from TEXT(255) (a copy with the length field patched at bench time) when
//   every value fits, against the same bare read;
// - a whole run of the executable, against a bare process that opens the file with libmdb and
//   reads its catalog, and against the same bare process loading the program's libraries;
// - the peak memory of a whole run, children included.
//
// On the SQLite sample databases the program also opens:
// - the upgrade through the program's own components and engine, against a bare length scan and
//   against SQLite's documented 12-step table rebuild, both done with SQLite directly;
// - the peak memory of the upgrade, in a child process, against a child that only opens the file;
// - a whole run of the executable through the terminal protocol, against a bare process that
//   opens the same file;
// - one journal line against one write plus one flush to disk of the same bytes.
//
// Every figure is reported as a ratio against its baseline. The tables (1k, 100k and 1M rows)
// are generated once in the data folder and copied before each timed operation, so every
// operation starts from the same bytes in the page cache.
//
//   upgrade405_bench --data=DIR [--out=results.md] [--sizes=1000,100000,1000000]
//                    [--command=TEXT] [Google Benchmark options]
//
// The Jet test databases are read from ../shared/fixtures beside the source tree, or from the
// folder UPGRADE405_FIXTURES names; without them the Jet figures are left out, and the report
// says so.
// libmdb's header includes glib's inside extern "C"; glib's, included first, brings its C++
// parts in with C++ linkage.
#include <glib.h>
#include <mdbtools.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
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

// --- SQLite directly ---

struct Sqlite {
  explicit Sqlite(const fs::path& path, int flags = SQLITE_OPEN_READWRITE) {
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
      const std::string why = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
      sqlite3_close(db);
      throw std::runtime_error("cannot open " + path.string() + ": " + why);
    }
  }
  ~Sqlite() { sqlite3_close(db); }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;

  void Exec(const std::string& sql) const {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string why = error != nullptr ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(sql + ": " + why);
    }
  }
  std::string Text(const std::string& sql) const {
    sqlite3_stmt* statement = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sql + ": " + sqlite3_errmsg(db));
    }
    if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
      out = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
    return out;
  }

  sqlite3* db = nullptr;
};

// The table the program upgrades, as the 4.04 schema has it (as tests/support/sample_db makes
// it), with `rows` rows of file names between 12 and 50 characters.
void Generate(const fs::path& path, int rows) {
  fs::remove(path);
  Sqlite s(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  s.Exec(
      "CREATE TABLE nuv (id INTEGER PRIMARY KEY, Filename TEXT(50) NOT NULL DEFAULT '', "
      "Title VARCHAR(80), Size INTEGER);"
      "CREATE INDEX nuv_filename ON nuv (Filename);"
      "BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(s.db, "INSERT INTO nuv (Filename, Title, Size) VALUES (?1, ?2, ?3)", -1,
                     &insert, nullptr);
  for (int i = 0; i < rows; ++i) {
    // Appended piece by piece: g++ 12 at -O3 warns (-Wrestrict, wrongly) about "f" + text.
    std::string name = "f";
    name += std::to_string(i);
    name += '_';
    const std::size_t length = 12 + static_cast<std::size_t>(i % 39);
    if (name.size() < length) name.append(length - name.size(), 'x');
    const std::string title = "Titre " + std::to_string(i);
    sqlite3_bind_text(insert, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, title.data(), static_cast<int>(title.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(insert, 3, std::int64_t{i} * 100);
    if (sqlite3_step(insert) != SQLITE_DONE) throw std::runtime_error("cannot fill the table");
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  s.Exec("COMMIT");
}

fs::path Source(int rows) {
  return dataDir / ("nuv_" + std::to_string(rows) + ".db");
}
fs::path Work() {
  return dataDir / "work.db";
}

// A fresh copy of the `rows` table, outside the timed part. The copy is put on disk before it
// is handed over: otherwise the first operation that flushes the file (any commit) would pay
// for writing the whole copy out, and an operation that only reads would not.
fs::path FreshCopy(int rows) {
  fs::remove(dataDir / "work.db-journal");
  fs::copy_file(Source(rows), Work(), fs::copy_options::overwrite_existing);
  for (const fs::path& path : {Work(), dataDir}) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) throw std::runtime_error("cannot flush " + path.string());
    close(fd);
  }
  return Work();
}

bool Upgraded(const fs::path& path) {
  Sqlite s(path, SQLITE_OPEN_READONLY);
  return s.Text("SELECT sql FROM sqlite_schema WHERE name = 'nuv'").find("TEXT(96)") !=
         std::string::npos;
}

// --- the three ways ---

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

// What any upgrade must do at least: read every file name once.
void LengthScan(const fs::path& path) {
  Sqlite s(path);
  if (s.Text("SELECT count(*) FROM nuv WHERE length(Filename) > 96") != "0") {
    throw std::runtime_error("unexpected long file names");
  }
}

// SQLite's documented procedure for a schema change ALTER TABLE cannot make.
void TwelveStepRebuild(const fs::path& path) {
  Sqlite s(path);
  s.Exec("PRAGMA foreign_keys = OFF");
  s.Exec("BEGIN");
  s.Exec(
      "CREATE TABLE new_nuv (id INTEGER PRIMARY KEY, Filename TEXT(96) NOT NULL DEFAULT '', "
      "Title VARCHAR(80), Size INTEGER)");
  s.Exec(
      "INSERT INTO new_nuv (id, Filename, Title, Size) SELECT id, Filename, Title, Size FROM nuv");
  s.Exec("DROP TABLE nuv");
  s.Exec("ALTER TABLE new_nuv RENAME TO nuv");
  s.Exec("CREATE INDEX nuv_filename ON nuv (Filename)");
  s.Exec("PRAGMA foreign_key_check");
  s.Exec("COMMIT");
  s.Exec("PRAGMA foreign_keys = ON");
}

// What the upgrade needs at least when only the stored definition changes, done with SQLite
// directly: the length scan, the rewritten definition and the schema version in one
// transaction, and the table read once under the new definition. The upgrade's own steps beyond
// these show as the difference between the two.
void DefinitionChangeOnly(const fs::path& path) {
  Sqlite s(path);
  s.Exec("BEGIN IMMEDIATE");
  if (s.Text("SELECT count(*) FROM nuv WHERE length(Filename) > 96") != "0") {
    throw std::runtime_error("unexpected long file names");
  }
  const std::string version = s.Text("PRAGMA schema_version");
  s.Exec("PRAGMA writable_schema = ON");
  s.Exec(
      "UPDATE sqlite_schema SET sql = replace(sql, 'Filename TEXT(50)', 'Filename TEXT(96) "
      "CONSTRAINT \"Filename_length\" CHECK (length(\"Filename\") <= 96)') WHERE name = 'nuv'");
  s.Exec("PRAGMA schema_version = " + std::to_string(std::stoll(version) + 1));
  s.Exec("PRAGMA writable_schema = OFF");
  s.Text("SELECT count(*) FROM nuv");
  s.Exec("COMMIT");
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

std::string self;  // this executable, for the child processes that measure memory

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// --- Jet files ---

// Where the 2-byte length field of nuv.Filename lies in every nuv404 test database.
constexpr long kJetLengthField = 98439;
std::string jetMissing;  // why the Jet benchmarks were left out, or ""

fs::path FixturesDir() {
  if (const char* dir = std::getenv("UPGRADE405_FIXTURES"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  return (fs::path(UPGRADE405_SOURCE_DIR) / ".." / "shared" / "fixtures").lexically_normal();
}

fs::path JetSource(int rows) {
  return dataDir / ("jet_" + std::to_string(rows) + ".mdb");
}
// The same file with Filename declared TEXT(255): what shortening starts from.
fs::path JetWideSource(int rows) {
  return dataDir / ("jet_" + std::to_string(rows) + "_text255.mdb");
}
fs::path JetWork() {
  return dataDir / "jet_work.mdb";
}

int ReadLengthField(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char b[2] = {0, 0};
  in.seekg(kJetLengthField);
  if (!in.read(reinterpret_cast<char*>(b), 2)) return -1;
  return b[0] | (b[1] << 8);
}

void WriteLengthField(const fs::path& path, int value) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  const char b[2] = {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
  f.seekp(kJetLengthField);
  f.write(b, 2);
  if (!f) throw std::runtime_error("cannot patch " + path.string());
}

// Unpacks (or copies) each fixture once, and makes its TEXT(255) twin.
void PrepareJet() {
  const fs::path fixtures = FixturesDir();
  if (!fs::exists(fixtures / "nuv404.mdb")) {
    jetMissing = "no folder " + fixtures.string() + " with nuv404.mdb in it";
    return;
  }
  for (int rows : sizes) {
    const fs::path to = JetSource(rows);
    if (!fs::exists(to)) {
      std::fprintf(stderr, "unpacking the Jet file of %d rows...\n", rows);
      const fs::path part = to.string() + ".part";
      std::string command;
      if (rows == 1000) {
        fs::copy_file(fixtures / "nuv404.mdb", part, fs::copy_options::overwrite_existing);
        fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add);
      } else if (rows == 100000) {
        command = "gzip -dc '" + (fixtures / "nuv404_100k.mdb.gz").string() + "' > '" +
                  part.string() + "'";
      } else if (rows == 1000000) {
        command =
            "xz -dc '" + (fixtures / "nuv404_1m.mdb.xz").string() + "' > '" + part.string() + "'";
      } else {
        throw std::runtime_error("no Jet test database of " + std::to_string(rows) + " rows");
      }
      if (!command.empty() && std::system(command.c_str()) != 0) {
        throw std::runtime_error("cannot unpack the Jet file of " + std::to_string(rows));
      }
      fs::rename(part, to);
    }
    if (ReadLengthField(to) != 100) {
      throw std::runtime_error(to.string() + ": Filename is not TEXT(50)");
    }
    if (!fs::exists(JetWideSource(rows))) {
      fs::copy_file(to, JetWideSource(rows));
      WriteLengthField(JetWideSource(rows), 510);
    }
  }
}

// A fresh copy of `from` on disk, outside the timed part (as FreshCopy).
// What the working copy holds: a copy of this source, with the length field as in the source
// when `pristine`.
fs::path workFrom;
bool workPristine = false;

void FlushToDisk(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fsync(fd) != 0) throw std::runtime_error("cannot flush " + path.string());
  close(fd);
}

// A fresh copy of `from` on disk, outside the timed part (as FreshCopy). A widening changes
// only the 2-byte length field, so when the working copy was made from the same source and
// widened, writing the source's length back gives the source's bytes again without copying
// 115 MB anew.
fs::path FreshJetCopy(const fs::path& from) {
  if (workFrom == from && fs::exists(JetWork())) {
    if (!workPristine) WriteLengthField(JetWork(), ReadLengthField(from));
  } else {
    fs::copy_file(from, JetWork(), fs::copy_options::overwrite_existing);
    FlushToDisk(dataDir);
  }
  FlushToDisk(JetWork());
  workFrom = from;
  workPristine = false;  // the caller is about to change it
  return JetWork();
}

bool JetUpgraded(const fs::path& path) {
  return ReadLengthField(path) == 192;
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

// One way of doing the work: its name in the report, the operation on a fresh copy, and what
// must hold of the copy afterwards (nothing when it only reads).
struct Way {
  std::string name;
  std::function<void(const fs::path&)> run;
  std::function<bool(const fs::path&)> check;
};

// Each iteration runs every way once, each on a fresh copy of the `rows` table, in an order
// that rotates from one iteration to the next, so that whatever else the machine does at the
// time weighs on all of them alike. The median time of each way becomes a counter (seconds).
void Interleaved(benchmark::State& state, int rows, const std::vector<Way>& ways) {
  std::map<std::string, std::vector<double>> samples;
  std::size_t round = 0;
  try {
    for (auto _ : state) {
      double total = 0;
      for (std::size_t k = 0; k < ways.size(); ++k) {
        const Way& way = ways[(k + round) % ways.size()];
        const fs::path path = FreshCopy(rows);
        const auto start = Clock::now();
        way.run(path);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (way.check && !way.check(path)) {
          throw std::runtime_error(way.name + " did not do its work");
        }
        samples[way.name].push_back(seconds);
        total += seconds;
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

void BM_Upgrade(benchmark::State& state) {
  Interleaved(state, static_cast<int>(state.range(0)),
              {{"scan", LengthScan, nullptr},
               {"upgrade", UpgradeThroughEngine, Upgraded},
               {"rebuild", TwelveStepRebuild, Upgraded},
               {"definition", DefinitionChangeOnly, Upgraded}});
}

// A whole run of the program (start, press, confirm, end of input) and a bare process.
void BM_Process(benchmark::State& state) {
  Interleaved(state, static_cast<int>(state.range(0)),
              {{"bare",
                [](const fs::path& path) {
                  if (Spawn({UPGRADE405_BARE_OPEN_EXE, path.string()}, "") != 0) {
                    throw std::runtime_error("the bare process failed");
                  }
                },
                nullptr},
               {"run",
                [](const fs::path& path) {
                  if (Spawn({UPGRADE405_EXE, "/db=" + path.string()}, "enter\n\n") != 0) {
                    throw std::runtime_error("the program failed");
                  }
                },
                Upgraded}});
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

// A whole run of the program on a Jet file, a bare libmdb process, and the same bare process
// loading the program's libraries.
void BM_JetProcess(benchmark::State& state) {
  auto bare = [](const char* exe) {
    return [exe](const fs::path& path, int) {
      if (Spawn({exe, path.string()}, "") != 0) throw std::runtime_error("the bare process failed");
    };
  };
  JetInterleaved(state, static_cast<int>(state.range(0)),
                 {{"bare", JetSource, false, bare(UPGRADE405_BARE_OPEN_JET_EXE), nullptr},
                  {"bare_libs", JetSource, false, bare(UPGRADE405_BARE_OPEN_JET_LIBS_EXE), nullptr},
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
int UpgradeRounds(int rows) {
  return rows <= 1000 ? 30 : rows <= 100000 ? 15 : 9;
}
int ProcessRounds(int rows) {
  return rows <= 1000 ? 40 : 15;
}

int JetRounds(int rows) {
  return rows <= 1000 ? 30 : rows <= 100000 ? 10 : 5;
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
    benchmark::RegisterBenchmark("Upgrade", BM_Upgrade)
        ->Arg(rows)
        ->UseManualTime()
        ->Iterations(UpgradeRounds(rows))
        ->Unit(benchmark::kMillisecond);
  }
  for (int rows : {1000, 100000}) {
    if (std::find(sizes.begin(), sizes.end(), rows) == sizes.end()) continue;
    benchmark::RegisterBenchmark("Process", BM_Process)
        ->Arg(rows)
        ->UseManualTime()
        ->Iterations(ProcessRounds(rows))
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

// The child's peak resident set, as it reports it. The child reads its own high-water mark
// (VmHWM) rather than the parent reading getrusage: a child started by posix_spawn shares the
// parent's memory until exec, and the kernel would count the parent's peak as the child's.
long PeakKilobytes(const std::string& mode, const fs::path& path) {
  const fs::path report = dataDir / "peak.txt";
  fs::remove(report);
  if (Spawn({self, "--child=" + mode, path.string(), report.string()}, "") != 0) {
    throw std::runtime_error("the " + mode + " child failed");
  }
  std::ifstream in(report);
  long kilobytes = 0;
  if (!(in >> kilobytes) || kilobytes <= 0) throw std::runtime_error("no peak from the child");
  return kilobytes;
}

void ReportPeak(const fs::path& report) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      std::ofstream(report) << std::stol(line.substr(6)) << "\n";
      return;
    }
  }
}

int RunChild(const std::string& mode, const fs::path& path, const fs::path& report) {
  try {
    if (mode == "upgrade") {
      UpgradeThroughEngine(path);
    } else if (mode == "open") {
      TADOConnection connection;
      connection.SetConnectionString(
          text::Format(ConnectionStringTemplate, {QuoteDataSource(path.string())}));
      connection.SetLoginPrompt(false);
      connection.SetConnected(true);
    } else {
      return 2;
    }
    ReportPeak(report);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

struct Memory {
  int rows;
  long baseline, upgrade;
};

std::vector<Memory> MeasureMemory() {
  std::vector<Memory> out;
  for (int rows : {1000, 1000000}) {
    if (std::find(sizes.begin(), sizes.end(), rows) == sizes.end()) continue;
    Memory m{rows, 0, 0};
    for (int repeat = 0; repeat < 3; ++repeat) {
      m.baseline = std::max(m.baseline, PeakKilobytes("open", FreshCopy(rows)));
      m.upgrade = std::max(m.upgrade, PeakKilobytes("upgrade", FreshCopy(rows)));
      if (!Upgraded(Work())) throw std::runtime_error("the upgrade child did not upgrade");
    }
    out.push_back(m);
  }
  return out;
}

// The peak memory of whole runs on Jet files, children included (peak_run's wait4).
struct JetMemory {
  int rows;
  long bare, widen, shorten;
};

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
void WriteJetReport(std::ostringstream& o, const Collector& c,
                    const std::vector<JetMemory>& memory) {
  auto ratio = [](double a, double b, int digits) { return b > 0 ? Fixed(a / b, digits) : "-"; };
  auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
  o << "## Jet files\n\n";
  if (!jetMissing.empty()) {
    o << "Left out: " << jetMissing << ".\n\n";
    return;
  }
  o << "The test databases `nuv404.mdb` (1k rows), `nuv404_100k.mdb.gz` and `nuv404_1m.mdb.xz`, "
    << "unpacked once into the data folder; for shortening, a copy of each whose "
    << "`nuv.Filename` length field (offset " << kJetLengthField << ") is patched to 510, "
    << "TEXT(255), made at bench time.\n\n"
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
  const double bare = c.Get(key, "bare"), libs = c.Get(key, "bare_libs"), run = c.Get(key, "run");
  o << "### A whole run of the executable on nuv404.mdb\n\n"
    << "`printf 'enter\\n\\n' | DISPLAY= upgrade405 /db=FILE` (start, press, confirm, end of "
    << "input) against a bare process that opens the same file with libmdb and reads its "
    << "catalog (`bench/bare_open_jet.cpp`), and against that same bare process linked with "
    << "the library a headless run of the program loads at start-up besides libmdb (SQLite; "
    << "the FLTK module, with FLTK, X11 and fontconfig, is loaded only when a display is "
    << "named), which shows what loading it costs.\n\n"
    << "| rounds | bare (ms) | bare + SQLite (ms) | whole run (ms) | run / bare | "
       "SQLite's share of the run |\n"
    << "|---:|---:|---:|---:|---:|---:|\n"
    << "| 40 | " << Fixed(bare * 1e3, 2) << " | " << Fixed(libs * 1e3, 2) << " | "
    << Fixed(run * 1e3, 2) << " | " << ratio(run, bare, 2) << " | "
    << (run > 0 ? Fixed(100 * (libs - bare) / run, 0) + " %" : "-") << " |\n\n"
    << "Target, the whole run at most 3 times the bare process: "
    << verdict(run <= 3 * bare && bare > 0) << " (" << ratio(run, bare, 2)
    << "). Without the cost of loading SQLite (" << Fixed((libs - bare) * 1e3, 2)
    << " ms), the run would be " << ratio(run - (libs - bare), bare, 2)
    << " times the bare process.\n\n";

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
                 const std::vector<Memory>& memory, const std::vector<JetMemory>& jetMemory) {
  struct utsname u {};
  uname(&u);
  char date[64];
  const std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  auto ratio = [](double a, double b, int digits) { return b > 0 ? Fixed(a / b, digits) : "-"; };
  std::ostringstream o;
  o << "# Benchmarks\n\n"
    << "Regenerate with `" << command << "` (builds a Release configuration in build/bench, "
    << "unpacks the Jet test databases and generates the SQLite tables once in build/bench/data, "
    << "and rewrites this file).\n\n"
    << "Machine: " << sysconf(_SC_NPROCESSORS_ONLN) << " CPUs (nproc), " << CpuModel() << ", Linux "
    << u.release << ", SQLite " << sqlite3_libversion() << ", libmdb " << UPGRADE405_LIBMDB_VERSION
    << "; run " << date << "; load average (1, 5, 15 min) " << loadAtStart << " at the start, "
    << LoadAverage() << " at the end: the machine is shared, so the figures carry its noise.\n\n"
    << "All figures come from this one run. The ways compared are run in turn, each on a fresh "
    << "copy of the same file (the copy, put on disk first, is not timed), in an order that "
    << "rotates each round; every time is the median over the rounds.\n\n";

  WriteJetReport(o, c, jetMemory);

  o << "## SQLite sample databases\n\n"
    << "The SQLite engine still serves the sample database that the program makes; its figures "
    << "on generated tables of the same sizes follow.\n\n";
  o << "### The upgrade against the alternatives\n\n"
    << "- upgrade: the program's components and engine run `" << UpgradeStatement
    << "` (open, statement, close);\n"
    << "- scan: `SELECT count(*) FROM nuv WHERE length(Filename) > 96` with SQLite directly "
    << "(open, query, close);\n"
    << "- rebuild: SQLite's documented 12-step procedure with SQLite directly (new table, "
    << "INSERT SELECT, drop, rename, index again, foreign key check, in one transaction);\n"
    << "- definition only, for reference: what a change of the stored definition needs at least, "
    << "with SQLite directly (the length scan, the new definition and schema version, the table "
    << "read once more, in one transaction).\n\n"
    << "| rows | rounds | scan (ms) | upgrade (ms) | rebuild (ms) | upgrade / scan | "
    << "rebuild / upgrade | definition only (ms) | definition only / scan |\n"
    << "|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (int rows : sizes) {
    const std::string key = "Upgrade/" + std::to_string(rows);
    const double scan = c.Get(key, "scan"), upgrade = c.Get(key, "upgrade");
    const double rebuild = c.Get(key, "rebuild"), definition = c.Get(key, "definition");
    o << "| " << rows << " | " << UpgradeRounds(rows) << " | " << Fixed(scan * 1e3, 2) << " | "
      << Fixed(upgrade * 1e3, 2) << " | " << Fixed(rebuild * 1e3, 2) << " | "
      << ratio(upgrade, scan, 2) << " | " << ratio(rebuild, upgrade, 1) << " | "
      << Fixed(definition * 1e3, 2) << " | " << ratio(definition, scan, 2) << " |\n";
    if (rows == 1000000 && scan > 0 && upgrade > 0) {
      o << "\nTargets at 1M rows: the upgrade within 1.5 times the scan: "
        << (upgrade <= 1.5 * scan ? "met" : "NOT met") << " (" << ratio(upgrade, scan, 2)
        << "); at least 10 times faster than the rebuild: "
        << (rebuild >= 10 * upgrade ? "met" : "NOT met") << " (" << ratio(rebuild, upgrade, 1)
        << "). For reference, the definition-only change: " << ratio(definition, scan, 2)
        << " times the scan, " << ratio(rebuild, definition, 1)
        << " times faster than the rebuild.\n";
    }
  }

  o << "\n### Peak memory of the upgrade\n\n"
    << "Peak resident set size (the child's VmHWM, the largest of 3 runs) of a child process "
    << "that runs the upgrade through the components, against a child that only opens the "
    << "database through them.\n\n"
    << "| rows | open only (KiB) | upgrade (KiB) | upgrade - open (KiB) | upgrade / open |\n"
    << "|---:|---:|---:|---:|---:|\n";
  for (const Memory& m : memory) {
    o << "| " << m.rows << " | " << m.baseline << " | " << m.upgrade << " | "
      << (m.upgrade - m.baseline) << " | "
      << ratio(static_cast<double>(m.upgrade), static_cast<double>(m.baseline), 2) << " |\n";
  }

  o << "\n### A whole run of the executable\n\n"
    << "`printf 'enter\\n\\n' | DISPLAY= upgrade405 /db=FILE` (start, press, confirm, end of "
    << "input, through the terminal protocol) against a bare process that opens the same file "
    << "with SQLite and reads its schema.\n\n"
    << "| rows | rounds | bare process (ms) | whole run (ms) | run / bare |\n"
    << "|---:|---:|---:|---:|---:|\n";
  for (int rows : {1000, 100000}) {
    const std::string key = "Process/" + std::to_string(rows);
    const double bare = c.Get(key, "bare"), run = c.Get(key, "run");
    if (bare == 0) continue;
    o << "| " << rows << " | " << ProcessRounds(rows) << " | " << Fixed(bare * 1e3, 2) << " | "
      << Fixed(run * 1e3, 2) << " | " << ratio(run, bare, 2) << " |\n";
  }

  const double line = c.Get("JournalLine", "journal"), plain = c.Get("JournalLine", "plain");
  o << "\n### One journal line\n\n"
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
  if (argc == 4 && std::strncmp(argv[1], "--child=", 8) == 0) {
    platform::InitializeCom();
    return RunChild(argv[1] + 8, argv[2], argv[3]);
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
  for (int rows : sizes) {
    if (!fs::exists(Source(rows))) {
      std::fprintf(stderr, "generating %d rows...\n", rows);
      Generate(Source(rows), rows);
    }
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  Register();
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  std::vector<Memory> memory;
  try {
    memory = MeasureMemory();
  } catch (const std::exception& e) {
    collector.failures.push_back(std::string("memory: ") + e.what());
  }
  std::vector<JetMemory> jetMemory;
  try {
    jetMemory = MeasureJetMemory();
  } catch (const std::exception& e) {
    collector.failures.push_back(std::string("Jet memory: ") + e.what());
  }
  benchmark::Shutdown();
  if (!outPath.empty()) WriteReport(outPath, command, collector, memory, jetMemory);
  for (const std::string& f : collector.failures) std::fprintf(stderr, "FAILED %s\n", f.c_str());
  return collector.failures.empty() ? 0 : 1;
}
