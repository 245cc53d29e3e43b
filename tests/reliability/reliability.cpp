#include "reliability/reliability.h"

#include "support/sample_db.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace reliability {

bool FullMode() {
  const char* full = std::getenv("UPGRADE405_FULL");
  return full != nullptr && std::string(full) == "1";
}

long EnvNumber(const char* name, long fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  char* end = nullptr;
  const long n = std::strtol(value, &end, 10);
  return *end == '\0' ? n : fallback;
}

int StartUpgrade(const std::string& path) {
  int in[2];
  if (pipe(in) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    close(in[0]);
    close(in[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const std::string db = "/db=" + path;
    execl(UPGRADE405_EXE, UPGRADE405_EXE, db.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  const char input[] = "enter\n\nclose\n";
  if (write(in[1], input, sizeof input - 1) != static_cast<ssize_t>(sizeof input - 1)) {
    kill(pid, SIGKILL);
  }
  close(in[1]);
  return pid;
}

bool EndedNormally(int pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

testing_support::ProcessResult RunUpgrade(const std::vector<std::string>& args,
                                          const std::string& input, const Env& env,
                                          const std::string& exe, int timeoutSeconds) {
  testing_support::ProcessOptions options;
  options.input = input;
  options.env = env;
  options.env["DISPLAY"] = std::nullopt;
  options.env["WAYLAND_DISPLAY"] = std::nullopt;
  options.timeoutSeconds = timeoutSeconds;
  std::vector<std::string> argv{exe};
  argv.insert(argv.end(), args.begin(), args.end());
  return testing_support::RunProcess(argv, options);
}

const char kTitle[] = "upgrade405";

std::string DialogBlock() {
  return "=== Dialog\nCaption: Mise-à-jour base de donnée 4.04 -> 4.05\nButtons: [Mise-à-jour]\n";
}

std::string DoneBlock(const std::string& title) {
  return "=== NoticeBox\nCaption: " + title + "\nText: Mise à jour effetuée.\nButtons: [OK]\n";
}

std::string NotFoundBlock(const std::string& path, const std::string& title) {
  return "=== NoticeBox\nCaption: " + title +
         "\nText: " + Shown("Base de donnée non trouvée dans :\n\r" + path) + "\nButtons: [OK]\n";
}

std::string Shown(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && ++i >= text.size()) break;
    shown += text[i];
  }
  return shown;
}

Outcome ClassifyPress(const std::string& out, const std::string& path, std::string* errorText) {
  if (out == NotFoundBlock(path)) return Outcome::kNotFound;
  if (out == DialogBlock() + DoneBlock()) return Outcome::kConfirmed;
  const std::string head = DialogBlock() + "=== ErrorBox\nCaption: " + kTitle + "\nText: ";
  const std::string tail = "\nButtons: [OK]\n";
  if (out.size() > head.size() + tail.size() && out.compare(0, head.size(), head) == 0 &&
      out.compare(out.size() - tail.size(), tail.size(), tail) == 0) {
    const std::string text = out.substr(head.size(), out.size() - head.size() - tail.size());
    if (text.find("\n=== ") != std::string::npos) return Outcome::kUnexpected;
    if (errorText != nullptr) *errorText = text;
    return Outcome::kError;
  }
  return Outcome::kUnexpected;
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kNotFound:
      return "not found";
    case Outcome::kConfirmed:
      return "confirmed";
    case Outcome::kError:
      return "error box";
    case Outcome::kUnexpected:
      break;
  }
  return "unexpected output";
}

namespace {

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// FNV-1a, 64 bits.
void Mix(std::uint64_t& hash, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
}

}  // namespace

DatabaseState InspectDatabase(const std::string& path) {
  DatabaseState state;
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  std::unique_ptr<sqlite3, Closer> db(raw);
  if (rc != SQLITE_OK) {
    state.error = "open: " + std::string(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
    return state;
  }
  auto each = [&](const std::string& sql, auto&& row) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      state.error = sql + ": " + sqlite3_errmsg(db.get());
      return false;
    }
    std::unique_ptr<sqlite3_stmt, Finalizer> statement(s);
    int step;
    while ((step = sqlite3_step(s)) == SQLITE_ROW) row(s);
    if (step != SQLITE_DONE) {
      state.error = sql + ": " + sqlite3_errmsg(db.get());
      return false;
    }
    return true;
  };
  auto text = [](sqlite3_stmt* s, int column) {
    const unsigned char* t = sqlite3_column_text(s, column);
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
  };
  if (!each("PRAGMA integrity_check", [&](sqlite3_stmt* s) {
        if (!state.integrity.empty()) state.integrity += "\n";
        state.integrity += text(s, 0);
      })) {
    return state;
  }
  if (!each("SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = 'nuv'",
            [&](sqlite3_stmt* s) { state.tableSql = text(s, 0); }) ||
      !each("SELECT type, name, tbl_name, sql FROM sqlite_schema ORDER BY name",
            [&](sqlite3_stmt* s) {
              for (int c = 0; c < 4; ++c) state.schema += text(s, c) + "|";
              state.schema += "\n";
            }) ||
      !each("SELECT type FROM pragma_table_info('nuv') WHERE name = 'Filename'",
            [&](sqlite3_stmt* s) { state.filenameType = text(s, 0); })) {
    return state;
  }
  std::uint64_t hash = 14695981039346656037ull;
  std::int64_t rows = 0;
  if (!each("SELECT rowid, * FROM nuv ORDER BY rowid", [&](sqlite3_stmt* s) {
        ++rows;
        for (int c = 0, n = sqlite3_column_count(s); c < n; ++c) {
          const int type = sqlite3_column_type(s, c);
          Mix(hash, &type, sizeof type);
          const void* blob = sqlite3_column_blob(s, c);
          Mix(hash, blob, static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
        }
      })) {
    return state;
  }
  state.rows = rows;
  state.checksum = hash;
  return state;
}

void CreateLargeNuvDatabase(const std::string& path, const std::string& filenameType, int rows,
                            int filenameLength) {
  testing_support::CreateNuvDatabase(path, filenameType, 0, filenameLength);
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(raw);
    throw std::runtime_error("cannot open " + path);
  }
  std::unique_ptr<sqlite3, Closer> db(raw);
  sqlite3_stmt* s = nullptr;
  sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_prepare_v2(raw, "INSERT INTO nuv (Filename, Title, Size) VALUES (?1, ?2, ?3)", -1, &s,
                     nullptr);
  std::unique_ptr<sqlite3_stmt, Finalizer> insert(s);
  for (int i = 0; i < rows; ++i) {
    std::string name = "f" + std::to_string(i) + "_";
    name += std::string(static_cast<std::size_t>(filenameLength) - name.size(), 'x');
    const std::string title = "Titre " + std::to_string(i);
    sqlite3_bind_text(s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, title.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 3, static_cast<sqlite3_int64>(i) * 100);
    if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error("cannot fill " + path);
    sqlite3_reset(s);
  }
  if (sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw std::runtime_error("cannot fill " + path);
  }
}

void CopyFile(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace reliability
