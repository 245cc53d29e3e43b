// Linux side of the ui seam: the front-end that draws the program's windows on a terminal.
//
// What is shown goes to `out` as blocks of lines (see the README for the protocol). When `keys`
// is false, every line of `in` is one user action on what is shown: "" or "enter", "space",
// "escape", "copy" (Ctrl+C), "close" (the close box); at the end of input whatever is shown is
// dismissed and the dialog closed. When `keys` is true, `in` is a terminal in raw mode and its
// keys act as they would on the window. A file chooser reads one line, the path, in either case.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "platform/posix/frontend/frontend.h"

namespace platform::posix {

class TerminalFrontend : public Frontend {
 public:
  enum class Action { Enter, Space, Escape, Copy, Close, EndOfInput };

  TerminalFrontend(std::istream& in, std::ostream& out, bool keys);

  void CreateApplicationWindow(const std::string& title) override;
  void DestroyApplicationWindow() override;
  ScreenMetrics GetScreenMetrics() override;
  int GetFontTextHeight(const FontSpec& font, int pixelsPerInch) override;
  ShowResult RunDialog(const DialogLayout& layout, const std::function<void()>& onPress) override;
  ShowResult ShowNoticeBox(const std::string& caption, const std::string& text,
                           const std::string& buttonCaption,
                           const std::function<void()>& onCopy) override;
  void ShowMessageBox(MessageBoxKind kind, const std::string& caption,
                      const std::string& text) override;
  std::optional<std::string> ChooseFile(const std::string& title) override;
  void ProcessPendingMessages() override;
  void Beep() override;
  bool SetClipboardText(const std::string& text) override;

 private:
  Action NextAction();
  Action NextLineAction();
  Action NextKeyAction();
  // Writes one block; `text` is written as it is shown, so mnemonics are resolved by the caller.
  void ShowBlock(const std::string& kind, const std::string& caption, const std::string* text,
                 const std::string& buttons);

  std::istream& in_;
  std::ostream& out_;
  bool keys_;
  bool ended_ = false;
};

}  // namespace platform::posix
