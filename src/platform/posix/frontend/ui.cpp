// Linux side of the ui seam: each operation goes to the front-end chosen at start-up.
#include "platform/ui.h"

#include <vector>

#include "platform/host.h"
#include "platform/posix/frontend/frontend.h"

namespace platform {

namespace posix {

namespace {

Frontend* testFrontend = nullptr;

}  // namespace

Frontend& CurrentFrontend() {
  if (testFrontend != nullptr) return *testFrontend;
  static std::unique_ptr<Frontend> chosen = [] {
    std::unique_ptr<Frontend> f = LoadFltkFrontend();
    return f ? std::move(f) : MakeTerminalFrontend();
  }();
  return *chosen;
}

void SetFrontendForTesting(Frontend* frontend) {
  testFrontend = frontend;
}

}  // namespace posix

void CreateApplicationWindow(const std::string& title) {
  posix::CurrentFrontend().CreateApplicationWindow(title);
}
void DestroyApplicationWindow() {
  posix::CurrentFrontend().DestroyApplicationWindow();
}
ScreenMetrics GetScreenMetrics() {
  return posix::CurrentFrontend().GetScreenMetrics();
}
int GetFontTextHeight(const FontSpec& font, int pixelsPerInch) {
  return posix::CurrentFrontend().GetFontTextHeight(font, pixelsPerInch);
}
ShowResult RunDialog(const DialogLayout& layout, const std::function<void()>& onPress) {
  return posix::CurrentFrontend().RunDialog(layout, onPress);
}
ShowResult ShowNoticeBox(const std::string& caption, const std::string& text,
                         const std::string& buttonCaption, const std::function<void()>& onCopy) {
  return posix::CurrentFrontend().ShowNoticeBox(caption, text, buttonCaption, onCopy);
}
void ShowMessageBox(MessageBoxKind kind, const std::string& caption, const std::string& text) {
  posix::CurrentFrontend().ShowMessageBox(kind, caption, text);
}
DatabaseChoice ChooseDatabaseIfAsked(const std::string& title, std::string& path) {
  // Alone, as --help and --version are; with anything else it is ignored like any parameter.
  if (GetCommandLineParameters() != std::vector<std::string>{"--choose-db"}) {
    return DatabaseChoice::NotAsked;
  }
  std::optional<std::string> chosen = posix::CurrentFrontend().ChooseFile(title);
  if (!chosen || chosen->empty()) return DatabaseChoice::Cancelled;
  path = *chosen;
  return DatabaseChoice::Chosen;
}
void ProcessPendingMessages() {
  posix::CurrentFrontend().ProcessPendingMessages();
}
void Beep() {
  posix::CurrentFrontend().Beep();
}
bool SetClipboardText(const std::string& text) {
  return posix::CurrentFrontend().SetClipboardText(text);
}

}  // namespace platform
