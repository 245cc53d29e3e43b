#include "platform/database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/posix/engine/sqlite/sqlite_engine.h"
#include "support/temp_dir.h"

namespace {

using namespace platform;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr HResult kNotInitialized = static_cast<HResult>(0x800401F0);
constexpr HResult kAdObjectOpen = static_cast<HResult>(0x800A0E79);
constexpr HResult kAdObjectClosed = static_cast<HResult>(0x800A0E78);
constexpr HResult kAdProviderNotFound = static_cast<HResult>(0x800A0E7A);
constexpr HResult kAdInvalidConnection = static_cast<HResult>(0x800A0E7D);

// An SQLite file made outside the engine; every statement of `sql` must succeed.
void MakeDatabase(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
      SQLITE_OK);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
  ASSERT_EQ(sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db.get());
}

// The connection string the program builds, with the path quoted by the OLE DB rules.
std::string JetString(const std::string& path, const std::string& mode = "Share Deny None") {
  std::string quoted;
  for (char c : path) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=\"" + quoted +
         "\";Mode=" + mode + ";Jet OLEDB:Engine Type=5";
}

// The first column of the first row of `sql`, read outside the engine.
std::string QueryText(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    return "error: " + std::string(sqlite3_errmsg(db.get()));
  }
  std::string value;
  if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
    value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  }
  sqlite3_finalize(statement);
  return value;
}

ErrorInfo TakeError() {
  ErrorInfo info;
  EXPECT_TRUE(TakeErrorInfo(info)) << "no error information was left";
  return info;
}

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) { ::setenv(name, value, 1); }
  ~ScopedEnvironment() { ::unsetenv(name_); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
};

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeCom();
    database_ = dir_.File("nuv.db");
    MakeDatabase(database_,
                 "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT);"
                 "INSERT INTO t (name) VALUES ('one');");
  }
  void TearDown() override {
    SetCommandTimeoutForTesting(0);
    ErrorInfo stale;
    TakeErrorInfo(stale);
    UninitializeCom();
  }

  std::unique_ptr<DbConnection> NewConnection() {
    std::unique_ptr<DbConnection> connection;
    EXPECT_EQ(DbConnection::Create(connection), kOk);
    return connection;
  }
  std::unique_ptr<DbConnection> OpenConnection(const std::string& connectionString) {
    auto connection = NewConnection();
    EXPECT_EQ(connection->Open(connectionString, "", "", kAdConnectUnspecified), kOk)
        << TakeError().description;
    return connection;
  }
  std::unique_ptr<DbCommand> NewCommand(DbConnection& connection, const std::string& text) {
    std::unique_ptr<DbCommand> command;
    EXPECT_EQ(DbCommand::Create(command), kOk);
    EXPECT_EQ(command->SetActiveConnection(connection), kOk);
    EXPECT_EQ(command->SetCommandText(text), kOk);
    return command;
  }
  static HResult Run(DbCommand& command) {
    std::unique_ptr<DbRecordset> result;
    return command.Execute(kAdCmdText, result);
  }
  // The engine's failure to open `connectionString`: its code and what it left behind.
  ErrorInfo OpenFailure(const std::string& connectionString, HResult expected = kFail) {
    auto connection = NewConnection();
    EXPECT_EQ(connection->Open(connectionString, "", "", kAdConnectUnspecified), expected);
    std::int32_t state = -1;
    EXPECT_EQ(connection->GetState(state), kOk);
    EXPECT_EQ(state, kAdStateClosed);
    return TakeError();
  }

  TempDir dir_;
  std::string database_;
};

// --- registration and COM ---

TEST_F(DatabaseTest, CreationNeedsComOnTheThread) {
  UninitializeCom();
  std::unique_ptr<DbConnection> connection;
  std::unique_ptr<DbCommand> command;
  EXPECT_EQ(DbConnection::Create(connection), kNotInitialized);
  EXPECT_EQ(DbCommand::Create(command), kNotInitialized);
  EXPECT_EQ(connection, nullptr);
  InitializeCom();
  InitializeCom();
  UninitializeCom();  // still initialised once
  EXPECT_EQ(DbConnection::Create(connection), kOk);
}

