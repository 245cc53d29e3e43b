// The upgrade dialog of the real executable on a real display: where it stands, what its keys
// do, the boxes it shows over itself, and its size at another resolution.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "base/text.h"
#include "display/desktop.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"

namespace {

using display_testing::Desktop;
using display_testing::DesktopTest;
using display_testing::Executable;
using display_testing::kBoxPattern;
using display_testing::kDialogPattern;
using display_testing::kFileName;
using display_testing::kTitle;
using display_testing::ProgramRun;
using display_testing::WindowId;

// The declared length of nuv.Filename as mdbtools reads it.
int FilenameLength(const std::string& database) {
  return testing_support::MdbToolsTextLength(database, "nuv", "Filename");
}

// The values of a 32-bit property that xprop prints as "0x3, 0x24, ...".
std::vector<unsigned long> Numbers(const std::string& text) {
  std::vector<unsigned long> numbers;
  std::regex number(R"(0x[0-9a-fA-F]+|\d+)");
  for (std::sregex_iterator it(text.begin(), text.end(), number), end; it != end; ++it) {
    numbers.push_back(std::stoul(it->str(), nullptr, 0));
  }
  return numbers;
}

// The dialog's client size on a screen of `dpi` pixels per inch without the window font: the
// designed 289 by 89 scaled by the text height 13 takes at that resolution.
display_testing::Geometry ClientSizeWithoutTheWindowFont(int dpi) {
  const int textHeight = text::MulDiv(13, dpi, 96);
  return {0, 0, text::MulDiv(289, textHeight, 13), text::MulDiv(89, textHeight, 13)};
}

int DotsPerInch(const Desktop& desktop) {
  std::smatch m;
  const std::string info = desktop.Run({"xdpyinfo"}).out;
  if (!std::regex_search(info, m, std::regex(R"(resolution:\s+\d+x(\d+) dots per inch)"))) {
    return 0;
  }
  return std::stoi(m[1]);
}

// Starts the program on a database and waits for its dialog.
class UpgradeDialog : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped()) return;
    executable_.emplace(kFileName);
    database_ = executable_->folder().File("nuv.mdb");
  }

  void Start() {
    run_.emplace(desktop(), std::vector<std::string>{executable_->path(), "/db=" + database_},
                 kTitle);
    std::optional<WindowId> dialog = desktop().WaitForWindow(kDialogPattern);
    ASSERT_TRUE(dialog) << "no dialog appeared";
    dialog_ = *dialog;
  }

  // Waits for the one box over the dialog.
  WindowId Box() {
    std::optional<WindowId> box = desktop().WaitForWindow(kBoxPattern);
    EXPECT_TRUE(box) << "no box appeared";
    return box.value_or(0);
  }

  void ExpectEndsWithExitCodeZero() {
    testing_support::ProcessResult result = run_->Finish();
    EXPECT_FALSE(result.timedOut) << "the dialog did not close";
    EXPECT_EQ(result.exitCode, 0) << result.err;
  }

  std::optional<Executable> executable_;
  std::string database_;
  std::optional<ProgramRun> run_;
  WindowId dialog_ = 0;
};

