// The baseline of a whole run of the program: a process that opens the same database with
// SQLite directly, reads its schema, and ends.
#include <sqlite3.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
    return 2;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "%s\n", db != nullptr ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return 1;
  }
  const int rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc == SQLITE_OK ? 0 : 1;
}
