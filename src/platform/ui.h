// The user interface: the application window, the upgrade dialog, the notice box, the two
// message boxes, the clipboard and the screen.
//
// Everything runs on the one user-interface thread and every call that shows something returns
// when it is dismissed. Callbacks the program passes in must not throw: the program catches
// its own exceptions before they reach the platform. Text is UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace platform {

// The hidden application window: owns the dialog and boxes and carries the taskbar entry with
// `title`. Created once at start-up, destroyed at shutdown.
void CreateApplicationWindow(const std::string& title);
void DestroyApplicationWindow();

struct ScreenMetrics {
  int width = 0;
  int height = 0;
  int pixelsPerInch = 96;
};
ScreenMetrics GetScreenMetrics();

struct FontSpec {
  std::string face;
  int height = 0;  // character height in pixels
  bool bold = false;
};

// The text height (ascent plus descent plus internal leading) of `font`, whose character height
// is given for 96 pixels per inch, drawn for a screen of `pixelsPerInch` (where its character
// height follows the resolution); 0 when the platform does not have the font.
int GetFontTextHeight(const FontSpec& font, int pixelsPerInch);

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

// The upgrade dialog: a fixed-size dialog-framed window with one push button that fills it.
struct DialogLayout {
  std::string caption;
  int left = 0, top = 0;  // screen position of the window's top-left corner
  int clientWidth = 0, clientHeight = 0;
  FontSpec windowFont;
  Rect buttonBounds;
  std::string buttonCaption;
  FontSpec buttonFont;
};

// What became of a window the program asked to show: it was shown and is gone again (the user
// closed or dismissed it), or it could not be created and nothing was shown; `systemError` is
// then the system's error code for why (0 when the system gave none).
struct ShowResult {
  bool shown = true;
  std::uint32_t systemError = 0;
};

// Shows the dialog with the button focused and runs the message loop until the user closes it.
// `onPress` runs for every press of the button (click, Space, Enter).
ShowResult RunDialog(const DialogLayout& layout, const std::function<void()>& onPress);

// The notice box: a modal window with the text above one button that is both default and
// cancel, centred on the screen. An '&' in `text` marks the next character as a mnemonic.
// `onCopy` runs when the user presses Ctrl+C while the box is shown.
ShowResult ShowNoticeBox(const std::string& caption, const std::string& text,
                         const std::string& buttonCaption, const std::function<void()>& onCopy);

enum class MessageBoxKind {
  Error,  // owned by the application window, stop icon, OK (MB_OK | MB_ICONSTOP)
  Fatal,  // no owner, modal for the whole task, error icon, OK (MB_TASKMODAL | MB_ICONERROR)
};
void ShowMessageBox(MessageBoxKind kind, const std::string& caption, const std::string& text);

// How the database was named at start-up.
enum class DatabaseChoice {
  NotAsked,   // by the command line, as always
  Chosen,     // by the user, in the file chooser the command line asked for
  Cancelled,  // the user closed that chooser without a file
};

// On Linux, when the one parameter is `--choose-db` (the menu launcher's command): asks the user
// for the database file, with the desktop's file chooser titled `title` (or on the terminal
// without a display), and sets `path` to the file chosen. NotAsked for any other command line
// and always on Windows, which has no such parameter.
DatabaseChoice ChooseDatabaseIfAsked(const std::string& title, std::string& path);

// Lets the window system handle what is pending, for a caller that waits on the thread.
void ProcessPendingMessages();

// The default beep.
void Beep();

// Puts plain text on the clipboard; false when it could not be put there (the clipboard cannot
// be opened, or the memory for the text cannot be had or handed over).
bool SetClipboardText(const std::string& text);

}  // namespace platform
