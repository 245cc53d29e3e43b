// The Linux side of the database seam: the SQLite engine behind the Jet provider name.
#include "platform/posix/engine/sqlite/sqlite_engine.h"

#include <sqlite3.h>

#include <cstring>

#include "platform/posix/engine/sqlite/alter_column.h"

namespace platform {

namespace {

constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000E);  // E_OUTOFMEMORY

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Runs every statement of `sql` on `db`.
EngineStatus RunStatements(sqlite3* db, const std::string& sql) {
  const char* tail = sql.c_str();
  const char* end = sql.c_str() + sql.size();
  while (tail < end) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, tail, static_cast<int>(end - tail), &raw, &tail);
    StatementHandle statement(raw);
    if (rc != SQLITE_OK) return SqliteFailure(db, rc, "Erreur dans l'instruction SQL");
    if (!statement) continue;  // blanks or a comment
    while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) return SqliteFailure(db, rc, "Échec de l'exécution de l'instruction");
  }
  return {};
}

const char* SqliteContext(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "La base de données est verrouillée par un autre utilisateur";
    case SQLITE_READONLY:
      return "La base de données est ouverte en lecture seule";
    case SQLITE_NOTADB:
      return "Le fichier n'est pas une base de données";
    case SQLITE_CORRUPT:
      return "La base de données est endommagée";
    case SQLITE_CANTOPEN:
      return "Impossible d'ouvrir le fichier de base de données";
    case SQLITE_CONSTRAINT:
      return "Violation de contrainte";
    case SQLITE_FULL:
      return "Le disque est plein";
    case SQLITE_IOERR:
      return "Erreur d'entrée-sortie sur le fichier de base de données";
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return "Accès refusé";
    case SQLITE_NOMEM:
      return "Mémoire insuffisante";
    default:
      return nullptr;
  }
}

// Every failure of this engine names it as its source.
EngineStatus Sourced(EngineStatus status) {
  if (!status.ok() && status.source.empty()) status.source = kEngineSource;
  return status;
}

class SqliteEngine final : public Engine {
 public:
  explicit SqliteEngine(SqliteHandle db) : db_(std::move(db)) {}

  EngineStatus CountParameters(const std::string& text, std::size_t& count) override {
    count = 0;
    AlterColumnStatement alter;
    std::string error;
    switch (TranslateStatement(text, alter, error)) {
      case TranslateResult::kAlterColumn:
        return {};  // carried out by the engine itself, with no parameters
      case TranslateResult::kInvalid:
        return Sourced({kFail, error, {}});
      case TranslateResult::kPassThrough:
        break;
    }
    const char* tail = text.c_str();
    const char* end = text.c_str() + text.size();
    while (tail < end) {
      sqlite3_stmt* raw = nullptr;
      int rc = sqlite3_prepare_v2(db_.get(), tail, static_cast<int>(end - tail), &raw, &tail);
      StatementHandle statement(raw);
      if (rc != SQLITE_OK) return SqliteFailure(db_.get(), rc, "Erreur dans l'instruction SQL");
      if (statement) count += static_cast<std::size_t>(sqlite3_bind_parameter_count(raw));
    }
    return {};
  }

  EngineStatus Execute(const std::string& text) override {
    AlterColumnStatement alter;
    std::string error;
    switch (TranslateStatement(text, alter, error)) {
      case TranslateResult::kAlterColumn:
        return Sourced(AlterColumn(db_.get(), alter));
      case TranslateResult::kInvalid:
        return Sourced({kFail, error, {}});
      case TranslateResult::kPassThrough:
        break;
    }
    return Sourced(RunStatements(db_.get(), text));
  }

 private:
  SqliteHandle db_;
};

}  // namespace

bool IsSqliteHeader(const unsigned char* header, std::size_t size) {
  static constexpr char kMagic[] = "SQLite format 3";  // with its NUL: 16 bytes
  return size >= sizeof kMagic && std::memcmp(header, kMagic, sizeof kMagic) == 0;
}

EngineStatus SqliteFailure(sqlite3* db, int rc, const std::string& context) {
  // A specific French reason where SQLite's code has one, then SQLite's own words.
  const char* reason = SqliteContext(rc);
  std::string description = context;
  if (reason != nullptr && context.find(reason) == std::string::npos) {
    description += " (" + std::string(reason) + ")";
  }
  const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  description += " : ";
  description += message != nullptr ? message : sqlite3_errstr(rc);
  description += ".";
  HResult code = (rc & 0xFF) == SQLITE_NOMEM ? kOutOfMemory : kFail;
  return {code, description, kEngineSource};
}

EngineStatus OpenSqliteEngine(const std::string& path, const OpenMode& mode,
                              std::unique_ptr<Engine>& out) {
  // Never create the file, never read the name as a URI: a relative name that would look like
  // one ("file:...") is made explicitly relative.
  std::string name = path[0] == '/' ? path : "./" + path;
  int flags = (mode.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX |
              SQLITE_OPEN_EXRESCODE;
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
  SqliteHandle db(raw);
  const std::string context = "Impossible d'ouvrir la base de données " + QuotedPath(path);
  if (rc != SQLITE_OK) return SqliteFailure(db.get(), rc, context);
  sqlite3_extended_result_codes(db.get(), 1);
  sqlite3_busy_timeout(db.get(), CommandTimeoutMs());

  std::string setup = "SELECT count(*) FROM sqlite_schema;";
  if (mode.exclusive) {
    setup = "PRAGMA locking_mode = EXCLUSIVE;" + setup;
    // Take the lock now, so that sharing is refused at open as Jet refuses it.
    if (!mode.readOnly) setup += "BEGIN EXCLUSIVE; COMMIT;";
  }
  if (EngineStatus status = RunStatements(db.get(), setup); !status.ok()) {
    return SqliteFailure(db.get(), sqlite3_errcode(db.get()), context);
  }
  out = std::make_unique<SqliteEngine>(std::move(db));
  return {};
}

}  // namespace platform
