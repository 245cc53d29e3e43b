#include "platform/posix/engine/sqlite/alter_column.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "platform/database.h"
#include "platform/posix/ado/connection_string.h"
#include "support/temp_dir.h"

namespace {

using namespace platform;
using testing_support::ReadFile;
using testing_support::TempDir;

// --- the statement translator ---

TranslateResult Translate(const std::string& text, AlterColumnStatement& alter,
                          std::string& error) {
  return TranslateStatement(text, alter, error);
}

TEST(AlterColumnTranslateTest, RecognisesEveryIdentifierSpelling) {
  struct Case {
    const char* text;
    const char* table;
    const char* column;
  };
  for (const Case& c : {
           Case{"ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)", "nuv", "Filename"},
           Case{"alter table nuv alter column Filename text(96);", "nuv", "Filename"},
           Case{"  Alter Table \"my \"\"t\"\"\" ALTER COLUMN `a``b` TEXT ( 96 ) ; \n", "my \"t\"",
                "a`b"},
           Case{"ALTER /* x */ TABLE [a b] -- c\n ALTER COLUMN [é;(] TEXT(96)", "a b", "é;("},
       }) {
    AlterColumnStatement alter;
    std::string error;
    ASSERT_EQ(Translate(c.text, alter, error), TranslateResult::kAlterColumn) << c.text << error;
    EXPECT_EQ(alter.table, c.table);
    EXPECT_EQ(alter.column, c.column);
    EXPECT_EQ(AsciiLower(alter.type), "text(96)");
    EXPECT_EQ(alter.length, 96);
  }
}

TEST(AlterColumnTranslateTest, OnlyTextTypesWithOneSizeGetALength) {
  AlterColumnStatement alter;
  std::string error;
  ASSERT_EQ(Translate("ALTER TABLE t ALTER COLUMN c VARCHAR(10)", alter, error),
            TranslateResult::kAlterColumn);
  EXPECT_EQ(alter.length, 10);
  ASSERT_EQ(Translate("ALTER TABLE t ALTER COLUMN c DECIMAL(10, 2)", alter, error),
            TranslateResult::kAlterColumn);
  EXPECT_EQ(alter.type, "DECIMAL(10,2)");
  EXPECT_FALSE(alter.length.has_value());
  ASSERT_EQ(Translate("ALTER TABLE t ALTER COLUMN c LONG", alter, error),
            TranslateResult::kAlterColumn);
  EXPECT_EQ(alter.type, "LONG");
  EXPECT_FALSE(alter.length.has_value());
}

TEST(AlterColumnTranslateTest, OtherStatementsGoToSqliteUnchanged) {
  for (const char* text : {"SELECT 1", "", "   ", "ALTER TABLE t RENAME TO u",
                           "ALTER TABLE t ADD COLUMN c TEXT", "ALTER TABLE", "UPDATE alter SET"}) {
    AlterColumnStatement alter;
    std::string error;
    EXPECT_EQ(Translate(text, alter, error), TranslateResult::kPassThrough) << text;
  }
}

TEST(AlterColumnTranslateTest, MalformedAlterColumnIsAnError) {
  for (const char* text :
       {"ALTER TABLE t ALTER c TEXT(96)", "ALTER TABLE t ALTER COLUMN",
        "ALTER TABLE t ALTER COLUMN c", "ALTER TABLE t ALTER COLUMN c TEXT(",
        "ALTER TABLE t ALTER COLUMN c TEXT(x)", "ALTER TABLE t ALTER COLUMN c TEXT(96",
        "ALTER TABLE t ALTER COLUMN [c TEXT(96)", "ALTER TABLE t ALTER COLUMN c TEXT(1,2,3)",
        "ALTER TABLE t ALTER COLUMN c TEXT(-5)"}) {
    AlterColumnStatement alter;
    std::string error;
    EXPECT_EQ(Translate(text, alter, error), TranslateResult::kInvalid) << text;
    EXPECT_EQ(error, "Erreur de syntaxe dans l'instruction ALTER TABLE.") << text;
  }
  AlterColumnStatement alter;
  std::string error;
  EXPECT_EQ(Translate("ALTER TABLE t ALTER COLUMN c TEXT(96); DROP TABLE t", alter, error),
            TranslateResult::kInvalid);
  EXPECT_EQ(error, "Caractères trouvés après la fin de l'instruction SQL.");
  EXPECT_EQ(Translate("ALTER TABLE t ALTER COLUMN c TEXT(0)", alter, error),
            TranslateResult::kInvalid);
  EXPECT_EQ(Translate("ALTER TABLE t ALTER COLUMN c TEXT(256)", alter, error),
            TranslateResult::kInvalid);
  EXPECT_EQ(error, "Taille du champ trop grande.");
}

TEST(AlterColumnTranslateTest, EveryPrefixOfATrickyStatementGetsAnAnswer) {
  // Cut anywhere, the text is still read without a crash: the translator is total.
  const std::string text =
      "ALTER TABLE [a]]b] ALTER COLUMN \"c\"\"d\" /* (' */ TEXT ( 96 ) ; -- '\n";
  for (std::size_t length = 0; length <= text.size(); ++length) {
    AlterColumnStatement alter;
    std::string error;
    TranslateResult result = Translate(text.substr(0, length), alter, error);
    if (result == TranslateResult::kInvalid) {
      EXPECT_FALSE(error.empty());
    }
  }
}

// --- affinity and the definition rewrite ---

TEST(AlterColumnAffinityTest, FollowsSqliteRulesInOrder) {
  EXPECT_EQ(AffinityOf("INTEGER"), Affinity::kInteger);
  EXPECT_EQ(AffinityOf("BIGINT"), Affinity::kInteger);
  EXPECT_EQ(AffinityOf("CHARINT"), Affinity::kInteger);  // rule 1 comes first
  EXPECT_EQ(AffinityOf("TEXT(50)"), Affinity::kText);
  EXPECT_EQ(AffinityOf("varchar(255)"), Affinity::kText);
  EXPECT_EQ(AffinityOf("CLOB"), Affinity::kText);
  EXPECT_EQ(AffinityOf(""), Affinity::kBlob);
  EXPECT_EQ(AffinityOf("BLOB"), Affinity::kBlob);
  EXPECT_EQ(AffinityOf("DOUBLE PRECISION"), Affinity::kReal);
  EXPECT_EQ(AffinityOf("FLOATING POINT"), Affinity::kInteger);  // "POINT" holds "INT"
  EXPECT_EQ(AffinityOf("DECIMAL(10,2)"), Affinity::kNumeric);
  EXPECT_EQ(AffinityOf("DATETIME"), Affinity::kNumeric);
  EXPECT_EQ(AffinityOf("STRING"), Affinity::kNumeric);
}

std::string Rewrite(const std::string& sql, const std::string& column, const std::string& type,
                    std::optional<std::int64_t> length) {
  std::string out, error;
  EXPECT_TRUE(RewriteColumnDefinition(sql, column, type, length, out, error)) << error;
  return out;
}

TEST(AlterColumnRewriteTest, ChangesOnlyTheTypeAndTheLengthConstraint) {
  const std::string sql =
      "CREATE TABLE [nuv] (id INTEGER PRIMARY KEY, -- the key, (really)\n"
      "  [Filename] TEXT(50) NOT NULL DEFAULT 'a,b)' COLLATE NOCASE UNIQUE CHECK (Filename <> ''),"
      " \"Title\" VARCHAR(20) REFERENCES other(x), CHECK (length(Title) > 0))";
  EXPECT_EQ(Rewrite(sql, "filename", "TEXT(96)", 96),
            "CREATE TABLE [nuv] (id INTEGER PRIMARY KEY, -- the key, (really)\n"
            "  [Filename] TEXT(96) NOT NULL DEFAULT 'a,b)' COLLATE NOCASE UNIQUE CHECK (Filename "
            "<> '') CONSTRAINT \"Filename_length\" CHECK (length(\"Filename\") <= 96),"
            " \"Title\" VARCHAR(20) REFERENCES other(x), CHECK (length(Title) > 0))");
}

TEST(AlterColumnRewriteTest, ReplacesItsOwnConstraintAndIsStable) {
  const std::string sql = "CREATE TABLE t (a, \"we\"\"ird\" TEXT(50) NOT NULL, b)";
  std::string once = Rewrite(sql, "we\"ird", "TEXT(96)", 96);
  EXPECT_EQ(once,
            "CREATE TABLE t (a, \"we\"\"ird\" TEXT(96) NOT NULL CONSTRAINT \"we\"\"ird_length\" "
            "CHECK (length(\"we\"\"ird\") <= 96), b)");
  EXPECT_EQ(Rewrite(once, "we\"ird", "TEXT(96)", 96), once);
  EXPECT_EQ(Rewrite(once, "we\"ird", "TEXT(120)", 120),
            "CREATE TABLE t (a, \"we\"\"ird\" TEXT(120) NOT NULL CONSTRAINT \"we\"\"ird_length\" "
            "CHECK (length(\"we\"\"ird\") <= 120), b)");
  EXPECT_EQ(Rewrite(once, "we\"ird", "LONG", std::nullopt),
            "CREATE TABLE t (a, \"we\"\"ird\" LONG NOT NULL, b)");
  // Nothing written glues onto a neighbouring word.
  EXPECT_EQ(
      Rewrite("CREATE TABLE t (c\"x\"NOT NULL)", "c", "TEXT(5)", 5),
      "CREATE TABLE t (c TEXT(5)NOT NULL CONSTRAINT \"c_length\" CHECK (length(\"c\") <= 5))");
  EXPECT_EQ(Rewrite("CREATE TABLE t (c CONSTRAINT c_length CHECK(0)NOT NULL)", "c", "LONG", {}),
            "CREATE TABLE t (c LONG NOT NULL)");
  // A column without a type gets one.
  EXPECT_EQ(Rewrite(sql, "a", "INTEGER", std::nullopt),
            "CREATE TABLE t (a INTEGER, \"we\"\"ird\" TEXT(50) NOT NULL, b)");
}

TEST(AlterColumnRewriteTest, UnreadableDefinitionsAndMissingColumnsAreErrors) {
  std::string out, error;
  EXPECT_FALSE(RewriteColumnDefinition("CREATE TABLE t (a, b", "a", "TEXT", {}, out, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(RewriteColumnDefinition("CREATE TABLE t (a 'x)", "a", "TEXT", {}, out, error));
  EXPECT_FALSE(RewriteColumnDefinition("CREATE VIEW v AS SELECT 1", "a", "TEXT", {}, out, error));
  EXPECT_FALSE(RewriteColumnDefinition("CREATE TABLE t (a, b)", "c", "TEXT", {}, out, error));
  EXPECT_EQ(error, "La colonne « c » n'existe pas.");
  // Table constraints are not columns.
  std::optional<ColumnDefinition> found;
  EXPECT_TRUE(FindColumn("CREATE TABLE t (a, CHECK (a > 0))", "check", found, error));
  EXPECT_FALSE(found.has_value());
}

TEST(AlterColumnRewriteTest, EveryPrefixOfATrickyDefinitionGetsAnAnswer) {
  const std::string sql =
      "CREATE TABLE IF NOT EXISTS main.[t] (\"a(\" TEXT(5) /* ) */ DEFAULT ')', b -- (\n"
      " CONSTRAINT \"a(_length\" CHECK (length(\"a(\") <= 5), c [x y](1, 2), CHECK (b))";
  for (std::size_t length = 0; length <= sql.size(); ++length) {
    std::string out, error;
    if (!RewriteColumnDefinition(sql.substr(0, length), "a(", "TEXT(9)", 9, out, error)) {
      EXPECT_FALSE(error.empty()) << length;
    }
  }
  EXPECT_EQ(Rewrite(sql, "a(", "TEXT(9)", 9),
            "CREATE TABLE IF NOT EXISTS main.[t] (\"a(\" TEXT(9) /* ) */ DEFAULT ')' CONSTRAINT "
            "\"a(_length\" CHECK (length(\"a(\") <= 9), b -- (\n"
            " CONSTRAINT \"a(_length\" CHECK (length(\"a(\") <= 5), c [x y](1, 2), CHECK (b))");
}

// --- carrying it out on real files ---

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Sqlite = std::unique_ptr<sqlite3, SqliteCloser>;

Sqlite OpenRaw(const std::string& path) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  return Sqlite(raw);
}

// Every row of `sql`, its columns joined by "|", one line a row.
std::string Query(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    return std::string("error: ") + sqlite3_errmsg(db);
  }
  std::string out;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    for (int k = 0; k < sqlite3_column_count(statement); ++k) {
      const unsigned char* text = sqlite3_column_text(statement, k);
      out += (k ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
    }
    out += "\n";
  }
  sqlite3_finalize(statement);
  return out;
}

// Two file contents compared without printing them.
::testing::AssertionResult SameBytes(const std::string& a, const std::string& b) {
  if (a == b) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  return ::testing::AssertionFailure()
         << "sizes " << a.size() << " and " << b.size() << ", first difference at byte " << at;
}

// Whether `sql` runs; its error text otherwise.
std::string Try(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string result = rc == SQLITE_OK ? "ok" : message ? message : "error";
  sqlite3_free(message);
  return result;
}

class AlterColumnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeCom();
    path_ = dir_.File("NUV.MDB");
    Sqlite db = OpenRaw(path_);
    std::string sql =
        "CREATE TABLE nuv (id INTEGER PRIMARY KEY AUTOINCREMENT, Filename TEXT(50) NOT NULL "
        "DEFAULT 'none' COLLATE NOCASE UNIQUE CHECK (Filename <> ''), Title VARCHAR(40), "
        "Size INTEGER CHECK (Size >= 0));"
        "CREATE INDEX nuv_title ON nuv (Title, Filename);"
        "CREATE TABLE log (entry TEXT);"
        "CREATE TRIGGER nuv_insert AFTER INSERT ON nuv BEGIN "
        "INSERT INTO log VALUES ('added ' || new.Filename); END;"
        "CREATE VIEW big AS SELECT Filename, Size FROM nuv WHERE Title LIKE 'T1%';"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
        "INSERT INTO nuv (Filename, Title, Size) "
        "SELECT printf('file-%04d-', i) || substr(hex(randomblob(20)), 1, 30), 'T' || i, i * 10 "
        "FROM n;"
        // Gaps, and a high-water mark above the last row: both must survive a rebuild.
        "DELETE FROM nuv WHERE id % 7 = 0 OR id > 290;";
    ASSERT_EQ(Try(db.get(), sql), "ok");
  }
  void TearDown() override {
    SetCommandTimeoutForTesting(0);
    ErrorInfo stale;
    TakeErrorInfo(stale);
    UninitializeCom();
  }

  // Runs `text` through the engine on a fresh connection; the description of its failure, or "".
  std::string Execute(const std::string& text) {
    std::unique_ptr<DbConnection> connection;
    std::unique_ptr<DbCommand> command;
    EXPECT_EQ(DbConnection::Create(connection), kOk);
    EXPECT_EQ(DbCommand::Create(command), kOk);
    EXPECT_EQ(connection->Open(
                  "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path_ + ";Mode=Share Deny None",
                  "", "", kAdConnectUnspecified),
              kOk);
    command->SetActiveConnection(*connection);
    command->SetCommandText(text);
    std::unique_ptr<DbRecordset> result;
    HResult hr = command->Execute(kAdCmdText, result);
    ErrorInfo info;
    if (!Failed(hr)) return "";
    EXPECT_TRUE(TakeErrorInfo(info));
    EXPECT_EQ(info.source, kEngineSource);
    EXPECT_EQ(hr, kFail);
    return info.description.empty() ? "failed without a description" : info.description;
  }

  std::string Rows() {
    return Query(OpenRaw(path_).get(), "SELECT rowid, * FROM nuv ORDER BY rowid");
  }
  std::string Schema() {
    return Query(OpenRaw(path_).get(),
                 "SELECT type, name, tbl_name, sql FROM sqlite_schema "
                 "ORDER BY type, name");
  }
  std::string Definition() {
    return Query(OpenRaw(path_).get(), "SELECT sql FROM sqlite_schema WHERE name = 'nuv'");
  }

  TempDir dir_;
  std::string path_;
};

