// The FLTK front-end's message boxes: a modal window with its text, an optional stop icon and
// one button.
#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>

#include <functional>
#include <string>

namespace platform::posix {

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
  // Lays the box out for `content`, centred in the screen's work area; show it with
  // ShowWithFrame.
  explicit BoxWindow(const BoxContent& content);

  Fl_Button& button() { return *button_; }

  int handle(int event) override;

 private:
  std::function<void()> onCopy_;
  Fl_Button* button_ = nullptr;  // owned by the window
};

}  // namespace platform::posix
