// Our reading of Jet 4 table definitions, on synthetic pages laid out as HACKING.md describes.
#include "platform/posix/jet/format/tdef.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace platform;

constexpr std::size_t kPage = 4096;

void PutU16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void PutU32(std::string& s, std::size_t at, unsigned v) {
  PutU16(s, at, v & 0xFFFF);
  PutU16(s, at + 2, v >> 16);
}

struct Column {
  std::uint8_t type;
  std::uint16_t number;
  std::uint8_t flags;
  std::uint16_t length;
  std::string name;  // ASCII
};

// A file whose table definition holds `columns` after `realIndexes` index entries, spread over
// `chain` (the first page, then continuation pages), in a file of `pageCount` pages.
class SyntheticFile {
 public:
  SyntheticFile(const std::vector<Column>& columns, unsigned realIndexes,
                const std::vector<std::uint32_t>& chain, std::uint64_t pageCount = 64)
      : pageCount_(pageCount) {
    std::string definition(63 + 12 * realIndexes, '\0');
    PutU32(definition, 16, 1234);  // the row count
    PutU16(definition, 45, static_cast<unsigned>(columns.size()));
    PutU32(definition, 51, realIndexes);
    for (const Column& c : columns) {
      std::string d(25, '\0');
      d[0] = static_cast<char>(c.type);
      PutU16(d, 5, c.number);
      PutU16(d, 9, c.number);
      d[15] = static_cast<char>(c.flags);
      PutU16(d, 23, c.length);
      definition += d;
    }
    for (const Column& c : columns) {
      std::string n(2, '\0');
      PutU16(n, 0, static_cast<unsigned>(c.name.size() * 2));
      for (char ch : c.name) {
        n += ch;
        n += '\0';
      }
      definition += n;
    }
    // Split: the first page takes 4096 bytes, every continuation page 4088 after its header.
    std::size_t at = 0;
    for (std::size_t k = 0; k < chain.size(); ++k) {
      std::string page(kPage, '\0');
      const std::size_t start = k == 0 ? 0 : 8;
      const std::size_t take =
          std::min(kPage - start, definition.size() - std::min(at, definition.size()));
      page.replace(start, take, definition.substr(std::min(at, definition.size()), take));
      at += take;
      page[0] = 0x02;
      page[1] = 0x01;
      PutU32(page, 4, k + 1 < chain.size() ? chain[k + 1] : 0);
      pages_[chain[k]] = page;
    }
    EXPECT_GE(at, definition.size()) << "the chain is too short for the definition";
  }

  std::string& Page(std::uint32_t page) { return pages_[page]; }

  bool Read(std::uint32_t first, TableDefinition& out, std::string& error) const {
    const JetPageReader reader = [this](std::uint32_t page, std::string& bytes) {
      auto found = pages_.find(page);
      if (found == pages_.end()) return false;
      bytes = found->second;
      return true;
    };
    const base::Status read =
        ReadTableDefinition({reader, JetVersion::kJet4, pageCount_}, first, out);
    error = read.message();
    return read.ok();
  }

 private:
  std::map<std::uint32_t, std::string> pages_;
  std::uint64_t pageCount_;
};

std::vector<Column> ManyColumns(std::size_t count) {
  std::vector<Column> columns;
  for (std::size_t k = 0; k < count; ++k) {
    columns.push_back({0x0A, static_cast<std::uint16_t>(k * 2), 0x02,
                       static_cast<std::uint16_t>(100 + k), "c" + std::to_string(k)});
  }
  return columns;
}

TEST(JetTdefTest, FindsEachColumnsLengthFieldByItsStoredNumberNotItsPosition) {
  const SyntheticFile file(
      {{0x04, 0, 0x03, 4, "id"}, {0x0A, 2, 0x02, 100, "data"}, {0x0A, 5, 0x03, 2, "flag"}}, 2, {9});
  TableDefinition definition;
  std::string error;
  ASSERT_TRUE(file.Read(9, definition, error)) << error;
  ASSERT_EQ(definition.columns.size(), 3u);
  EXPECT_EQ(definition.pages, std::vector<std::uint32_t>{9});
  EXPECT_EQ(definition.rowCount, 1234u);
  const TdefColumn& data = definition.columns[1];
  EXPECT_EQ(data.name, "data");
  EXPECT_EQ(data.number, 2);
  EXPECT_EQ(data.type, kJetTypeText);
  EXPECT_EQ(data.length, 100);
  EXPECT_FALSE(data.fixed());
  EXPECT_TRUE(definition.columns[2].fixed());
  // 63 + 2 index entries of 12, then the second descriptor's length at its offset 23.
  EXPECT_EQ(data.lengthOffset, 9u * kPage + 63 + 24 + 25 + 23);
  EXPECT_EQ(data.lengthSecondOffset, data.lengthOffset + 1);
}