constexpr char kUpgrade[] = "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)";

TEST_F(AlterColumnTest, SameAffinityChangesOnlyTheStoredDefinition) {
  const std::string rows = Rows();
  const std::string before = ReadFile(path_);
  std::string otherObjects = Query(OpenRaw(path_).get(),
                                   "SELECT type, name, sql FROM sqlite_schema WHERE name <> 'nuv' "
                                   "ORDER BY name");
  Sqlite watcher = OpenRaw(path_);  // a connection that read the old schema
  ASSERT_EQ(Query(watcher.get(), "SELECT count(*) FROM nuv"), "249\n");
  const std::string version = Query(watcher.get(), "PRAGMA schema_version");

  ASSERT_EQ(Execute(kUpgrade), "");

  // Every page but the first (sqlite_schema and the header) is untouched: no row was rewritten.
  const std::string after = ReadFile(path_);
  ASSERT_EQ(after.size(), before.size());
  const std::size_t pageSize = 4096;
  ASSERT_GT(before.size(), 3 * pageSize);
  EXPECT_TRUE(SameBytes(after.substr(pageSize), before.substr(pageSize)));
  EXPECT_EQ(Rows(), rows);
  EXPECT_EQ(Definition(),
            "CREATE TABLE nuv (id INTEGER PRIMARY KEY AUTOINCREMENT, Filename TEXT(96) NOT NULL "
            "DEFAULT 'none' COLLATE NOCASE UNIQUE CHECK (Filename <> '') CONSTRAINT "
            "\"Filename_length\" CHECK (length(\"Filename\") <= 96), Title VARCHAR(40), "
            "Size INTEGER CHECK (Size >= 0))\n");
  EXPECT_EQ(Query(OpenRaw(path_).get(),
                  "SELECT type, name, sql FROM sqlite_schema WHERE name <> "
                  "'nuv' ORDER BY name"),
            otherObjects);
  EXPECT_EQ(std::stoi(Query(watcher.get(), "PRAGMA schema_version")), std::stoi(version) + 1);
  EXPECT_EQ(Query(watcher.get(), "PRAGMA integrity_check"), "ok\n");

  // The length is enforced afterwards, on this connection and on one that knew the old schema.
  EXPECT_EQ(
      Try(watcher.get(), "INSERT INTO nuv (Filename) VALUES ('" + std::string(97, 'x') + "')"),
      "CHECK constraint failed: Filename_length");
  EXPECT_NE(Execute("INSERT INTO nuv (Filename) VALUES ('" + std::string(97, 'y') + "')")
                .find("CHECK constraint failed: Filename_length"),
            std::string::npos);
  EXPECT_EQ(
      Try(watcher.get(), "INSERT INTO nuv (Filename) VALUES ('" + std::string(96, 'x') + "')"),
      "ok");
  // The other attributes still hold: the trigger fired, NOT NULL and UNIQUE refuse.
  EXPECT_EQ(Query(watcher.get(), "SELECT count(*) FROM log"), "301\n");
  EXPECT_NE(Try(watcher.get(), "INSERT INTO nuv (Filename) VALUES (NULL)"), "ok");
  EXPECT_NE(Try(watcher.get(),
                "INSERT INTO nuv (Filename) VALUES (upper('" + std::string(96, 'x') + "'))"),
            "ok");
}

