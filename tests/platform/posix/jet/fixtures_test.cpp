// The independent readers the Jet tests rely on agree with the fixtures' documented contents.
#include <gtest/gtest.h>

#include "support/jet_fixtures.h"

namespace {

using namespace testing_support;

TEST(JetFixturesTest, BothReadersSeeTheDocumentedLengthsAndRows) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  TempDir dir;
  const std::string old = CopyJetFixture("nuv404.mdb", dir);
  const std::string upgraded = CopyJetFixture("nuv405.mdb", dir);

  const ReaderView before = ReadWithMdbReader(old);
  const ReaderView after = ReadWithMdbReader(upgraded);
  ASSERT_TRUE(before.ok) << before.error;
  ASSERT_TRUE(after.ok) << after.error;
  EXPECT_EQ(before.columns.at("nuv.Filename"), "text 100 variable");
  EXPECT_EQ(after.columns.at("nuv.Filename"), "text 192 variable");
  EXPECT_EQ(before.tables.at("nuv"), after.tables.at("nuv")) << "the same rows in both";
  EXPECT_EQ(before.tables.at("nuv").substr(0, 5), "1000 ");

  EXPECT_EQ(MdbToolsTextLength(old, "nuv", "Filename"), 50);
  EXPECT_EQ(MdbToolsTextLength(upgraded, "nuv", "Filename"), 96);
  EXPECT_EQ(MdbToolsExport(old, "nuv"), MdbToolsExport(upgraded, "nuv"));
  EXPECT_EQ(DifferingOffsets(old, upgraded), std::vector<long>{98439});
}

TEST(JetFixturesTest, AReaderThatCannotReadAFileSaysSo) {
  TempDir dir;
  const std::string text = dir.File("notes.mdb");
  WriteFile(text, std::string(8192, 'x'));
  const ReaderView view = ReadWithMdbReader(text);
  EXPECT_FALSE(view.ok);
  EXPECT_FALSE(view.error.empty());
  EXPECT_EQ(MdbToolsTextLength(text, "nuv", "Filename"), -1);
}

}  // namespace
