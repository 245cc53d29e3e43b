// The FLTK front-end in this process, against the display server: what it reports of the
// screen and fonts, and the clipboard it serves.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "display/desktop.h"
#include "platform/posix/frontend/frontend.h"

namespace {

using display_testing::DesktopTest;
using platform::posix::Frontend;
using platform::posix::NewFltkFrontend;

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(FltkFrontendChoice, IsNotMadeWhenNoDisplayServerAnswers) {
  int unused = 400;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(unused))) ++unused;
  {
    ScopedEnv display("DISPLAY", ":" + std::to_string(unused));
    EXPECT_EQ(NewFltkFrontend(), nullptr);
  }
  {
    ScopedEnv display("DISPLAY", "");
    EXPECT_EQ(NewFltkFrontend(), nullptr);
  }
}

class FltkFrontend : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped()) return;
    frontend_ = NewFltkFrontend();
    ASSERT_NE(frontend_, nullptr) << "DISPLAY is set but the front-end found no display";
  }

  std::unique_ptr<Frontend> frontend_;
};

TEST_F(FltkFrontend, ReportsTheScreenAsTheServerDescribesIt) {
  std::string info = desktop().Run({"xdpyinfo"}).out;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(info, m, std::regex(R"(dimensions:\s+(\d+)x(\d+) pixels)")));
  int width = std::stoi(m[1]), height = std::stoi(m[2]);
  ASSERT_TRUE(std::regex_search(info, m, std::regex(R"(resolution:\s+\d+x(\d+) dots per inch)")));
  int dotsPerInch = std::stoi(m[1]);

  platform::ScreenMetrics metrics = frontend_->GetScreenMetrics();
  EXPECT_EQ(metrics.width, width);
  EXPECT_EQ(metrics.height, height);
  EXPECT_EQ(metrics.pixelsPerInch, dotsPerInch);
}

TEST_F(FltkFrontend, MeasuresOnlyFacesThatAreInstalled) {
  // Fontconfig would draw a substitute for these; the front-end must not measure it.
  EXPECT_EQ(frontend_->GetFontTextHeight({"No Such Face 405", 40, false}, 96), 0);
  if (desktop().Run({"fc-list", "MS Sans Serif"}).out.empty()) {
    EXPECT_EQ(frontend_->GetFontTextHeight({"MS Sans Serif", 11, false}, 96), 0);
  }

  if (desktop().Run({"fc-list", "Liberation Sans"}).out.empty()) {
    GTEST_SKIP() << "Liberation Sans (fonts-liberation) is not installed";
  }
  // The text height is the character height plus the face's leading.
  int regular = frontend_->GetFontTextHeight({"Liberation Sans", 40, false}, 96);
  EXPECT_GT(regular, 40);
  EXPECT_LT(regular, 40 * 3 / 2);
  int twice = frontend_->GetFontTextHeight({"Liberation Sans", 80, true}, 96);
  EXPECT_GE(twice, 2 * regular - 2);
  EXPECT_LE(twice, 2 * regular + 2);
  // For a screen of twice the resolution the character height doubles.
  EXPECT_EQ(frontend_->GetFontTextHeight({"Liberation Sans", 40, false}, 192),
            frontend_->GetFontTextHeight({"Liberation Sans", 80, false}, 96));
}

TEST_F(FltkFrontend, ServesItsClipboardTextWhileItHandlesMessages) {
  const std::string text = "Base de donnée\r\nOK   \r\n";
  ASSERT_TRUE(frontend_->SetClipboardText(text));
  // This process answers the paste only while it handles its messages.
  for (const char* selection : {"clipboard", "primary"}) {
    auto paste = std::async(std::launch::async, [&] {
      return desktop().Run({"xclip", "-o", "-selection", selection});
    });
    while (paste.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
      frontend_->ProcessPendingMessages();
    }
    display_testing::ToolResult pasted = paste.get();
    EXPECT_EQ(pasted.status, 0) << selection;
    EXPECT_EQ(pasted.out, text) << selection;
  }
}

}  // namespace