TEST_F(AlterColumnTest, TooLongValuesChangeNothingAndAreCounted) {
  Sqlite db = OpenRaw(path_);
  ASSERT_EQ(Try(db.get(),
                "UPDATE nuv SET Filename = Filename || printf('%070d', id) WHERE id IN "
                "(3, 5, 9)"),
            "ok");
  db.reset();
  const std::string before = ReadFile(path_);
  EXPECT_EQ(Execute(kUpgrade),
            "Impossible de modifier la colonne « Filename » : 3 valeurs dépassent 96 caractères.");
  EXPECT_TRUE(SameBytes(ReadFile(path_), before));
  // The rebuild path checks the lengths as well, before anything is written.
  EXPECT_EQ(
      Execute("ALTER TABLE nuv ALTER COLUMN Filename CHAR(20)"),
      "Impossible de modifier la colonne « Filename » : 249 valeurs dépassent 20 caractères.");
  EXPECT_TRUE(SameBytes(ReadFile(path_), before));
}

TEST_F(AlterColumnTest, SecondRunWritesNothing) {
  ASSERT_EQ(Execute(kUpgrade), "");
  const std::string once = ReadFile(path_);
  EXPECT_EQ(Execute("alter table NUV alter column filename text(96);"), "");
  EXPECT_TRUE(SameBytes(ReadFile(path_), once));
}

