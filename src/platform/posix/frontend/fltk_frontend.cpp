// Linux side of the ui seam: the program's windows on an X display, drawn with FLTK.
//
// X11 has no hidden owner window: the application window is the title the taskbar shows (the
// dialog's icon name and every window's class). The dialog, the notice box and the message
// boxes are FLTK windows run by a local loop until they are dismissed; boxes are modal, so
// FLTK routes the other windows' input to them while they are shown.
#include <fontconfig/fontconfig.h>

// FLTK's own window for the selections (fl_message_window) is declared for its internals only.
#define FL_INTERNALS
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "base/utf8.h"
#include "platform/posix/frontend/fltk_desktop.h"
#include "platform/posix/frontend/frontend.h"

namespace platform::posix {

namespace {

// Font slots of the program's own faces.
const Fl_Font kButtonFont = FL_FREE_FONT;
const Fl_Font kMeasuredFont = FL_FREE_FONT + 1;

// The message-box font: the desktop's sans face at its usual size.
const Fl_Font kMessageFont = FL_HELVETICA;
constexpr int kMessageFontSize = 14;

// Box layout, in pixels, after the look of the desktop's message boxes.
constexpr int kBoxMargin = 12;
constexpr int kIconSize = 32;
constexpr int kBoxButtonWidth = 88;
constexpr int kBoxButtonHeight = 26;
constexpr int kCaptionAllowance = 100;  // room the frame's icon and buttons take beside the caption

constexpr int kModifiers = FL_SHIFT | FL_CTRL | FL_ALT | FL_META;

// Puts the face of `font` in `slot`, by its Xft name (FLTK reads the first character as the
// style). FLTK keeps the name's pointer and compares with it at the next change, so the names
// live as long as the process.
void SetFontSlot(Fl_Font slot, const FontSpec& font) {
  static std::set<std::string> names;
  const std::string& name = *names.insert((font.bold ? "B" : " ") + font.face).first;
  Fl::set_font(slot, name.c_str());
}

// Windows shows CR LF, LF CR and a lone CR or LF each as one line break; FLTK breaks lines only
// at LF and would show a CR as "^M".
std::string WithLineBreaks(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      shown += c;
      continue;
    }
    shown += '\n';
    if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) {
      ++i;
    }
  }
  return shown;
}

// While it lives, fl_draw and fl_measure read '&' as the mnemonic marker: the '&' is not
// shown, the next character is underlined, "&&" shows one '&'.
class MnemonicDrawing {
 public:
  explicit MnemonicDrawing(bool on) : saved_(fl_draw_shortcut) { fl_draw_shortcut = on ? 1 : 0; }
  ~MnemonicDrawing() { fl_draw_shortcut = saved_; }
  MnemonicDrawing(const MnemonicDrawing&) = delete;
  MnemonicDrawing& operator=(const MnemonicDrawing&) = delete;

 private:
  char saved_;
};

// The width of one line in the current font, as fl_draw shows it.
int LineWidth(const std::string& line, bool mnemonics) {
  MnemonicDrawing drawing(mnemonics);
  int w = 0, h = 0;
  fl_measure(line.c_str(), w, h, 0);
  return w;
}

// The length of the character at `pos`: a whole UTF-8 sequence, and with mnemonics an '&'
// together with the character it marks, so that no line break falls between them.
std::size_t CharacterLength(const std::string& text, std::size_t pos, bool mnemonics) {
  std::size_t start = pos;
  if (mnemonics && text[pos] == '&' && pos + 1 < text.size()) ++start;
  return start + utf8::DecodeAt(text, start).length - pos;
}

// `text` broken into lines no wider than `maxWidth` in the current font: at spaces, and inside
// a word that is wider than a line by itself (as Windows breaks a long path).
std::string WrapText(const std::string& text, int maxWidth, bool mnemonics) {
  std::string wrapped;
  bool firstLine = true;
  auto emit = [&](const std::string& line) {
    if (!firstLine) wrapped += '\n';
    firstLine = false;
    wrapped += line;
  };
  std::size_t paragraphStart = 0;
  for (;;) {
    std::size_t paragraphEnd = text.find('\n', paragraphStart);
    std::string paragraph = text.substr(paragraphStart, paragraphEnd - paragraphStart);
    std::string line;
    bool lineStarted = false;
    std::size_t wordStart = 0;
    for (;;) {
      std::size_t wordEnd = paragraph.find(' ', wordStart);
      std::string word = paragraph.substr(wordStart, wordEnd - wordStart);
      std::string candidate = lineStarted ? line + " " + word : word;
      if (!lineStarted || LineWidth(candidate, mnemonics) <= maxWidth) {
        line = candidate;
      } else {
        emit(line);
        line = word;
      }
      lineStarted = true;
      // A word wider than a line is cut after the last character that fits.
      while (LineWidth(line, mnemonics) > maxWidth) {
        std::size_t cut = CharacterLength(line, 0, mnemonics);
        for (std::size_t next = cut; next < line.size();
             next += CharacterLength(line, next, mnemonics)) {
          std::size_t after = next + CharacterLength(line, next, mnemonics);
          if (LineWidth(line.substr(0, after), mnemonics) > maxWidth) break;
          cut = after;
        }
        if (cut >= line.size()) break;
        emit(line.substr(0, cut));
        line = line.substr(cut);
      }
      if (wordEnd == std::string::npos) break;
      wordStart = wordEnd + 1;
    }
    emit(line);
    if (paragraphEnd == std::string::npos) break;
    paragraphStart = paragraphEnd + 1;
  }
  return wrapped;
}

