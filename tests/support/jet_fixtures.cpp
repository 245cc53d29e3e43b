#ifndef _WIN32
#include "support/jet_fixtures.h"

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "support/process.h"

namespace testing_support {

namespace fs = std::filesystem;

namespace {

ProcessOptions Patient() {
  ProcessOptions options;
  options.timeoutSeconds = 600;
  return options;
}

std::string ConfiguredFixturesDir() {
  if (const char* dir = std::getenv("UPGRADE405_FIXTURES"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  return (fs::path(UPGRADE405_SOURCE_DIR) / ".." / "shared" / "fixtures").lexically_normal();
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

}  // namespace

std::string JetFixturesDir() {
  const std::string dir = ConfiguredFixturesDir();
  std::error_code ec;
  return fs::is_regular_file(fs::path(dir) / "nuv404.mdb", ec) ? dir : "";
}

std::string MissingJetFixturesMessage() {
  return "the Jet test databases are missing: no folder " + ConfiguredFixturesDir() +
         " with nuv404.mdb in it (UPGRADE405_FIXTURES names another folder)";
}

std::string CopyJetFixture(const std::string& name, const TempDir& dir, const std::string& as) {
  const fs::path from = fs::path(JetFixturesDir()) / name;
  const fs::path to = dir.path() / (as.empty() ? from.filename().string() : as);
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) throw std::runtime_error("cannot copy " + from.string() + ": " + ec.message());
  // The fixtures are read-only; the copy must be writable like any user's database.
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  return to.string();
}

namespace {

// Runs read.mjs on `path` with `options`; false with `error` set when npm or node failed.
bool RunMdbReader(const std::string& path, const std::vector<std::string>& options,
                  std::string& out, std::string& error) {
  const fs::path folder = fs::path(UPGRADE405_SOURCE_DIR) / "tests" / "support" / "mdb_reader";
  // mdb-reader comes from npm: installed once per process (scripts/test.sh has usually done it
  // already, and then this returns at once).
  static const ProcessResult install =
      RunProcess({"/usr/bin/env", "bash", (folder / "install.sh").string()}, Patient());
  if (install.exitCode != 0) {
    error = "cannot install mdb-reader with npm ci (tests/support/mdb_reader/install.sh): " +
            install.err;
    return false;
  }
  std::vector<std::string> argv{"/usr/bin/env", "node", (folder / "read.mjs").string(), path};
  argv.insert(argv.end(), options.begin(), options.end());
  const ProcessResult r = RunProcess(argv, Patient());
  if (r.exitCode != 0) {
    error = r.err.empty() ? "node failed with exit code " + std::to_string(r.exitCode) : r.err;
    return false;
  }
  out = r.out;
  return true;
}

}  // namespace

ReaderView ReadWithMdbReader(const std::string& path) {
  ReaderView view;
  std::string out;
  if (!RunMdbReader(path, {}, out, view.error)) return view;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<std::string> f = SplitTabs(line);
    if (f[0] == "column" && f.size() == 6) {
      view.columns[f[1] + "." + f[2]] = f[3] + " " + f[4] + " " + f[5];
    } else if (f[0] == "table" && f.size() == 4) {
      view.tables[f[1]] = f[2] + " " + f[3];
    }
  }
  view.ok = true;
  return view;
}

std::string MdbReaderTableJson(const std::string& path, const std::string& table) {
  std::string out, error;
  return RunMdbReader(path, {"--rows=" + table}, out, error) ? out : "mdb-reader failed: " + error;
}

std::string MdbToolsSchema(const std::string& path, const std::string& table) {
  const ProcessResult r =
      RunProcess({"/usr/bin/env", "mdb-schema", "-T", table, "--no-drop-table", path, "access"});
  return r.exitCode == 0 ? r.out : "";
}

std::string MdbToolsExport(const std::string& path, const std::string& table) {
  const ProcessResult r = RunProcess({"/usr/bin/env", "mdb-export", path, table}, Patient());
  return r.exitCode == 0 ? r.out : "mdb-export failed: " + r.err;
}

int MdbToolsTextLength(const std::string& path, const std::string& table,
                       const std::string& column) {
  const std::string schema = MdbToolsSchema(path, table);
  std::string escaped;
  for (char c : column) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) escaped += '\\';
    escaped += c;
  }
  const std::regex pattern("\\[" + escaped + "\\]\\s+Text \\((\\d+)\\)");
  std::smatch match;
  if (!std::regex_search(schema, match, pattern)) return -1;
  return std::stoi(match[1].str());
}

std::vector<long> DifferingOffsets(const std::string& a, const std::string& b, std::size_t limit) {
  const std::string x = ReadFile(a);
  const std::string y = ReadFile(b);
  std::vector<long> offsets;
  const std::size_t n = std::max(x.size(), y.size());
  for (std::size_t k = 0; k < n && offsets.size() < limit; ++k) {
    if (k >= x.size() || k >= y.size() || x[k] != y[k]) offsets.push_back(static_cast<long>(k));
  }
  return offsets;
}

}  // namespace testing_support
#endif  // _WIN32
