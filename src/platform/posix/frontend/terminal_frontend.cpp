// Linux side of the ui seam: the terminal front-end, for when no display can be opened.
#include "platform/posix/frontend/terminal_frontend.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "base/mnemonics.h"

namespace platform::posix {

namespace {

// Raw keys for as long as it lives, when standard input is a terminal.
class RawTerminal {
 public:
  RawTerminal() {
    if (tcgetattr(0, &saved_) != 0) return;
    termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    active_ = tcsetattr(0, TCSANOW, &raw) == 0;
  }
  ~RawTerminal() {
    if (active_) tcsetattr(0, TCSANOW, &saved_);
  }
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

std::string Base64(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                 static_cast<unsigned char>(bytes[i + 1]) << 8 |
                 static_cast<unsigned char>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
  }
  if (i < bytes.size()) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool ByteWithin(int milliseconds) {
  pollfd fd{0, POLLIN, 0};
  return poll(&fd, 1, milliseconds) > 0;
}

}  // namespace

TerminalFrontend::TerminalFrontend(std::istream& in, std::ostream& out, bool keys)
    : in_(in), out_(out), keys_(keys) {}

void TerminalFrontend::CreateApplicationWindow(const std::string&) {}
void TerminalFrontend::DestroyApplicationWindow() {}

ScreenMetrics TerminalFrontend::GetScreenMetrics() {
  return {1024, 768, 96};
}

// A terminal has no fonts: the layout keeps its designed sizes.
int TerminalFrontend::GetFontTextHeight(const FontSpec&, int) {
  return 0;
}

void TerminalFrontend::ShowBlock(const std::string& kind, const std::string& caption,
                                 const std::string* text, const std::string& buttons) {
  out_ << "=== " << kind << "\nCaption: " << caption << "\n";
  if (text != nullptr) out_ << "Text: " << *text << "\n";
  out_ << "Buttons: [" << buttons << "]\n";
  out_.flush();
}

TerminalFrontend::Action TerminalFrontend::NextLineAction() {
  std::string line;
  for (;;) {
    if (!std::getline(in_, line)) return Action::EndOfInput;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line == "enter") return Action::Enter;
    if (line == "space") return Action::Space;
    if (line == "escape") return Action::Escape;
    if (line == "copy") return Action::Copy;
    if (line == "close") return Action::Close;
    std::cerr << "upgrade405: unknown action '" << line << "' ignored\n";
  }
}

TerminalFrontend::Action TerminalFrontend::NextKeyAction() {
  RawTerminal raw;
  for (;;) {
    char c = 0;
    if (read(0, &c, 1) != 1) return Action::EndOfInput;
    switch (c) {
      case '\r':
      case '\n':
        return Action::Enter;
      case ' ':
        return Action::Space;
      case 0x03:  // Ctrl+C
        return Action::Copy;
      case 0x04:  // Ctrl+D: the close box
        return Action::Close;
      case 0x1b: {
        // Escape alone, or the start of a key sequence (Alt+F4 is "ESC [ 1 ; 3 S").
        if (!ByteWithin(50)) return Action::Escape;
        std::string seq;
        while (ByteWithin(10) && seq.size() < 16) {
          char s = 0;
          if (read(0, &s, 1) != 1) break;
          seq += s;
          if ((s >= 'A' && s <= 'Z') || (s >= 'a' && s <= 'z') || s == '~') break;
        }
        if (seq == "[1;3S") return Action::Close;
        break;
      }
      default:
        break;
    }
  }
}

TerminalFrontend::Action TerminalFrontend::NextAction() {
  if (ended_) return Action::EndOfInput;
  Action a = keys_ ? NextKeyAction() : NextLineAction();
  if (a == Action::EndOfInput) ended_ = true;
  return a;
}

ShowResult TerminalFrontend::RunDialog(const DialogLayout& layout,
                                       const std::function<void()>& onPress) {
  ShowBlock("Dialog", layout.caption, nullptr, StripMnemonics(layout.buttonCaption));
  for (;;) {
    switch (NextAction()) {
      case Action::Enter:
      case Action::Space:
        onPress();
        break;
      case Action::Close:
      case Action::EndOfInput:
        return {};
      case Action::Escape:
      case Action::Copy:
        break;
    }
  }
}

ShowResult TerminalFrontend::ShowNoticeBox(const std::string& caption, const std::string& text,
                                           const std::string& buttonCaption,
                                           const std::function<void()>& onCopy) {
  // Only the notice box reads '&' as a mnemonic; the message boxes show it as it stands.
  const std::string shown = StripMnemonics(text);
  ShowBlock("NoticeBox", caption, &shown, StripMnemonics(buttonCaption));
  for (;;) {
    Action a = NextAction();
    if (a == Action::Copy) {
      onCopy();
    } else {
      return {};
    }
  }
}

void TerminalFrontend::ShowMessageBox(MessageBoxKind kind, const std::string& caption,
                                      const std::string& text) {
  ShowBlock(kind == MessageBoxKind::Error ? "ErrorBox" : "FatalErrorBox", caption, &text, "OK");
  while (NextAction() == Action::Copy) {
  }
}

// The path is one line, typed at the prompt on a terminal; an empty line or the end of input
// cancels.
std::optional<std::string> TerminalFrontend::ChooseFile(const std::string& title) {
  out_ << "=== FileChooser\nCaption: " << title << (keys_ ? "\nPath: " : "\nPath:\n");
  out_.flush();
  std::string line;
  if (ended_ || !std::getline(in_, line)) {
    ended_ = true;
    if (keys_) out_ << "\n";
    return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty()) return std::nullopt;
  return line;
}

void TerminalFrontend::ProcessPendingMessages() {}

void TerminalFrontend::Beep() {
  if (keys_) {
    out_ << '\a';
  } else {
    out_ << "=== Beep\n";
  }
  out_.flush();
}

bool TerminalFrontend::SetClipboardText(const std::string& text) {
  if (keys_) {
    // The terminal's own clipboard, where it supports the OSC 52 sequence.
    out_ << "\x1b]52;c;" << Base64(text) << '\a';
  } else {
    out_ << "=== Clipboard\n" << text << "\n";
  }
  out_.flush();
  return true;
}

std::unique_ptr<Frontend> MakeTerminalFrontend() {
  return std::make_unique<TerminalFrontend>(std::cin, std::cout, isatty(0) == 1);
}

}  // namespace platform::posix
