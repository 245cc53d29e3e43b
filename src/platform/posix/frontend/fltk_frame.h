// How the FLTK front-end's windows are framed and lettered: the font slots, the frame asked of
// the window manager, and activation.
#pragma once

#include <FL/Enumerations.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <optional>
#include <string>
#include <utility>

#include "platform/posix/frontend/frontend.h"

namespace platform::posix {

// Font slots of the program's own faces.
const Fl_Font kButtonFont = FL_FREE_FONT;
const Fl_Font kMeasuredFont = FL_FREE_FONT + 1;

// The message-box font: the desktop's sans face at its usual size.
const Fl_Font kMessageFont = FL_HELVETICA;
constexpr int kMessageFontSize = 14;

// The modifier keys, for shortcuts that must be pressed with none but their own.
constexpr int kModifiers = FL_SHIFT | FL_CTRL | FL_ALT | FL_META;

// Puts the face of `font` in `slot`, by its Xft name (FLTK reads the first character as the
// style).
void SetFontSlot(Fl_Font slot, const FontSpec& font);

// Whether a font whose family is exactly `family` is installed, without the substitution that
// drawing applies (which would answer "Arial" with Liberation Sans).
bool HasFontFamily(const std::string& family);

// Asks the window manager to activate `window` (EWMH), as the program itself would.
void ActivateWindow(Window window);

// How a window's frame is asked for.
struct FrameRequest {
  bool owned = true;  // transient for the window shown before it (FLTK's choice)
  // Where the frame's outer corner goes; by default FLTK's place for the client origin.
  std::optional<std::pair<int, int>> corner;
};

// Shows `window` with a frame that has only a title and a close box (no minimise, maximise or
// resizing), owned and placed as `request` asks.
void ShowWithFrame(Fl_Window& window, const FrameRequest& request);

}  // namespace platform::posix
