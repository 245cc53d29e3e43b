// The libmdb child's messages on its pipe: what the child encodes, the parent decodes, and
// nothing else.
#include "platform/posix/jet/libmdb/wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace platform;

TEST(JetLibmdbWireTest, MessagesSurviveTheirEncodingAndGarbageIsRejected) {
  LibmdbView view;
  view.tableFound = true;
  view.table = "nuv";
  view.firstPage = 24;
  view.tablesOnDefinition = 2;
  view.columns = {{"Id", 0, 4, 4, true}, {"Filename", 1, 10, 100, false}};
  view.relationships = 3;
  view.scan.scanned = true;
  view.scan.rows = 1000;
  view.scan.tooLong = 3;
  const std::string table = EncodeTablePart(view);
  const std::string scan = EncodeScanPart(view.scan);
  const std::string bytes = table + scan;  // as the child sends them, progress removed
  LibmdbView back;
  ASSERT_EQ(DecodeTablePart(bytes, back), table.size());
  ASSERT_TRUE(DecodeScanPart(std::string_view(bytes).substr(table.size()), back.scan));
  EXPECT_EQ(back.table, "nuv");
  EXPECT_EQ(back.firstPage, 24u);
  ASSERT_EQ(back.columns.size(), 2u);
  EXPECT_EQ(back.columns[1].name, "Filename");
  EXPECT_EQ(back.columns[1].size, 100);
  EXPECT_TRUE(back.columns[0].fixed);
  EXPECT_EQ(back.scan.tooLong, 3u);
  EXPECT_TRUE(back.scan.scanned);
  EXPECT_EQ(back.tablesOnDefinition, 2u);
  EXPECT_EQ(back.relationships, 3u);
  for (std::size_t cut = 0; cut < table.size(); ++cut) {
    EXPECT_EQ(DecodeTablePart(table.substr(0, cut), back), 0u) << cut;
  }
  for (std::size_t cut = 0; cut < scan.size(); ++cut) {
    EXPECT_FALSE(DecodeScanPart(scan.substr(0, cut), back.scan)) << cut;
  }
  EXPECT_FALSE(DecodeScanPart(scan + "x", back.scan));
  EXPECT_EQ(DecodeTablePart(scan, back), 0u);
  std::string flipped = bytes;
  flipped[8] = '\x7F';  // the failure text's length
  EXPECT_EQ(DecodeTablePart(flipped, back), 0u);
  std::uint32_t pages = 0;
  const std::string progress = EncodeScanStarts(70000);
  EXPECT_EQ(DecodeScanStarts(progress + bytes, pages), progress.size());
  EXPECT_EQ(pages, 70000u);
  EXPECT_EQ(DecodeScanStarts(progress.substr(0, progress.size() - 1), pages), 0u);
  EXPECT_EQ(DecodeScanStarts(bytes, pages), 0u);
}

}  // namespace
