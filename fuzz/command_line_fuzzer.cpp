// Fuzzes the command-line splitter: any text splits without a crash, and the parameters obey
// the splitting rule.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "fuzz_check.h"

namespace {

bool IsSeparator(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}

// Without any double quote the rule is plain: maximal runs of non-separators, in order.
std::vector<std::string> SplitWithoutQuotes(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line) {
    if (IsSeparator(c)) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> params = SplitCommandLine(input);

  // Splitting is a function of the text.
  FUZZ_CHECK(SplitCommandLine(input) == params);

  // The text after an embedded NUL is never seen.
  const std::string line = input.substr(0, input.find('\0'));
  FUZZ_CHECK(SplitCommandLine(line) == params);

  std::size_t total = 0;
  bool anySeparatorInside = false;
  for (const std::string& param : params) {
    FUZZ_CHECK(!param.empty());
    // Quotes only toggle quoting and are dropped; a NUL ends the line.
    FUZZ_CHECK(param.find('"') == std::string::npos);
    FUZZ_CHECK(param.find('\0') == std::string::npos);
    for (char c : param) anySeparatorInside = anySeparatorInside || IsSeparator(c);
    total += param.size();
  }
  FUZZ_CHECK(total <= line.size());
  // A separator belongs to a parameter only inside quotes.
  if (anySeparatorInside) FUZZ_CHECK(line.find('"') != std::string::npos);

  // Without quotes the parameters are exactly the separated words.
  if (line.find('"') == std::string::npos) FUZZ_CHECK(params == SplitWithoutQuotes(line));

  // The parameters' characters appear in the line in the same order.
  std::size_t at = 0;
  for (const std::string& param : params) {
    for (char c : param) {
      at = line.find(c, at);
      FUZZ_CHECK(at != std::string::npos);
      ++at;
    }
  }

  // Quoting every parameter and joining them with spaces gives the same parameters back.
  std::string joined;
  for (const std::string& param : params) {
    if (!joined.empty()) joined += ' ';
    joined += '"' + param + '"';
  }
  FUZZ_CHECK(SplitCommandLine(joined) == params);
  return 0;
}
