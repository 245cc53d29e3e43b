// The notice box on a real display, on the road where the database is not found: the real
// executable shows where it looked, and ends when the box is dismissed.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <string>
#include <thread>

#include "display/desktop.h"

namespace {

using display_testing::DesktopTest;
using display_testing::Executable;
using display_testing::kBoxPattern;
using display_testing::kDialogPattern;
using display_testing::kFileName;
using display_testing::kTitle;
using display_testing::ProgramRun;
using display_testing::WindowId;

const char kMissing[] = "/nonexistent/x.mdb";

class NotFoundNotice : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped()) return;
    executable_.emplace(kFileName);
  }

  // Runs the program on a database `path` that does not exist and waits for its box.
  void Start(const std::string& path = kMissing) {
    run_.emplace(desktop(), std::vector<std::string>{executable_->path(), "/db=" + path}, kTitle);
    std::optional<WindowId> box = desktop().WaitForWindow(kBoxPattern);
    ASSERT_TRUE(box) << "no notice box appeared";
    box_ = *box;
  }

  // Dismisses the box with `keys` and expects the run to end with exit code 0, the dialog
  // never having been shown.
  void ExpectDismissedBy(const std::string& keys) {
    ASSERT_TRUE(desktop().KeyInto(box_, keys));
    EndsWithExitCodeZero();
  }

  void EndsWithExitCodeZero() {
    testing_support::ProcessResult result = run_->Finish();
    EXPECT_FALSE(result.timedOut) << "the box was not dismissed";
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(desktop().FindWindows(kDialogPattern).empty());
  }

  std::optional<Executable> executable_;
  std::optional<ProgramRun> run_;
  WindowId box_ = 0;
};

TEST_F(NotFoundNotice, IsCaptionedWithTheTitleCentredAndShownWithoutTheDialog) {
  ASSERT_NO_FATAL_FAILURE(Start());
  EXPECT_EQ(desktop().Property(box_, "_NET_WM_NAME"), "\"Upgrade405\"");
  EXPECT_TRUE(desktop().FindWindows(kDialogPattern).empty());

  display_testing::Geometry screen = desktop().ScreenSize();
  display_testing::Geometry client = desktop().ClientGeometry(box_);
  ASSERT_GT(client.width, 0);
  EXPECT_NEAR(client.x + client.width / 2, screen.width / 2, 1);
  EXPECT_NEAR(client.y + client.height / 2, screen.height / 2, 1);

  // Nothing owns the box before the dialog exists; it is a fixed-size box with a close box.
  EXPECT_EQ(desktop().Property(box_, "WM_TRANSIENT_FOR"), "");
  std::string actions = desktop().Property(box_, "_NET_WM_ALLOWED_ACTIONS");
  EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;

  ExpectDismissedBy("Return");
}

TEST_F(NotFoundNotice, WrapsALongPathIntoHalfTheScreen) {
  // One word of 400 characters: wider than the screen, so it is broken inside.
  std::string path = "/" + std::string(400, 'x') + ".mdb";
  ASSERT_NO_FATAL_FAILURE(Start(path));
  display_testing::Geometry screen = desktop().ScreenSize();
  display_testing::Geometry client = desktop().ClientGeometry(box_);
  // The text is at most half the screen wide, between the box's margins.
  EXPECT_LE(client.width, screen.width / 2 + 2 * 12);
  EXPECT_GE(client.width, screen.width / 2 - 40);
  // Several lines of text above the button: far taller than a box of one line (under 80).
  EXPECT_GT(client.height, 120);
  ExpectDismissedBy("Return");
}

TEST_F(NotFoundNotice, CtrlCAloneCopiesTheBoxAsTextAndLeavesItShown) {
  ASSERT_NO_FATAL_FAILURE(Start());
  // Another program holds the clipboard; with Shift held too, Ctrl+C is not the copy key.
  const std::string sentinel = "nothing copied";
  display_testing::ClipboardHolder holder(desktop(), sentinel);
  ASSERT_TRUE(holder.holding());
  ASSERT_TRUE(desktop().KeyInto(box_, "ctrl+shift+c"));
  // A key the box ignores leaves nothing to wait for; give it the time a key takes.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(holder.StillHolding());
  EXPECT_EQ(desktop().Clipboard(), sentinel);

  ASSERT_TRUE(desktop().KeyInto(box_, "ctrl+c"));
  const std::string expected =
      "---------------------------\r\n"
      "Upgrade405\r\n"
      "---------------------------\r\n"
      "Base de donnée non trouvée dans :\n\r/nonexistent/x.mdb\r\n"
      "---------------------------\r\n"
      "OK   \r\n"
      "---------------------------\r\n";
  // The box takes the clipboard from the other program, which then ends.
  EXPECT_TRUE(display_testing::WaitUntil([&] { return !holder.StillHolding(); }));
  EXPECT_EQ(desktop().Clipboard(), expected);
  EXPECT_EQ(desktop().FindWindows(kBoxPattern).size(), 1u) << "the copy closed the box";
  EXPECT_FALSE(run_->Finished());

  ExpectDismissedBy("Return");
}

// Enter, Space, Escape, Alt+F4 and the close box each dismiss the box: its one button is both
// the default and the cancel button.
class NotFoundNoticeDismissal : public NotFoundNotice,
                                public ::testing::WithParamInterface<std::string> {};

TEST_P(NotFoundNoticeDismissal, EndsTheRunWithExitCodeZero) {
  ASSERT_NO_FATAL_FAILURE(Start());
  if (GetParam() == "close box") {
    desktop().CloseByWindowManager(box_);
    EndsWithExitCodeZero();
  } else {
    ExpectDismissedBy(GetParam());
  }
}

INSTANTIATE_TEST_SUITE_P(Keys, NotFoundNoticeDismissal,
                         ::testing::Values("Return", "KP_Enter", "space", "Escape", "alt+F4",
                                           "close box"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

}  // namespace
