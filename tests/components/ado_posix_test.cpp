// The connection and command components over the real Jet engine, on Jet files made by the
// project's writer.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/exceptions.h"
#include "base/text.h"
#include "components/ado.h"
#include "main.h"
#include "platform/database.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/temp_dir.h"

namespace {

using testing_support::CreateJetNuvDatabase;
using testing_support::MdbToolsTextLength;

class ComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::InitializeCom(); }
  void TearDown() override { platform::UninitializeCom(); }

  std::string ConnectionStringFor(const std::string& path) {
    return text::Format(ConnectionStringTemplate, {QuoteDataSource(path)});
  }

  testing_support::TempDir dir;
  std::string db = dir.File("NUV.MDB");
};

TEST_F(ComponentsTest, ConnectionStringReadsBackAsSetAndOpensTheFile) {
  CreateJetNuvDatabase(db);
  TADOConnection connection;
  connection.SetConnectionString(ConnectionStringTemplate);
  EXPECT_EQ(connection.ConnectionString(), ConnectionStringTemplate);
  connection.SetProvider("Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(connection.ConnectionString(), ConnectionStringTemplate);
  EXPECT_FALSE(connection.Connected());
  connection.SetConnectionString(ConnectionStringFor(db));
  connection.SetConnected(true);
  EXPECT_TRUE(connection.Connected());
  connection.SetConnected(false);
  EXPECT_FALSE(connection.Connected());
}

TEST_F(ComponentsTest, FailedOpenRaisesTheEngineErrorWithItsCodeAndSource) {
  TADOConnection connection;
  connection.SetConnectionString(ConnectionStringFor(dir.File("absent.mdb")));
  try {
    connection.SetConnected(true);
    FAIL() << "opened a missing file";
  } catch (const EOleException& e) {
    EXPECT_LT(e.ErrorCode(), 0);
    EXPECT_FALSE(e.Message().empty());
    EXPECT_NE(e.Message().back(), '.');
    EXPECT_FALSE(e.Source().empty());
  }
  EXPECT_FALSE(connection.Connected());
}

TEST_F(ComponentsTest, CommandRunsOnItsConnectionAndErrorsKeepItOpen) {
  CreateJetNuvDatabase(db, 150, 2, 120);
  TADOConnection connection;
  connection.SetConnectionString(ConnectionStringFor(db));
  TADOCommand command;
  command.SetConnection(&connection);
  connection.SetConnected(true);

  command.SetCommandText(UpgradeStatement);
  EXPECT_THROW(command.Execute(), EOleException);  // two values of 120 characters
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 150);

  command.SetCommandText("ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(120)");
  EXPECT_NE(command.Execute(), nullptr);
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 120);
}

TEST_F(ComponentsTest, CommandOutlivesItsConnectionComponentSafely) {
  CreateJetNuvDatabase(db);
  TADOCommand command;
  {
    TADOConnection connection;
    connection.SetConnectionString(ConnectionStringFor(db));
    command.SetConnection(&connection);
    connection.SetConnected(true);
    command.SetCommandText(UpgradeStatement);
    EXPECT_NE(command.Execute(), nullptr);
    ASSERT_EQ(command.Connection(), &connection);
  }
  // The component detached its command as it went: the command holds no pointer to it, and
  // running fails on the closed connection instead of reaching the freed component.
  ASSERT_EQ(command.Connection(), nullptr);
  EXPECT_THROW(command.Execute(), EOleException);
}

TEST_F(ComponentsTest, TheAdvisoryParameterStepLeavesNoErrorBehind) {
  CreateJetNuvDatabase(db);
  TADOConnection connection;
  connection.SetConnectionString(ConnectionStringFor(db));
  TADOCommand command;
  command.SetConnection(&connection);
  connection.SetConnected(true);
  // The engine cannot prepare this text; that failure is swallowed, and so is what it left.
  command.SetCommandText("SELEC Filename FROM nuv");
  platform::ErrorInfo left;
  EXPECT_FALSE(platform::TakeErrorInfo(left)) << left.description;
  EXPECT_THROW(command.Execute(), EOleException);
}

TEST_F(ComponentsTest, UnregisteredClassesRaiseTheirOwnMessage) {
  ::setenv("UPGRADE405_UNREGISTERED_CLASSES", "ADODB.Command", 1);
  EXPECT_NO_THROW(TADOConnection{});
  try {
    TADOCommand command;
    FAIL() << "created an unregistered class";
  } catch (const EOleSysError&) {
    FAIL() << "class-not-registered has its own message, not a system error";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.ClassName()), "Exception");
    EXPECT_EQ(e.Message().rfind("Erreur à la création de l'objet.  Vérifiez", 0), 0u);
  }
  ::unsetenv("UPGRADE405_UNREGISTERED_CLASSES");
}

}  // namespace