TEST_F(AlterColumnTest, ALaterAlterReplacesTheLengthConstraint) {
  ASSERT_EQ(Execute(kUpgrade), "");
  ASSERT_EQ(Execute("ALTER TABLE nuv ALTER COLUMN Filename TEXT(120)"), "");
  std::string definition = Definition();
  EXPECT_EQ(definition.find("_length"), definition.rfind("_length")) << definition;
  EXPECT_NE(definition.find("<= 120)"), std::string::npos) << definition;
  Sqlite db = OpenRaw(path_);
  EXPECT_EQ(Try(db.get(), "INSERT INTO nuv (Filename) VALUES ('" + std::string(110, 'x') + "')"),
            "ok");
}

TEST_F(AlterColumnTest, DifferentAffinityRebuildsKeepingRowsIndexesTriggersAndViews) {
  const std::string rows = Rows();
  const std::string schema = Schema();
  Sqlite db = OpenRaw(path_);
  const std::string sequence = Query(db.get(), "SELECT seq FROM sqlite_sequence");
  const std::string viewRows = Query(db.get(), "SELECT count(*) FROM big");
  db.reset();

  ASSERT_EQ(Execute("ALTER TABLE nuv ALTER COLUMN Size TEXT(96)"), "");

  db = OpenRaw(path_);
  EXPECT_EQ(Rows(), rows);  // same rowids, same values as text
  EXPECT_EQ(Query(db.get(), "SELECT DISTINCT typeof(Size) FROM nuv"), "text\n");
  EXPECT_EQ(Query(db.get(), "SELECT seq FROM sqlite_sequence"), sequence);
  EXPECT_EQ(Query(db.get(), "PRAGMA integrity_check"), "ok\n");
  EXPECT_EQ(Query(db.get(), "PRAGMA foreign_keys"), "0\n");
  // Same objects; the table's own text differs only in the column's definition.
  std::string expected = schema;
  const std::string oldColumn = "Size INTEGER CHECK (Size >= 0)";
  expected.replace(expected.find(oldColumn), oldColumn.size(),
                   "Size TEXT(96) CHECK (Size >= 0) CONSTRAINT \"Size_length\" CHECK "
                   "(length(\"Size\") <= 96)");
  expected.replace(expected.find("CREATE TABLE nuv"), 16, "CREATE TABLE \"nuv\"");
  EXPECT_EQ(Schema(), expected);
  EXPECT_EQ(Query(db.get(), "SELECT count(*) FROM big"), viewRows);
  EXPECT_EQ(Try(db.get(),
                "INSERT INTO nuv (Filename, Size) VALUES ('new', '" + std::string(97, '1') + "')"),
            "CHECK constraint failed: Size_length");
  EXPECT_EQ(Try(db.get(), "INSERT INTO nuv (Filename, Size) VALUES ('new', '12')"), "ok");
  EXPECT_EQ(Query(db.get(), "SELECT entry FROM log WHERE entry = 'added new'"), "added new\n");
  EXPECT_EQ(Query(db.get(), "SELECT id FROM nuv WHERE Filename = 'new'"), "301\n");
}

