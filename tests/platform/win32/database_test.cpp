// The ADO side of the database seam against the system's ADO (wine's here). Where an ODBC data
// source is named in UPGRADE405_ODBC_DSN (the wine test script sets one up on an SQLite file),
// the connection and the command run for real through the ODBC provider.
#include "platform/database.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/exceptions.h"
#include "components/ado.h"
#include "main.h"
#include "platform/win32/support.h"

namespace {

using platform::DbCommand;
using platform::DbConnection;
using platform::DbRecordset;
using platform::Failed;
using platform::HResult;
using platform::win32::ComPtr;
using platform::win32::Narrow;

class Com : public ::testing::Test {
 protected:
  void SetUp() override { platform::InitializeCom(); }
  void TearDown() override { platform::UninitializeCom(); }
};

std::unique_ptr<DbConnection> NewConnection() {
  std::unique_ptr<DbConnection> connection;
  const HResult hr = DbConnection::Create(connection);
  EXPECT_EQ(hr, platform::kOk);
  return connection;
}

std::unique_ptr<DbCommand> NewCommand() {
  std::unique_ptr<DbCommand> command;
  const HResult hr = DbCommand::Create(command);
  EXPECT_EQ(hr, platform::kOk);
  return command;
}

std::string OdbcDataSource() {
  wchar_t name[256] = {};
  return GetEnvironmentVariableW(L"UPGRADE405_ODBC_DSN", name, 256) > 0 ? Narrow(name) : "";
}

using AdoConnection = Com;

TEST_F(AdoConnection, KeepsTheSettingsItIsGiven) {
  auto connection = NewConnection();
  ASSERT_TRUE(connection);
  EXPECT_EQ(connection->Advise(), platform::kOk);
  EXPECT_EQ(connection->SetCursorLocation(platform::kAdUseClient), platform::kOk);

  // The design's connection string comes back exactly, quotes and apostrophe included.
  ASSERT_EQ(connection->SetConnectionString(ConnectionStringTemplate), platform::kOk);
  std::string text;
  ASSERT_EQ(connection->GetConnectionString(text), platform::kOk);
  EXPECT_EQ(text, ConnectionStringTemplate);

  const std::string accented =
      "Provider=X;Data Source=C:\\Donn\xC3\xA9"
      "es\\NUV.MDB";
  ASSERT_EQ(connection->SetConnectionString(accented), platform::kOk);
  ASSERT_EQ(connection->GetConnectionString(text), platform::kOk);
  EXPECT_EQ(text, accented);

  ASSERT_EQ(connection->SetProvider("Microsoft.Jet.OLEDB.4.0"), platform::kOk);
  ASSERT_EQ(connection->GetProvider(text), platform::kOk);
  EXPECT_EQ(text, "Microsoft.Jet.OLEDB.4.0");

  std::int32_t state = -1;
  ASSERT_EQ(connection->GetState(state), platform::kOk);
  EXPECT_EQ(state, platform::kAdStateClosed);
  EXPECT_EQ(connection->Unadvise(), platform::kOk);
  EXPECT_EQ(connection->Unadvise(), platform::kFalse);  // nothing left to end
}

TEST_F(AdoConnection, AFailedOpenLeavesItClosed) {
  auto connection = NewConnection();
  ASSERT_TRUE(connection);
  ASSERT_EQ(connection->Advise(), platform::kOk);
  std::string text = ConnectionStringTemplate;
  text.replace(text.find("%s"), 2, "C:\\nowhere\\database\\NUV.MDB");
  const HResult hr = connection->Open(text, "", "", platform::kAdConnectUnspecified);
  EXPECT_TRUE(Failed(hr)) << std::hex << hr;
  std::int32_t state = -1;
  ASSERT_EQ(connection->GetState(state), platform::kOk);
  EXPECT_EQ(state, platform::kAdStateClosed);
  platform::ErrorInfo info;
  platform::TakeErrorInfo(info);  // whatever the provider left is taken, and then gone
  EXPECT_FALSE(platform::TakeErrorInfo(info));
}

TEST_F(AdoConnection, OpensAndClosesAnOdbcDataSource) {
  const std::string dsn = OdbcDataSource();
  if (dsn.empty()) GTEST_SKIP() << "no ODBC data source (UPGRADE405_ODBC_DSN)";
  auto connection = NewConnection();
  ASSERT_TRUE(connection);
  ASSERT_EQ(connection->Advise(), platform::kOk);
  ASSERT_EQ(connection->SetCursorLocation(platform::kAdUseClient), platform::kOk);
  ASSERT_EQ(connection->Open("Provider=MSDASQL;Data Source=" + dsn, "", "",
                             platform::kAdConnectUnspecified),
            platform::kOk);
  std::int32_t state = -1;
  ASSERT_EQ(connection->GetState(state), platform::kOk);
  EXPECT_EQ(state, platform::kAdStateOpen);
  EXPECT_EQ(connection->Close(), platform::kOk);
  ASSERT_EQ(connection->GetState(state), platform::kOk);
  EXPECT_EQ(state, platform::kAdStateClosed);
}

using AdoCommand = Com;

TEST_F(AdoCommand, RunsOnTheConnectionItIsGiven) {
  const std::string dsn = OdbcDataSource();
  if (dsn.empty()) GTEST_SKIP() << "no ODBC data source (UPGRADE405_ODBC_DSN)";
  auto connection = NewConnection();
  ASSERT_TRUE(connection);
  ASSERT_EQ(connection->Open("Provider=MSDASQL;Data Source=" + dsn, "", "",
                             platform::kAdConnectUnspecified),
            platform::kOk);
  auto command = NewCommand();
  ASSERT_TRUE(command);

  DbConnection* active = connection.get();
  ASSERT_EQ(command->GetActiveConnection(active), platform::kOk);
  EXPECT_EQ(active, nullptr);

  ASSERT_EQ(command->SetCommandType(platform::kAdCmdText), platform::kOk);
  const std::string statement =
      "CREATE TABLE created_by_command_" + std::to_string(GetCurrentProcessId()) + " (x TEXT(5))";
  ASSERT_EQ(command->SetCommandText(statement), platform::kOk);
  ASSERT_EQ(command->SetActiveConnection(*connection), platform::kOk);
  ASSERT_EQ(command->GetActiveConnection(active), platform::kOk);
  EXPECT_EQ(active, connection.get());
  std::int32_t type = 0;
  ASSERT_EQ(command->GetCommandType(type), platform::kOk);
  EXPECT_EQ(type, platform::kAdCmdText);

  // The provider's parameter information is advisory: where it answers, a statement without
  // markers has none.
  command->ClearParameterInfo();
  command->Prepare(0);
  std::size_t count = 99;
  if (!Failed(command->GetParameterCount(count))) {
    EXPECT_EQ(count, 0u);
  }

  std::unique_ptr<DbRecordset> result;
  const HResult hr = command->Execute(type, result);
  if (hr == platform::kNotImplemented) {
    GTEST_SKIP() << "this ADO's Command.Execute is not implemented (wine)";
  }
  ASSERT_EQ(hr, platform::kOk);
  EXPECT_TRUE(result);
  // The statement reached the database: the same table cannot be created twice.
  std::unique_ptr<DbRecordset> again;
  EXPECT_TRUE(Failed(command->Execute(type, again)));
}

TEST_F(AdoCommand, ActiveConnectionSetElsewhereIsNotOurs) {
  auto mine = NewConnection();
  auto command = NewCommand();
  ASSERT_TRUE(mine && command);
  ASSERT_EQ(command->SetActiveConnection(*mine), platform::kOk);
  auto other = NewConnection();
  ASSERT_TRUE(other);
  ASSERT_EQ(command->SetActiveConnection(*other), platform::kOk);
  DbConnection* active = nullptr;
  ASSERT_EQ(command->GetActiveConnection(active), platform::kOk);
  EXPECT_EQ(active, other.get());
}

using ComErrors = Com;

TEST_F(ComErrors, TakesWhatTheErrorObjectCarriesOnce) {
  ComPtr<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(create.Receive()), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(L"Table \u00AB nuv \u00BB introuvable."));
  create->SetSource(const_cast<LPOLESTR>(L"Microsoft JET Database Engine"));
  create->SetHelpFile(const_cast<LPOLESTR>(L"C:\\aide\\jet.hlp"));
  create->SetHelpContext(5003012);
  ComPtr<IErrorInfo> error;
  ASSERT_EQ(create.As(IID_IErrorInfo, error), S_OK);
  ASSERT_EQ(SetErrorInfo(0, error.Get()), S_OK);

