// The FLTK front-end's message boxes: the text wrapped as Windows wraps it, the stop icon, and
// the modal window that holds them.
#include "platform/posix/frontend/fltk_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <utility>

#include "base/utf8.h"
#include "platform/posix/frontend/fltk_frame.h"

namespace platform::posix {

namespace {

// Box layout, in pixels, after the look of the desktop's message boxes.
constexpr int kBoxMargin = 12;
constexpr int kIconSize = 32;
constexpr int kBoxButtonWidth = 88;
constexpr int kBoxButtonHeight = 26;
constexpr int kCaptionAllowance = 100;  // room the frame's icon and buttons take beside the caption

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

}  // namespace

BoxWindow::BoxWindow(const BoxContent& content)
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

int BoxWindow::handle(int event) {
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

}  // namespace platform::posix
