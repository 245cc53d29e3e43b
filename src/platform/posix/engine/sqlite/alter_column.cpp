// The Linux side of the database seam: Jet's ALTER COLUMN carried out on SQLite.
#include "platform/posix/engine/sqlite/alter_column.h"

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/posix/ado/connection_string.h"

namespace platform {

namespace {

// --- a tokenizer for SQLite's SQL text ---

enum class TokenKind {
  kWord,        // a bare identifier or keyword
  kQuotedName,  // "name", [name] or `name`
  kString,      // 'text'
  kNumber,
  kPunct,         // any other single character
  kUnterminated,  // a quote or bracket that never closes
};

struct Token {
  TokenKind kind;
  std::size_t begin;
  std::size_t end;
};

bool IsSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
bool IsWordStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
bool IsWordChar(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// The significant tokens of `text`: blanks and comments are skipped, as SQLite skips them.
std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  const std::size_t n = text.size();
  std::size_t i = 0;
  auto at = [&](std::size_t k) -> unsigned char {
    return k < n ? static_cast<unsigned char>(text[k]) : 0;
  };
  while (i < n) {
    unsigned char c = at(i);
    std::size_t begin = i;
    if (IsSpace(c)) {
      ++i;
    } else if (c == '-' && at(i + 1) == '-') {
      while (i < n && text[i] != '\n') ++i;
    } else if (c == '/' && at(i + 1) == '*') {
      std::size_t close = text.find("*/", i + 2);
      i = close == std::string_view::npos ? n : close + 2;
    } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
      char closing = c == '[' ? ']' : static_cast<char>(c);
      bool doubles = c != '[';
      ++i;
      bool closed = false;
      while (i < n) {
        if (text[i] == closing) {
          if (doubles && at(i + 1) == static_cast<unsigned char>(closing)) {
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        ++i;
      }
      TokenKind kind = !closed     ? TokenKind::kUnterminated
                       : c == '\'' ? TokenKind::kString
                                   : TokenKind::kQuotedName;
      tokens.push_back({kind, begin, i});
    } else if (IsDigit(c) || (c == '.' && IsDigit(at(i + 1)))) {
      while (i < n) {
        unsigned char d = at(i);
        if ((d == '+' || d == '-') && (at(i - 1) == 'e' || at(i - 1) == 'E')) {
          ++i;
        } else if (IsWordChar(d) || d == '.') {
          ++i;
        } else {
          break;
        }
      }
      tokens.push_back({TokenKind::kNumber, begin, i});
    } else if (IsWordStart(c)) {
      while (i < n && IsWordChar(at(i))) ++i;
      tokens.push_back({TokenKind::kWord, begin, i});
    } else {
      ++i;
      tokens.push_back({TokenKind::kPunct, begin, i});
    }
  }
  return tokens;
}

std::string_view TextOf(std::string_view text, const Token& token) {
  return text.substr(token.begin, token.end - token.begin);
}

bool IsKeyword(std::string_view text, const Token& token, std::string_view keyword) {
  return token.kind == TokenKind::kWord && AsciiEqualsIgnoreCase(TextOf(text, token), keyword);
}

bool IsPunct(std::string_view text, const Token& token, char c) {
  return token.kind == TokenKind::kPunct && text[token.begin] == c;
}

bool IsName(const Token& token) {
  return token.kind == TokenKind::kWord || token.kind == TokenKind::kQuotedName ||
         token.kind == TokenKind::kString;
}

// The identifier a name token stands for.
std::string Unquote(std::string_view text, const Token& token) {
  std::string_view raw = TextOf(text, token);
  if (token.kind != TokenKind::kQuotedName && token.kind != TokenKind::kString) {
    return std::string(raw);
  }
  char open = raw.front();
  std::string_view inner = raw.substr(1, raw.size() - 2);
  if (open == '[') return std::string(inner);
  std::string out;
  for (std::size_t k = 0; k < inner.size(); ++k) {
    out += inner[k];
    if (inner[k] == open && k + 1 < inner.size() && inner[k + 1] == open) ++k;
  }
  return out;
}

std::string Guillemets(std::string_view name) {
  return "« " + std::string(name) + " »";
}

// --- the ALTER COLUMN statement ---

constexpr char kAlterSyntaxError[] = "Erreur de syntaxe dans l'instruction ALTER TABLE.";
constexpr std::int64_t kMaxTextLength = 255;  // Jet's largest TEXT(n)

// --- CREATE TABLE texts ---

// Keywords that end a column's type and start one of its constraints.
bool StartsColumnConstraint(std::string_view text, const Token& token) {
  for (std::string_view keyword : {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE", "CHECK",
                                   "DEFAULT", "COLLATE", "REFERENCES", "GENERATED", "AS"}) {
    if (IsKeyword(text, token, keyword)) return true;
  }
  return false;
}

bool StartsTableConstraint(std::string_view text, const Token& token) {
  for (std::string_view keyword : {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"}) {
    if (IsKeyword(text, token, keyword)) return true;
  }
  return false;
}

// Where a column's parts are in the CREATE TABLE text (offsets into it).
struct ColumnSpans {
  std::string name;
  std::size_t nameEnd = 0;
  std::size_t typeBegin = 0, typeEnd = 0;  // empty when the column has no type
  std::size_t lastEnd = 0;                 // end of the definition's last token
  // The engine's own length constraint, from the end of the token before it to its ")".
  std::optional<std::pair<std::size_t, std::size_t>> lengthConstraint;
};

// Index of the token after the parenthesised group opening at `open`, or tokens.size().
std::size_t SkipGroup(std::string_view text, const std::vector<Token>& tokens, std::size_t open) {
  int depth = 0;
  for (std::size_t k = open; k < tokens.size(); ++k) {
    if (IsPunct(text, tokens[k], '(')) ++depth;
    if (IsPunct(text, tokens[k], ')') && --depth == 0) return k + 1;
  }
  return tokens.size();
}

bool ParseColumns(std::string_view text, std::vector<ColumnSpans>& columns, std::string& error) {
  std::vector<Token> tokens = Tokenize(text);
  const std::size_t n = tokens.size();
  auto fail = [&](const std::string& why) {
    error = "Définition de table illisible : " + why + ".";
    return false;
  };
  // Balanced parentheses first: every group found below then has its end.
  int depth = 0;
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::kUnterminated) return fail("guillemet non fermé");
    if (IsPunct(text, token, '(')) ++depth;
    if (IsPunct(text, token, ')') && --depth < 0) return fail("parenthèse en trop");
  }
  if (depth != 0) return fail("parenthèse non fermée");
  std::size_t k = 0;
  if (k >= n || !IsKeyword(text, tokens[k], "CREATE")) return fail("CREATE attendu");
  ++k;
  if (k < n && (IsKeyword(text, tokens[k], "TEMP") || IsKeyword(text, tokens[k], "TEMPORARY"))) ++k;
  if (k >= n || !IsKeyword(text, tokens[k], "TABLE")) return fail("TABLE attendu");
  ++k;
  if (k + 2 < n && IsKeyword(text, tokens[k], "IF") && IsKeyword(text, tokens[k + 1], "NOT") &&
      IsKeyword(text, tokens[k + 2], "EXISTS")) {
    k += 3;
  }
  if (k >= n || !IsName(tokens[k])) return fail("nom de table attendu");
  ++k;
  if (k + 1 < n && IsPunct(text, tokens[k], '.') && IsName(tokens[k + 1])) k += 2;
  if (k >= n || !IsPunct(text, tokens[k], '(')) return fail("liste des colonnes attendue");
  const std::size_t close = SkipGroup(text, tokens, k) - 1;
  if (close >= n || !IsPunct(text, tokens[close], ')')) return fail("parenthèse non fermée");
  ++k;
  columns.clear();
  while (k < close) {
    // One element: up to the next comma at this level.
    std::size_t end = k;
    while (end < close && !IsPunct(text, tokens[end], ',')) {
      end = IsPunct(text, tokens[end], '(') ? SkipGroup(text, tokens, end) : end + 1;
    }
    if (end > close) return fail("parenthèse non fermée");
    if (end == k) return fail("élément vide");
    if (StartsTableConstraint(text, tokens[k])) break;  // table constraints come last
    if (!IsName(tokens[k])) return fail("nom de colonne attendu");
    ColumnSpans column;
    column.name = Unquote(text, tokens[k]);
    column.nameEnd = tokens[k].end;
    column.lastEnd = tokens[end - 1].end;
    std::size_t j = k + 1;
    column.typeBegin = column.typeEnd = column.nameEnd;
    if (j < end && IsName(tokens[j]) && !StartsColumnConstraint(text, tokens[j])) {
      column.typeBegin = tokens[j].begin;
      while (j < end && IsName(tokens[j]) && !StartsColumnConstraint(text, tokens[j])) ++j;
      column.typeEnd = tokens[j - 1].end;
      if (j < end && IsPunct(text, tokens[j], '(')) {
        std::size_t after = SkipGroup(text, tokens, j);
        column.typeEnd = tokens[after - 1].end;
        j = after;
      }
    }
    // The constraints: find CONSTRAINT "<name>_length" CHECK ( ... ).
    const std::string lengthName = AsciiLower(column.name + "_length");
    while (j < end) {
      if (IsKeyword(text, tokens[j], "CONSTRAINT") && j + 3 < end && IsName(tokens[j + 1]) &&
          AsciiLower(Unquote(text, tokens[j + 1])) == lengthName &&
          IsKeyword(text, tokens[j + 2], "CHECK") && IsPunct(text, tokens[j + 3], '(')) {
        std::size_t after = SkipGroup(text, tokens, j + 3);
        std::size_t from = tokens[j - 1].end;
        column.lengthConstraint = std::make_pair(from, tokens[after - 1].end);
        j = after;
        continue;
      }
      j = IsPunct(text, tokens[j], '(') ? SkipGroup(text, tokens, j) : j + 1;
    }
    columns.push_back(std::move(column));
    k = end + 1;
  }
  if (columns.empty()) return fail("aucune colonne");
  return true;
}

const ColumnSpans* FindSpans(const std::vector<ColumnSpans>& columns, std::string_view name) {
  for (const ColumnSpans& column : columns) {
    if (AsciiEqualsIgnoreCase(column.name, name)) return &column;
  }
  return nullptr;
}

std::string LengthConstraint(std::string_view column, std::int64_t length) {
  return "CONSTRAINT " + QuoteName(std::string(column) + "_length") + " CHECK (length(" +
         QuoteName(column) + ") <= " + std::to_string(length) + ")";
}

}  // namespace

std::string QuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

TranslateResult TranslateStatement(std::string_view text, AlterColumnStatement& alter,
                                   std::string& error) {
  std::vector<Token> tokens = Tokenize(text);
  const std::size_t n = tokens.size();
  // ALTER TABLE name ALTER ...: anything else is SQLite's.
  if (n < 4 || !IsKeyword(text, tokens[0], "ALTER") || !IsKeyword(text, tokens[1], "TABLE") ||
      !IsName(tokens[2]) || !IsKeyword(text, tokens[3], "ALTER")) {
    return TranslateResult::kPassThrough;
  }
  auto invalid = [&](std::string why) {
    error = std::move(why);
    return TranslateResult::kInvalid;
  };
  std::size_t k = 4;
  if (k >= n || !IsKeyword(text, tokens[k], "COLUMN")) return invalid(kAlterSyntaxError);
  ++k;
  if (k >= n || !IsName(tokens[k])) return invalid(kAlterSyntaxError);
  AlterColumnStatement parsed;
  parsed.table = Unquote(text, tokens[2]);
  parsed.column = Unquote(text, tokens[k]);
  ++k;
  // The type: one or more words, then an optional (size) or (precision, scale).
  std::string type;
  while (k < n && tokens[k].kind == TokenKind::kWord && !StartsColumnConstraint(text, tokens[k])) {
    if (!type.empty()) type += ' ';
    type += TextOf(text, tokens[k++]);
  }
  if (type.empty()) return invalid(kAlterSyntaxError);
  std::vector<std::string> sizes;
  if (k < n && IsPunct(text, tokens[k], '(')) {
    ++k;
    while (true) {
      if (k >= n || tokens[k].kind != TokenKind::kNumber) return invalid(kAlterSyntaxError);
      std::string_view digits = TextOf(text, tokens[k++]);
      if (digits.find_first_not_of("0123456789") != std::string_view::npos || digits.size() > 9) {
        return invalid(kAlterSyntaxError);
      }
      sizes.emplace_back(digits);
      if (k < n && IsPunct(text, tokens[k], ',') && sizes.size() < 2) {
        ++k;
        continue;
      }
      break;
    }
    if (k >= n || !IsPunct(text, tokens[k], ')')) return invalid(kAlterSyntaxError);
    ++k;
    type += '(' + sizes[0] + (sizes.size() > 1 ? ',' + sizes[1] : "") + ')';
  }
  if (k < n && IsPunct(text, tokens[k], ';')) ++k;
  if (k < n) return invalid("Caractères trouvés après la fin de l'instruction SQL.");
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::kUnterminated) return invalid(kAlterSyntaxError);
  }
  parsed.type = type;
  if (sizes.size() == 1 && AffinityOf(type) == Affinity::kText) {
    std::int64_t length = std::stoll(sizes[0]);
    if (length < 1 || length > kMaxTextLength) return invalid("Taille du champ trop grande.");
    parsed.length = length;
  }
  alter = std::move(parsed);
  return TranslateResult::kAlterColumn;
}