TEST_F(UpgradeDialog, StandsFixedAtItsDesignedPlaceWithOnlyACloseBox) {
  // Its size follows the desktop's resolution (289 by 89 at 96 pixels per inch).
  display_testing::ScopedWindowFont windowFont(display_testing::WindowFont::Absent);
  const int dpi = DotsPerInch(desktop());
  ASSERT_GT(dpi, 0);
  const display_testing::Geometry size = ClientSizeWithoutTheWindowFont(dpi);
  const std::string sizeText = std::to_string(size.width) + " by " + std::to_string(size.height);
  testing_support::CreateJetNuvDatabase(database_);
  ASSERT_NO_FATAL_FAILURE(Start());

  EXPECT_EQ(desktop().Property(dialog_, "_NET_WM_NAME"),
            "\"Mise-à-jour base de donnée 4.04 -> 4.05\"");
  display_testing::Geometry client = desktop().ClientGeometry(dialog_);
  EXPECT_EQ(client.width, size.width);
  EXPECT_EQ(client.height, size.height);
  // The frame's outer corner is where the window was designed to stand.
  ASSERT_TRUE(
      display_testing::WaitUntil([&] { return desktop().FrameCorner(dialog_).has_value(); }));
  EXPECT_EQ(desktop().FrameCorner(dialog_), std::pair(337, 137));

  std::string sizeHints = desktop().PropertyText(dialog_, "WM_NORMAL_HINTS");
  EXPECT_NE(sizeHints.find("minimum size: " + sizeText), std::string::npos) << sizeHints;
  EXPECT_NE(sizeHints.find("maximum size: " + sizeText), std::string::npos) << sizeHints;
  std::string actions = desktop().Property(dialog_, "_NET_WM_ALLOWED_ACTIONS");
  EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;
  // Motif hints: flags, functions, decorations. Only moving and closing; no minimise,
  // maximise or resize handles (openbox keeps its minimise button whatever they say).
  std::vector<unsigned long> motif = Numbers(desktop().Property(dialog_, "_MOTIF_WM_HINTS"));
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_EQ(motif[0] & 3, 3u);
  EXPECT_EQ(motif[1], 4u | 32u);
  EXPECT_EQ(motif[2] & (1u | 4u | 32u | 64u), 0u);

  // The taskbar names the program by its title.
  EXPECT_EQ(desktop().Property(dialog_, "WM_ICON_NAME"), "\"Upgrade405\"");
  EXPECT_NE(desktop().Property(dialog_, "WM_CLASS").find("\"Upgrade405\""), std::string::npos);

  // The window manager's close (the close box) ends the run.
  desktop().CloseByWindowManager(dialog_);
  ExpectEndsWithExitCodeZero();
}

TEST_F(UpgradeDialog, KeysPressTheButtonButEscapeDoesNothing) {
  testing_support::CreateJetNuvDatabase(database_);
  ASSERT_NO_FATAL_FAILURE(Start());
  // The dialog comes up with the focus, on its button.
  ASSERT_TRUE(desktop().WaitUntilActive(dialog_));
  desktop().Key("Escape");
  desktop().Key("space");

  WindowId box = Box();
  ASSERT_NE(box, 0u);
  EXPECT_EQ(desktop().FindWindows(kDialogPattern).size(), 1u) << "Escape closed the dialog";
  EXPECT_NE(desktop().Property(box, "WM_TRANSIENT_FOR").find(display_testing::Hex(dialog_)),
            std::string::npos);
  EXPECT_NE(desktop().Property(box, "_NET_WM_STATE").find("_NET_WM_STATE_MODAL"),
            std::string::npos);
  ASSERT_TRUE(desktop().KeyInto(box, "Return"));
  ASSERT_TRUE(desktop().WaitUntilGone(kBoxPattern));
  EXPECT_EQ(FilenameLength(database_), 96);

  // The dialog has the focus back; Enter presses the button again and the box comes again.
  ASSERT_TRUE(desktop().WaitUntilActive(dialog_));
  desktop().Key("Return");
  box = Box();
  ASSERT_NE(box, 0u);
  ASSERT_TRUE(desktop().KeyInto(box, "Escape"));
  ASSERT_TRUE(desktop().WaitUntilGone(kBoxPattern));

  ASSERT_TRUE(desktop().WaitUntilActive(dialog_));
  desktop().Key("alt+F4");
  ExpectEndsWithExitCodeZero();
}

TEST_F(UpgradeDialog, ErrorBoxBelongsToTheDialogWhichGetsTheFocusBack) {
  // Values longer than 96 characters make the upgrade fail, and the schema stays as it was.
  testing_support::CreateJetNuvDatabase(database_, 200, 2, 120);
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(desktop().KeyInto(dialog_, "space"));

  WindowId box = Box();
  ASSERT_NE(box, 0u);
  EXPECT_NE(desktop().Property(box, "WM_TRANSIENT_FOR").find(display_testing::Hex(dialog_)),
            std::string::npos);
  // While the box is shown, a click on the dialog's button presses nothing.
  display_testing::Geometry client = desktop().ClientGeometry(dialog_);
  desktop().Run({"xdotool", "mousemove", std::to_string(client.x + client.width / 2),
                 std::to_string(client.y + client.height / 2), "click", "1"});
  ASSERT_TRUE(desktop().KeyInto(box, "Return"));
  ASSERT_TRUE(desktop().WaitUntilGone(kBoxPattern));
  EXPECT_EQ(FilenameLength(database_), 200);

  // The focus is back on the dialog and its button: Space shows the error again.
  ASSERT_TRUE(desktop().WaitUntilActive(dialog_));
  desktop().Key("space");
  box = Box();
  ASSERT_NE(box, 0u);
  ASSERT_TRUE(desktop().KeyInto(box, "space"));
  ASSERT_TRUE(desktop().WaitUntilGone(kBoxPattern));

  desktop().CloseByWindowManager(dialog_);
  ExpectEndsWithExitCodeZero();
}