struct TextSize {
  int width = 0;
  int height = 0;
};

// The size of lines of text in the message font.
TextSize MeasureMessageText(const std::string& lines, bool mnemonics) {
  fl_font(kMessageFont, kMessageFontSize);
  MnemonicDrawing drawing(mnemonics);
  int w = 0, h = 0;
  fl_measure(lines.c_str(), w, h, 0);
  return {w, std::max(h, fl_height())};
}

// Whether a font whose family is exactly `family` is installed, without the substitution that
// drawing applies (which would answer "Arial" with Liberation Sans).
bool HasFontFamily(const std::string& family) {
  std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(),
                                                                  FcPatternDestroy);
  std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(FcObjectSetCreate(),
                                                                      FcObjectSetDestroy);
  if (!pattern || !objects) return false;
  const auto* name = reinterpret_cast<const FcChar8*>(family.c_str());
  if (!FcPatternAddString(pattern.get(), FC_FAMILY, name) ||
      !FcObjectSetAdd(objects.get(), FC_FAMILY)) {
    return false;
  }
  std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
      FcFontList(nullptr, pattern.get(), objects.get()), FcFontSetDestroy);
  return fonts && fonts->nfont > 0;
}

// Asks the window manager to activate `window` (EWMH), as the program itself would.
void ActivateWindow(Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // the request comes from an application
  event.xclient.data.l[1] = static_cast<long>(fl_event_time);
  XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(fl_display);
}

// Motif window-manager hints. Most window managers take the functions and decorations from
// them; openbox takes only moving and resizing, and keeps its minimise button.
struct MotifWmHints {
  unsigned long flags, functions, decorations;
  long inputMode;
  unsigned long status;
};
constexpr unsigned long kMwmHintsFunctions = 1, kMwmHintsDecorations = 2;
constexpr unsigned long kMwmFuncMove = 4, kMwmFuncClose = 32;
constexpr unsigned long kMwmDecorBorder = 2, kMwmDecorTitle = 8, kMwmDecorMenu = 16;

// How a window's frame is asked for.
struct FrameRequest {
  bool owned = true;  // transient for the window shown before it (FLTK's choice)
  // Where the frame's outer corner goes; by default FLTK's place for the client origin.
  std::optional<std::pair<int, int>> corner;
};

// Shows `window` with a frame that has only a title and a close box (no minimise, maximise or
// resizing: FLTK's own hints leave minimising). The window manager reads these properties when
// it takes the window on its map request, and FLTK maps the window inside show(); the server
// grab keeps the window manager from reading them before they are set.
void ShowWithFrame(Fl_Window& window, const FrameRequest& request) {
  fl_open_display();
  XGrabServer(fl_display);
  window.show();
  Window xid = fl_xid(&window);
  if (request.corner) {
    auto [x, y] = *request.corner;
    // North-west gravity puts the frame's corner at the position (FLTK asks for static
    // gravity, which puts the client origin there).
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
      long supplied = 0;
      XGetWMNormalHints(fl_display, xid, hints, &supplied);
      hints->flags |= PWinGravity | USPosition;
      hints->win_gravity = NorthWestGravity;
      hints->x = x;
      hints->y = y;
      XSetWMNormalHints(fl_display, xid, hints);
      XFree(hints);
    }
    // FLTK pulls a window that would stick out of the screen back onto it; this one stays
    // where it was designed to stand.
    XMoveWindow(fl_display, xid, x, y);
  }
  if (!request.owned) XDeleteProperty(fl_display, xid, XA_WM_TRANSIENT_FOR);
  MotifWmHints motif{kMwmHintsFunctions | kMwmHintsDecorations, kMwmFuncMove | kMwmFuncClose,
                     kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu, 0, 0};
  Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, xid, atom, atom, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&motif), 5);
  XUngrabServer(fl_display);
  XFlush(fl_display);
}

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

// The stop icon of the error boxes: a red disc with a white cross.
class StopIcon : public Fl_Widget {
 public:
  StopIcon(int x, int y, int size) : Fl_Widget(x, y, size, size) {}