TEST_F(AlterColumnTest, KeyColumnsAndTablesWithoutRowidAreRebuilt) {
  Sqlite db = OpenRaw(path_);
  ASSERT_EQ(Try(db.get(),
                "CREATE TABLE k (code INTEGER PRIMARY KEY, v);"
                "INSERT INTO k VALUES (10, 'ten'), (20, 'twenty');"
                "CREATE TABLE w (name TEXT PRIMARY KEY, n INTEGER) WITHOUT ROWID;"
                "INSERT INTO w VALUES ('x', 1), ('y', 22);"),
            "ok");
  db.reset();
  // INTEGER and INT share an affinity, but only INTEGER PRIMARY KEY is the rowid itself.
  ASSERT_EQ(Execute("ALTER TABLE k ALTER COLUMN code INT"), "");
  ASSERT_EQ(Execute("ALTER TABLE w ALTER COLUMN n TEXT(5)"), "");
  db = OpenRaw(path_);
  EXPECT_EQ(Query(db.get(), "SELECT code, typeof(code), v FROM k ORDER BY code"),
            "10|integer|ten\n20|integer|twenty\n");
  // The key is an ordinary column now: changing it leaves the rowid.
  EXPECT_EQ(Try(db.get(), "UPDATE k SET code = 11 WHERE code = 10"), "ok");
  EXPECT_EQ(Query(db.get(), "SELECT rowid, code FROM k ORDER BY rowid"), "10|11\n20|20\n");
  EXPECT_EQ(Query(db.get(), "SELECT name, typeof(n), n FROM w ORDER BY name"),
            "x|text|1\ny|text|22\n");
  EXPECT_EQ(Query(db.get(), "PRAGMA integrity_check"), "ok\n");
}

