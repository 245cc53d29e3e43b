// Corrupt Jet files through the real executable: seeded copies of a writer-made nuv file (1k rows)
// with bytes flipped anywhere, and more often in the header page (0), pages 1 and 2 (the
// catalog's table definition), the catalog's rows and nuv's table-definition page. libmdb reads
// them (in a child process of the program, with limits); the program must never crash or hang, must
// end each run in the not-found notice, an error box or the confirmation, and may change the file
// only when it confirmed, and then only nuv.Filename's 2-byte length field.
//
// Short mode: a few tens of copies. UPGRADE405_FULL=1: 1,000 (UPGRADE405_JET_FLIP_COPIES sets
// another number). UPGRADE405_SEED changes the seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <vector>

#include "reliability/reliability.h"
#include "support/jet_files.h"
#include "support/jet_sample.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using reliability::Outcome;
using testing_support::ReadFile;
using testing_support::WriteFile;

constexpr std::size_t kPage = 4096;

TEST(JetCorruptTest, ByteFlippedCopiesEndInADesignedOutcomeAndChangeOnlyTheLengthField) {
  testing_support::TempDir dir;
  const std::string source = dir.File("source.mdb");
  const jet_writer::DatabaseLayout layout = testing_support::CreateJetNuvDatabase(source, 50, 1000);
  const std::string content = ReadFile(source);
  ASSERT_EQ(content.size(), layout.pageCount * kPage);
  const std::size_t nuvDefinition = layout.tables.at("nuv").definitionPages.front();
  const long copies =
      reliability::EnvNumber("UPGRADE405_JET_FLIP_COPIES", reliability::FullMode() ? 1000 : 40);
  const auto seed = static_cast<std::uint32_t>(reliability::EnvNumber("UPGRADE405_SEED", 405));
  std::mt19937 random(seed);
  // Where each copy's flips go, in turn: the header's fields (page 0), page 1, the catalog's
  // table definition (page 2, its used part), the catalog's rows (the used end of the data
  // pages that belong to page 2), nuv's table definition (page 24, its used part), then
  // anywhere in the file.
  struct Region {
    std::size_t start, size;
  };
  auto u16 = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(content[at]) |
                                    (static_cast<unsigned char>(content[at + 1]) << 8));
  };
  auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
  // A table-definition page's used part: its 8-byte header and the length at offset 8.
  auto definition = [&](std::size_t page) {
    return Region{page * kPage, std::min(kPage, 8 + u32(page * kPage + 8))};
  };
  std::vector<Region> catalogRows;
  for (std::size_t page = 1; page < content.size() / kPage; ++page) {
    const std::size_t at = page * kPage;
    if (content[at] == 0x01 && u32(at + 4) == 2) {
      const std::size_t used = std::min(kPage - 14, kPage - u16(at + 2));
      catalogRows.push_back({at + kPage - used, used});
    }
  }
  ASSERT_EQ(content[2 * kPage], 0x02) << "page 2 is no table definition";
  ASSERT_EQ(content[nuvDefinition * kPage], 0x02) << "nuv's definition page is no table definition";
  ASSERT_FALSE(catalogRows.empty());
  const std::vector<Region> regions = {{0, 0x200},
                                       {kPage, kPage},
                                       definition(2),
                                       catalogRows.front(),
                                       definition(nuvDefinition),
                                       {0, content.size()}};
  const long field = testing_support::FilenameLengthField(layout);
  std::map<Outcome, int> seen;
  int changed = 0, failures = 0;
  for (long copy = 0; copy < copies && failures < 10; ++copy) {
    std::string bytes = content;
    const Region& region = regions[static_cast<std::size_t>(copy) % regions.size()];
    const int flips = 1 + static_cast<int>(random() % 4);
    std::string where;
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = region.start + random() % region.size;
      const auto mask = static_cast<unsigned char>(1u << (random() % 8));
      bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) ^ mask);
      where += " " + std::to_string(at) + "^" + std::to_string(mask);
    }
    const std::string path = dir.File("flipped-" + std::to_string(copy) + ".mdb");
    WriteFile(path, bytes);
    const std::string label =
        "seed " + std::to_string(seed) + " copy " + std::to_string(copy) + " flips" + where;
    const testing_support::ProcessResult r =
        reliability::RunUpgrade({"/db=" + path}, "enter\n\nclose\n", {}, UPGRADE405_EXE, 120);
    const Outcome outcome = reliability::ClassifyPress(r.out, path);
    ++seen[outcome];
    bool good = !r.timedOut && r.signal == 0 && r.exitCode == 0 && outcome != Outcome::kUnexpected;
    EXPECT_FALSE(r.timedOut) << label;
    EXPECT_EQ(r.signal, 0) << label << "\n" << r.err;
    EXPECT_EQ(r.exitCode, 0) << label << "\n" << r.err;
    EXPECT_NE(outcome, Outcome::kUnexpected) << label << "\n" << r.out << r.err;
    const std::string now = ReadFile(path);
    if (outcome != Outcome::kConfirmed) {
      EXPECT_TRUE(now == bytes) << label << ": changed without a confirmation";
      good = good && now == bytes;
    } else if (now != bytes) {
      ++changed;
      for (std::size_t k = 0; k < now.size() && k < bytes.size(); ++k) {
        if (now[k] != bytes[k] && static_cast<long>(k) != field &&
            static_cast<long>(k) != field + 1) {
          ADD_FAILURE() << label << ": byte " << k << " changed";
          good = false;
          break;
        }
      }
      EXPECT_EQ(now.size(), bytes.size()) << label;
      const int length = static_cast<unsigned char>(now[field]) |
                         (static_cast<unsigned char>(now[field + 1]) << 8);
      EXPECT_EQ(length, 192) << label << ": the length field was rewritten to another length";
    }
    if (good) {
      fs::remove(path);
    } else {
      ++failures;
    }
  }
  std::printf(
      "flipped Jet copies (seed %u): %d not found, %d confirmed (%d of them changed the "
      "length field), %d error box, %d unexpected\n",
      seed, seen[Outcome::kNotFound], seen[Outcome::kConfirmed], changed, seen[Outcome::kError],
      seen[Outcome::kUnexpected]);
}

}  // namespace
