// The program's start-up order and its three shutdown orders, as the seams see them: the real
// entry, shared unit, window, components and journal run against the test implementation of
// every seam, which logs each call in order. The log is read as the run's observable events.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "components/application.h"
#include "entry.h"
#include "fake_platform.h"
#include "global.h"
#include "main.h"
#include "platform/database.h"
#include "platform/host.h"
#include "platform/ui.h"

namespace {

using Events = std::vector<std::string>;

// The events of the run, in order, from the seams' log: the journal's start and end lines (with
// the exit code), COM, the connection, the windows and boxes, and the destruction of the
// window's components (their connection object released).
Events RunEvents() {
  Events events;
  for (const std::string& entry : fakes::Files().log) {
    if (entry.rfind("write ", 0) == 0 && entry.find("][Start  ] ") != std::string::npos) {
      events.push_back("journal start line");
    } else if (entry.rfind("write ", 0) == 0 && entry.find("][System ] ") != std::string::npos) {
      const std::size_t code = entry.find("code de sortie ") + 15;
      events.push_back("journal end line, exit code " +
                       entry.substr(code, entry.find('\r', code) - code));
    } else if (entry == "com-init") {
      events.push_back("COM initialised");
    } else if (entry == "com-uninit") {
      events.push_back("COM shut down");
    } else if (entry == "connection-open refused") {
      events.push_back("connection refused");
    } else if (entry.rfind("connection-open ", 0) == 0) {
      events.push_back("connection opened");
    } else if (entry == "connection-close") {
      events.push_back("connection closed");
    } else if (entry == "connection-release") {
      events.push_back("window's components destroyed");
    } else if (entry == "dialog") {
      events.push_back("window shown");
    } else if (entry == "dialog refused" || entry == "notice refused") {
      events.push_back(entry);
    } else if (entry.rfind("command-execute ", 0) == 0) {
      events.push_back("statement run");
    } else if (entry.rfind("notice ", 0) == 0) {
      events.push_back("notice: " + entry.substr(7));
    } else if (entry.rfind("fatal-box ", 0) == 0) {
      // "Exception <class> dans le module ...": the class is what tells the failures apart.
      const std::size_t start = entry.find("Exception ") + 10;
      events.push_back("fatal error box: " + entry.substr(start, entry.find(' ', start) - start));
    } else if (entry.rfind("application-window ", 0) == 0) {
      events.push_back("application window created");
    } else if (entry == "application-window-destroyed") {
      events.push_back("application window destroyed");
    }
  }
  return events;
}

class RunOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    fakes::Reset();
    fakes::Host().parameters = {"/db=" + database_};
  }

  // Runs the program's entry; its result is the process's exit code.
  int Run() { return Upgrade405Entry(); }

  const std::string database_ = fakes::Folder() + "NUV.MDB";
};

TEST_F(RunOrder, NormalCloseDestroysTheWindowBeforeTheJournalEndsAndCOMLast) {
  fakes::Ui().dialogPresses = 1;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(RunEvents(), (Events{
                             "application window created",
                             "journal start line",
                             "COM initialised",
                             "connection opened",
                             "window shown",
                             "statement run",
                             "notice: Mise à jour effetuée.",
                             "connection closed",
                             "window's components destroyed",
                             "journal end line, exit code 0",
                             "application window destroyed",
                             "COM shut down",
                         }));
  EXPECT_EQ(fakes::Database().liveObjects, 0);
  EXPECT_EQ(fakes::Database().comInitializations, 0);
}

TEST_F(RunOrder, StopAfterAFailedConnectionEndsTheJournalBeforeTheHalfBuiltWindowGoes) {
  fakes::Database().openFails = true;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(RunEvents(), (Events{
                             "application window created",
                             "journal start line",
                             "COM initialised",
                             "connection refused",
                             "notice: Base de donnée non trouvée dans :\n\r" + database_,
                             "journal end line, exit code 0",
                             "window's components destroyed",
                             "application window destroyed",
                             "COM shut down",
                         }));
  EXPECT_EQ(fakes::Database().liveObjects, 0);
}

TEST_F(RunOrder, ExceptionEscapingTheEntryUndoesTheWindowBeforeTheFatalBox) {
  // The command's class is not registered: the window's creation fails after its connection
  // was made.
  fakes::Database().unregistered = {"ADODB.Command"};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(RunEvents(), (Events{
                             "application window created",
                             "journal start line",
                             "COM initialised",
                             "window's components destroyed",
                             "fatal error box: Exception",
                             "journal end line, exit code 1",
                             "application window destroyed",
                             "COM shut down",
                         }));
  EXPECT_EQ(fakes::Database().liveObjects, 0);
}

TEST_F(RunOrder, ADialogThatCannotBeCreatedEndsInTheFatalBoxWithExitCodeOne) {
  fakes::Ui().refuseDialog = true;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(RunEvents(), (Events{
                             "application window created",
                             "journal start line",
                             "COM initialised",
                             "connection opened",
                             "dialog refused",
                             "fatal error box: EOSError",
                             "journal end line, exit code 1",
                             "connection closed",
                             "window's components destroyed",
                             "application window destroyed",
                             "COM shut down",
                         }));
}

TEST_F(RunOrder, ANoticeThatCannotBeCreatedEndsInTheFatalBoxWithExitCodeOne) {
  fakes::Database().openFails = true;
  fakes::Ui().refuseNotice = true;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(RunEvents(), (Events{
                             "application window created",
                             "journal start line",
                             "COM initialised",
                             "connection refused",
                             "notice refused",
                             "window's components destroyed",
                             "fatal error box: EOSError",
                             "journal end line, exit code 1",
                             "application window destroyed",
                             "COM shut down",
                         }));
}

}  // namespace
