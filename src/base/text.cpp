#include "base/text.h"

#include <cstdio>
#include <stdexcept>

namespace text {

namespace {

// Pads `body` to `width` with spaces (on the left, or the right with '-').
std::string Pad(std::string body, int width, bool left) {
  if (width > 0 && static_cast<int>(body.size()) < width) {
    std::string fill(static_cast<std::size_t>(width) - body.size(), ' ');
    body = left ? body + fill : fill + body;
  }
  return body;
}

std::string FormatInteger(const FormatArg& arg, char conv, bool zero, bool left, int width,
                          int precision) {
  const auto* value = std::get_if<std::int64_t>(&arg);
  if (value == nullptr) throw std::invalid_argument("format: integer directive given a text");
  std::string directive = "%";
  if (left) directive += '-';
  if (zero) directive += '0';
  if (width >= 0) directive += std::to_string(width);
  if (precision >= 0) directive += '.' + std::to_string(precision);
  directive += conv == 'd' ? "lld" : (conv == 'u' ? "llu" : (conv == 'x' ? "llx" : "llX"));
  long long v = *value;
  if ((conv == 'x' || conv == 'X') && v >= INT32_MIN && v <= UINT32_MAX) {
    v = static_cast<long long>(static_cast<std::uint32_t>(v));
  }
  // Width and precision may ask for thousands of characters: size the result first.
  const int length = std::snprintf(nullptr, 0, directive.c_str(), v);
  if (length < 0) throw std::invalid_argument("format: integer directive not printable");
  std::string out(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(out.data(), out.size(), directive.c_str(), v);
  out.resize(static_cast<std::size_t>(length));
  return out;
}

}  // namespace

std::string Format(const std::string& format, const std::vector<FormatArg>& args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= format.size()) throw std::invalid_argument("format: lone '%' at the end");
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    bool left = false, zero = false;
    for (; i < format.size() && (format[i] == '-' || format[i] == '0'); ++i) {
      (format[i] == '-' ? left : zero) = true;
    }
    int width = -1, precision = -1;
    for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
      width = (width < 0 ? 0 : width) * 10 + (format[i] - '0');
      if (width > 4096) throw std::invalid_argument("format: width too large");
    }
    if (i < format.size() && format[i] == '.') {
      precision = 0;
      for (++i; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
        precision = precision * 10 + (format[i] - '0');
        if (precision > 4096) throw std::invalid_argument("format: precision too large");
      }
    }
    if (i >= format.size()) throw std::invalid_argument("format: incomplete directive");
    char conv = format[i];
    if (next >= args.size()) throw std::invalid_argument("format: missing argument");
    const FormatArg& arg = args[next++];
    switch (conv) {
      case 's': {
        const auto* s = std::get_if<std::string>(&arg);
        if (s == nullptr) throw std::invalid_argument("format: text directive given a number");
        std::string body = *s;
        if (precision >= 0 && static_cast<std::size_t>(precision) < body.size()) {
          body.resize(static_cast<std::size_t>(precision));
        }
        out += Pad(std::move(body), width, left);
        break;
      }
      case 'd':
      case 'u':
      case 'x':
      case 'X':
        out += FormatInteger(arg, conv, zero, left, width, precision);
        break;
      default:
        throw std::invalid_argument(std::string("format: unknown directive '%") + conv + "'");
    }
  }
  return out;
}

std::string TrimTrailingDotsAndControls(const std::string& s) {
  std::size_t n = s.size();
  while (n > 0 && (s[n - 1] == '.' || static_cast<unsigned char>(s[n - 1]) <= 32)) --n;
  return s.substr(0, n);
}

std::string TrimControls(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

std::string AsciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

std::string QuoteName(std::string_view name) {
  return "« " + std::string(name) + " »";
}

std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = s.find(from, pos);
    if (hit == std::string::npos) break;
    out.append(s, pos, hit - pos);
    out += to;
    pos = hit + from.size();
  }
  out.append(s, pos, std::string::npos);
  return out;
}

int MulDiv(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;
  long long q = p / c, r = p % c;
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -c : c)) q += ((p < 0) != (c < 0)) ? -1 : 1;
  return static_cast<int>(q);
}

}  // namespace text
