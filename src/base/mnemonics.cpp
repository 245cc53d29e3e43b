#include "base/mnemonics.h"

std::string StripMnemonics(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && ++i >= text.size()) break;
    shown += text[i];
  }
  return shown;
}