TEST_F(DatabaseTest, ClassesNamedInTheEnvironmentAreNotRegistered) {
  std::unique_ptr<DbConnection> connection;
  std::unique_ptr<DbCommand> command;
  {
    ScopedEnvironment unregistered("UPGRADE405_UNREGISTERED_CLASSES", "Other.Class, ADODB.Command");
    EXPECT_EQ(DbCommand::Create(command), kClassNotRegistered);
    EXPECT_EQ(DbConnection::Create(connection), kOk);
  }
  {
    ScopedEnvironment unregistered("UPGRADE405_UNREGISTERED_CLASSES", "ADODB.Connection");
    EXPECT_EQ(DbConnection::Create(connection), kClassNotRegistered);
    EXPECT_EQ(DbCommand::Create(command), kOk);
  }
}

TEST_F(DatabaseTest, ErrorTextsAreFrenchAndTakenOnce) {
  EXPECT_EQ(SystemErrorText(kFail), "Erreur non spécifiée");
  EXPECT_EQ(SystemErrorText(kNotInitialized), "CoInitialize n'a pas été appelé.");
  EXPECT_EQ(SystemErrorText(kClassNotRegistered), "Classe non enregistrée");
  EXPECT_EQ(SystemErrorText(kParamNotFound), "Paramètre introuvable.");
  EXPECT_EQ(SystemErrorText(0x12345), "");

  auto connection = NewConnection();
  EXPECT_EQ(connection->Close(), kAdObjectClosed);
  ErrorInfo info;
  ASSERT_TRUE(TakeErrorInfo(info));
  EXPECT_EQ(info.description, "L'opération n'est pas autorisée si l'objet est fermé.");
  EXPECT_EQ(info.helpFile, "");
  EXPECT_EQ(info.helpContext, 0);
  EXPECT_FALSE(TakeErrorInfo(info));
}

// --- connection properties ---

TEST_F(DatabaseTest, ConnectionStringReadsBackAsSetAndItsProviderBecomesTheProperty) {
  auto connection = NewConnection();
  std::string provider;
  EXPECT_EQ(connection->GetProvider(provider), kOk);
  EXPECT_EQ(provider, "MSDASQL");

  const std::string odd = "  Data Source=\"a;b\";Provider = Microsoft.Jet.OLEDB.4.0 ;x=\xff\xfe ";
  EXPECT_EQ(connection->SetConnectionString(odd), kOk);
  std::string back;
  EXPECT_EQ(connection->GetConnectionString(back), kOk);
  EXPECT_EQ(back, odd);
  EXPECT_EQ(connection->GetProvider(provider), kOk);
  EXPECT_EQ(provider, "Microsoft.Jet.OLEDB.4.0");

  EXPECT_EQ(connection->SetProvider("Other"), kOk);
  EXPECT_EQ(connection->GetProvider(provider), kOk);
  EXPECT_EQ(provider, "Other");
  EXPECT_EQ(connection->SetCursorLocation(kAdUseClient), kOk);
}

TEST_F(DatabaseTest, UnadviseNeedsASubscription) {
  auto connection = NewConnection();
  EXPECT_TRUE(Failed(connection->Unadvise()));
  EXPECT_FALSE(TakeError().description.empty());
  EXPECT_EQ(connection->Advise(), kOk);
  EXPECT_EQ(connection->Unadvise(), kOk);
  EXPECT_TRUE(Failed(connection->Unadvise()));
}

// --- open and close ---

TEST_F(DatabaseTest, OpensTheStringPassedAndRefusesToOpenTwiceOrCloseTwice) {
  auto connection = NewConnection();
  EXPECT_EQ(connection->SetConnectionString(JetString(dir_.File("elsewhere.db"))), kOk);
  EXPECT_EQ(connection->Open(JetString(database_), "", "", kAdConnectUnspecified), kOk);
  std::int32_t state = kAdStateClosed;
  EXPECT_EQ(connection->GetState(state), kOk);
  EXPECT_EQ(state, kAdStateOpen);

  EXPECT_EQ(connection->Open(JetString(database_), "", "", kAdConnectUnspecified), kAdObjectOpen);
  EXPECT_EQ(TakeError().description, "L'opération n'est pas autorisée si l'objet est ouvert.");
  EXPECT_EQ(connection->SetConnectionString("x=y"), kAdObjectOpen);
  TakeError();

  EXPECT_EQ(connection->Close(), kOk);
  EXPECT_EQ(connection->GetState(state), kOk);
  EXPECT_EQ(state, kAdStateClosed);
  EXPECT_EQ(connection->Close(), kAdObjectClosed);
  EXPECT_EQ(TakeError().description, "L'opération n'est pas autorisée si l'objet est fermé.");
}

