// Test side of the ui seam: windows that record what they show in fakes::Files().log and act as
// fakes::Ui() tells: the dialog is pressed so many times and closed, a box is dismissed at once,
// or a window cannot be created.
#include "fake_platform.h"
#include "platform/ui.h"

namespace platform {

namespace {

void Log(const std::string& entry) {
  fakes::Files().log.push_back(entry);
}

constexpr std::uint32_t kNotEnoughMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY

}  // namespace

void CreateApplicationWindow(const std::string& title) {
  Log("application-window " + title);
}

void DestroyApplicationWindow() {
  Log("application-window-destroyed");
}

ScreenMetrics GetScreenMetrics() {
  return {1024, 768, 96};
}

int GetFontTextHeight(const FontSpec&, int) {
  return 0;
}

ShowResult RunDialog(const DialogLayout&, const std::function<void()>& onPress) {
  if (fakes::Ui().refuseDialog) {
    Log("dialog refused");
    return {false, kNotEnoughMemory};
  }
  Log("dialog");
  for (int i = 0; i < fakes::Ui().dialogPresses; ++i) onPress();
  return {};
}

ShowResult ShowNoticeBox(const std::string&, const std::string& text, const std::string&,
                         const std::function<void()>&) {
  if (fakes::Ui().refuseNotice) {
    Log("notice refused");
    return {false, kNotEnoughMemory};
  }
  Log("notice " + text);
  return {};
}

void ShowMessageBox(MessageBoxKind kind, const std::string&, const std::string& text) {
  Log((kind == MessageBoxKind::Fatal ? "fatal-box " : "error-box ") + text);
}

DatabaseChoice ChooseDatabaseIfAsked(const std::string&, std::string&) {
  return DatabaseChoice::NotAsked;
}

void ProcessPendingMessages() {}

void Beep() {}

bool SetClipboardText(const std::string&) {
  return true;
}

}  // namespace platform