Affinity AffinityOf(std::string_view declaredType) {
  std::string type = AsciiLower(declaredType);
  auto has = [&](std::string_view part) { return type.find(part) != std::string::npos; };
  if (has("int")) return Affinity::kInteger;
  if (has("char") || has("clob") || has("text")) return Affinity::kText;
  if (has("blob") || type.empty()) return Affinity::kBlob;
  if (has("real") || has("floa") || has("doub")) return Affinity::kReal;
  return Affinity::kNumeric;
}

bool FindColumn(std::string_view createSql, std::string_view column,
                std::optional<ColumnDefinition>& found, std::string& error) {
  std::vector<ColumnSpans> columns;
  if (!ParseColumns(createSql, columns, error)) return false;
  found.reset();
  if (const ColumnSpans* spans = FindSpans(columns, column)) {
    found = ColumnDefinition{
        spans->name,
        std::string(createSql.substr(spans->typeBegin, spans->typeEnd - spans->typeBegin))};
  }
  return true;
}

bool RewriteColumnDefinition(std::string_view createSql, std::string_view column,
                             std::string_view type, std::optional<std::int64_t> length,
                             std::string& out, std::string& error) {
  std::vector<ColumnSpans> columns;
  if (!ParseColumns(createSql, columns, error)) return false;
  const ColumnSpans* spans = FindSpans(columns, column);
  if (spans == nullptr) {
    error = "La colonne " + Guillemets(column) + " n'existe pas.";
    return false;
  }
  struct Edit {
    std::size_t begin, end;
    std::string text;
  };
  // Text put between two characters must not glue words together: "a" + "TEXT" reads "aTEXT".
  auto wordAt = [&](std::size_t at) {
    return at < createSql.size() && IsWordChar(static_cast<unsigned char>(createSql[at]));
  };
  auto fitted = [&](std::size_t begin, std::size_t end, std::string text) {
    const bool before = begin > 0 && wordAt(begin - 1);
    const bool after = wordAt(end);
    if (text.empty()) return std::string(before && after ? " " : "");
    if (before && IsWordChar(static_cast<unsigned char>(text.front()))) text = " " + text;
    if (after && IsWordChar(static_cast<unsigned char>(text.back()))) text += " ";
    return text;
  };
  std::vector<Edit> edits;
  if (length) {
    edits.push_back(
        {spans->lastEnd, spans->lastEnd,
         fitted(spans->lastEnd, spans->lastEnd, " " + LengthConstraint(spans->name, *length))});
  }
  if (spans->lengthConstraint) {
    auto [begin, end] = *spans->lengthConstraint;
    edits.push_back({begin, end, fitted(begin, end, "")});
  }
  // A type already written the same way but for case and blanks is kept as written.
  auto normal = [](std::string_view text) {
    std::string out;
    for (char c : AsciiLower(text)) {
      if (!IsSpace(static_cast<unsigned char>(c))) out += c;
    }
    return out;
  };
  std::string_view oldType = createSql.substr(spans->typeBegin, spans->typeEnd - spans->typeBegin);
  if (spans->typeBegin == spans->typeEnd) {
    edits.push_back({spans->nameEnd, spans->nameEnd,
                     fitted(spans->nameEnd, spans->nameEnd, " " + std::string(type))});
  } else if (normal(oldType) != normal(type)) {
    edits.push_back({spans->typeBegin, spans->typeEnd,
                     fitted(spans->typeBegin, spans->typeEnd, std::string(type))});
  }
  // From the end backwards, so that earlier offsets stay valid.
  std::stable_sort(edits.begin(), edits.end(),
                   [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
  out = std::string(createSql);
  for (const Edit& edit : edits) out.replace(edit.begin, edit.end - edit.begin, edit.text);
  return true;
}

// --- carrying it out ---

namespace {

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

// One ALTER COLUMN. Each step returns false once it failed; the failure is kept in status_.
class Work {
 public:
  Work(sqlite3* db, const AlterColumnStatement& alter) : db_(db), alter_(alter) {}
  EngineStatus Run();

 private:
  bool Fail(const std::string& why) {
    status_ = {kFail, Prefix() + why, kEngineSource};
    return false;
  }
  bool FailSqlite(int rc, const std::string& context) {
    status_ = SqliteFailure(db_, rc, Prefix() + context);
    return false;
  }
  std::string Prefix() const {
    return "Impossible de modifier la colonne " + Guillemets(alter_.column) + " : ";
  }

  // Runs `sql` with `bind` as its text parameters, handing each row to `row`.
  template <class RowFunction>
  bool Query(const std::string& sql, const std::vector<std::string>& bind, RowFunction row) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    Statement statement(raw);
    if (rc != SQLITE_OK) return FailSqlite(rc, "erreur dans l'instruction interne");
    for (std::size_t k = 0; k < bind.size(); ++k) {
      sqlite3_bind_text(raw, static_cast<int>(k + 1), bind[k].data(),
                        static_cast<int>(bind[k].size()), SQLITE_TRANSIENT);
    }
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) row(raw);
    if (rc != SQLITE_DONE) return FailSqlite(rc, "échec de l'instruction interne");
    return true;
  }
  bool Exec(const std::string& sql, const std::vector<std::string>& bind = {}) {
    return Query(sql, bind, [](sqlite3_stmt*) {});
  }
  bool QueryInt(const std::string& sql, const std::vector<std::string>& bind, std::int64_t& value) {
    value = 0;
    return Query(sql, bind, [&](sqlite3_stmt* s) { value = sqlite3_column_int64(s, 0); });
  }

  bool Alter();
  bool CheckNewDefinition(const std::string& sql);
  bool CheckLengths(const std::string& column);
  bool ChangeDefinitionOnly(const std::string& newSql);
  bool Rebuild(const std::string& newSql);
  bool CheckTable();

  sqlite3* db_;
  const AlterColumnStatement& alter_;
  EngineStatus status_;
  std::string table_;  // the name as the schema stores it
  bool foreignKeys_ = false;
};

EngineStatus Work::Run() {
  if (!sqlite3_get_autocommit(db_)) {
    Fail("une transaction est déjà en cours.");
    return status_;
  }
  // Foreign keys are switched off for a rebuild, which is only possible outside a transaction.
  std::int64_t foreignKeys = 0, legacyAlter = 0;
  if (!QueryInt("PRAGMA foreign_keys", {}, foreignKeys) ||
      !QueryInt("PRAGMA legacy_alter_table", {}, legacyAlter) ||
      !Exec("PRAGMA foreign_keys = OFF")) {
    return status_;
  }
  foreignKeys_ = foreignKeys != 0;
  // A connection in defensive mode ignores writable_schema; this one needs it for a moment.
  int defensive = 0;
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, -1, &defensive);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 0, nullptr);
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    FailSqlite(rc, "la base de données ne peut pas être modifiée maintenant");
  } else if (!Alter() || !Exec("COMMIT")) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  sqlite3_exec(db_, "PRAGMA writable_schema = OFF", nullptr, nullptr, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, defensive, nullptr);
  std::string restore = "PRAGMA legacy_alter_table = " + std::to_string(legacyAlter) +
                        "; PRAGMA foreign_keys = " + std::to_string(foreignKeys);
  sqlite3_exec(db_, restore.c_str(), nullptr, nullptr, nullptr);
  return status_;
}

