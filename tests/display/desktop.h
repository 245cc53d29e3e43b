// What the display tests need of a real X desktop: the tools that inspect and drive windows
// (xdotool, xprop, xwininfo, wmctrl, xclip), a run of the real executable in the background,
// and an Xvfb of their own for another resolution.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"
#include "support/temp_dir.h"

namespace display_testing {

using WindowId = unsigned long;

// The tests' copy of the executable is named UPGRADE405, so its title is "Upgrade405": its
// boxes' title and its windows' class. The dialog is titled by its caption.
inline constexpr char kFileName[] = "UPGRADE405";
inline constexpr char kTitle[] = "Upgrade405";
inline constexpr char kBoxPattern[] = "^Upgrade405$";
inline constexpr char kDialogPattern[] = "^Mise-.+ 4\\.04 -> 4\\.05$";

// Waits until `condition` holds, for at most `seconds`; returns whether it held.
inline bool WaitUntil(const std::function<bool()>& condition, int seconds = 15) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

struct ToolResult {
  int status = -1;
  std::string out;
};

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

inline std::string Hex(WindowId id) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

// One X display and the tools that work on it.
class Desktop {
 public:
  explicit Desktop(std::string display) : display_(std::move(display)) {}

  const std::string& display() const { return display_; }

  ToolResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), "/usr/bin/env");
    testing_support::ProcessOptions options;
    options.env["DISPLAY"] = display_;
    options.timeoutSeconds = 20;
    testing_support::ProcessResult r = testing_support::RunProcess(args, options);
    return {r.exitCode, r.out};
  }

  // The mapped windows whose name matches `nameRegex`.
  std::vector<WindowId> FindWindows(const std::string& nameRegex) const {
    ToolResult r = Run({"xdotool", "search", "--onlyvisible", "--name", nameRegex});
    std::vector<WindowId> ids;
    std::size_t start = 0;
    while (start < r.out.size()) {
      std::size_t end = r.out.find('\n', start);
      if (end == std::string::npos) end = r.out.size();
      std::string line = r.out.substr(start, end - start);
      if (!line.empty()) ids.push_back(std::stoul(line));
      start = end + 1;
    }
    return ids;
  }

  // The one window whose name matches, once it is shown.
  std::optional<WindowId> WaitForWindow(const std::string& nameRegex) const {
    std::vector<WindowId> found;
    if (!WaitUntil([&] { return (found = FindWindows(nameRegex)).size() == 1; })) {
      return std::nullopt;
    }
    return found.front();
  }

  bool WaitUntilGone(const std::string& nameRegex) const {
    return WaitUntil([&] { return FindWindows(nameRegex).empty(); });
  }

  // A property as xprop prints it after "NAME = " (or "NAME: " for a window), or "" when the
  // window has none.
  std::string Property(WindowId id, const std::string& name) const {
    ToolResult r = Run({"xprop", "-id", Hex(id), "-notype", name});
    std::string value;
    for (const std::string& prefix : {name + " = ", name + ": window id # "}) {
      if (r.out.rfind(prefix, 0) == 0) value = r.out.substr(prefix.size());
    }
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
  }

  // Everything xprop prints about one property, for the multi-line ones.
  std::string PropertyText(WindowId id, const std::string& name) const {
    return Run({"xprop", "-id", Hex(id), name}).out;
  }

  // The client area in root coordinates.
  Geometry ClientGeometry(WindowId id) const {
    std::string info = Run({"xwininfo", "-id", Hex(id)}).out;
    auto field = [&](const std::string& label) {
      std::smatch m;
      std::regex pattern(label + R"(:\s+(-?\d+))");
      return std::regex_search(info, m, pattern) ? std::stoi(m[1]) : -1;
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height")};
  }

  // The frame's outer corner: the client origin less the frame's left and top extents.
  std::optional<std::pair<int, int>> FrameCorner(WindowId id) const {
    std::smatch m;
    std::string extents = Property(id, "_NET_FRAME_EXTENTS");
    if (!std::regex_match(extents, m, std::regex(R"((\d+), (\d+), (\d+), (\d+))"))) {
      return std::nullopt;
    }
    Geometry client = ClientGeometry(id);
    return std::pair{client.x - std::stoi(m[1]), client.y - std::stoi(m[3])};
  }

  Geometry ScreenSize() const {
    std::smatch m;
    std::string info = Run({"xdpyinfo"}).out;
    if (!std::regex_search(info, m, std::regex(R"(dimensions:\s+(\d+)x(\d+) pixels)"))) return {};
    return {0, 0, std::stoi(m[1]), std::stoi(m[2])};
  }

  std::optional<WindowId> ActiveWindow() const {
    ToolResult r = Run({"xdotool", "getactivewindow"});
    if (r.status != 0) return std::nullopt;
    return std::stoul(r.out);
  }

  bool WaitUntilActive(WindowId id) const {
    return WaitUntil([&] { return ActiveWindow() == id; });
  }

  // Key strokes as xdotool names them ("Return", "ctrl+c"), to the window that has the focus.
  void Key(const std::string& keys) const { Run({"xdotool", "key", keys}); }

  // Activates `id`, then types `keys` into it.
  ::testing::AssertionResult KeyInto(WindowId id, const std::string& keys) const {
    Run({"xdotool", "windowactivate", Hex(id)});
    if (!WaitUntilActive(id)) {
      return ::testing::AssertionFailure() << "window " << Hex(id) << " never became active";
    }
    Key(keys);
    return ::testing::AssertionSuccess();
  }

  // The window manager's close, as the close box does it.
  void CloseByWindowManager(WindowId id) const { Run({"wmctrl", "-i", "-c", Hex(id)}); }

  std::string Clipboard() const { return Run({"xclip", "-o", "-selection", "clipboard"}).out; }

 private:
  std::string display_;
};

