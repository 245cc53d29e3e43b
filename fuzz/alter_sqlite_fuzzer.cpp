// Fuzzes the engine's ALTER COLUMN on a real SQLite database in memory. The input's first line
// is a CREATE TABLE statement, its second line the statement to run, every further line a row
// (values separated by "|"). After the statement either it succeeded and every row is still
// there with its values, or it failed and the database is exactly as before; either way the
// database passes its integrity check and no transaction is left open.
#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/posix/ado/connection_string.h"
#include "platform/posix/engine/sqlite/alter_column.h"

namespace {

constexpr int kMaxRows = 32;
constexpr int kMaxColumns = 16;

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t cut = text.find(separator);
    parts.push_back(text.substr(0, cut));
    if (cut == std::string_view::npos) return parts;
    text.remove_prefix(cut + 1);
  }
}

class Database {
 public:
  Database() {
    FUZZ_CHECK(sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY,
                               nullptr) == SQLITE_OK);
    // The fuzzed text may name other databases or files: none can be attached.
    sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, 1 << 20);
    sqlite3_limit(db_, SQLITE_LIMIT_SQL_LENGTH, 1 << 16);
  }
  ~Database() { sqlite3_close_v2(db_); }
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;
  sqlite3* get() const { return db_; }

  // Runs the one statement `sql`; false when SQLite refuses it.
  bool RunOne(std::string_view sql) const {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, &tail) !=
            SQLITE_OK ||
        statement == nullptr) {
      sqlite3_finalize(statement);
      return false;
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
  }

  // The first column of every row of `sql`, each value tagged with its storage class.
  // `bind` holds the statement's text parameters, which may contain any byte.
  std::vector<std::string> Rows(const std::string& sql,
                                const std::vector<std::string>& bind = {}) const {
    std::vector<std::string> rows;
    sqlite3_stmt* statement = nullptr;
    const int prepared =
        sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
    if (prepared != SQLITE_OK) std::fprintf(stderr, "%s\n%s\n", sql.c_str(), sqlite3_errmsg(db_));
    FUZZ_CHECK(prepared == SQLITE_OK);
    for (std::size_t k = 0; k < bind.size(); ++k) {
      sqlite3_bind_text(statement, static_cast<int>(k + 1), bind[k].data(),
                        static_cast<int>(bind[k].size()), SQLITE_TRANSIENT);
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::string row;
      for (int k = 0; k < sqlite3_column_count(statement); ++k) {
        row += std::to_string(sqlite3_column_type(statement, k)) + ':';
        const auto* text = sqlite3_column_blob(statement, k);
        const int bytes = sqlite3_column_bytes(statement, k);
        if (text != nullptr) row.append(static_cast<const char*>(text), bytes);
        row += '\x1f';
      }
      rows.push_back(std::move(row));
    }
    FUZZ_CHECK(rc == SQLITE_DONE);
    sqlite3_finalize(statement);
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

struct Snapshot {
  std::vector<std::string> schema;             // every object's type, name and text
  std::vector<std::string> columns;            // the table's columns, generated ones included
  std::vector<bool> generated;                 // per column: computed rather than stored
  std::vector<std::string> rowids;             // in rowid order, when the table has rowids
  std::vector<std::vector<std::string>> rows;  // in rowid order, or in scan order
};

std::string Untagged(const std::string& value) {
  return value.substr(value.find(':') + 1, value.size() - value.find(':') - 2);
}

Snapshot Take(const Database& db, const std::string& table, bool hasRowid) {
  Snapshot s;
  s.schema = db.Rows("SELECT type, name, tbl_name, sql FROM sqlite_schema ORDER BY name");
  for (const std::string& row : db.Rows("SELECT name FROM pragma_table_xinfo(" +
                                        platform::QuoteName(table) + ") ORDER BY cid")) {
    s.columns.push_back(Untagged(row));
  }
  for (const std::string& row : db.Rows("SELECT hidden IN (2, 3) FROM pragma_table_xinfo(" +
                                        platform::QuoteName(table) + ") ORDER BY cid")) {
    s.generated.push_back(row == "1:1\x1f");
  }
  const std::string order = hasRowid ? " ORDER BY rowid" : "";
  if (hasRowid) s.rowids = db.Rows("SELECT rowid FROM " + platform::QuoteName(table) + order);
  std::vector<std::vector<std::string>> byColumn;
  for (const std::string& column : s.columns) {
    byColumn.push_back(db.Rows("SELECT " + platform::QuoteName(column) + " FROM " +
                               platform::QuoteName(table) + order));
  }
  const std::size_t count = byColumn.empty() ? 0 : byColumn[0].size();
  s.rows.assign(count, {});
  for (auto& values : byColumn) {
    FUZZ_CHECK(values.size() == count);
    for (std::size_t r = 0; r < count; ++r) s.rows[r].push_back(values[r]);
  }
  return s;
}

// The rows with only the columns `keep` says, sorted when their order is not fixed by rowids.
std::vector<std::vector<std::string>> Project(const Snapshot& s, const std::vector<bool>& keep,
                                              bool sorted) {
  std::vector<std::vector<std::string>> out;
  for (const auto& row : s.rows) {
    std::vector<std::string> kept;
    for (std::size_t k = 0; k < row.size(); ++k) {
      if (keep[k]) kept.push_back(row[k]);
    }
    out.push_back(std::move(kept));
  }
  if (sorted) std::sort(out.begin(), out.end());
  return out;
}

bool SameName(const std::string& a, const std::string& b) {
  return platform::AsciiEqualsIgnoreCase(a, b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::vector<std::string_view> lines =
      Split(std::string_view(reinterpret_cast<const char*>(data), size), '\n');
  if (lines.size() < 2) return 0;
  const std::string_view create = lines[0];
  const std::string_view statement = lines[1];

  // Only a CREATE TABLE: the input must not reach anything outside the database.
  std::vector<std::string_view> head = Split(create, ' ');
  if (head.size() < 3 || !platform::AsciiEqualsIgnoreCase(head[0], "CREATE") ||
      !platform::AsciiEqualsIgnoreCase(head[1], "TABLE")) {
    return 0;
  }
  platform::AlterColumnStatement alter;
  std::string error;
  if (platform::TranslateStatement(statement, alter, error) !=
      platform::TranslateResult::kAlterColumn) {
    return 0;
  }

  Database db;
  if (!db.RunOne(create)) return 0;
  // The table it made, and its columns.
  const std::vector<std::string> tables =
      db.Rows("SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite%'");
  if (tables.size() != 1) return 0;
  const std::string table =
      tables[0].substr(tables[0].find(':') + 1, tables[0].size() - tables[0].find(':') - 2);
  const std::vector<std::string> withoutRowid =
      db.Rows("SELECT wr FROM pragma_table_list(" + platform::QuoteName(table) + ")");
  const bool hasRowid = !withoutRowid.empty() && withoutRowid[0] == "1:0\x1f";
  const std::vector<std::string> columns = db.Rows("SELECT name FROM pragma_table_info(" +
                                                   platform::QuoteName(table) + ") ORDER BY cid");
  if (columns.empty() || columns.size() > kMaxColumns) return 0;

  // The rows: each value bound as an integer when it reads as one, NULL for "~", text otherwise.
  std::string insert = "INSERT INTO " + platform::QuoteName(table) + " VALUES (";
  for (std::size_t k = 0; k < columns.size(); ++k) insert += k == 0 ? "?" : ", ?";
  insert += ")";
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), insert.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    sqlite3_finalize(raw);
    return 0;
  }
  for (std::size_t line = 2; line < lines.size() && line < 2 + kMaxRows; ++line) {
    const std::vector<std::string_view> values = Split(lines[line], '|');
    sqlite3_reset(raw);
    sqlite3_clear_bindings(raw);
    for (std::size_t k = 0; k < columns.size() && k < values.size(); ++k) {
      const std::string value(values[k]);
      const int index = static_cast<int>(k + 1);
      if (value == "~") {
        sqlite3_bind_null(raw, index);
      } else if (!value.empty() && value.size() < 18 &&
                 value.find_first_not_of("0123456789") == std::string::npos) {
        sqlite3_bind_int64(raw, index, std::stoll(value));
      } else {
        sqlite3_bind_text(raw, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT);
      }
    }
    while (sqlite3_step(raw) == SQLITE_ROW) {
    }
  }
  sqlite3_finalize(raw);

  const Snapshot before = Take(db, table, hasRowid);
  const std::vector<std::string> oldType =
      db.Rows("SELECT type FROM pragma_table_xinfo(?1) WHERE name = ?2 COLLATE NOCASE",
              {table, alter.column});
  const platform::EngineStatus status = platform::AlterColumn(db.get(), alter);

  FUZZ_CHECK(sqlite3_get_autocommit(db.get()) != 0);
  FUZZ_CHECK(db.Rows("PRAGMA integrity_check") == std::vector<std::string>{"3:ok\x1f"});
  const Snapshot after = Take(db, table, hasRowid);
  if (!status.ok()) {
    // Failed cleanly: a French description, and nothing changed.
    FUZZ_CHECK(!status.description.empty());
    FUZZ_CHECK(after.schema == before.schema);
    FUZZ_CHECK(after.columns == before.columns);
    FUZZ_CHECK(after.rowids == before.rowids);
    FUZZ_CHECK(after.rows == before.rows);
    return 0;
  }
  // Succeeded: the same columns and the same rows under the same rowids. Every column holds
  // the same values, except, when its affinity changed, the altered column and the columns
  // computed from the row.
  FUZZ_CHECK(after.columns == before.columns);
  FUZZ_CHECK(after.rowids == before.rowids);
  FUZZ_CHECK(after.rows.size() == before.rows.size());
  FUZZ_CHECK(oldType.size() == 1);
  const bool affinityKept =
      platform::AffinityOf(Untagged(oldType[0])) == platform::AffinityOf(alter.type);
  std::vector<bool> keep;
  for (std::size_t k = 0; k < before.columns.size(); ++k) {
    keep.push_back(affinityKept ||
                   (!before.generated[k] && !SameName(before.columns[k], alter.column)));
  }
  FUZZ_CHECK(Project(after, keep, !hasRowid) == Project(before, keep, !hasRowid));
  // The values that were there are within the new length.
  if (alter.length) {
    const std::vector<std::string> name =
        db.Rows("SELECT name FROM pragma_table_xinfo(?1) WHERE name = ?2 COLLATE NOCASE",
                {table, alter.column});
    FUZZ_CHECK(name.size() == 1);
    const std::vector<std::string> tooLong =
        db.Rows("SELECT count(*) FROM " + platform::QuoteName(table) + " WHERE length(" +
                platform::QuoteName(Untagged(name[0])) + ") > " + std::to_string(*alter.length));
    FUZZ_CHECK(tooLong == std::vector<std::string>{"1:0\x1f"});
  }
  return 0;
}
