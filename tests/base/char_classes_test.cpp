#include "base/char_classes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Every byte, and the rules that take it as blank: L the command line's, C a connection
// string's, S a statement's. A byte not listed is blank to none of them (0x7F, NBSP as 0xA0 or
// as its UTF-8 bytes, NEL as 0x85 included).
TEST(BlankRulesTest, EachRuleTakesItsOwnCharactersAsBlank) {
  const std::map<int, std::string> blankTo = {
      {0x01, "L"},   {0x02, "L"},  {0x03, "L"},   {0x04, "L"},   {0x05, "L"},  {0x06, "L"},
      {0x07, "L"},   {0x08, "L"},  {'\t', "LCS"}, {'\n', "LCS"}, {'\v', "LS"}, {'\f', "LS"},
      {'\r', "LCS"}, {0x0E, "L"},  {0x0F, "L"},   {0x10, "L"},   {0x11, "L"},  {0x12, "L"},
      {0x13, "L"},   {0x14, "L"},  {0x15, "L"},   {0x16, "L"},   {0x17, "L"},  {0x18, "L"},
      {0x19, "L"},   {0x1A, "L"},  {0x1B, "L"},   {0x1C, "L"},   {0x1D, "L"},  {0x1E, "L"},
      {0x1F, "L"},   {' ', "LCS"},
  };
  for (int code = 0; code < 256; ++code) {
    const char c = static_cast<char>(code);
    const auto row = blankTo.find(code);
    const std::string expected = row == blankTo.end() ? "" : row->second;
    const std::string s(1, c);
    const bool trimmed = text::TrimConnectionStringBlanks(s + "x" + s) == "x";
    EXPECT_EQ(text::IsCommandLineBlank(c), expected.find('L') != std::string::npos) << code;
    EXPECT_EQ(text::IsConnectionStringBlank(c), expected.find('C') != std::string::npos) << code;
    EXPECT_EQ(trimmed, expected.find('C') != std::string::npos) << code;
    EXPECT_EQ(text::IsStatementBlank(c), expected.find('S') != std::string::npos) << code;
  }
}

}  // namespace
