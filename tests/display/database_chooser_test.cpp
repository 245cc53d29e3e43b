// The menu launcher's run of the real executable on a real display: --choose-db asks for the
// database in a file chooser, then upgrades the file chosen as /db= would; cancelling ends the
// run with 0 and the journal's end line. Every window carries the program's icon.
#include <FL/Fl.H>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "display/desktop.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"

namespace {

namespace dt = display_testing;
using dt::WindowId;

// The chooser's title; GTK's chooser and FLTK's own both show it.
constexpr char kChooserPattern[] = "^Choisir la base de donn.+ mettre .+ jour$";

// Whether FLTK shows GTK's chooser, as it decides: its option (the user's FLTK preferences may
// turn it off) and GTK 2 at hand.
bool ChooserIsGtks() {
  if (!Fl::option(Fl::OPTION_FNFC_USES_GTK)) return false;
  void* gtk = ::dlopen("libgtk-x11-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
  if (gtk != nullptr) ::dlclose(gtk);
  return gtk != nullptr;
}

class DatabaseChooser : public dt::DesktopTest {
 protected:
  void SetUp() override {
    dt::DesktopTest::SetUp();
    if (IsSkipped()) return;
    executable_.emplace(dt::kFileName);
    std::filesystem::create_directory(executable_->folder().File("Log"));
    // Started in the folder of the databases, where both choosers open.
    folder_ = executable_->folder().File("dossier des bases");
    std::filesystem::create_directory(folder_);
    database_ = folder_ + "/base 4.04.mdb";
    testing_support::CreateJetNuvDatabase(database_);
    run_.emplace(desktop(), std::vector<std::string>{executable_->path(), "--choose-db"},
                 dt::kTitle, folder_);
    std::optional<WindowId> chooser = desktop().WaitForWindow(kChooserPattern);
    ASSERT_TRUE(chooser) << "no file chooser appeared";
    chooser_ = *chooser;
  }

  // The window's icon as the window manager reads it (the sizes and pixels xprop prints).
  std::string Icon(WindowId id) { return desktop().Property(id, "_NET_WM_ICON"); }

  // The journal's lines (CR LF ends), without the empty ones.
  std::vector<std::string> JournalLines() {
    std::vector<std::string> lines;
    for (const auto& file :
         std::filesystem::directory_iterator(executable_->folder().File("Log"))) {
      const std::string text = testing_support::ReadFile(file.path().string());
      std::size_t start = 0;
      for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
      }
    }
    return lines;
  }

  std::optional<dt::Executable> executable_;
  std::string folder_;
  std::string database_;
  std::optional<dt::ProgramRun> run_;
  WindowId chooser_ = 0;
};

TEST_F(DatabaseChooser, TheChosenFileIsUpgradedAsWithTheDbParameter) {
  ASSERT_EQ(testing_support::MdbToolsTextLength(database_, "nuv", "Filename"), 50);

  // The chooser opens in the program's folder, and the file's name typed there chooses it: in
  // GTK's chooser (FLTK's choice where it can load GTK 2) into its location field, which Ctrl+L
  // focuses; in FLTK's own, into its focused file name field, after the folder it holds.
  ASSERT_TRUE(desktop().WaitUntilActive(chooser_));
  if (ChooserIsGtks()) desktop().Key("ctrl+l");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  desktop().Run({"xdotool", "type", "--delay", "30", "base 4.04.mdb"});
  desktop().Key("Return");
  std::optional<WindowId> dialog = desktop().WaitForWindow(dt::kDialogPattern);
  ASSERT_TRUE(dialog) << "no dialog after the choice";
  EXPECT_NE(Icon(*dialog), "");

  ASSERT_TRUE(desktop().KeyInto(*dialog, "space"));
  std::optional<WindowId> box = desktop().WaitForWindow(dt::kBoxPattern);
  ASSERT_TRUE(box);
  EXPECT_NE(Icon(*box), "");
  ASSERT_TRUE(desktop().KeyInto(*box, "Return"));
  ASSERT_TRUE(desktop().WaitUntilGone(dt::kBoxPattern));
  EXPECT_EQ(testing_support::MdbToolsTextLength(database_, "nuv", "Filename"), 96);

  desktop().CloseByWindowManager(*dialog);
  testing_support::ProcessResult result = run_->Finish();
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(DatabaseChooser, CancellingEndsWithZeroAndTheJournalsEndLine) {
  ASSERT_TRUE(desktop().KeyInto(chooser_, "Escape"));
  testing_support::ProcessResult result = run_->Finish();
  EXPECT_FALSE(result.timedOut) << "the chooser did not close";
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(desktop().FindWindows(dt::kDialogPattern).empty());
  EXPECT_EQ(testing_support::MdbToolsTextLength(database_, "nuv", "Filename"), 50);
  const std::vector<std::string> lines = JournalLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("[Start  ]"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1].substr(lines[1].size() - 2), " 0") << lines[1];
}

}  // namespace
