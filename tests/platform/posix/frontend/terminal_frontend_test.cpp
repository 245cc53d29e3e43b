#include "platform/posix/frontend/terminal_frontend.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "base/exceptions.h"
#include "components/application.h"
#include "components/notice_box.h"
#include "main.h"

namespace {

using platform::posix::TerminalFrontend;

// A terminal whose clipboard cannot be opened, as when another program holds it.
class LockedClipboardTerminal : public TerminalFrontend {
 public:
  using TerminalFrontend::TerminalFrontend;
  bool SetClipboardText(const std::string& text) override {
    attempts.push_back(text);
    return false;
  }
  std::vector<std::string> attempts;
};

class TerminalProtocolTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::posix::SetFrontendForTesting(nullptr); }
  std::istringstream in;
  std::ostringstream out;
};

TEST_F(TerminalProtocolTest, ClipboardFailureGoesToTheErrorBoxAndTheNoticeStays) {
  in.str("copy\nenter\nspace\n");
  LockedClipboardTerminal terminal(in, out, false);
  platform::posix::SetFrontendForTesting(&terminal);
  ApplicationTitle = "Upgrade405";
  NoticeBox("Mise à jour effetuée.");
  EXPECT_EQ(out.str(),
            "=== NoticeBox\nCaption: Upgrade405\nText: Mise à jour effetuée.\nButtons: [OK]\n"
            "=== Beep\n"
            "=== ErrorBox\nCaption: Upgrade405\nText: Impossible d'ouvrir le Presse-papiers.\n"
            "Buttons: [OK]\n");
  ASSERT_EQ(terminal.attempts.size(), 1u);
  EXPECT_EQ(terminal.attempts[0],
            NoticeClipboardText("Upgrade405", "Mise à jour effetuée.", {"OK"}));
  // "enter" dismissed the error box, "space" the notice: nothing is left to read.
  std::string rest;
  EXPECT_FALSE(std::getline(in, rest));
}

TEST_F(TerminalProtocolTest, ActionsReachTheDialogAndUnknownLinesAreIgnored) {
  in.str("escape\r\nwiggle\nenter\r\ncopy\n\nspace\nclose\nenter\n");
  TerminalFrontend terminal(in, out, false);
  int presses = 0;
  terminal.RunDialog(BuildDialogLayout(13), [&] { ++presses; });
  EXPECT_EQ(presses, 3);
  EXPECT_EQ(
      out.str(),
      "=== Dialog\nCaption: Mise-à-jour base de donnée 4.04 -> 4.05\nButtons: [Mise-à-jour]\n");
  std::string rest;
  ASSERT_TRUE(std::getline(in, rest));
  EXPECT_EQ(rest, "enter");
}

TEST_F(TerminalProtocolTest, EndOfInputDismissesEveryBoxThatFollows) {
  in.str("");
  TerminalFrontend terminal(in, out, false);
  int copies = 0;
  terminal.RunDialog(BuildDialogLayout(13), [] {});
  terminal.ShowNoticeBox("T", "R&D && co", "&OK", [&] { ++copies; });
  terminal.ShowMessageBox(platform::MessageBoxKind::Fatal, "Erreur d'application", "x\r\n");
  EXPECT_EQ(copies, 0);
  EXPECT_NE(out.str().find("=== NoticeBox\nCaption: T\nText: RD & co\nButtons: [OK]\n"),
            std::string::npos);
  EXPECT_NE(out.str().find("=== FatalErrorBox\nCaption: Erreur d'application\nText: x\r\n\n"),
            std::string::npos);
}

TEST_F(TerminalProtocolTest, OnlyTheNoticeBoxReadsAmpersandsAsMnemonics) {
  in.str("");
  TerminalFrontend terminal(in, out, false);
  terminal.ShowNoticeBox("T", "C:\\R&D\\x && y", "&OK", [] {});
  terminal.ShowMessageBox(platform::MessageBoxKind::Error, "T", "C:\\R&D\\x && y.");
  terminal.ShowMessageBox(platform::MessageBoxKind::Fatal, "A&B", "R&D.\r\n");
  EXPECT_EQ(out.str(),
            "=== NoticeBox\nCaption: T\nText: C:\\RD\\x & y\nButtons: [OK]\n"
            "=== ErrorBox\nCaption: T\nText: C:\\R&D\\x && y.\nButtons: [OK]\n"
            "=== FatalErrorBox\nCaption: A&B\nText: R&D.\r\n\nButtons: [OK]\n");
}

TEST_F(TerminalProtocolTest, ErrorBoxDropsAnAbortAndShowsEveryOtherException) {
  in.str("");
  TerminalFrontend terminal(in, out, false);
  platform::posix::SetFrontendForTesting(&terminal);
  ApplicationTitle = "Upgrade405";
  ErrorBox(EAbort());
  ErrorBox(EAbort("Opération annulée"));
  EXPECT_EQ(out.str(), "");
  ErrorBox(Exception("Table introuvable"));
  ErrorBox(std::runtime_error("R&D"));
  EXPECT_EQ(out.str(),
            "=== ErrorBox\nCaption: Upgrade405\nText: Table introuvable.\nButtons: [OK]\n"
            "=== ErrorBox\nCaption: Upgrade405\nText: R&D.\nButtons: [OK]\n");
}

}  // namespace
