// Text helpers shared by the program's rules. All text is UTF-8 in std::string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace text {

using FormatArg = std::variant<std::string, std::int64_t>;

// printf-like formatting with the program's own arguments: "%s" takes a text, "%d" and "%u" a
// signed or unsigned integer, "%x" and "%X" an integer in hexadecimal (of its 32 low bits when it
// fits, as the 32-bit program printed it); flags "-" and "0", a width and a precision are
// honoured as printf does; "%%" is one percent sign. Arguments are never read as formats, so a
// "%" inside a text argument stays as it is. A directive without a matching argument, or of the
// wrong kind, is an error (std::invalid_argument).
std::string Format(const std::string& format, const std::vector<FormatArg>& args);

// Removes trailing characters while the last one is a full stop or has a code of 32 or below.
std::string TrimTrailingDotsAndControls(const std::string& s);

// Removes leading and trailing characters whose code is at most that of the space.
std::string TrimControls(const std::string& s);

// ASCII-only case changes: the letters A to Z and a to z, every other byte as it is.
std::string AsciiLower(std::string_view s);
std::string AsciiUpper(std::string_view s);

// A name or a path as the program's French messages quote it: between « and », each with a
// space inside.
std::string QuoteName(std::string_view name);

// Replaces every occurrence of `from` (non-empty) by `to`, scanning left to right.
std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to);

// `a * b / c` rounded to nearest, halves away from zero (the Windows MulDiv rule).
int MulDiv(int a, int b, int c);

}  // namespace text