bool Work::Alter() {
  std::string oldSql;
  bool found = false;
  bool ok = Query(
      "SELECT name, sql FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE "
      "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
      {alter_.table}, [&](sqlite3_stmt* s) {
        table_ = ColumnText(s, 0);
        oldSql = ColumnText(s, 1);
        found = true;
      });
  if (!ok) return false;
  if (!found) return Fail("la table " + Guillemets(alter_.table) + " n'existe pas.");
  std::vector<Token> tokens = Tokenize(oldSql);
  if (tokens.size() > 1 && IsKeyword(oldSql, tokens[1], "VIRTUAL")) {
    return Fail("la table " + Guillemets(table_) + " est une table virtuelle.");
  }
  std::optional<ColumnDefinition> column;
  std::string error;
  if (!FindColumn(oldSql, alter_.column, column, error)) return Fail(error);
  if (!column) {
    return Fail("la table " + Guillemets(table_) + " n'a pas de colonne " +
                Guillemets(alter_.column) + ".");
  }
  if (alter_.length && !CheckLengths(column->name)) return false;
  std::string newSql;
  if (!RewriteColumnDefinition(oldSql, column->name, alter_.type, alter_.length, newSql, error)) {
    return Fail(error);
  }
  // Already the target: nothing is written, and the transaction ends without a page touched.
  if (newSql == oldSql) return true;
  if (!CheckNewDefinition(newSql)) return false;
  // A primary-key column may be the rowid itself: only a rebuild changes that safely.
  bool inPrimaryKey = false;
  ok = Query("SELECT pk FROM pragma_table_info(?1) WHERE name = ?2", {table_, column->name},
             [&](sqlite3_stmt* s) { inPrimaryKey = sqlite3_column_int(s, 0) != 0; });
  if (!ok) return false;
  if (!inPrimaryKey && AffinityOf(column->declaredType) == AffinityOf(alter_.type)) {
    return ChangeDefinitionOnly(newSql);
  }
  return Rebuild(newSql);
}