  platform::ErrorInfo info;
  ASSERT_TRUE(platform::TakeErrorInfo(info));
  EXPECT_EQ(info.description, "Table \xC2\xAB nuv \xC2\xBB introuvable.");
  EXPECT_EQ(info.source, "Microsoft JET Database Engine");
  EXPECT_EQ(info.helpFile, "C:\\aide\\jet.hlp");
  EXPECT_EQ(info.helpContext, 5003012);
  platform::ErrorInfo none;
  EXPECT_FALSE(platform::TakeErrorInfo(none));
  EXPECT_EQ(none.description, "");
}

// Leaves an error object on the thread, as an earlier failed call would.
void LeaveStaleErrorInfo(const wchar_t* description) {
  ComPtr<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(create.Receive()), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(description));
  ComPtr<IErrorInfo> error;
  ASSERT_EQ(create.As(IID_IErrorInfo, error), S_OK);
  ASSERT_EQ(SetErrorInfo(0, error.Get()), S_OK);
}

TEST_F(ComErrors, AFailureOfAnObjectWithoutErrorInformationDoesNotTakeAnEarlierOne) {
  auto command = NewCommand();
  ASSERT_TRUE(command);
  // A command with no connection and no text cannot run. Wine's ADO says so without an error
  // object of its own, and its command does not claim to support error information.
  LeaveStaleErrorInfo(L"Erreur d'un appel pr\u00E9c\u00E9dent");
  std::unique_ptr<DbRecordset> result;
  const HResult hr = command->Execute(platform::kAdCmdText, result);
  ASSERT_TRUE(Failed(hr)) << std::hex << hr;
  platform::ErrorInfo info;
  EXPECT_FALSE(platform::TakeErrorInfo(info)) << info.description;
}

