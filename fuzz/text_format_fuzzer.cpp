// Fuzzes text::Format. The input is a format, then its arguments, separated by NUL bytes; an
// argument that starts with "#" is an integer, any other a text. Format never crashes and fails
// only with std::invalid_argument; a "%" inside an argument is never read as a directive; and a
// single directive gives what printf gives for it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "fuzz_check.h"

namespace {

constexpr std::size_t kMaxArgs = 8;

// Format's answer, or nothing when it refused the format.
bool TryFormat(const std::string& format, const std::vector<text::FormatArg>& args,
               std::string& out) {
  try {
    out = text::Format(format, args);
    return true;
  } catch (const std::invalid_argument&) {
    return false;
  }
}

std::string Printf(const std::string& directive, const char* text) {
  const int n = std::snprintf(nullptr, 0, directive.c_str(), text);
  FUZZ_CHECK(n >= 0);
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), directive.c_str(), text);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string Printf(const std::string& directive, long long value) {
  const int n = std::snprintf(nullptr, 0, directive.c_str(), value);
  FUZZ_CHECK(n >= 0);
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), directive.c_str(), value);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// One directive built from the first bytes of the input, compared with the C library's printf.
void CheckAgainstPrintf(std::string_view bytes, const text::FormatArg& arg) {
  if (bytes.size() < 4) return;
  const auto flags = static_cast<unsigned char>(bytes[0]);
  const int width = (static_cast<unsigned char>(bytes[1]) * 17) % 600 - 1;  // -1: none
  const int precision = (static_cast<unsigned char>(bytes[2]) * 13) % 300 - 1;
  const char conv = "duxXs"[static_cast<unsigned char>(bytes[3]) % 5];
  std::string directive = "%";
  if (flags & 1) directive += '-';
  if ((flags & 2) && conv != 's') directive += '0';
  if (width >= 0) directive += std::to_string(width);
  if (precision >= 0) directive += "." + std::to_string(precision);
  std::string formatted;
  if (conv == 's') {
    const auto* s = std::get_if<std::string>(&arg);
    if (s == nullptr || s->find('\0') != std::string::npos) return;
    FUZZ_CHECK(TryFormat(directive + conv, {arg}, formatted));
    FUZZ_CHECK(formatted == Printf(directive + conv, s->c_str()));
    return;
  }
  const auto* v = std::get_if<std::int64_t>(&arg);
  if (v == nullptr) return;
  long long value = *v;
  if (conv == 'u' && value < 0) return;
  if (conv == 'x' || conv == 'X') {
    // Integers that fit 32 bits print as the 32-bit program printed them.
    if (value < INT32_MIN || value > static_cast<long long>(UINT32_MAX)) return;
    value = static_cast<long long>(static_cast<std::uint32_t>(value));
  }
  FUZZ_CHECK(TryFormat(directive + conv, {arg}, formatted));
  FUZZ_CHECK(formatted == Printf(directive + "ll" + conv, value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t cut = input.find('\0');
    parts.push_back(input.substr(0, cut));
    if (cut == std::string_view::npos || parts.size() > kMaxArgs) break;
    input.remove_prefix(cut + 1);
  }
  const std::string format(parts[0]);
  std::vector<text::FormatArg> args, masked;
  for (std::size_t k = 1; k < parts.size(); ++k) {
    const std::string part(parts[k]);
    if (!part.empty() && part[0] == '#') {
      const std::int64_t value = std::strtoll(part.c_str() + 1, nullptr, 10);
      args.emplace_back(value);
      masked.emplace_back(value);
    } else {
      args.emplace_back(part);
      std::string m = part;
      for (char& c : m) {
        if (c == '%') c = 'P';
      }
      masked.emplace_back(m);
    }
  }

  std::string out;
  const bool ok = TryFormat(format, args, out);
  std::string again;
  FUZZ_CHECK(TryFormat(format, args, again) == ok);
  if (ok) FUZZ_CHECK(again == out);

  // A "%" in a text argument is a character like any other: replacing it changes nothing else.
  std::string maskedOut;
  FUZZ_CHECK(TryFormat(format, masked, maskedOut) == ok);
  if (ok) {
    FUZZ_CHECK(maskedOut.size() == out.size());
    for (std::size_t k = 0; k < out.size(); ++k) {
      FUZZ_CHECK(maskedOut[k] == out[k] || (out[k] == '%' && maskedOut[k] == 'P'));
    }
  }
  // A format without directives is itself.
  if (format.find('%') == std::string::npos) {
    FUZZ_CHECK(ok);
    FUZZ_CHECK(out == format);
  }
  for (const text::FormatArg& arg : args) {
    if (const auto* s = std::get_if<std::string>(&arg)) {
      std::string shown;
      FUZZ_CHECK(TryFormat("[%s]", {arg}, shown));
      FUZZ_CHECK(shown == "[" + *s + "]");
    }
  }
  if (!args.empty()) CheckAgainstPrintf(format, args[0]);
  return 0;
}