// The new text must be a table SQLite accepts: it is tried on a scratch database first, so that
// a definition SQLite would refuse is never written into the file.
bool Work::CheckNewDefinition(const std::string& sql) {
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr);
  std::unique_ptr<sqlite3, SqliteCloser> scratch(raw);
  if (rc != SQLITE_OK) return FailSqlite(rc, "base de travail indisponible");
  char* message = nullptr;
  rc = sqlite3_exec(scratch.get(), sql.c_str(), nullptr, nullptr, &message);
  std::string why = message != nullptr ? message : sqlite3_errstr(rc);
  sqlite3_free(message);
  if (rc != SQLITE_OK) return Fail("la nouvelle définition de la table est refusée : " + why + ".");
  return true;
}

// One scan: the values that would not fit the new length.
bool Work::CheckLengths(const std::string& column) {
  std::int64_t tooLong = 0;
  if (!QueryInt("SELECT count(*) FROM " + QuoteName(table_) + " WHERE length(" + QuoteName(column) +
                    ") > " + std::to_string(*alter_.length),
                {}, tooLong)) {
    return false;
  }
  if (tooLong == 0) return true;
  return Fail(std::to_string(tooLong) +
              (tooLong == 1 ? " valeur dépasse " : " valeurs dépassent ") +
              std::to_string(*alter_.length) + " caractères.");
}