// On a display of the test's own without a window manager, where the client origin is the
// position: a screen, its resolution, whether the window font is installed, and the client size
// the dialog has there.
struct BareScreen {
  std::string screen;
  int dpi;
  display_testing::WindowFont windowFont;
  int clientWidth, clientHeight;
  std::string name;
};

void PrintTo(const BareScreen& screen, std::ostream* out) {
  *out << screen.name;
}

class UpgradeDialogOnBareScreen : public ::testing::TestWithParam<BareScreen> {};

TEST_P(UpgradeDialogOnBareScreen, StandsAtItsPositionInItsScaledSize) {
  if (std::getenv("DISPLAY") == nullptr) {
    GTEST_SKIP() << "DISPLAY is not set: run the display tests through scripts/with_display.sh";
  }
  display_testing::ScopedWindowFont windowFont(GetParam().windowFont);
  ASSERT_TRUE(windowFont.ready()) << "Liberation Sans (fonts-liberation) is not installed";
  display_testing::ScopedXvfb server(GetParam().screen, GetParam().dpi);
  ASSERT_NE(server.display(), "") << "could not start an Xvfb of the test's own";
  Desktop desktop(server.display());
  const bool installed = !desktop.Run({"fc-list", "MS Sans Serif"}).out.empty();
  ASSERT_EQ(installed, GetParam().windowFont == display_testing::WindowFont::Installed);

  Executable executable(kFileName);
  std::string database = executable.folder().File("nuv.mdb");
  testing_support::CreateJetNuvDatabase(database);
  ProgramRun run(desktop, {executable.path(), "/db=" + database}, kTitle);
  std::optional<WindowId> dialog = desktop.WaitForWindow(kDialogPattern);
  ASSERT_TRUE(dialog);
  display_testing::Geometry client = desktop.ClientGeometry(*dialog);
  EXPECT_EQ(client.width, GetParam().clientWidth);
  EXPECT_EQ(client.height, GetParam().clientHeight);
  // The position is never scaled, and the window is not moved onto a small screen.
  EXPECT_EQ(client.x, 337);
  EXPECT_EQ(client.y, 137);

  // Without a window manager the dialog closes on Alt+F4 itself.
  desktop.Run({"xdotool", "windowfocus", "--sync", display_testing::Hex(*dialog)});
  desktop.Key("alt+F4");
  testing_support::ProcessResult result = run.Finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

// At 120 pixels per inch the window font's text height is 16 instead of 13, and the dialog
// grows by 16/13, whether the window font is installed (and measured) or not (and derived).
// With the font installed, the dialog keeps its designed size at 96 pixels per inch.
using display_testing::WindowFont;
INSTANTIATE_TEST_SUITE_P(
    Screens, UpgradeDialogOnBareScreen,
    ::testing::Values(
        BareScreen{"1024x768x24", 120, WindowFont::Absent, 356, 110, "At120PixelsPerInch"},
        BareScreen{"1024x768x24", 120, WindowFont::Installed, 356, 110,
                   "At120PixelsPerInchWithTheWindowFont"},
        BareScreen{"1024x768x24", 96, WindowFont::Installed, 289, 89,
                   "At96PixelsPerInchWithTheWindowFont"},
        BareScreen{"500x300x24", 96, WindowFont::Absent, 289, 89, "PartlyOffASmallScreen"}),
    [](const ::testing::TestParamInfo<BareScreen>& info) { return info.param.name; });

}  // namespace