// The real executable, copied into a temporary folder under the name `fileName`, so that its
// title follows that name and its journal stays in the folder.
class Executable {
 public:
  explicit Executable(const std::string& fileName) : path_(folder_.File(fileName)) {
    std::filesystem::copy_file(UPGRADE405_EXE, path_);
    // The windows are drawn by the FLTK module, which the program loads from beside itself.
    const auto module = std::filesystem::path(UPGRADE405_EXE).parent_path() / "upgrade405-fltk.so";
    std::filesystem::copy_file(module, folder_.path() / module.filename());
  }
  const std::string& path() const { return path_; }
  const testing_support::TempDir& folder() const { return folder_; }

 private:
  testing_support::TempDir folder_;
  std::string path_;
};

// A run of a program in the background, in the test's folder or `workingDirectory`. When the
// test leaves it running, its windows' X
// connection is killed so that it ends.
class ProgramRun {
 public:
  ProgramRun(const Desktop& desktop, std::vector<std::string> argv, std::string windowClass,
             std::string workingDirectory = "")
      : desktop_(desktop), windowClass_(std::move(windowClass)) {
    testing_support::ProcessOptions options;
    options.env["DISPLAY"] = desktop.display();
    options.workingDirectory = std::move(workingDirectory);
    options.timeoutSeconds = 60;
    result_ = std::async(std::launch::async, [argv = std::move(argv), options] {
      return testing_support::RunProcess(argv, options);
    });
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  ~ProgramRun() {
    if (!result_.valid()) return;
    while (result_.wait_for(std::chrono::milliseconds(200)) != std::future_status::ready) {
      desktop_.Run({"xdotool", "search", "--class", "^" + windowClass_ + "$", "windowkill"});
    }
  }

  bool Finished() const {
    return result_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  }

  // Waits for the end (the run is killed after a minute).
  testing_support::ProcessResult Finish() { return result_.get(); }

 private:
  const Desktop& desktop_;
  std::string windowClass_;
  std::future<testing_support::ProcessResult> result_;
};

// Tests on the display named by DISPLAY, which the test command sets up with a window manager.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
      GTEST_SKIP() << "DISPLAY is not set: run the display tests through "
                      "scripts/with_display.sh, which starts Xvfb and openbox";
    }
    desktop_.emplace(display);
  }

  const Desktop& desktop() const { return *desktop_; }

 private:
  std::optional<Desktop> desktop_;
};

// A program of the test's own in the background on `display`, ended by its id when the
// object goes. Its standard input is `input`; its standard error can be waited on.
class BackgroundProcess {
 public:
  BackgroundProcess(std::vector<std::string> args, const std::string& display,
                    const std::string& input = "") {
    int in[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(err, O_CLOEXEC) != 0) {
      close(in[0]);
      close(in[1]);
      return;
    }
    // env finds the program on PATH and becomes it, so the pid is the program's.
    args.insert(args.begin(), "/usr/bin/env");
    pid_ = testing_support::StartChild(args, {.in = in[0],
                                              .out = -1,
                                              .err = err[1],
                                              .env = {{"DISPLAY", display}},
                                              .workingDirectory = {},
                                              .beforeExec = {}});
    close(in[0]);
    close(err[1]);
    errFd_ = err[0];
    // Small inputs fit in the pipe at once.
    if (pid_ > 0 && !input.empty() && write(in[1], input.data(), input.size()) < 0) Stop();
    close(in[1]);
  }
  ~BackgroundProcess() {
    Stop();
    if (errFd_ >= 0) close(errFd_);
  }
  BackgroundProcess(const BackgroundProcess&) = delete;
  BackgroundProcess& operator=(const BackgroundProcess&) = delete;

  bool Running() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
    return pid_ > 0;
  }

  // Reads standard error until `text` appears in it; false when the program ends first or
  // after `seconds`.
  bool WaitForError(const std::string& text, int seconds = 15) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (errors_.find(text) == std::string::npos) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                      deadline - std::chrono::steady_clock::now())
                      .count();
      pollfd fd{errFd_, POLLIN, 0};
      if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) return false;
      char buffer[512];
      ssize_t n = read(errFd_, buffer, sizeof buffer);
      if (n <= 0) return false;
      errors_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    testing_support::WaitForChild(pid_);
    pid_ = -1;
  }

 private:
  int pid_ = -1;
  int errFd_ = -1;
  std::string errors_;
};