TEST_F(DatabaseTest, OnlyTheJetProviderOpensWhateverItsCase) {
  ErrorInfo info = OpenFailure("Provider=SQLOLEDB;Data Source=" + database_, kAdProviderNotFound);
  EXPECT_EQ(info.description,
            "Fournisseur introuvable. Il se peut qu'il ne soit pas installé correctement.");

  // Without a Provider key the property counts: ADO's default is not the engine's.
  auto connection = NewConnection();
  EXPECT_EQ(connection->Open("Data Source=" + database_, "", "", -1), kAdProviderNotFound);
  TakeError();
  EXPECT_EQ(connection->SetProvider("microsoft.JET.oledb.4.0"), kOk);
  EXPECT_EQ(connection->Open("Data Source=" + database_, "", "", -1), kOk);
}

TEST_F(DatabaseTest, WhatIsNotADatabaseFailsAtOpenAndIsLeftAlone) {
  const std::string missing = dir_.File("missing.db");
  ErrorInfo info = OpenFailure(JetString(missing));
  EXPECT_EQ(info.description, "Fichier « " + missing + " » introuvable.");
  EXPECT_EQ(info.source, "Microsoft.Jet.OLEDB.4.0");
  EXPECT_FALSE(std::filesystem::exists(missing)) << "open must never create the file";

  std::filesystem::create_directory(dir_.File("folder"));
  EXPECT_NE(OpenFailure(JetString(dir_.File("folder"))).description.find("est un dossier"),
            std::string::npos);

  const std::string empty = dir_.File("empty.db");
  WriteFile(empty, "");
  EXPECT_NE(OpenFailure(JetString(empty)).description.find("le fichier est vide"),
            std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);

  const std::string text = dir_.File("notes.txt");
  WriteFile(text, std::string(5000, 'x'));
  EXPECT_NE(OpenFailure(JetString(text)).description.find("n'est pas une base de données"),
            std::string::npos);
  EXPECT_EQ(ReadFile(text), std::string(5000, 'x'));
}

TEST_F(DatabaseTest, DamagedDatabasesFailAtOpen) {
  const std::string bigger = dir_.File("bigger.db");
  MakeDatabase(bigger,
               "CREATE TABLE t (x); INSERT INTO t SELECT zeroblob(3000) FROM "
               "(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
               "WHERE i < 20) SELECT i FROM n);");
  std::string content = ReadFile(bigger);

  const std::string truncated = dir_.File("truncated.db");
  WriteFile(truncated, content.substr(0, content.size() / 2));
  ErrorInfo info = OpenFailure(JetString(truncated));
  EXPECT_NE(info.description.find("endommagée"), std::string::npos) << info.description;

  // Page 1 holds the schema: damage it past the header.
  const std::string corrupt = dir_.File("corrupt.db");
  std::string damaged = content;
  for (std::size_t i = 100; i < 4096 && i < damaged.size(); ++i) damaged[i] = '\x5a';
  WriteFile(corrupt, damaged);
  info = OpenFailure(JetString(corrupt));
  EXPECT_NE(info.description.find("Impossible d'ouvrir la base de données"), std::string::npos)
      << info.description;
  EXPECT_NE(info.description.find("malformed"), std::string::npos) << info.description;
}

