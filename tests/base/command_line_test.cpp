#include "base/command_line.h"

#include <gtest/gtest.h>

namespace {

using Params = std::vector<std::string>;

TEST(SplitCommandLineTest, SeparatesOnControlCharactersAndSpaces) {
  EXPECT_EQ(SplitCommandLine("prog  /db=a\tb\x01"
                             "c\r\n"),
            (Params{"prog", "/db=a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine(""), Params{});
  EXPECT_EQ(SplitCommandLine("   "), Params{});
}

TEST(SplitCommandLineTest, QuotesToggleAndAreDropped) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\u.exe\" /db=\"D:\\My Data\\NUV.MDB\""),
            (Params{"C:\\Program Files\\u.exe", "/db=D:\\My Data\\NUV.MDB"}));
  EXPECT_EQ(SplitCommandLine("p a\"b c\"d"), (Params{"p", "ab cd"}));
  // No escape character: the backslash is ordinary and the quote still toggles.
  EXPECT_EQ(SplitCommandLine("p \"a\\\" b"), (Params{"p", "a\\", "b"}));
}

TEST(SplitCommandLineTest, SkipsEmptyQuotedParametersAndALoneTrailingQuote) {
  EXPECT_EQ(SplitCommandLine("p \"\" x \"\"\"\" y"), (Params{"p", "x", "y"}));
  EXPECT_EQ(SplitCommandLine("p x \""), (Params{"p", "x"}));
  // An unterminated quote takes the rest of the line, spaces included.
  EXPECT_EQ(SplitCommandLine("p \"a b"), (Params{"p", "a b"}));
}

TEST(SplitCommandLineTest, StopsAtAnEmbeddedNul) {
  EXPECT_EQ(SplitCommandLine(std::string("p a\0b", 5)), (Params{"p", "a"}));
}

TEST(SplitCommandLineTest, KeepsBytesAboveAscii) {
  EXPECT_EQ(SplitCommandLine("p /db=Données\xff.mdb"), (Params{"p", "/db=Données\xff.mdb"}));
}

}  // namespace
