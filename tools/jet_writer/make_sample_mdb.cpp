// make_sample_mdb FILE [--rows N] [--text-length N] [--jet3]: writes a new Jet 4 database (Jet 3
// with --jet3) holding the sample table nuv at schema 4.04. It never overwrites a file.
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string>

#include "jet_writer.h"

namespace {

constexpr const char* kUsage =
    "usage: make_sample_mdb FILE [--rows N] [--text-length N] [--jet3]\n"
    "Writes a new Jet 4 database (Access 2000; with --jet3 a Jet 3 one, Access 97) at FILE\n"
    "with table nuv: Id, Filename TEXT(N) (default 50), Size and Added, and N rows (default\n"
    "1000). FILE must not exist.\n";

int Fail(const std::string& message) {
  std::cerr << "make_sample_mdb: " << message << "\n";
  return 2;
}

bool ParseNumber(const std::string& text, unsigned long long maximum, unsigned long long& out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  out = std::strtoull(text.c_str(), nullptr, 10);
  return errno == 0 && out <= maximum;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  unsigned long long rows = 1000, textLength = 50;
  bool jet3 = false;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (arg == "--jet3") {
      jet3 = true;
    } else if (arg == "--rows" || arg == "--text-length") {
      if (k + 1 >= argc) return Fail(arg + " needs a number");
      const std::string value = argv[++k];
      if (arg == "--rows" ? !ParseNumber(value, 0xFFFFFFFFull, rows)
                          : !ParseNumber(value, 255, textLength) || textLength == 0) {
        return Fail(arg + " " + value + ": " +
                    (arg == "--rows" ? "not a number of rows" : "not a length from 1 to 255"));
      }
    } else if (!arg.empty() && arg[0] == '-') {
      return Fail("unknown option " + arg + " (see --help)");
    } else if (file.empty()) {
      file = arg;
    } else {
      return Fail("one file only (see --help)");
    }
  }
  if (file.empty()) return Fail("no file given (see --help)");
  try {
    jet_writer::DatabaseSpec spec;
    if (jet3) spec.format = jet_writer::JetFormat::kJet3;
    spec.tables.push_back(jet_writer::NuvSampleTable(rows, static_cast<int>(textLength)));
    jet_writer::WriteJetDatabase(file, spec);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  std::cout << "made " << file << (jet3 ? " (Jet 3)" : "") << ": table nuv, " << rows
            << " rows, Filename TEXT(" << textLength << ")\n";
  return 0;
}
