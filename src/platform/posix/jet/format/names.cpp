// Jet's rules for names and characters: how names compare, and how characters are counted.
#include "platform/posix/jet/format/names.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>

#include "base/utf8.h"

namespace platform {

namespace {

// Decodes one UTF-8 character at `i`; an invalid byte is returned as itself (negated, so that
// it never equals a character).
std::int64_t NextCharacter(std::string_view s, std::size_t& i) {
  const utf8::Decoded c = utf8::DecodeAt(s, i);
  i += c.length;
  return c.valid ? std::int64_t{c.codePoint} : -std::int64_t{c.codePoint} - 1;
}

// Case folding as Jet compares names: the C library's Unicode tables (C.UTF-8), or the ASCII
// and Latin-1 letters when that locale is missing.
std::int64_t Fold(std::int64_t c) {
  if (c < 0) return c;
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 != static_cast<locale_t>(nullptr)) {
    return static_cast<std::int64_t>(towlower_l(static_cast<wint_t>(c), utf8));
  }
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  return c;
}

}  // namespace

bool SameJetName(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (Fold(NextCharacter(a, i)) != Fold(NextCharacter(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

bool SameNameAsLibmdbReadsIt(std::string_view libmdbName, std::string_view name) {
  std::size_t i = 0, j = 0;
  while (j < name.size()) {
    const std::int64_t c = NextCharacter(name, j);
    if (c >= 0x10000) {
      if (libmdbName.substr(i, 2) != "??") return false;
      i += 2;
    } else if (i >= libmdbName.size() || NextCharacter(libmdbName, i) != c) {
      return false;
    }
  }
  return i == libmdbName.size();
}

std::size_t JetCharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::int64_t c = NextCharacter(utf8, i);
    count += c >= 0x10000 ? 2 : 1;
  }
  return count;
}

}  // namespace platform
