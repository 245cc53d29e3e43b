#include "main.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DialogLayoutTest, DesignedSizesAtTheDesignTextHeight) {
  platform::DialogLayout l = BuildDialogLayout(13);
  EXPECT_EQ(l.caption, "Mise-à-jour base de donnée 4.04 -> 4.05");
  EXPECT_EQ(l.buttonCaption, "Mise-à-jour");
  EXPECT_EQ(l.left, 337);
  EXPECT_EQ(l.top, 137);
  EXPECT_EQ(l.clientWidth, 289);
  EXPECT_EQ(l.clientHeight, 89);
  EXPECT_EQ(l.buttonBounds.width, 289);
  EXPECT_EQ(l.buttonBounds.height, 89);
  EXPECT_EQ(l.buttonFont.face, "Arial");
  EXPECT_EQ(l.buttonFont.height, 40);
  EXPECT_TRUE(l.buttonFont.bold);
  EXPECT_EQ(l.windowFont.face, "MS Sans Serif");
  EXPECT_EQ(l.windowFont.height, 11);
}

TEST(DialogLayoutTest, ScalesSizesButNotThePositionByTheTextHeight) {
  platform::DialogLayout l = BuildDialogLayout(16);
  EXPECT_EQ(l.clientWidth, 356);
  EXPECT_EQ(l.clientHeight, 110);
  EXPECT_EQ(l.buttonFont.height, 49);
  EXPECT_EQ(l.left, 337);
  EXPECT_EQ(l.top, 137);
  EXPECT_EQ(BuildDialogLayout(10).clientWidth, 222);
}

TEST(DialogLayoutTest, MissingWindowFontTakesItsHeightAtTheScreenResolution) {
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 96}, 0, 0), 13);
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 120}, 0, 0), 16);
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 144}, 0, 0), 20);
}

TEST(DialogLayoutTest, InstalledWindowFontFollowsTheScreenResolution) {
  // The designed face: 13 at 96 pixels per inch, 16 at 120.
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 96}, 13, 13), 13);
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 120}, 13, 16), 16);
  // A face of other metrics keeps the designed size at 96 and grows as it grows.
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 96}, 14, 14), 13);
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 120}, 14, 17), 16);
  EXPECT_EQ(WindowFontTextHeight({1024, 768, 192}, 12, 24), 26);
}

TEST(ConnectionStringTest, TemplateIsTheDesignsTextByteForByte) {
  // Written here as one raw line, as the window's design holds it.
  const std::string design =
      R"(Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=%s;Mode=Share Deny None;Extended Properties="";Persist Security Info=False;Jet OLEDB:System database="";Jet OLEDB:Registry Path="";Jet OLEDB:Database Password="";Jet OLEDB:Engine Type=5;Jet OLEDB:Database Locking Mode=0;Jet OLEDB:Global Partial Bulk Ops=2;Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password="";Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;Jet OLEDB:Don't Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica Repair=False;Jet OLEDB:SFP=False)";
  EXPECT_EQ(ConnectionStringTemplate, design);
  const std::string t = ConnectionStringTemplate;
  EXPECT_EQ(t.size(), 570u);
  EXPECT_EQ(t.find('%'), t.find("Data Source=%s;") + 12);
  EXPECT_EQ(t.find('%', t.find('%') + 1), std::string::npos);
  EXPECT_EQ(UpgradeStatement, std::string("ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)"));
}

TEST(DataSourceQuotingTest, OrdinaryPathsGoInByteForByte) {
  for (const char* p : {"", "C:\\R&D\\NUV.MDB", "/tmp/100%s/%d.mdb", "/a b/c'd", "/é\xff"}) {
    EXPECT_EQ(QuoteDataSource(p), p);
  }
}

TEST(DataSourceQuotingTest, QuotesWhatWouldBreakTheString) {
  EXPECT_EQ(QuoteDataSource("/a;b/x.mdb"), "\"/a;b/x.mdb\"");
  EXPECT_EQ(QuoteDataSource(" lead"), "\" lead\"");
  EXPECT_EQ(QuoteDataSource("trail "), "\"trail \"");
  EXPECT_EQ(QuoteDataSource("/say \"hi\""), "'/say \"hi\"'");
  EXPECT_EQ(QuoteDataSource("/it's \"x\";"), "\"/it's \"\"x\"\";\"");
}

TEST(DataSourceQuotingTest, QuotesALeadingQuoteAndLeadingOrTrailingBlanks) {
  // The parser would take a leading apostrophe for an opening quote, a leading equals sign for
  // part of the key, and would trim the blanks.
  EXPECT_EQ(QuoteDataSource("'a'.mdb"), "\"'a'.mdb\"");
  EXPECT_EQ(QuoteDataSource("'abc.mdb"), "\"'abc.mdb\"");
  EXPECT_EQ(QuoteDataSource("=x.mdb"), "\"=x.mdb\"");
  EXPECT_EQ(QuoteDataSource("\tx.mdb"), "\"\tx.mdb\"");
  EXPECT_EQ(QuoteDataSource("x.mdb\r"), "\"x.mdb\r\"");
  EXPECT_EQ(QuoteDataSource("\nx.mdb"), "\"\nx.mdb\"");
  EXPECT_EQ(QuoteDataSource("rel/x.mdb\n"), "\"rel/x.mdb\n\"");
  // Inside the path they change nothing.
  EXPECT_EQ(QuoteDataSource("x'\t\r\ny.mdb"), "x'\t\r\ny.mdb");
}

}  // namespace