TEST_F(AlterColumnTest, ADefinitionSqliteWouldRefuseIsNeverWritten) {
  Sqlite db = OpenRaw(path_);
  ASSERT_EQ(Try(db.get(), "CREATE TABLE s (a TEXT) STRICT; INSERT INTO s VALUES ('abc');"), "ok");
  db.reset();
  const std::string before = ReadFile(path_);
  std::string error = Execute("ALTER TABLE s ALTER COLUMN a TEXT(10)");
  EXPECT_EQ(error.rfind("Impossible de modifier la colonne « a » : la nouvelle définition de la "
                        "table est refusée : ",
                        0),
            0u)
      << error;
  EXPECT_TRUE(SameBytes(ReadFile(path_), before));
}

TEST_F(AlterColumnTest, ACrashBeforeTheCommitLeavesTheOldSchemaAndRows) {
  const std::string rows = Rows();
  const std::string schema = Schema();
  const std::string before = ReadFile(path_);
  for (const AlterColumnStatement& alter : {AlterColumnStatement{"nuv", "Filename", "TEXT(96)", 96},
                                            AlterColumnStatement{"nuv", "Size", "TEXT(96)", 96}}) {
    // A child process runs the change with a tiny cache, so that pages reach the file before the
    // commit, and dies at the commit: what a power cut would leave.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Sqlite db = OpenRaw(path_);
      sqlite3_exec(db.get(), "PRAGMA cache_size = 1", nullptr, nullptr, nullptr);
      sqlite3_commit_hook(
          db.get(), [](void*) -> int { ::_exit(0); }, nullptr);
      AlterColumn(db.get(), alter);
      ::_exit(1);  // the commit never came
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << alter.column;
    EXPECT_TRUE(std::filesystem::exists(path_ + "-journal")) << alter.column;
    if (alter.column == "Size") {
      EXPECT_FALSE(SameBytes(ReadFile(path_), before)) << "the rebuild never reached the file";
    }
    // The next connection rolls the journal back.
    EXPECT_EQ(Schema(), schema) << alter.column;
    EXPECT_EQ(Rows(), rows) << alter.column;
    EXPECT_EQ(Query(OpenRaw(path_).get(), "PRAGMA integrity_check"), "ok\n");
  }
}

