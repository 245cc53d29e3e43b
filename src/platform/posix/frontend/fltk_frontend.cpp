// The FLTK front-end: the upgrade dialog's window, the front-end's calls, and the module's entry.
//
// X11 has no hidden owner window: the application window is the title the taskbar shows (the
// dialog's icon name and every window's class). The dialog, the notice box and the message
// boxes are FLTK windows run by a local loop until they are dismissed; boxes are modal, so
// FLTK routes the other windows' input to them while they are shown.

// FLTK's own window for the selections (fl_message_window) is declared for its internals only.
#define FL_INTERNALS
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/posix/frontend/fltk_box.h"
#include "platform/posix/frontend/fltk_desktop.h"
#include "platform/posix/frontend/fltk_frame.h"
#include "platform/posix/frontend/frontend.h"

namespace platform::posix {

namespace {

// The upgrade dialog's button: Enter presses it as Space does, as a focused push button does.
class DialogButton : public Fl_Button {
 public:
  DialogButton(int x, int y, int w, int h) : Fl_Button(x, y, w, h) {}

  int handle(int event) override {
    if (event == FL_KEYBOARD && Fl::focus() == this &&
        (Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) &&
        (Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT)) == 0) {
      do_callback();
      return 1;
    }
    return Fl_Button::handle(event);
  }
};

// The upgrade dialog: a fixed-size window filled by its button, with only a close box. It
// closes on the close box and Alt+F4, never on Escape.
class DialogWindow : public Fl_Double_Window {
 public:
  DialogWindow(const DialogLayout& layout, const std::string& iconLabel,
               const std::function<void()>& onPress)
      : Fl_Double_Window(layout.left, layout.top, layout.clientWidth, layout.clientHeight),
        onPress_(onPress),
        button_(layout.buttonBounds.left, layout.buttonBounds.top, layout.buttonBounds.width,
                layout.buttonBounds.height) {
    end();
    copy_label(layout.caption.c_str());
    iconlabel(iconLabel.c_str());
    color(FL_BACKGROUND_COLOR);
    size_range(layout.clientWidth, layout.clientHeight, layout.clientWidth, layout.clientHeight);
    button_.copy_label(layout.buttonCaption.c_str());
    button_.labelfont(kButtonFont);
    button_.labelsize(layout.buttonFont.height);
    button_.labelcolor(FL_FOREGROUND_COLOR);
    button_.align(FL_ALIGN_CENTER | FL_ALIGN_CLIP);
    button_.callback(&DialogWindow::Pressed, this);
    callback(&DialogWindow::Closing, this);
  }

  DialogButton& button() { return button_; }

  int handle(int event) override {
    if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && Fl::event_key() == FL_F + 4 &&
        (Fl::event_state() & kModifiers) == FL_ALT) {
      hide();
      return 1;
    }
    return Fl_Double_Window::handle(event);
  }

 private:
  static void Pressed(Fl_Widget*, void* data) {
    auto* self = static_cast<DialogWindow*>(data);
    // A press while a box of the handler is shown, or queued while it ran, is not a new press.
    if (self->busy_) return;
    self->busy_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{self->busy_};
    self->onPress_();
  }

  // The window's callback runs for the close box and, by FLTK's default, for Escape.
  static void Closing(Fl_Widget* widget, void*) {
    if (Fl::event() == FL_CLOSE) static_cast<Fl_Window*>(widget)->hide();
  }

  std::function<void()> onPress_;
  DialogButton button_;
  bool busy_ = false;
};

class FltkFrontend : public Frontend {
 public:
  void CreateApplicationWindow(const std::string& title) override {
    title_ = title;
    // The class names the program to the taskbar; FLTK copies it. Every window carries the
    // program's icon.
    Fl_Window::default_xclass(title_.c_str());
    UseProgramIconOnWindows();
  }

  void DestroyApplicationWindow() override {
    Fl_Window::default_xclass(nullptr);
    title_.clear();
  }