TEST_F(DatabaseTest, MalformedConnectionStringsFailAtOpen) {
  EXPECT_NE(OpenFailure("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + database_)
                .description.find("guillemet non fermé"),
            std::string::npos);
  EXPECT_NE(OpenFailure("Provider=Microsoft.Jet.OLEDB.4.0;" + database_).description.find("« = »"),
            std::string::npos);
  EXPECT_NE(OpenFailure("Provider=Microsoft.Jet.OLEDB.4.0").description.find("Data Source"),
            std::string::npos);
  EXPECT_NE(OpenFailure(JetString(database_, "Share Sometimes")).description.find("Mode"),
            std::string::npos);
}

TEST_F(DatabaseTest, PathsAreBytes) {
  const std::string path = dir_.File("a b;c%20&d'e\"f \xc3\xa9t\xc3\xa9 \xff.mdb");
  MakeDatabase(path, "CREATE TABLE t (x);");
  auto connection = OpenConnection(JetString(path));
  auto command = NewCommand(*connection, "INSERT INTO t VALUES (42)");
  EXPECT_EQ(Run(*command), kOk);
  // A relative name that looks like a URI is still a file name.
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  MakeDatabase(dir_.File("file:x.db?mode=memory"), "CREATE TABLE u (y);");
  auto relative = OpenConnection(JetString("file:x.db?mode=memory"));
  EXPECT_EQ(Run(*NewCommand(*relative, "INSERT INTO u VALUES (1)")), kOk);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "file:x.db?mode=memory"));
}

// --- sharing modes ---

TEST_F(DatabaseTest, ReadModeOpensReadOnly) {
  auto connection = OpenConnection(JetString(database_, "Read"));
  auto command = NewCommand(*connection, "INSERT INTO t (name) VALUES ('two')");
  EXPECT_EQ(Run(*command), kFail);
  EXPECT_NE(TakeError().description.find("lecture seule"), std::string::npos);
  auto select = NewCommand(*connection, "SELECT * FROM t");
  EXPECT_EQ(Run(*select), kOk);
}

