// Fuzzes the engine's statement translator and the rewriting of a stored table definition, the
// pure functions only. The input's first line is a statement; the rest is a CREATE TABLE text.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/posix/ado/connection_string.h"
#include "platform/posix/engine/sqlite/alter_column.h"

namespace {

// A type compared as SQLite reads it: case and blanks do not matter.
std::string Normal(std::string_view type) {
  std::string out;
  for (char c : platform::AsciiLower(type)) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') out += c;
  }
  return out;
}

// Candidate column names: the word-like runs of the text, a few of them.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' ||
        u >= 0x80) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
      if (words.size() == 12) return words;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

void CheckTranslation(std::string_view statement, platform::AlterColumnStatement& alter,
                      platform::TranslateResult& result) {
  std::string error;
  result = platform::TranslateStatement(statement, alter, error);
  platform::AlterColumnStatement again;
  std::string againError;
  FUZZ_CHECK(platform::TranslateStatement(statement, again, againError) == result);
  if (result == platform::TranslateResult::kInvalid) {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(againError == error);
    return;
  }
  if (result != platform::TranslateResult::kAlterColumn) return;
  FUZZ_CHECK(!alter.type.empty());
  // The type is words and a size list: nothing that could end or quote a statement.
  FUZZ_CHECK(alter.type.find_first_of(";'\"[]`") == std::string::npos);
  if (alter.length) {
    FUZZ_CHECK(*alter.length >= 1 && *alter.length <= 255);
    FUZZ_CHECK(platform::AffinityOf(alter.type) == platform::Affinity::kText);
  }
  // The statement written back with quoted names reads the same.
  const std::string written = "ALTER TABLE " + platform::QuoteName(alter.table) + " ALTER COLUMN " +
                              platform::QuoteName(alter.column) + " " + alter.type;
  platform::AlterColumnStatement reread;
  FUZZ_CHECK(platform::TranslateStatement(written, reread, error) ==
             platform::TranslateResult::kAlterColumn);
  FUZZ_CHECK(reread.table == alter.table);
  FUZZ_CHECK(reread.column == alter.column);
  FUZZ_CHECK(reread.type == alter.type);
  FUZZ_CHECK(reread.length == alter.length);
}

// True when SQLite reads `createSql` as exactly one valid CREATE TABLE statement: a text that
// could be a stored table definition. Only such texts must keep their meaning when rewritten.
bool SqliteAccepts(std::string_view createSql) {
  static sqlite3* db = [] {
    sqlite3* opened = nullptr;
    FUZZ_CHECK(sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY,
                               nullptr) == SQLITE_OK);
    return opened;
  }();
  if (createSql.find('\0') != std::string_view::npos) return false;
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db, createSql.data(), static_cast<int>(createSql.size()),
                                    &statement, &tail);
  const bool isTable =
      rc == SQLITE_OK && statement != nullptr &&
      platform::AsciiLower(std::string_view(sqlite3_sql(statement)).substr(0, 12)) ==
          "create table";
  sqlite3_finalize(statement);
  if (!isTable) return false;
  for (const char* p = tail; p < createSql.data() + createSql.size(); ++p) {
    if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r' && *p != '\f') return false;
  }
  return true;
}

void CheckRewrite(std::string_view createSql, const platform::AlterColumnStatement& alter) {
  std::optional<platform::ColumnDefinition> before;
  std::string error;
  if (!platform::FindColumn(createSql, alter.column, before, error)) {
    FUZZ_CHECK(!error.empty());
    std::string out;
    FUZZ_CHECK(!platform::RewriteColumnDefinition(createSql, alter.column, alter.type, alter.length,
                                                  out, error));
    return;
  }
  std::string rewritten;
  const bool ok = platform::RewriteColumnDefinition(createSql, alter.column, alter.type,
                                                    alter.length, rewritten, error);
  FUZZ_CHECK(ok == before.has_value());
  if (!ok) {
    FUZZ_CHECK(!error.empty());
    return;
  }
  // A text SQLite does not read can be rewritten in any way, as long as nothing crashes.
  if (!SqliteAccepts(createSql)) return;
  // The column now has the new type, and the text still reads.
  std::optional<platform::ColumnDefinition> after;
  FUZZ_CHECK(platform::FindColumn(rewritten, alter.column, after, error));
  FUZZ_CHECK(after.has_value());
  FUZZ_CHECK(after->name == before->name);
  FUZZ_CHECK(Normal(after->declaredType) == Normal(alter.type));
  // Applying the same change twice gives the same text.
  std::string twice;
  FUZZ_CHECK(platform::RewriteColumnDefinition(rewritten, alter.column, alter.type, alter.length,
                                               twice, error));
  FUZZ_CHECK(twice == rewritten);
  // The length constraint is there exactly when a length is asked for.
  const std::string constraintName = platform::QuoteName(before->name + "_length");
  const bool hasConstraint = rewritten.find("CONSTRAINT " + constraintName) != std::string::npos;
  if (alter.length) FUZZ_CHECK(hasConstraint);
  // Every other column reads as before.
  for (const std::string& word : Words(createSql)) {
    if (platform::AsciiEqualsIgnoreCase(word, alter.column)) continue;
    std::optional<platform::ColumnDefinition> other, otherAfter;
    FUZZ_CHECK(platform::FindColumn(createSql, word, other, error));
    FUZZ_CHECK(platform::FindColumn(rewritten, word, otherAfter, error));
    FUZZ_CHECK(other.has_value() == otherAfter.has_value());
    if (other) {
      FUZZ_CHECK(other->name == otherAfter->name);
      FUZZ_CHECK(other->declaredType == otherAfter->declaredType);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // Every text is a statement to translate, and a table definition to read.
  platform::AlterColumnStatement ignored;
  platform::TranslateResult result;
  CheckTranslation(input, ignored, result);
  (void)platform::AffinityOf(input);
  std::optional<platform::ColumnDefinition> column;
  std::string error;
  (void)platform::FindColumn(input, "Filename", column, error);

  const std::size_t newline = input.find('\n');
  const std::string_view statement = input.substr(0, newline);
  const std::string_view createSql =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  platform::AlterColumnStatement alter;
  CheckTranslation(statement, alter, result);
  if (result != platform::TranslateResult::kAlterColumn) {
    alter = platform::AlterColumnStatement{"nuv", "Filename", "TEXT(96)", 96};
  }
  CheckRewrite(createSql, alter);
  return 0;
}