// Another program holding the clipboard with `text`: an xclip, which gives the clipboard up
// when a program takes it.
class ClipboardHolder {
 public:
  ClipboardHolder(const Desktop& desktop, const std::string& text)
      : xclip_({"xclip", "-i", "-selection", "clipboard", "-quiet"}, desktop.display(), text) {
    // In the foreground, xclip says so once it owns the clipboard.
    holding_ = xclip_.WaitForError("Waiting for selection request");
  }
  bool holding() const { return holding_; }
  // Whether xclip still holds the clipboard (it ends when it loses it).
  bool StillHolding() { return xclip_.Running(); }

 private:
  BackgroundProcess xclip_;
  bool holding_ = false;
};

// Which face stands for the window font ("MS Sans Serif") for as long as a ScopedWindowFont lives.
enum class WindowFont {
  Absent,     // the family is rejected, whatever the machine has installed
  Installed,  // Liberation Sans, installed once more under the family name "MS Sans Serif"
};

// A fontconfig configuration of the test's own, in force for this process and the programs it
// starts (FONTCONFIG_FILE) while it lives: the system's configuration, then the window font as
// asked. The installed face is the system's Liberation Sans file, linked into a folder of the
// test's own and renamed when fontconfig scans that folder; nothing is downloaded.
class ScopedWindowFont {
 public:
  explicit ScopedWindowFont(WindowFont font) {
    if (const char* current = std::getenv("FONTCONFIG_FILE")) saved_ = current;
    const std::string dir = folder_.path().string();
    std::string rule;
    if (font == WindowFont::Installed) {
      testing_support::ProcessResult match = testing_support::RunProcess(
          {"/usr/bin/env", "fc-match", "-f", "%{file}", "Liberation Sans"});
      std::filesystem::create_directories(dir + "/fonts");
      std::error_code error;
      std::filesystem::create_symlink(match.out, dir + "/fonts/window-font.ttf", error);
      ready_ = !error && match.out.find("LiberationSans") != std::string::npos;
      rule = "  <dir>" + dir +
             "/fonts</dir>\n"
             "  <match target=\"scan\">\n"
             "    <test name=\"file\" compare=\"contains\"><string>" +
             dir +
             "/fonts/</string></test>\n"
             "    <edit name=\"family\" mode=\"assign\" binding=\"same\">"
             "<string>MS Sans Serif</string></edit>\n"
             "  </match>\n";
    } else {
      ready_ = true;
      rule =
          "  <selectfont><rejectfont><pattern><patelt name=\"family\"><string>MS Sans Serif"
          "</string></patelt></pattern></rejectfont></selectfont>\n";
    }
    testing_support::WriteFile(dir + "/fonts.conf",
                               "<?xml version=\"1.0\"?>\n"
                               "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
                               "<fontconfig>\n"
                               "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
                               "  <cachedir>" +
                                   dir + "/cache</cachedir>\n" + rule + "</fontconfig>\n");
    setenv("FONTCONFIG_FILE", (dir + "/fonts.conf").c_str(), 1);
  }
  ScopedWindowFont(const ScopedWindowFont&) = delete;
  ScopedWindowFont& operator=(const ScopedWindowFont&) = delete;
  ~ScopedWindowFont() {
    if (saved_) {
      setenv("FONTCONFIG_FILE", saved_->c_str(), 1);
    } else {
      unsetenv("FONTCONFIG_FILE");
    }
  }

  // False when the face to install could not be found on this machine.
  bool ready() const { return ready_; }

 private:
  testing_support::TempDir folder_;
  std::optional<std::string> saved_;
  bool ready_ = false;
};

// An Xvfb of the test's own, without a window manager, on the first free display number after
// the current one.
class ScopedXvfb {
 public:
  ScopedXvfb(const std::string& screen, int dpi) {
    int first = 50;
    if (const char* current = std::getenv("DISPLAY"); current != nullptr && current[0] == ':') {
      first = std::atoi(current + 1) + 1;
    }
    for (int number = first; number < first + 50 && !server_; ++number) {
      if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
      std::string display = ":" + std::to_string(number);
      server_.emplace(std::vector<std::string>{"Xvfb", display, "-screen", "0", screen, "-dpi",
                                               std::to_string(dpi), "-nolisten", "tcp", "-noreset"},
                      display);
      Desktop desktop(display);
      // A lost race for the number ends the server at once.
      WaitUntil([&] { return !server_->Running() || desktop.Run({"xdpyinfo"}).status == 0; });
      if (server_->Running()) {
        display_ = display;
      } else {
        server_.reset();
      }
    }
  }

  // The display, or "" when no server could be started.
  const std::string& display() const { return display_; }

 private:
  std::optional<BackgroundProcess> server_;
  std::string display_;
};

}  // namespace display_testing
