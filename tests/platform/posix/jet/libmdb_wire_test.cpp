// The libmdb child's messages on its pipe: what the child encodes, the parent decodes, and
// nothing else.
#include "platform/posix/jet/libmdb/wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

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
  view.scanned = true;
  view.rows = 1000;
  view.tooLong = 3;
  const std::string bytes = EncodeLibmdbView(view);
  LibmdbView back;
  ASSERT_TRUE(DecodeLibmdbView(bytes, back));
  EXPECT_EQ(back.table, "nuv");
  EXPECT_EQ(back.firstPage, 24u);
  ASSERT_EQ(back.columns.size(), 2u);
  EXPECT_EQ(back.columns[1].name, "Filename");
  EXPECT_EQ(back.columns[1].size, 100);
  EXPECT_TRUE(back.columns[0].fixed);
  EXPECT_EQ(back.tooLong, 3u);
  EXPECT_EQ(back.tablesOnDefinition, 2u);
  EXPECT_EQ(back.relationships, 3u);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(DecodeLibmdbView(bytes.substr(0, cut), back)) << cut;
  }
  EXPECT_FALSE(DecodeLibmdbView(bytes + "x", back));
  std::string flipped = bytes;
  flipped[8] = '\x7F';  // the failure text's length
  EXPECT_FALSE(DecodeLibmdbView(flipped, back));
  std::uint32_t pages = 0;
  const std::string progress = EncodeScanStarts(70000);
  EXPECT_EQ(DecodeScanStarts(progress + bytes, pages), progress.size());
  EXPECT_EQ(pages, 70000u);
  EXPECT_EQ(DecodeScanStarts(progress.substr(0, progress.size() - 1), pages), 0u);
  EXPECT_EQ(DecodeScanStarts(bytes, pages), 0u);
}

}  // namespace