TEST_F(DatabaseTest, ExclusiveModeKeepsOthersOutSharedModeLetsThemIn) {
  auto probe = [&] {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(database_.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> other(raw, &sqlite3_close);
    return sqlite3_exec(other.get(), "SELECT count(*) FROM t", nullptr, nullptr, nullptr);
  };
  {
    auto shared = OpenConnection(JetString(database_, "Share Deny None"));
    EXPECT_EQ(probe(), SQLITE_OK);
  }
  for (const char* mode : {"Share Exclusive", "Share Deny Read", "share deny write",
                           "ReadWrite|Share Deny Write", "12"}) {
    auto exclusive = OpenConnection(JetString(database_, mode));
    EXPECT_EQ(probe(), SQLITE_BUSY) << mode;
  }
  EXPECT_EQ(probe(), SQLITE_OK);  // closing gives the file back
}

// --- commands ---

TEST_F(DatabaseTest, ActiveConnectionIsTheObjectLastSetAndKeepsTheEngineAlive) {
  std::unique_ptr<DbCommand> command;
  ASSERT_EQ(DbCommand::Create(command), kOk);
  DbConnection* active = reinterpret_cast<DbConnection*>(this);
  EXPECT_EQ(command->GetActiveConnection(active), kOk);
  EXPECT_EQ(active, nullptr);

  auto first = OpenConnection(JetString(database_));
  auto second = OpenConnection(JetString(database_));
  EXPECT_EQ(command->SetActiveConnection(*first), kOk);
  EXPECT_EQ(command->SetActiveConnection(*second), kOk);
  EXPECT_EQ(command->GetActiveConnection(active), kOk);
  EXPECT_EQ(active, second.get());

  // The command still runs on the engine connection once the object is gone.
  second.reset();
  EXPECT_EQ(command->GetActiveConnection(active), kOk);
  EXPECT_EQ(active, nullptr);
  EXPECT_EQ(command->SetCommandText("INSERT INTO t (name) VALUES ('kept alive')"), kOk);
  EXPECT_EQ(Run(*command), kOk);
  command.reset();
  first.reset();
  EXPECT_EQ(QueryText(database_, "SELECT count(*) FROM t WHERE name = 'kept alive'"), "1");
}

TEST_F(DatabaseTest, ExecuteNeedsAnOpenConnectionAndTextOptions) {
  std::unique_ptr<DbCommand> command;
  ASSERT_EQ(DbCommand::Create(command), kOk);
  EXPECT_EQ(command->SetCommandText("SELECT 1"), kOk);
  EXPECT_EQ(Run(*command), kAdInvalidConnection);
  EXPECT_NE(TakeError().description.find("La connexion ne peut pas être utilisée"),
            std::string::npos);

  auto connection = NewConnection();
  EXPECT_EQ(command->SetActiveConnection(*connection), kOk);
  EXPECT_EQ(Run(*command), kAdInvalidConnection);  // closed
  TakeError();

  ASSERT_EQ(connection->Open(JetString(database_), "", "", -1), kOk);
  std::unique_ptr<DbRecordset> result;
  EXPECT_TRUE(Failed(command->Execute(2 /* adCmdTable */, result)));
  TakeError();
  EXPECT_EQ(command->Execute(kAdCmdText, result), kOk);
  EXPECT_NE(result, nullptr);
}

TEST_F(DatabaseTest, StatementsRunAsWrittenAndTheirErrorsAreReported) {
  auto connection = OpenConnection(JetString(database_));
  auto command = NewCommand(*connection,
                            "INSERT INTO [t] ([name]) VALUES ('two'); "
                            "UPDATE t SET name = 'deux' WHERE name = 'two';");
  EXPECT_EQ(Run(*command), kOk);
  EXPECT_EQ(command->SetCommandText("SELEKT nothing"), kOk);
  EXPECT_EQ(Run(*command), kFail);
  ErrorInfo info = TakeError();
  EXPECT_EQ(info.source, kEngineSource);
  EXPECT_NE(info.description.find("Erreur dans l'instruction SQL"), std::string::npos);
  EXPECT_NE(info.description.find("syntax error"), std::string::npos) << info.description;
  EXPECT_EQ(QueryText(database_, "SELECT group_concat(name, ',') FROM t"), "one,deux");
}

TEST_F(DatabaseTest, ParameterInfoComesFromPreparingWithoutRunning) {
  auto connection = OpenConnection(JetString(database_));
  auto command = NewCommand(*connection, "INSERT INTO t (id, name) VALUES (?, ?)");
  std::size_t count = 99;
  EXPECT_EQ(command->ClearParameterInfo(), kOk);
  EXPECT_EQ(command->Prepare(0), kOk);
  EXPECT_EQ(command->GetParameterCount(count), kOk);
  EXPECT_EQ(count, 2u);

  EXPECT_EQ(command->SetCommandText("DELETE FROM t"), kOk);
  EXPECT_EQ(command->Prepare(0), kOk);
  EXPECT_EQ(command->GetParameterCount(count), kOk);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(command->SetCommandText("ALTER TABLE [t] ALTER COLUMN [name] TEXT(96)"), kOk);
  EXPECT_EQ(command->Prepare(0), kOk);
  EXPECT_EQ(command->GetParameterCount(count), kOk);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(command->SetCommandText("SELECT * FROM nowhere"), kOk);
  EXPECT_EQ(command->Prepare(0), kFail);
  EXPECT_NE(TakeError().description.find("no such table: nowhere"), std::string::npos);

  // Nothing prepared ran: no row was added or deleted, the column is still TEXT.
  EXPECT_EQ(QueryText(database_, "SELECT count(*) FROM t"), "1");
  EXPECT_EQ(QueryText(database_, "SELECT sql FROM sqlite_schema WHERE name = 't'"),
            "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)");
}

TEST_F(DatabaseTest, ABusyDatabaseFailsWithinTheCommandTimeout) {
  SetCommandTimeoutForTesting(100);
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(database_.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> other(raw, &sqlite3_close);
  ASSERT_EQ(sqlite3_exec(other.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

  auto connection = OpenConnection(JetString(database_));
  auto command = NewCommand(*connection, "INSERT INTO t (name) VALUES ('blocked')");
  EXPECT_EQ(Run(*command), kFail);
  ErrorInfo info = TakeError();
  EXPECT_NE(info.description.find("verrouillée"), std::string::npos) << info.description;
  EXPECT_NE(info.description.find("database is locked"), std::string::npos) << info.description;

  ASSERT_EQ(sqlite3_exec(other.get(), "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_EQ(Run(*command), kOk);
}

}  // namespace
