// UTF-8, the encoding of all the program's text: one decoder and one encoder for every part.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace utf8 {

// One character read from a text.
struct Decoded {
  char32_t codePoint;  // the character; for an invalid byte, that byte's value
  std::size_t length;  // bytes it takes, at least 1
  bool valid;          // false for a byte that starts no complete sequence
};

// Decodes the character that starts at s[pos] (pos < s.size()): a lead byte and as many
// continuation bytes as it announces. A byte that is not a lead byte, or whose sequence is cut
// short or broken, decodes alone as an invalid character of its own value, so that a caller
// that keeps invalid bytes as they are gets them back unchanged. Overlong forms and surrogates
// decode as the values they spell (IsText rejects them).
Decoded DecodeAt(std::string_view s, std::size_t pos);

// True when `c` is a character of strict UTF-8: valid, not an overlong form, not a surrogate,
// nothing above 0x10FFFF. A NUL is one here.
bool IsStrict(const Decoded& c);

// Appends `codePoint` (at most 0x10FFFF) encoded in UTF-8.
void Append(std::string& out, char32_t codePoint);

// True when `s` is text: no NUL, and valid UTF-8 in the strict sense (no overlong forms, no
// surrogates, nothing above 0x10FFFF).
bool IsText(std::string_view s);

}  // namespace utf8
