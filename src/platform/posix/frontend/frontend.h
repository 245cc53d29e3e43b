// Linux side of the ui seam: the front-ends that can draw the program's windows. The FLTK and
// terminal front-ends live in one binary and are chosen at start-up, so they share this
// interface; tests put a front-end of their own in place.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui.h"

namespace platform::posix {

class Frontend {
 public:
  virtual ~Frontend() = default;
  virtual void CreateApplicationWindow(const std::string& title) = 0;
  virtual void DestroyApplicationWindow() = 0;
  virtual ScreenMetrics GetScreenMetrics() = 0;
  virtual int GetFontTextHeight(const FontSpec& font, int pixelsPerInch) = 0;
  virtual ShowResult RunDialog(const DialogLayout& layout,
                               const std::function<void()>& onPress) = 0;
  virtual ShowResult ShowNoticeBox(const std::string& caption, const std::string& text,
                                   const std::string& buttonCaption,
                                   const std::function<void()>& onCopy) = 0;
  virtual void ShowMessageBox(MessageBoxKind kind, const std::string& caption,
                              const std::string& text) = 0;
  // Asks for an existing file, titled `title`: its path, or nothing when the user cancels.
  virtual std::optional<std::string> ChooseFile(const std::string& title) = 0;
  virtual void ProcessPendingMessages() = 0;
  virtual void Beep() = 0;
  virtual bool SetClipboardText(const std::string& text) = 0;
};

// The FLTK front-end, or nullptr when no display can be opened. It lives in a module of its own
// beside the executable (upgrade405-fltk.so), loaded only here, so that a run without a display
// never loads FLTK and X11; a module that cannot be loaded gives nullptr and a warning on
// standard error.
std::unique_ptr<Frontend> LoadFltkFrontend();
// The FLTK front-end made in this process, or nullptr without a display: the module's own
// maker, for a test that links the FLTK front-end in.
std::unique_ptr<Frontend> NewFltkFrontend();
// The terminal front-end on the process's standard input and output.
std::unique_ptr<Frontend> MakeTerminalFrontend();

// The front-end in use: chosen on first use (FLTK when a display opens, else the terminal).
Frontend& CurrentFrontend();

// Puts `frontend` in place of the chosen one until it is called again with nullptr. The caller
// keeps ownership.
void SetFrontendForTesting(Frontend* frontend);

}  // namespace platform::posix