// Same affinity: the rows are already stored as the new type would store them, so only the text
// of the definition changes. The schema version is bumped so that every connection re-reads it,
// and the table is read once more under the new definition before the transaction may commit.
// No row changed, so a check of the rows and indexes would only read the file a second time.
bool Work::ChangeDefinitionOnly(const std::string& newSql) {
  std::int64_t version = 0, rows = 0;
  return QueryInt("PRAGMA schema_version", {}, version) && Exec("PRAGMA writable_schema = ON") &&
         Exec("UPDATE sqlite_schema SET sql = ?1 WHERE type = 'table' AND name = ?2",
              {newSql, table_}) &&
         Exec("PRAGMA schema_version = " + std::to_string(version + 1)) &&
         Exec("PRAGMA writable_schema = OFF") &&
         QueryInt("SELECT count(*) FROM " + QuoteName(table_), {}, rows);
}

bool Work::CheckTable() {
  std::string check;
  if (!Query("PRAGMA quick_check(" + QuoteName(table_) + ")", {},
             [&](sqlite3_stmt* s) { check += ColumnText(s, 0); })) {
    return false;
  }
  if (check != "ok") return Fail("la vérification de la table a échoué : " + check + ".");
  return true;
}

// A different affinity: SQLite's documented procedure for other schema changes. A new table
// takes the rows, the old one is dropped and the new one renamed; indexes and triggers are
// created again; views name the table and need nothing.
bool Work::Rebuild(const std::string& newSql) {
  std::vector<std::string> dependents;
  if (!Query("SELECT sql FROM sqlite_schema WHERE tbl_name = ?1 AND type IN ('index', 'trigger') "
             "AND sql IS NOT NULL ORDER BY type = 'trigger', rowid",
             {table_}, [&](sqlite3_stmt* s) { dependents.push_back(ColumnText(s, 0)); })) {
    return false;
  }
  std::string temporary = "upgrade405_new_" + table_;
  for (std::int64_t taken = 1; taken != 0; temporary += '_') {
    if (!QueryInt("SELECT count(*) FROM sqlite_schema WHERE name = ?1 COLLATE NOCASE", {temporary},
                  taken)) {
      return false;
    }
    if (taken == 0) break;
  }
  // The new definition under the temporary name: the name after CREATE [TEMP] TABLE [IF NOT
  // EXISTS] [schema.].
  std::vector<Token> tokens = Tokenize(newSql);
  std::size_t nameIndex = 2;
  if (nameIndex < tokens.size() && IsKeyword(newSql, tokens[1], "TEMP")) ++nameIndex;
  if (nameIndex < tokens.size() && IsKeyword(newSql, tokens[1], "TEMPORARY")) ++nameIndex;
  if (nameIndex < tokens.size() && IsKeyword(newSql, tokens[nameIndex], "IF")) nameIndex += 3;
  if (nameIndex + 1 < tokens.size() && IsPunct(newSql, tokens[nameIndex + 1], '.')) nameIndex += 2;
  if (nameIndex >= tokens.size()) return Fail("définition de table illisible.");
  std::string createTemporary = newSql;
  createTemporary.replace(tokens[nameIndex].begin, tokens[nameIndex].end - tokens[nameIndex].begin,
                          QuoteName(temporary));

  // The columns to copy: every stored one (generated columns compute themselves).
  std::string columns;
  bool ok = Query("SELECT name FROM pragma_table_xinfo(?1) WHERE hidden NOT IN (2, 3) ORDER BY cid",
                  {table_}, [&](sqlite3_stmt* s) {
                    if (!columns.empty()) columns += ", ";
                    columns += QuoteName(ColumnText(s, 0));
                  });
  if (!ok) return false;
  // Rows keep their rowid, where the table has one that no column name hides.
  std::int64_t withoutRowid = 0;
  if (!QueryInt("SELECT wr FROM pragma_table_list(?1) WHERE schema = 'main'", {table_},
                withoutRowid)) {
    return false;
  }
  std::string targets = columns;
  if (withoutRowid == 0) {
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
      std::int64_t hidden = 0;
      if (!QueryInt("SELECT count(*) FROM pragma_table_xinfo(?1) WHERE name = ?2 COLLATE NOCASE",
                    {table_, alias}, hidden)) {
        return false;
      }
      if (hidden == 0) {
        targets = std::string(alias) + ", " + columns;
        break;
      }
    }
  }
  // AUTOINCREMENT's high-water mark survives the copy.
  std::optional<std::int64_t> sequence;
  std::int64_t hasSequence = 0;
  if (!QueryInt("SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_sequence'", {},
                hasSequence)) {
    return false;
  }
  if (hasSequence != 0 && !Query("SELECT seq FROM sqlite_sequence WHERE name = ?1", {table_},
                                 [&](sqlite3_stmt* s) { sequence = sqlite3_column_int64(s, 0); })) {
    return false;
  }
  // With the legacy rename, views and other tables' triggers naming the table are left as they
  // are; they name it again once the new table has its name.
  if (!Exec("PRAGMA legacy_alter_table = ON") || !Exec(createTemporary) ||
      !Exec("INSERT INTO " + QuoteName(temporary) + " (" + targets + ") SELECT " + targets +
            " FROM " + QuoteName(table_)) ||
      !Exec("DROP TABLE " + QuoteName(table_)) ||
      !Exec("ALTER TABLE " + QuoteName(temporary) + " RENAME TO " + QuoteName(table_))) {
    return false;
  }
  for (const std::string& sql : dependents) {
    if (!Exec(sql)) return false;
  }
  if (sequence && !Exec("UPDATE sqlite_sequence SET seq = max(seq, " + std::to_string(*sequence) +
                            ") WHERE name = ?1",
                        {table_})) {
    return false;
  }
  if (foreignKeys_) {
    bool violated = false;
    if (!Query("PRAGMA foreign_key_check", {}, [&](sqlite3_stmt*) { violated = true; })) {
      return false;
    }
    if (violated) return Fail("des clés étrangères ne seraient plus respectées.");
  }
  return CheckTable();
}

}  // namespace

EngineStatus AlterColumn(sqlite3* db, const AlterColumnStatement& alter) {
  Work work(db, alter);
  return work.Run();
}

}  // namespace platform