  ScreenMetrics GetScreenMetrics() override {
    fl_open_display();
    int x, y, w, h;
    Fl::screen_xywh(x, y, w, h, 0);
    float horizontal = 0, vertical = 0;
    Fl::screen_dpi(horizontal, vertical, 0);
    ScreenMetrics metrics;
    metrics.width = w;
    metrics.height = h;
    if (vertical > 0) metrics.pixelsPerInch = static_cast<int>(std::lround(vertical));
    return metrics;
  }

  int GetFontTextHeight(const FontSpec& font, int pixelsPerInch) override {
    fl_open_display();
    if (font.height <= 0 || pixelsPerInch <= 0 || !HasFontFamily(font.face)) return 0;
    SetFontSlot(kMeasuredFont, font);
    // The character height follows the resolution, rounded to the nearest pixel.
    const int pixels = static_cast<int>(std::lround(font.height * pixelsPerInch / 96.0));
    fl_font(kMeasuredFont, pixels);
    return fl_height();
  }

  ShowResult RunDialog(const DialogLayout& layout, const std::function<void()>& onPress) override {
    fl_open_display();
    SetFontSlot(kButtonFont, layout.buttonFont);
    DialogWindow window(layout, title_, onPress);
    dialog_ = &window;
    ShowWithFrame(window, {.owned = true, .corner = std::pair(layout.left, layout.top)});
    window.button().take_focus();
    while (window.shown()) Fl::wait();
    dialog_ = nullptr;
    return {};  // FLTK has no way to tell that a window could not be made
  }

  ShowResult ShowNoticeBox(const std::string& caption, const std::string& text,
                           const std::string& buttonCaption,
                           const std::function<void()>& onCopy) override {
    RunBox({caption, text, buttonCaption, false, true, true, onCopy});
    return {};
  }

  void ShowMessageBox(MessageBoxKind kind, const std::string& caption,
                      const std::string& text) override {
    // The error box belongs to the dialog (or a box over it) while the dialog runs; the fatal
    // box belongs to no window.
    RunBox({caption, text, "OK", true, false, kind == MessageBoxKind::Error, {}});
  }

  std::optional<std::string> ChooseFile(const std::string& title) override {
    fl_open_display();
    return ChooseFileOnDisplay(title);
  }

  void ProcessPendingMessages() override { Fl::check(); }

  void Beep() override { fl_beep(); }

  bool SetClipboardText(const std::string& text) override {
    fl_open_display();
    int length = static_cast<int>(text.size());
    Fl::copy(text.data(), length, 1);
    Fl::copy(text.data(), length, 0);
    // The server ignores the claim when another program took the clipboard after the time
    // FLTK gives it (that of the last event); the text is on the clipboard once we own it.
    XSync(fl_display, False);
    Atom clipboard = XInternAtom(fl_display, "CLIPBOARD", False);
    return XGetSelectionOwner(fl_display, clipboard) == fl_message_window;
  }

 private:
  void RunBox(const BoxContent& content) {
    fl_open_display();
    {
      BoxWindow box(content);
      ShowWithFrame(box, {.owned = content.owned, .corner = std::nullopt});
      box.button().take_focus();
      while (box.shown()) Fl::wait();
    }
    // The dialog and its button get the focus back, as they do after a Windows message box.
    if (dialog_ != nullptr && dialog_->shown() && Fl::modal() == nullptr) {
      ActivateWindow(fl_xid(dialog_));
      dialog_->button().take_focus();
    }
  }

  std::string title_;
  DialogWindow* dialog_ = nullptr;  // the dialog while RunDialog runs
};

}  // namespace

std::unique_ptr<Frontend> NewFltkFrontend() {
  // FLTK ends the process when it cannot open its display, so try first.
  Display* probe = XOpenDisplay(nullptr);
  if (probe == nullptr) return nullptr;
  XCloseDisplay(probe);
  return std::make_unique<FltkFrontend>();
}

}  // namespace platform::posix

// The module's entry: the program loads this file only when it has a display to draw on.
extern "C" __attribute__((visibility("default"))) platform::posix::Frontend*
upgrade405_create_fltk_frontend() {
  return platform::posix::NewFltkFrontend().release();
}
