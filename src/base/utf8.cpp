#include "base/utf8.h"

namespace utf8 {

Decoded DecodeAt(std::string_view s, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(s[pos]);
  const std::size_t length = lead < 0x80         ? 1
                             : (lead >> 5) == 6  ? 2
                             : (lead >> 4) == 14 ? 3
                             : (lead >> 3) == 30 ? 4
                                                 : 0;
  const Decoded invalid{lead, 1, false};
  if (length == 0 || pos + length > s.size()) return invalid;
  char32_t value = length == 1   ? lead
                   : length == 2 ? (lead & 0x1F)
                   : length == 3 ? (lead & 0x0F)
                                 : (lead & 0x07);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(s[pos + k]);
    if ((next & 0xC0) != 0x80) return invalid;
    value = (value << 6) | (next & 0x3F);
  }
  return {value, length, true};
}

bool IsStrict(const Decoded& c) {
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  return c.valid && c.codePoint >= kLeast[c.length] && c.codePoint <= 0x10FFFF &&
         (c.codePoint < 0xD800 || c.codePoint > 0xDFFF);
}

void Append(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

bool IsText(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const Decoded c = DecodeAt(s, i);
    if (!IsStrict(c) || c.codePoint == 0) return false;
    i += c.length;
  }
  return true;
}

}  // namespace utf8