TEST_F(AlterColumnTest, MissingTableOrColumnIsNamedAndNothingChanges) {
  const std::string before = ReadFile(path_);
  EXPECT_EQ(Execute("ALTER TABLE [nuv2] ALTER COLUMN [Filename] TEXT(96)"),
            "Impossible de modifier la colonne « Filename » : la table « nuv2 » n'existe pas.");
  EXPECT_EQ(Execute("ALTER TABLE [nuv] ALTER COLUMN [Name] TEXT(96)"),
            "Impossible de modifier la colonne « Name » : la table « nuv » n'a pas de colonne "
            "« Name ».");
  EXPECT_EQ(Execute("ALTER TABLE [big] ALTER COLUMN [Filename] TEXT(96)"),
            "Impossible de modifier la colonne « Filename » : la table « big » n'existe pas.");
  EXPECT_EQ(Execute("ALTER TABLE sqlite_schema ALTER COLUMN sql TEXT(96)"),
            "Impossible de modifier la colonne « sql » : la table « sqlite_schema » n'existe pas.");
  EXPECT_TRUE(SameBytes(ReadFile(path_), before));
}

TEST_F(AlterColumnTest, ALockedDatabaseFailsAndIsLeftAsItWas) {
  SetCommandTimeoutForTesting(100);
  const std::string before = ReadFile(path_);
  Sqlite other = OpenRaw(path_);
  ASSERT_EQ(Try(other.get(), "BEGIN IMMEDIATE"), "ok");
  std::string error = Execute(kUpgrade);
  EXPECT_NE(error.find("Impossible de modifier la colonne « Filename »"), std::string::npos);
  EXPECT_NE(error.find("database is locked"), std::string::npos) << error;
  ASSERT_EQ(Try(other.get(), "COMMIT"), "ok");
  EXPECT_TRUE(SameBytes(ReadFile(path_), before));
  EXPECT_EQ(Query(other.get(), "PRAGMA foreign_keys"), "0\n");
  EXPECT_EQ(Execute(kUpgrade), "");
}

}  // namespace
