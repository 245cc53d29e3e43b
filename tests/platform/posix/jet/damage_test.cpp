// The Jet engine on damaged tables and on length fields split over two pages, with files the
// project's writer makes and then changes byte for byte: a definition chain that loops, a file
// cut short, a widening that reads only the usage maps, a split length field written one byte at
// a time in a safe order, even when the second write fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/jet/engine/engine.h"
#include "platform/posix/jet/run_statement.h"
#include "support/jet_files.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"

namespace {

using namespace platform;
using namespace testing_support;

constexpr std::size_t kPage = 4096;

std::string Alter(int length) {
  return testing_support::Alter("nuv", "Filename", length);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

// The system calls of the engine's file, counted; the `failWrite`-th write fails (0: none).
class CountingCalls {
 public:
  explicit CountingCalls(int failWrite = 0) {
    reads_ = 0;
    writes_ = 0;
    failWrite_ = failWrite;
    JetFileCalls calls = DefaultJetFileCalls();
    calls.pread = [](int fd, void* buffer, std::size_t size, off_t offset) -> ssize_t {
      ++reads_;
      return ::pread(fd, buffer, size, offset);
    };
    calls.pwrite = [](int fd, const void* buffer, std::size_t size, off_t offset) -> ssize_t {
      if (++writes_ == failWrite_) {
        errno = EIO;
        return -1;
      }
      return ::pwrite(fd, buffer, size, offset);
    };
    SetJetFileCallsForTesting(calls);
  }
  ~CountingCalls() { SetJetFileCallsForTesting(DefaultJetFileCalls()); }
  CountingCalls(const CountingCalls&) = delete;
  CountingCalls& operator=(const CountingCalls&) = delete;
  int reads() const { return reads_; }
  int writes() const { return writes_; }

 private:
  static inline int reads_ = 0;
  static inline int writes_ = 0;
  static inline int failWrite_ = 0;
};

class JetDamageTest : public ::testing::Test {
 protected:
  // Table nuv made by the writer, and its layout.
  std::string Make(const jet_writer::TableSpec& table, const std::string& name = "nuv.mdb") {
    jet_writer::DatabaseSpec spec;
    spec.tables = {table};
    const std::string path = dir_.File(name);
    layout_ = jet_writer::WriteJetDatabase(path, spec);
    nuv_ = layout_.tables.at("nuv");
    return path;
  }

  // Expects `bytes`, written as a file, to be refused as damaged and left as it was.
  // Returns the error, for a test to say which check refused.
  std::string ExpectRefusedAsDamaged(const std::string& bytes, const std::string& what,
                                     int length = 96) {
    const std::string db = dir_.File("damaged.mdb");
    WriteFile(db, bytes);
    const std::string error = Statement(db, Alter(length));
    EXPECT_NE(error.find("est endommagée"), std::string::npos) << what << ": " << error;
    EXPECT_TRUE(ReadFile(db) == bytes) << what << ": the file changed";
    return error;
  }

  TempDir dir_;
  jet_writer::DatabaseLayout layout_;
  jet_writer::TableLayout nuv_;
};

TEST_F(JetDamageTest, ADefinitionChainThatLoopsIsRefusedEvenPastTheColumns) {
  // Filename's length field at the end of the first page, so that the definition goes on over a
  // second page, which holds the rest: the chain's end is met only by walking it whole.
  jet_writer::TableSpec table;
  table.name = "nuv";
  table.columns = {{"Filename", jet_writer::ColumnType::kText, 50},
                   {"Size", jet_writer::ColumnType::kLong}};
  table.rowCount = 20;
  table.rows = [](std::uint64_t index, std::vector<jet_writer::Value>& row) {
    row = {"C:\\nuv\\" + std::to_string(index) + ".nuv", static_cast<std::int32_t>(index)};
  };
  table.lengthFieldAtPageEnd = jet_writer::TableSpec::LengthFieldAtPageEnd{"Filename", false};
  const std::string pristine = ReadFile(Make(table));
  ASSERT_GE(nuv_.definitionPages.size(), 2u);
  const std::uint32_t first = nuv_.definitionPages.front(), last = nuv_.definitionPages.back();
  struct Case {
    const char* what;
    std::uint32_t page;  // whose next pointer changes
    std::uint32_t next;
  };
  for (const Case& c : {Case{"the last page names itself", last, last},
                        Case{"the last page names the first", last, first},
                        Case{"the last page names a data page", last, nuv_.dataPages.at(0)}}) {
    std::string bytes = pristine;
    Put32(bytes, c.page * kPage + 4, c.next);
    ExpectRefusedAsDamaged(bytes, c.what);
  }
  const std::string db = dir_.File("nuv.mdb");
  EXPECT_EQ(Statement(db, Alter(96)), "") << "the same file, undamaged, widens";
}

TEST_F(JetDamageTest, AFileCutShortIsRefusedWithoutReadingItsRows) {
  // The catalog's data pages go at the end of a file the writer makes; they are moved to the
  // empty pages left before nuv's definition, so that a cut leaves the catalog whole and only
  // nuv's pages go, as in a file Jet laid out.
  jet_writer::TableSpec table = jet_writer::NuvSampleTable(3000);
  table.definitionPage = 8;
  const std::string pristine = ReadFile(Make(table));
  const jet_writer::TableLayout& catalog = layout_.tables.at("MSysObjects");
  ASSERT_GE(catalog.dataPages.size(), 1u);
  ASSERT_LE(catalog.dataPages.size(), 5u);
  ASSERT_EQ(catalog.dataPages.back() + 1, layout_.pageCount) << "the catalog ends the file";
  std::string moved = pristine;
  for (std::size_t k = 0; k < catalog.dataPages.size(); ++k) {
    moved.replace((3 + k) * kPage, kPage, pristine, catalog.dataPages[k] * kPage, kPage);
  }
  // The catalog's used-pages map, row 0 of its map page: type 0, its first page, its bitmap.
  const std::size_t mapPage = catalog.usageMapPage * kPage;
  const std::size_t row0 = mapPage + (static_cast<unsigned char>(moved[mapPage + 14]) |
                                      static_cast<unsigned char>(moved[mapPage + 15]) << 8);
  ASSERT_EQ(moved[row0], '\0');
  const std::size_t row0End = mapPage + kPage;
  std::fill(moved.begin() + static_cast<long>(row0) + 5, moved.begin() + static_cast<long>(row0End),
            '\0');
  Put32(moved, row0 + 1, 3);
  moved[row0 + 5] = static_cast<char>((1 << catalog.dataPages.size()) - 1);
  const std::size_t end = catalog.dataPages.front() * kPage;  // the file without the old copy
  const std::string whole = moved.substr(0, end);
  const std::string db = dir_.File("whole.mdb");
  WriteFile(db, whole);
  ASSERT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 50) << "libmdb reads the moved catalog";

  const std::vector<std::uint32_t>& data = nuv_.dataPages;
  ASSERT_GE(data.size(), 10u);
  struct Cut {
    const char* what;
    std::size_t size;
  };
  for (const Cut& cut : {
           Cut{"inside the last data page", data.back() * kPage + kPage / 2},
           Cut{"just after the definition page", (nuv_.definitionPages.back() + 1) * kPage},
           Cut{"halfway through the data pages", data[data.size() / 2] * kPage},
       }) {
    ASSERT_LT(cut.size, whole.size());
    ExpectRefusedAsDamaged(whole.substr(0, cut.size), cut.what);
    // A shortening is refused too, by the same check of the maps.
    const std::string error = ExpectRefusedAsDamaged(whole.substr(0, cut.size), cut.what, 40);
    EXPECT_TRUE(error.find("tronqué") != std::string::npos ||
                error.find("hors du fichier") != std::string::npos)
        << cut.what << ": " << error;
  }
  EXPECT_EQ(Statement(db, Alter(96)), "") << "the whole file widens";
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 96);
}

