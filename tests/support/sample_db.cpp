#ifndef _WIN32
#include "support/sample_db.h"

#include <sqlite3.h>

#include <stdexcept>

namespace testing_support {

namespace {

struct Db {
  explicit Db(const std::string& path, int flags) {
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
      std::string m = db ? sqlite3_errmsg(db) : "out of memory";
      sqlite3_close(db);
      throw std::runtime_error("cannot open " + path + ": " + m);
    }
  }
  ~Db() { sqlite3_close(db); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;
  sqlite3* db = nullptr;
};

}  // namespace

void CreateNuvDatabase(const std::string& path, const std::string& filenameType, int rows,
                       int filenameLength) {
  Db d(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  std::string sql = "CREATE TABLE nuv (id INTEGER PRIMARY KEY, Filename " + filenameType +
                    " NOT NULL DEFAULT '', Title VARCHAR(80), Size INTEGER);"
                    "CREATE INDEX nuv_filename ON nuv (Filename);BEGIN;";
  for (int i = 0; i < rows; ++i) {
    std::string name = "f" + std::to_string(i) + "_";
    name += std::string(static_cast<std::size_t>(filenameLength) - name.size(), 'x');
    sql += "INSERT INTO nuv (Filename, Title, Size) VALUES ('" + name + "', 'Titre " +
           std::to_string(i) + "', " + std::to_string(i * 100) + ");";
  }
  sql += "COMMIT;";
  char* err = nullptr;
  if (sqlite3_exec(d.db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : "";
    sqlite3_free(err);
    throw std::runtime_error("cannot fill " + path + ": " + m);
  }
}

std::string QueryDatabase(const std::string& path, const std::string& sql) {
  Db d(path, SQLITE_OPEN_READONLY);
  std::string out;
  auto collect = [](void* sink, int n, char** values, char**) {
    if (n > 0) *static_cast<std::string*>(sink) += std::string(values[0] ? values[0] : "") + "\n";
    return 0;
  };
  char* err = nullptr;
  if (sqlite3_exec(d.db, sql.c_str(), collect, &out, &err) != SQLITE_OK) {
    std::string m = err ? err : "";
    sqlite3_free(err);
    throw std::runtime_error("query failed: " + m);
  }
  return out;
}

}  // namespace testing_support
#endif