TEST_F(ComErrors, TheComponentsShowTheErrorOfTheCallThatFailed) {
  // Through the components: an error object left by an earlier call is not shown as the
  // description of this failure.
  TADOCommand command;
  command.SetCommandText(UpgradeStatement);
  LeaveStaleErrorInfo(L"Erreur d'un appel pr\u00E9c\u00E9dent");
  try {
    command.Execute();
    FAIL() << "a command without a connection ran";
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message().find("pr\xC3\xA9"
                               "c\xC3\xA9"
                               "dent"),
              std::string::npos)
        << e.Message();
  }
}

// An object of the test's own that says, for one interface, that it supports error information.
class ErrorInfoSupporter final : public ISupportErrorInfo {
 public:
  explicit ErrorInfoSupporter(const IID& supported) : supported_(supported) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // It lives on the test's stack: the count is kept only to answer as COM does.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return IsEqualIID(iid, supported_) ? S_OK : S_FALSE;
  }

 private:
  IID supported_;
  ULONG references_ = 1;
};

TEST_F(ComErrors, ErrorInformationIsTakenOnlyFromAnInterfaceThatSupportsIt) {
  using platform::win32::Checked;
  ErrorInfoSupporter object(IID_IDispatch);
  platform::ErrorInfo info;

  LeaveStaleErrorInfo(L"L'erreur de l'objet");
  EXPECT_EQ(Checked(&object, IID_IDispatch, E_FAIL), E_FAIL);
  ASSERT_TRUE(platform::TakeErrorInfo(info));
  EXPECT_EQ(info.description, "L'erreur de l'objet");

  LeaveStaleErrorInfo(L"Une erreur plus ancienne");
  EXPECT_EQ(Checked(&object, IID_IPersist, E_FAIL), E_FAIL);  // not for this interface
  EXPECT_FALSE(platform::TakeErrorInfo(info));

  LeaveStaleErrorInfo(L"Une erreur plus ancienne");
  EXPECT_EQ(Checked(nullptr, IID_NULL, E_NOINTERFACE), E_NOINTERFACE);  // no object reached
  EXPECT_FALSE(platform::TakeErrorInfo(info));

  // A call that succeeds leaves the thread's error information alone.
  LeaveStaleErrorInfo(L"Toujours l\u00E0");
  EXPECT_EQ(Checked(nullptr, IID_NULL, S_OK), S_OK);
  EXPECT_TRUE(platform::TakeErrorInfo(info));
}

TEST(SystemErrors, KnownCodesHaveTheSystemsTextAndUnknownOnesNone) {
  EXPECT_FALSE(platform::SystemErrorText(platform::kNotImplemented).empty());
  EXPECT_FALSE(platform::SystemErrorText(platform::kInvalidArg).empty());
  EXPECT_EQ(platform::SystemErrorText(static_cast<HResult>(0xA0CE0405)), "");
}

}  // namespace
