// The Linux side of the database seam: the engine's dialect, Jet's ALTER COLUMN on SQLite.
//
// SQLite has no ALTER COLUMN. The engine recognises `ALTER TABLE t ALTER COLUMN c type` and
// carries it out itself; every other statement goes to SQLite unchanged (SQLite reads
// [bracketed] identifiers natively). The parsing functions are pure and total: any input text
// gives an answer, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/engine/sqlite/sqlite_engine.h"

namespace platform {

struct AlterColumnStatement {
  std::string table;   // unquoted
  std::string column;  // unquoted
  std::string type;    // the declared type, e.g. "TEXT(96)"
  // The length the column must respect afterwards: set for a text type with one size.
  std::optional<std::int64_t> length;
};

enum class TranslateResult { kPassThrough, kAlterColumn, kInvalid };

// Reads `text`: an ALTER COLUMN statement fills `alter`; a malformed one is kInvalid with a
// French `error`; anything else is left to SQLite.
TranslateResult TranslateStatement(std::string_view text, AlterColumnStatement& alter,
                                   std::string& error);

// SQLite's column affinity of a declared type (the rules of "Datatypes In SQLite", 3.1).
enum class Affinity { kInteger, kText, kBlob, kReal, kNumeric };
Affinity AffinityOf(std::string_view declaredType);

// `name` as an SQL identifier in double quotes, each double quote in it doubled.
std::string QuoteName(std::string_view name);

// What a CREATE TABLE text says of one of its columns.
struct ColumnDefinition {
  std::string name;          // as the table spells it, unquoted
  std::string declaredType;  // as written, "" when the column has none
};

// Finds `column` (ASCII case-insensitive) in the CREATE TABLE text `createSql`. false with a
// French `error` when the text cannot be read; true with nothing when the column is absent.
bool FindColumn(std::string_view createSql, std::string_view column,
                std::optional<ColumnDefinition>& found, std::string& error);

// The CREATE TABLE text with `column`'s declared type replaced by `type` and its length
// constraint (CONSTRAINT "<column>_length" CHECK (length("<column>") <= n)) set to `length`,
// or removed when there is none. Everything else in the text is kept as written, so applying
// the same change twice gives the same text.
bool RewriteColumnDefinition(std::string_view createSql, std::string_view column,
                             std::string_view type, std::optional<std::int64_t> length,
                             std::string& out, std::string& error);

// Carries out `alter` on `db`, in one write transaction: only the stored definition changes
// when the affinity stays, otherwise the table is rebuilt. Values longer than the new length
// fail the statement and nothing changes; an already applied change writes nothing.
EngineStatus AlterColumn(sqlite3* db, const AlterColumnStatement& alter);

}  // namespace platform
