// ADO's connection and command objects over the Jet engine, on Jet files made by the project's
// writer and checked with mdbtools.
#include "platform/database.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/posix/jet/engine/engine.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/temp_dir.h"

namespace {

using namespace platform;
using testing_support::CreateJetNuvDatabase;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr HResult kNotInitialized = static_cast<HResult>(0x800401F0);
constexpr HResult kAdObjectOpen = static_cast<HResult>(0x800A0E79);
constexpr HResult kAdObjectClosed = static_cast<HResult>(0x800A0E78);
constexpr HResult kAdProviderNotFound = static_cast<HResult>(0x800A0E7A);
constexpr HResult kAdInvalidConnection = static_cast<HResult>(0x800A0E7D);

constexpr char kWiden[] = "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)";

// The declared length of nuv.Filename, as mdbtools reads it.
int FilenameLength(const std::string& path) {
  return testing_support::MdbToolsTextLength(path, "nuv", "Filename");
}

// The connection string the program builds, with the path quoted by the OLE DB rules.
std::string JetString(const std::string& path, const std::string& mode = "Share Deny None") {
  std::string quoted;
  for (char c : path) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=\"" + quoted +
         "\";Mode=" + mode + ";Jet OLEDB:Engine Type=5";
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
    database_ = dir_.File("nuv.mdb");
    CreateJetNuvDatabase(database_);
  }
  void TearDown() override {
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
  EXPECT_EQ(connection->SetConnectionString(JetString(dir_.File("elsewhere.mdb"))), kOk);
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

TEST_F(DatabaseTest, WhatIsNotAJetDatabaseFailsAtOpenAndIsLeftAlone) {
  const std::string missing = dir_.File("missing.mdb");
  ErrorInfo info = OpenFailure(JetString(missing));
  EXPECT_EQ(info.description, "Fichier « " + missing + " » introuvable.");
  EXPECT_EQ(info.source, "Microsoft.Jet.OLEDB.4.0");
  EXPECT_FALSE(std::filesystem::exists(missing)) << "open must never create the file";

  std::filesystem::create_directory(dir_.File("folder"));
  EXPECT_EQ(OpenFailure(JetString(dir_.File("folder"))).description,
            "« " + dir_.File("folder") + " » est un dossier, pas un fichier de base de données.");

  const std::string empty = dir_.File("empty.mdb");
  WriteFile(empty, "");
  EXPECT_EQ(OpenFailure(JetString(empty)).description,
            "Format de base de données « " + empty + " » non reconnu : le fichier est vide.");
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);

  // Text, another database's header (SQLite's), a Jet signature on a page of the wrong type.
  std::string jetSignatureOnADataPage = ReadFile(database_).substr(0, 4096);
  jetSignatureOnADataPage[1] = '\x01' ^ '\x02';
  for (const std::string& content :
       {std::string(5000, 'x'), std::string("SQLite format 3\0", 16) + std::string(4080, '\0'),
        jetSignatureOnADataPage}) {
    const std::string other = dir_.File("other.mdb");
    WriteFile(other, content);
    info = OpenFailure(JetString(other));
    EXPECT_EQ(info.description, "Format de base de données « " + other +
                                    " » non reconnu : le fichier n'est pas une base de données.");
    EXPECT_EQ(info.source, "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(ReadFile(other), content);
  }
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
  CreateJetNuvDatabase(path);
  auto connection = OpenConnection(JetString(path));
  EXPECT_EQ(Run(*NewCommand(*connection, kWiden)), kOk);
  EXPECT_EQ(FilenameLength(path), 96);
  // A relative name that looks like a URI is still a file name.
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  CreateJetNuvDatabase(dir_.File("file:x.mdb?mode=memory"));
  auto relative = OpenConnection(JetString("file:x.mdb?mode=memory"));
  EXPECT_EQ(Run(*NewCommand(*relative, kWiden)), kOk);
  std::filesystem::current_path(previous);
  EXPECT_EQ(FilenameLength(dir_.File("file:x.mdb?mode=memory")), 96);
}

// --- sharing modes ---

TEST_F(DatabaseTest, ReadModeOpensReadOnly) {
  const std::string before = ReadFile(database_);
  auto connection = OpenConnection(JetString(database_, "Read"));
  EXPECT_EQ(Run(*NewCommand(*connection, kWiden)), kFail);
  EXPECT_NE(TakeError().description.find("lecture seule"), std::string::npos);
  EXPECT_EQ(ReadFile(database_), before);
}

TEST_F(DatabaseTest, ExclusiveModeKeepsOthersOutSharedModeLetsThemIn) {
  // Another connection in Share Deny None: it opens unless the file is held exclusively (the
  // engine's locks belong to each open file, so this process counts as another user).
  auto othersGetIn = [&] {
    auto connection = NewConnection();
    const HResult hr = connection->Open(JetString(database_), "", "", kAdConnectUnspecified);
    if (Failed(hr)) {
      EXPECT_NE(TakeError().description.find("mode exclusif"), std::string::npos);
    }
    return hr == kOk;
  };
  {
    auto shared = OpenConnection(JetString(database_, "Share Deny None"));
    EXPECT_TRUE(othersGetIn());
  }
  for (const char* mode : {"Share Exclusive", "Share Deny Read", "share deny write",
                           "ReadWrite|Share Deny Write", "12"}) {
    auto exclusive = OpenConnection(JetString(database_, mode));
    EXPECT_FALSE(othersGetIn()) << mode;
  }
  EXPECT_TRUE(othersGetIn());  // closing gives the file back
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
  EXPECT_EQ(command->SetCommandText(kWiden), kOk);
  EXPECT_EQ(Run(*command), kOk);
  command.reset();
  first.reset();
  EXPECT_EQ(FilenameLength(database_), 96);
}

TEST_F(DatabaseTest, ExecuteNeedsAnOpenConnectionAndTextOptions) {
  std::unique_ptr<DbCommand> command;
  ASSERT_EQ(DbCommand::Create(command), kOk);
  EXPECT_EQ(command->SetCommandText(kWiden), kOk);
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
  EXPECT_EQ(FilenameLength(database_), 50);
  EXPECT_EQ(command->Execute(kAdCmdText, result), kOk);
  EXPECT_NE(result, nullptr);
  EXPECT_EQ(FilenameLength(database_), 96);
}

TEST_F(DatabaseTest, StatementsRunAsWrittenAndTheirErrorsAreReported) {
  auto connection = OpenConnection(JetString(database_));
  auto command = NewCommand(*connection, "alter table nuv alter column filename varchar(80);");
  EXPECT_EQ(Run(*command), kOk);
  EXPECT_EQ(FilenameLength(database_), 80);
  const std::string before = ReadFile(database_);
  EXPECT_EQ(command->SetCommandText("SELEKT nothing"), kOk);
  EXPECT_EQ(Run(*command), kFail);
  ErrorInfo info = TakeError();
  EXPECT_EQ(info.source, kJetEngineSource);
  EXPECT_NE(info.description.find("Instruction SQL non valide"), std::string::npos)
      << info.description;
  EXPECT_EQ(command->SetCommandText("ALTER TABLE [nuv] ALTER COLUMN [Missing] TEXT(96)"), kOk);
  EXPECT_EQ(Run(*command), kFail);
  EXPECT_EQ(TakeError().description,
            "La colonne « Missing » est introuvable dans la table « nuv ».");
  EXPECT_EQ(ReadFile(database_), before);
}

TEST_F(DatabaseTest, ParameterInfoComesFromPreparingWithoutRunning) {
  const std::string before = ReadFile(database_);
  auto connection = OpenConnection(JetString(database_));
  auto command = NewCommand(*connection, kWiden);
  std::size_t count = 99;
  EXPECT_EQ(command->ClearParameterInfo(), kOk);
  EXPECT_EQ(command->Prepare(0), kOk);
  EXPECT_EQ(command->GetParameterCount(count), kOk);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(command->SetCommandText("SELECT * FROM nuv WHERE Filename = ?"), kOk);
  EXPECT_EQ(command->Prepare(0), kFail);
  EXPECT_NE(TakeError().description.find("Instruction non prise en charge"), std::string::npos);
  EXPECT_EQ(command->GetParameterCount(count), kFail);  // asks again, and fails again
  TakeError();
  // Nothing prepared ran.
  EXPECT_EQ(ReadFile(database_), before);
}

TEST_F(DatabaseTest, AnotherProcesssLockFailsTheStatementAtOnceAndChangesNothing) {
  const std::string before = ReadFile(database_);
  auto connection = OpenConnection(JetString(database_));
  auto command = NewCommand(*connection, kWiden);
  {
    // A classic POSIX lock on one byte, as Samba takes for a Windows client: it conflicts with
    // the engine's lock even when this process holds it.
    const int fd = ::open(database_.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 4096;
    lock.l_len = 1;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0) << std::strerror(errno);
    EXPECT_EQ(Run(*command), kFail);
    EXPECT_NE(TakeError().description.find("déjà utilisée par un autre utilisateur"),
              std::string::npos);
    EXPECT_EQ(ReadFile(database_), before);
    ::close(fd);
  }
  EXPECT_EQ(Run(*command), kOk);
  EXPECT_EQ(FilenameLength(database_), 96);
}

}  // namespace