TEST(JetTdefTest, ADescriptorOnAContinuationPageLiesAfterThatPagesHeader) {
  // 200 descriptors run past the first page; the continuation page comes before it in the file.
  const SyntheticFile file(ManyColumns(200), 1, {20, 3, 11});
  TableDefinition definition;
  std::string error;
  ASSERT_TRUE(file.Read(20, definition, error)) << error;
  EXPECT_EQ(definition.pages, (std::vector<std::uint32_t>{20, 3, 11})) << "the whole chain";
  const std::size_t k = 180;
  const std::size_t position = 63 + 12 + 25 * k + 23;
  ASSERT_GT(position, kPage);
  EXPECT_EQ(definition.columns[k].lengthOffset, 3u * kPage + 8 + (position - kPage));
  EXPECT_EQ(definition.columns[k].length, 100 + k);
  EXPECT_EQ(definition.columns[k].number, 2 * k);
  EXPECT_EQ(definition.columns[199].name, "c199");
}

TEST(JetTdefTest, ALengthFieldAcrossTwoPagesIsReportedWithBothPlaces) {
  // 63 + 7 * 12 + 157 * 25 + 23 = 4095: column 157's field starts on the last byte of the page.
  const SyntheticFile file(ManyColumns(170), 7, {4, 5});
  TableDefinition definition;
  std::string error;
  ASSERT_TRUE(file.Read(4, definition, error)) << error;
  const TdefColumn& split = definition.columns[157];
  EXPECT_EQ(split.lengthOffset, 4u * kPage + 4095);
  EXPECT_EQ(split.lengthSecondOffset, 5u * kPage + 8);
  EXPECT_EQ(split.length, 100 + 157);
  EXPECT_FALSE(LengthFieldInOneSector(split));
  EXPECT_TRUE(LengthFieldInOneSector(definition.columns[156]));
}

TEST(JetTdefTest, ALengthFieldAcrossTwoSectorsOfOnePageIsNotOneWrite) {
  // 63 + 17 * 25 + 23 = 511: the field's two bytes lie in the page's first and second sectors.
  const SyntheticFile file(ManyColumns(20), 0, {4});
  TableDefinition definition;
  std::string error;
  ASSERT_TRUE(file.Read(4, definition, error)) << error;
  EXPECT_EQ(definition.columns[17].lengthOffset, 4u * kPage + 511);
  EXPECT_EQ(definition.columns[17].lengthSecondOffset, 4u * kPage + 512);
  EXPECT_FALSE(LengthFieldInOneSector(definition.columns[17]));
  EXPECT_TRUE(LengthFieldInOneSector(definition.columns[16]));
  EXPECT_TRUE(LengthFieldInOneSector(definition.columns[18]));
}

TEST(JetTdefTest, BrokenChainsAreErrorsNotCrashes) {
  TableDefinition definition;
  std::string error;
  {
    SyntheticFile file(ManyColumns(300), 0, {6, 7, 8});
    PutU32(file.Page(7), 4, 6);  // 6 -> 7 -> 6
    EXPECT_FALSE(file.Read(6, definition, error));
    EXPECT_NE(error.find("boucle"), std::string::npos) << error;
  }
  {
    SyntheticFile file(ManyColumns(200), 0, {6, 7}, 8);
    PutU32(file.Page(6), 4, 9000);
    EXPECT_FALSE(file.Read(6, definition, error));
    EXPECT_NE(error.find("hors du fichier"), std::string::npos) << error;
    EXPECT_FALSE(file.Read(0, definition, error)) << "page 0 is the header";
    EXPECT_FALSE(file.Read(8, definition, error)) << "past the last page";
  }
  {
    SyntheticFile file(ManyColumns(200), 0, {6, 7});
    file.Page(7)[0] = 0x01;  // a data page
    EXPECT_FALSE(file.Read(6, definition, error));
    EXPECT_NE(error.find("n'est pas une page de définition"), std::string::npos) << error;
  }
  {
    SyntheticFile file(ManyColumns(200), 0, {6, 7});
    PutU32(file.Page(6), 4, 0);  // the chain ends before the columns do
    EXPECT_FALSE(file.Read(6, definition, error));
    EXPECT_NE(error.find("s'arrête"), std::string::npos) << error;
  }
  {
    SyntheticFile file(ManyColumns(3), 0, {6});
    PutU32(file.Page(6), 51, 0xFFFFFFFF);  // an absurd index count
    EXPECT_FALSE(file.Read(6, definition, error));
  }
}

TEST(JetTdefTest, NamesDecodeFromUtf16AndJetsCompressedForm) {
  EXPECT_EQ(JetNameToUtf8(std::string("N\0o\0m\0", 6)), "Nom");
  EXPECT_EQ(JetNameToUtf8(std::string("\xE9\x00", 2)), "\xC3\xA9");                  // é
  EXPECT_EQ(JetNameToUtf8(std::string("\x3D\xD8\x00\xDE", 4)), "\xF0\x9F\x98\x80");  // U+1F600
  EXPECT_EQ(JetNameToUtf8(std::string("\x3D\xD8", 2)), "\xEF\xBF\xBD");              // unpaired
  EXPECT_EQ(JetNameToUtf8(std::string("\xFF\xFE"
                                      "ab\0\x16\x04\0c",
                                      9)),
            "ab\xD0\x96"
            "c");
  EXPECT_EQ(JetNameToUtf8(std::string("x", 1)), "");
}

}  // namespace