TEST_F(JetDamageTest, AWideningReadsTheSamePagesForAThousandRowsAsForAHundredThousand) {
  std::vector<int> reads;
  for (const std::uint64_t rows : {1000u, 100000u}) {
    const std::string db = dir_.File("nuv" + std::to_string(rows) + ".mdb");
    CreateJetNuvDatabase(db, 50, rows, 20);
    std::optional<JetEngine> engine;
    ASSERT_TRUE(JetEngine::Open(db, {}, engine).ok());
    CountingCalls calls;
    ASSERT_TRUE(engine->Execute(Alter(96)).ok());
    EXPECT_EQ(calls.writes(), 1);
    reads.push_back(calls.reads());
  }
  EXPECT_EQ(reads[0], reads[1]) << "the usage maps are read, never the pages they name";
  EXPECT_LT(reads[1], 16);
}

class JetSplitLengthTest : public JetDamageTest {
 protected:
  // nuv with TEXT(`length`), Filename's length field across two pages.
  std::string MakeSplit(int length, const std::string& name) {
    jet_writer::TableSpec table = jet_writer::NuvSampleTable(30, length);
    table.lengthFieldAtPageEnd = jet_writer::TableSpec::LengthFieldAtPageEnd{"Filename", true};
    const std::string db = Make(table, name);
    field_ = nuv_.columns.at("Filename");
    EXPECT_NE(field_.lengthSecondOffset, field_.lengthOffset + 1);
    return db;
  }
  // The split length field's value on disk.
  int Length(const std::string& path) const {
    const std::string bytes = ReadFile(path);
    return static_cast<unsigned char>(bytes[field_.lengthOffset]) |
           static_cast<unsigned char>(bytes[field_.lengthSecondOffset]) << 8;
  }
  // The offsets at which `db` differs from `original`: only inside the length field.
  void ExpectOnlyTheFieldChanged(const std::string& original, const std::string& db,
                                 const std::vector<long>& expected) const {
    EXPECT_EQ(DifferingOffsets(original, db), expected);
  }

