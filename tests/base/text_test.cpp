#include "base/text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using text::Format;

TEST(FormatTest, FillsTextAndIntegerDirectives) {
  EXPECT_EQ(Format("Processus \"%s\" code %d", {std::string("a.exe"), std::int64_t{-1}}),
            "Processus \"a.exe\" code -1");
  EXPECT_EQ(Format("%2.2d:%2.2d:%2.2d", {std::int64_t{100}, std::int64_t{0}, std::int64_t{5}}),
            "100:00:05");
  EXPECT_EQ(Format("Erreur OLE %.8X", {std::int64_t{static_cast<std::int32_t>(0x80004005)}}),
            "Erreur OLE 80004005");
  EXPECT_EQ(Format("%.8x|%5s|%-5s|%%", {std::int64_t{255}, std::string("ab"), std::string("cd")}),
            "000000ff|   ab|cd   |%");
}

TEST(FormatTest, WideIntegersAreNotCut) {
  const std::string wide = Format("%300.250d|", {std::int64_t{-7}});
  EXPECT_EQ(wide.size(), 301u);
  EXPECT_EQ(wide.substr(wide.size() - 4), "007|");
  EXPECT_EQ(wide[49], '-');
  EXPECT_EQ(Format("%.100x", {std::int64_t{255}}), std::string(98, '0') + "ff");
}

TEST(FormatTest, NeverReadsAnArgumentAsAFormat) {
  EXPECT_EQ(Format("Data Source=%s;Mode=x", {std::string("C:\\100%s\\%d%%.mdb")}),
            "Data Source=C:\\100%s\\%d%%.mdb;Mode=x");
}

TEST(FormatTest, RejectsDirectivesWithoutAMatchingArgument) {
  EXPECT_THROW(Format("%s %s", {std::string("one")}), std::invalid_argument);
  EXPECT_THROW(Format("%d", {std::string("text")}), std::invalid_argument);
  EXPECT_THROW(Format("%s", {std::int64_t{1}}), std::invalid_argument);
  EXPECT_THROW(Format("50%", {}), std::invalid_argument);
  EXPECT_THROW(Format("%q", {std::int64_t{1}}), std::invalid_argument);
  EXPECT_THROW(Format("%99999d", {std::int64_t{1}}), std::invalid_argument);
}

TEST(TextTest, TrimsTrailingFullStopsAndControlCharacters) {
  EXPECT_EQ(text::TrimTrailingDotsAndControls("Fichier introuvable. \r\n.."),
            "Fichier introuvable");
  EXPECT_EQ(text::TrimTrailingDotsAndControls("Attention !"), "Attention !");
  EXPECT_EQ(text::TrimTrailingDotsAndControls(". . ."), "");
  EXPECT_EQ(text::TrimControls("\t  setup \x01"), "setup");
}

TEST(TextTest, ReplacesLeftToRight) {
  EXPECT_EQ(text::ReplaceAll("a\r\n\r\nb", "\r\n", " "), "a  b");
  EXPECT_EQ(text::ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(text::AsciiLower("/DB=É"), "/db=É");
}

TEST(TextTest, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(text::MulDiv(289, 16, 13), 356);
  EXPECT_EQ(text::MulDiv(89, 16, 13), 110);
  EXPECT_EQ(text::MulDiv(40, 16, 13), 49);
  EXPECT_EQ(text::MulDiv(13, 120, 96), 16);  // 16.25
  EXPECT_EQ(text::MulDiv(3, 1, 2), 2);       // 1.5
  EXPECT_EQ(text::MulDiv(-3, 1, 2), -2);
}

}  // namespace
