#include "platform/posix/frontend/terminal_frontend.h"

#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
