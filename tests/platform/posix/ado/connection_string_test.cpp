#include "platform/posix/ado/connection_string.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "main.h"

namespace {

using platform::ConnectionString;
using platform::ParseConnectionString;

ConnectionString Parse(const std::string& text) {
  ConnectionString parsed;
  std::string error;
  EXPECT_TRUE(ParseConnectionString(text, parsed, error)) << text << ": " << error;
  return parsed;
}

std::string Fault(const std::string& text) {
  ConnectionString parsed;
  std::string error;
  EXPECT_FALSE(ParseConnectionString(text, parsed, error)) << text;
  return error;
}

TEST(ConnectionStringTest, ReadsThePairsTheProgramWrites) {
  ConnectionString parsed = Parse(
      "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/data/NUV.MDB;"
      "Mode=Share Deny None;Extended Properties=\"\";Jet OLEDB:Don't Copy Locale on "
      "Compact=False;Jet OLEDB:SFP=False");
  EXPECT_EQ(parsed.Find("Provider"), "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(parsed.Find("Data Source"), "/data/NUV.MDB");
  EXPECT_EQ(parsed.Find("Mode"), "Share Deny None");
  EXPECT_EQ(parsed.Find("Extended Properties"), "");
  EXPECT_EQ(parsed.Find("jet oledb:don't copy locale on compact"), "False");
  EXPECT_EQ(parsed.pairs.size(), 7u);
  EXPECT_FALSE(parsed.Find("Password").has_value());
}

TEST(ConnectionStringTest, KeysAreCaseInsensitiveAndTrimmedUnquotedValuesTrimmed) {
  ConnectionString parsed = Parse("  data SOURCE \t=  /a b/c.db  ;MODE=Read");
  EXPECT_EQ(parsed.Find("Data Source"), "/a b/c.db");
  EXPECT_EQ(parsed.Find("mode"), "Read");
}

TEST(ConnectionStringTest, QuotedValuesKeepSeparatorsBlanksAndDoubledQuotes) {
  ConnectionString parsed =
      Parse("Data Source=\" /x;y=\"\"z\"\" \" ; Other='it''s \"fine\"';Third = 'a;b' ");
  EXPECT_EQ(parsed.Find("Data Source"), " /x;y=\"z\" ");
  EXPECT_EQ(parsed.Find("Other"), "it's \"fine\"");
  EXPECT_EQ(parsed.Find("Third"), "a;b");
  // A quote inside an unquoted value is an ordinary character.
  EXPECT_EQ(Parse("A=b'c\"d").Find("a"), "b'c\"d");
}

TEST(ConnectionStringTest, DoubledEqualsSignBelongsToTheKey) {
  ConnectionString parsed = Parse("a==b=c;x=y=z");
  EXPECT_EQ(parsed.Find("a=b"), "c");
  EXPECT_EQ(parsed.Find("x"), "y=z");
}

TEST(ConnectionStringTest, LastOccurrenceWinsExceptForProvider) {
  ConnectionString parsed =
      Parse("Provider=First;Data Source=old.db;provider=Second;DATA SOURCE=new.db");
  EXPECT_EQ(parsed.Find("Data Source"), "new.db");
  EXPECT_EQ(parsed.Find("Provider"), "First");
}

TEST(ConnectionStringTest, EmptySegmentsAreSkipped) {
  EXPECT_TRUE(Parse("").pairs.empty());
  EXPECT_TRUE(Parse(" ; ;; ").pairs.empty());
  EXPECT_EQ(Parse(";;a=1;;").Find("a"), "1");
}

TEST(ConnectionStringTest, MalformedStringsAreRefusedWithAReason) {
  EXPECT_NE(Fault("Data Source=\"/x.db").find("guillemet non fermé"), std::string::npos);
  EXPECT_NE(Fault("a='b''").find("guillemet non fermé"), std::string::npos);
  EXPECT_NE(Fault("Provider=x;JustAWord").find("« JustAWord »"), std::string::npos);
  EXPECT_NE(Fault("=value").find("vide"), std::string::npos);
  EXPECT_NE(Fault("a=\"b\"c;d=e").find("après la valeur"), std::string::npos);
}

TEST(ConnectionStringTest, ArbitraryBytesNeverBreakTheParser) {
  // Every short string over the characters that matter: parsing answers, never crashes, and a
  // string that parses has keys that are lower-case and non-empty.
  const std::string alphabet = "a=;\"' \xff";
  std::string text;
  for (int length = 0; length <= 5; ++length) {
    int combinations = 1;
    for (int k = 0; k < length; ++k) combinations *= static_cast<int>(alphabet.size());
    for (int code = 0; code < combinations; ++code) {
      text.clear();
      for (int k = 0, rest = code; k < length; ++k, rest /= static_cast<int>(alphabet.size())) {
        text += alphabet[static_cast<std::size_t>(rest) % alphabet.size()];
      }
      ConnectionString parsed;
      std::string error;
      if (ParseConnectionString(text, parsed, error)) {
        for (const auto& [key, value] : parsed.pairs) {
          EXPECT_FALSE(key.empty()) << text;
          EXPECT_EQ(key, text::AsciiLower(key));
        }
      } else {
        EXPECT_FALSE(error.empty()) << text;
      }
    }
  }
}

// The Data Source the engine reads from the program's connection string for `path`.
std::string DataSourceRead(const std::string& path) {
  const std::string built = text::Format(ConnectionStringTemplate, {QuoteDataSource(path)});
  ConnectionString parsed;
  std::string error;
  if (!ParseConnectionString(built, parsed, error)) return "<refused: " + error + ">";
  return parsed.Find("Data Source").value_or("<absent>");
}

TEST(DataSourceRoundTripTest, AwkwardPathsComeBackByteForByte) {
  for (const std::string path : {"",
                                 "/data/NUV.MDB",
                                 "database/NUV.MDB",
                                 "./a.mdb",
                                 "../up/a.mdb",
                                 "a",
                                 "'a'.mdb",
                                 "'abc.mdb",
                                 "abc'.mdb",
                                 "''",
                                 "'",
                                 "\"",
                                 "\"a\".mdb",
                                 "\"abc.mdb",
                                 "a;b.mdb",
                                 ";",
                                 "=",
                                 "a=b;c=d",
                                 " lead.mdb",
                                 "trail.mdb ",
                                 "\tlead.mdb",
                                 "trail.mdb\t",
                                 "\rcr.mdb",
                                 "cr.mdb\r",
                                 "\nlf.mdb",
                                 "lf.mdb\n",
                                 " \t\r\n ",
                                 "it's \"x\";.mdb",
                                 "100%s%d.mdb",
                                 "/R&D/é\xff.mdb",
                                 "rel/'x.mdb",
                                 "'rel/x.mdb '"}) {
    EXPECT_EQ(DataSourceRead(path), path) << "[" << path << "]";
  }
}

TEST(DataSourceRoundTripTest, EveryShortPathOverTheCharactersThatMatterComesBack) {
  const std::string alphabet = "a;'\" \t\r\n=/\xff";
  std::string path;
  for (int length = 0; length <= 4; ++length) {
    int combinations = 1;
    for (int k = 0; k < length; ++k) combinations *= static_cast<int>(alphabet.size());
    for (int code = 0; code < combinations; ++code) {
      path.clear();
      for (int k = 0, rest = code; k < length; ++k, rest /= static_cast<int>(alphabet.size())) {
        path += alphabet[static_cast<std::size_t>(rest) % alphabet.size()];
      }
      ASSERT_EQ(DataSourceRead(path), path) << "[" << path << "]";
    }
  }
}

}  // namespace
