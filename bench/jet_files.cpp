// The Jet files the writer makes, their working copies, the bare libmdb read and the timing of
// several ways in turn.
// libmdb's header includes glib's inside extern "C"; glib's, included first, brings its C++
// parts in with C++ linkage.
#include <glib.h>
#include <mdbtools.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>

#include "bench.h"
#include "jet_writer.h"

namespace bench {

namespace {

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

// What the working copy holds: a copy of this source, with the length field as in the source
// when `pristine`.
fs::path workFrom;
bool workPristine = false;

void FlushToDisk(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fsync(fd) != 0) throw std::runtime_error("cannot flush " + path.string());
  close(fd);
}

}  // namespace

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

void RegisterPerSize(const char* name, void (*benchmark)(benchmark::State&), int (*rounds)(int)) {
  for (int rows : sizes) {
    benchmark::RegisterBenchmark(name, benchmark)
        ->Arg(rows)
        ->UseManualTime()
        ->Iterations(rounds(rows))
        ->Unit(benchmark::kMillisecond);
  }
}

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

}  // namespace bench