  void draw() override {
    fl_color(fl_rgb_color(200, 30, 30));
    fl_pie(x(), y(), w(), h(), 0, 360);
    fl_color(FL_WHITE);
    fl_line_style(FL_SOLID | FL_CAP_ROUND, std::max(2, w() / 8));
    int inset = w() * 3 / 10;
    int left = x() + inset, right = x() + w() - 1 - inset;
    int top = y() + inset, bottom = y() + h() - 1 - inset;
    fl_line(left, top, right, bottom);
    fl_line(right, top, left, bottom);
    fl_line_style(0);
  }
};

// The text of a box, in the message font, wrapped into the widget's width.
class BoxText : public Fl_Widget {
 public:
  BoxText(int x, int y, int w, int h, std::string text, bool mnemonics)
      : Fl_Widget(x, y, w, h), text_(std::move(text)), mnemonics_(mnemonics) {}

  void draw() override {
    fl_font(kMessageFont, kMessageFontSize);
    fl_color(FL_FOREGROUND_COLOR);
    MnemonicDrawing drawing(mnemonics_);
    // Symbols off: an '@' in a path is text.
    fl_draw(text_.c_str(), x(), y(), w(), h(), FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE, nullptr, 0);
  }

 private:
  std::string text_;
  bool mnemonics_;
};

// What a box shows.
struct BoxContent {
  std::string caption;
  std::string text;
  std::string buttonCaption;
  bool stopIcon = false;
  bool mnemonics = false;
  bool owned = true;             // transient for the window shown last, if any
  std::function<void()> onCopy;  // Ctrl+C; empty for none
};

// A modal box: the text (and icon) above one button that is default and cancel at once, so
// Enter, Space, Escape, the close box and Alt+F4 all dismiss it.
class BoxWindow : public Fl_Double_Window {
 public:
  explicit BoxWindow(const BoxContent& content)
      : Fl_Double_Window(0, 0, 1, 1), onCopy_(content.onCopy) {
    copy_label(content.caption.c_str());
    int workX, workY, workW, workH;
    Fl::screen_work_area(workX, workY, workW, workH, 0);

    fl_font(kMessageFont, kMessageFontSize);
    std::string text =
        WrapText(WithLineBreaks(content.text), std::max(1, workW / 2), content.mnemonics);
    TextSize textSize = MeasureMessageText(text, content.mnemonics);
    int textLeft = kBoxMargin + (content.stopIcon ? kIconSize + kBoxMargin : 0);
    int bodyHeight = std::max(textSize.height, content.stopIcon ? kIconSize : 0);
    int textTop = kBoxMargin + (bodyHeight - textSize.height) / 2;

    fl_font(kMessageFont, kMessageFontSize);
    int buttonWidth =
        std::max(kBoxButtonWidth, static_cast<int>(fl_width(content.buttonCaption.c_str())) + 24);
    fl_font(kMessageFont + FL_BOLD, kMessageFontSize);
    int captionWidth = static_cast<int>(fl_width(content.caption.c_str())) + kCaptionAllowance;
    int width = std::max({textLeft + textSize.width + kBoxMargin, buttonWidth + 2 * kBoxMargin,
                          std::min(captionWidth, workW)});
    int buttonTop = kBoxMargin + bodyHeight + kBoxMargin;
    int height = buttonTop + kBoxButtonHeight + kBoxMargin;

    begin();
    if (content.stopIcon) new StopIcon(kBoxMargin, kBoxMargin, kIconSize);
    new BoxText(textLeft, textTop, textSize.width, textSize.height, text, content.mnemonics);
    button_ = new Fl_Button((width - buttonWidth) / 2, buttonTop, buttonWidth, kBoxButtonHeight);
    button_->copy_label(content.buttonCaption.c_str());
    button_->labelfont(kMessageFont);
    button_->labelsize(kMessageFontSize);
    button_->callback([](Fl_Widget* b, void*) { b->window()->hide(); });
    end();

    resize(workX + (workW - width) / 2, workY + (workH - height) / 2, width, height);
    size_range(width, height, width, height);
    color(FL_BACKGROUND_COLOR);
    set_modal();
    callback([](Fl_Widget* w, void*) { w->hide(); });  // close box and Escape
  }

  Fl_Button& button() { return *button_; }

  int handle(int event) override {
    if (event == FL_KEYBOARD) {
      int key = Fl::event_key();
      bool altF4 = key == FL_F + 4 && (Fl::event_state() & kModifiers) == FL_ALT;
      if (key == FL_Enter || key == FL_KP_Enter || key == FL_Escape || altF4) {
        hide();
        return 1;
      }
      if (key == 'c' && (Fl::event_state() & kModifiers) == FL_CTRL) {
        if (onCopy_) onCopy_();
        return 1;
      }
    }
    return Fl_Double_Window::handle(event);
  }

 private:
  std::function<void()> onCopy_;
  Fl_Button* button_ = nullptr;  // owned by the window
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
