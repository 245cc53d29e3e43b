// Fuzzes the engine's connection-string parser: any text parses or fails with a French
// description, and what it reads can be written back and read again to the same pairs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/char_classes.h"
#include "base/text.h"
#include "fuzz_check.h"
#include "platform/posix/ado/connection_string.h"

namespace {

// `pairs` written back by the rules: "=" in a key doubled, every value in double quotes with its
// double quotes doubled.
std::string Write(const platform::ConnectionString& parsed) {
  std::string out;
  for (const auto& [key, value] : parsed.pairs) {
    for (char c : key) out += c == '=' ? std::string("==") : std::string(1, c);
    out += "=\"";
    for (char c : value) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    out += "\";";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::ConnectionString parsed;
  std::string error;
  const bool ok = platform::ParseConnectionString(text, parsed, error);

  // A pure function of the text.
  platform::ConnectionString again;
  std::string againError;
  FUZZ_CHECK(platform::ParseConnectionString(text, again, againError) == ok);
  FUZZ_CHECK(again.pairs == parsed.pairs);
  FUZZ_CHECK(againError == error);

  if (!ok) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  for (const auto& [key, value] : parsed.pairs) {
    // Keys are trimmed, not empty, lower-cased, and cannot hold the pair separator.
    FUZZ_CHECK(!key.empty());
    FUZZ_CHECK(!text::IsConnectionStringBlank(key.front()) &&
               !text::IsConnectionStringBlank(key.back()));
    FUZZ_CHECK(key == text::AsciiLower(key));
    FUZZ_CHECK(key.find(';') == std::string::npos);
    (void)value;
  }
  // Find: the first Provider, the last of any other key, in any case.
  for (const auto& [key, value] : parsed.pairs) {
    std::string expected;
    for (const auto& [otherKey, otherValue] : parsed.pairs) {
      if (otherKey != key) continue;
      expected = otherValue;
      if (key == "provider") break;
    }
    std::string upper = key;
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    FUZZ_CHECK(parsed.Find(key) == expected);
    FUZZ_CHECK(parsed.Find(upper) == expected);
    (void)value;
  }
  // Written back and read again: the same pairs, in the same order.
  platform::ConnectionString reread;
  std::string rereadError;
  const std::string written = Write(parsed);
  FUZZ_CHECK(platform::ParseConnectionString(written, reread, rereadError));
  FUZZ_CHECK(reread.pairs == parsed.pairs);
  return 0;
}
