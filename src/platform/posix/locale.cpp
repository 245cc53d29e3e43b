// Linux side of the host seam: the user's locale (case of letters, time separator).
#include <locale.h>

#include <cwctype>

#include "base/utf8.h"
#include "platform/host.h"

namespace platform {

namespace {

// The user's character classes; a UTF-8 locale when the user's own is not one, since file
// names here are UTF-8 whatever the locale says.
locale_t UserCtype() {
  static locale_t loc = [] {
    const char* names[] = {"", "C.UTF-8", "C.utf8"};
    for (const char* name : names) {
      locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
      if (l == static_cast<locale_t>(0)) continue;
      if (towlower_l(L'\u00C9', l) == L'\u00E9') return l;
      freelocale(l);
    }
    return static_cast<locale_t>(0);
  }();
  return loc;
}

}  // namespace

std::string LowerCaseForLocale(const std::string& text) {
  locale_t loc = UserCtype();
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    // An invalid byte stands for itself, so that it survives unchanged.
    const utf8::Decoded c = utf8::DecodeAt(text, i);
    i += c.length;
    if (!c.valid) {
      out += static_cast<char>(c.codePoint);
      continue;
    }
    char32_t cp = c.codePoint;
    if (loc != static_cast<locale_t>(0)) {
      cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
    } else if (cp >= U'A' && cp <= U'Z') {
      cp = cp - U'A' + U'a';
    }
    utf8::Append(out, cp);
  }
  return out;
}

std::string GetTimeSeparator() {
  return ":";
}

}  // namespace platform
