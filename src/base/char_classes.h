// What counts as a blank, and as a character of a bare name, in the texts the program reads.
//
// Blanks have three rules, one per kind of text, and they differ on purpose: a rule that skips a
// character takes it away from the text, so each reader skips only what its text can hold as
// padding. tests/base/char_classes_test.cpp sets the three side by side, byte by byte.
#pragma once

#include <string_view>

namespace text {

// The command line's blanks: every code from 1 to 32. The Windows program splits its command
// line at any control character, not only at spaces and tabs (NUL ends the line instead).
constexpr bool IsCommandLineBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}

// A connection string's blanks: space, tab, CR and LF, as OLE DB trims them around keys and
// unquoted values. A value is often a file name, so any other control character stays in it.
constexpr bool IsConnectionStringBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// `s` without the connection string's blanks at either end; what is left is a view into `s`.
constexpr std::string_view TrimConnectionStringBlanks(std::string_view s) {
  while (!s.empty() && IsConnectionStringBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsConnectionStringBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A statement's blanks: C's white space (space, tab, LF, VT, FF, CR). SQL text is laid out
// freely and a blank only ever stands between tokens, never inside a name, so none is lost.
constexpr bool IsStatementBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// A character of a bare name, a statement's word or a command parameter's name after ":": an
// ASCII letter or digit, "_", or any byte of a multibyte UTF-8 character, so that an accented
// name needs no quoting.
constexpr bool IsNameChar(char c) {
  return static_cast<unsigned char>(c) >= 0x80 || (c >= 'a' && c <= 'z') ||
         (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace text