  jet_writer::ColumnLayout field_;
};

TEST_F(JetSplitLengthTest, ALengthFieldAcrossTwoPagesIsWidenedAndShortenedByteForByte) {
  const std::string original = MakeSplit(50, "original.mdb");
  const long low = static_cast<long>(field_.lengthOffset);
  const long high = static_cast<long>(field_.lengthSecondOffset);
  const std::string db = dir_.File("nuv.mdb");
  WriteFile(db, ReadFile(original));
  // 100 to 192 (0x64 to 0xC0): only the low byte changes.
  ASSERT_EQ(Statement(db, Alter(96)), "");
  ExpectOnlyTheFieldChanged(original, db, {low});
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 96);
  // 100 to 300 (0x0064 to 0x012C): both bytes.
  WriteFile(db, ReadFile(original));
  ASSERT_EQ(Statement(db, Alter(150)), "");
  ExpectOnlyTheFieldChanged(original, db, {low, high});
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 150);
  EXPECT_TRUE(SameRowsAsReference(original, db));
  // And back: 300 to 100 (both bytes), then 100 to 120 (the low byte).
  ASSERT_EQ(Statement(db, Alter(50)), "");
  EXPECT_EQ(ReadFile(db), ReadFile(original));
  ASSERT_EQ(Statement(db, Alter(60)), "");
  ExpectOnlyTheFieldChanged(original, db, {low});
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 60);
  EXPECT_TRUE(SameRowsAsReference(original, db));
}

TEST_F(JetSplitLengthTest, ACrashBetweenTheTwoWritesLeavesALengthEveryValueFits) {
  struct Case {
    const char* what;
    int from, to;  // characters
  };
  for (const Case& c : {Case{"widening", 50, 150}, Case{"shortening", 150, 50}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string original = MakeSplit(c.from, "original" + std::to_string(c.from) + ".mdb");
    const std::string db = dir.File("nuv.mdb");
    WriteFile(db, ReadFile(original));
    std::string error;
    {
      CountingCalls calls(2);  // the second write fails: the first one is on disk
      error = Statement(db, Alter(c.to));
      EXPECT_EQ(calls.writes(), 2);
    }
    EXPECT_NE(error.find("Erreur d'écriture"), std::string::npos) << error;
    const int left = Length(db);
    EXPECT_EQ(DifferingOffsets(original, db).size(), 1u) << "one byte written";
    EXPECT_GE(left, 2 * std::min(c.from, c.to))
        << "the old length when widening, the new one when shortening";
    EXPECT_LE(left, 510) << "a length Jet allows";
    EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), left / 2);
    EXPECT_TRUE(SameRowsAsReference(original, db));
    // Running the statement again finishes the change.
    ASSERT_EQ(Statement(db, Alter(c.to)), "");
    EXPECT_EQ(Length(db), 2 * c.to);
  }
}

}  // namespace
