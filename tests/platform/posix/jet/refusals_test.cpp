// What the Jet engine refuses on files the writer makes, and what it must not refuse: columns in
// relationships, catalogs whose rows share a definition, names libmdb cannot spell, other
// processes' BSD locks, and a libmdb that loops on a damaged catalog of a large file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/jet/engine/engine.h"
#include "platform/posix/jet/libmdb/client.h"
#include "platform/posix/jet/run_statement.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/process.h"

namespace {

using namespace platform;
using namespace testing_support;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// nuv at schema 4.04 and table lien, whose NuvId and Filename may refer to nuv's.
jet_writer::DatabaseSpec NuvAndLien() {
  jet_writer::TableSpec lien;
  lien.name = "lien";
  lien.columns = {{.name = "NuvId", .type = jet_writer::ColumnType::kLong},
                  {.name = "Filename", .type = jet_writer::ColumnType::kText, .textLength = 50}};
  lien.rowCount = 2;
  lien.rows = [](std::uint64_t index, std::vector<jet_writer::Value>& row) {
    row = {static_cast<std::int32_t>(index + 1), "lien" + std::to_string(index) + ".pdf"};
  };
  jet_writer::DatabaseSpec spec;
  spec.tables = {jet_writer::NuvSampleTable(3), lien};
  return spec;
}

class JetRefusalsTest : public ::testing::Test {
 protected:
  // Writes `spec` and returns a copy to work on; original_ stays untouched beside it.
  std::string Make(const jet_writer::DatabaseSpec& spec) {
    original_ = dir_.File("original.mdb");
    layout_ = jet_writer::WriteJetDatabase(original_, spec);
    const std::string db = dir_.File("nuv.mdb");
    WriteFile(db, ReadFile(original_));
    return db;
  }
  std::vector<long> Changed(const std::string& db) const { return DifferingOffsets(original_, db); }
  std::vector<long> LengthField(const std::string& table, const std::string& column) const {
    return {static_cast<long>(layout_.tables.at(table).columns.at(column).lengthOffset)};
  }

  TempDir dir_;
  std::string original_;
  jet_writer::DatabaseLayout layout_;
};

TEST_F(JetRefusalsTest, ColumnNamesOutsideTheBasicPlaneAreNoDamage) {
  // libmdb spells each half of U+2000B's surrogate pair "?"; our own reading spells it whole.
  jet_writer::DatabaseSpec spec;
  spec.tables = {jet_writer::NuvSampleTable(3)};
  for (const char* name : {"Note\xF0\xA0\x80\x8B", "Note??"}) {
    spec.tables[0].columns.push_back(
        {.name = name, .type = jet_writer::ColumnType::kText, .textLength = 30});
  }
  auto sample = spec.tables[0].rows;
  spec.tables[0].rows = [sample](std::uint64_t index, std::vector<jet_writer::Value>& row) {
    sample(index, row);
    row.resize(6);
    row[4] = std::string("\xF0\xA0\x80\x8B");
    row[5] = std::string("??");
  };
  const std::string db = Make(spec);
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 96)), "");
  EXPECT_EQ(Changed(db), LengthField("nuv", "Filename"));
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 96);
  // A real "??" beside it keeps its own place.
  EXPECT_EQ(Statement(db, Alter("nuv", "Note??", 40)), "");
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Note??"), 40);
}

TEST_F(JetRefusalsTest, AColumnInARelationshipOnEitherSideIsNotChanged) {
  const std::string refused =
      "Impossible de modifier le champ « Filename ». Il fait partie "
      "d'une ou de plusieurs relations.";
  struct Case {
    const char* what;
    bool enforced;
    bool cascadeUpdates;
  };
  for (const Case& c : {Case{"enforced, cascading updates", true, true},
                        Case{"enforced", true, false}, Case{"not enforced", false, false}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    jet_writer::DatabaseSpec spec = NuvAndLien();
    jet_writer::RelationshipSpec relation;
    relation.name = "nuvlien";
    relation.table = "nuv";
    relation.column = "Filename";
    relation.foreignTable = "lien";
    relation.foreignColumn = "Filename";
    relation.enforced = c.enforced;
    relation.cascadeUpdates = c.cascadeUpdates;
    spec.relationships = {relation};
    const std::string original = dir.File("original.mdb");
    jet_writer::WriteJetDatabase(original, spec);
    const std::string db = dir.File("nuv.mdb");
    WriteFile(db, ReadFile(original));
    EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 96)), refused) << "the referenced key";
    EXPECT_EQ(Statement(db, Alter("LIEN", "filename", 96)),
              "Impossible de modifier le champ « Filename ». Il fait partie d'une ou de "
              "plusieurs relations.")
        << "the foreign key";
    EXPECT_EQ(DifferingOffsets(original, db), std::vector<long>{});
  }
  // A relationship on other columns leaves Filename free.
  jet_writer::DatabaseSpec spec = NuvAndLien();
  spec.relationships = {{"nuvid", "nuv", "Id", "lien", "NuvId", true, true, false}};
  const std::string db = Make(spec);
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 96)), "");
  EXPECT_EQ(Changed(db), LengthField("nuv", "Filename"));
}

TEST_F(JetRefusalsTest, TwoCatalogRowsOnOneDefinitionAreDamage) {
  jet_writer::DatabaseSpec spec;
  spec.tables = {jet_writer::NuvSampleTable(3)};
  spec.aliases = {{"nuv_copie", "nuv"}};
  const std::string db = Make(spec);
  for (const char* table : {"nuv", "nuv_copie"}) {
    const std::string error = Statement(db, Alter(table, "Filename", 96));
    EXPECT_TRUE(Contains(error, "est endommagée")) << error;
    EXPECT_TRUE(Contains(error, "2 tables du catalogue partagent la définition")) << error;
  }
  EXPECT_EQ(Changed(db), std::vector<long>{});
}

// A child process holding a BSD lock (flock) of `operation` on `path` until released.
class BsdLockHolder : public HeldByChild {
 public:
  BsdLockHolder(const std::string& path, int operation)
      : HeldByChild(
            [path, operation](const std::function<void()>& wait) {
              const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
              if (fd < 0 || ::flock(fd, operation | LOCK_NB) != 0) return false;
              wait();
              ::close(fd);
              return true;
            },
            60) {}
};

TEST_F(JetRefusalsTest, AnotherProcesssBsdLockOnTheFileOrItsLockFileMeansInUse) {
  const std::string db = Make(NuvAndLien());
  const std::string inUse = "est déjà utilisée par un autre utilisateur ou processus";
  {
    BsdLockHolder shared(db, LOCK_SH);
    ASSERT_TRUE(shared.Held());
    EXPECT_TRUE(Contains(Statement(db, Alter("nuv", "Filename", 96)), inUse));
    EXPECT_TRUE(
        Contains(Statement(db, Alter("nuv", "Filename", 96), {false, true}), "mode exclusif"));
  }
  {
    BsdLockHolder exclusive(db, LOCK_EX);
    ASSERT_TRUE(exclusive.Held());
    EXPECT_TRUE(Contains(Statement(db, Alter("nuv", "Filename", 96)), "open: "))
        << "a file held whole for another does not open";
  }
  const std::string ldb = dir_.File("nuv.ldb");
  WriteFile(ldb, std::string(64, '\0'));
  {
    BsdLockHolder lockFile(ldb, LOCK_SH);
    ASSERT_TRUE(lockFile.Held());
    EXPECT_TRUE(Contains(Statement(db, Alter("nuv", "Filename", 96)), inUse));
  }
  EXPECT_EQ(Changed(db), std::vector<long>{});
  // Released: the engine's own look at the locks left none behind.
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 96)), "");
  EXPECT_EQ(Changed(db), LengthField("nuv", "Filename"));
}

// The first chunk of the last property blob (the catalog's LvProp, "MR2\0" then chunks that
// each start with their length) given the length 0: libmdb reads it again and again. The
// catalog's pages end the writer's files; searched from the end, a row's bytes that happen to
// spell "MR2" are not taken for it.
void LoopingPropertyBlob(std::string& bytes) {
  const std::size_t blob = bytes.rfind(std::string("MR2\0", 4));
  ASSERT_NE(blob, std::string::npos) << "the writer gives a Required column its property";
  bytes.replace(blob + 4, 4, std::string(4, '\0'));
}

TEST_F(JetRefusalsTest, ALoopingLibmdbOnALargeFileEndsAsDamageWithinTheCatalogsFixedLimit) {
  const std::string db = Make(NuvAndLien());
  // 1 GiB of empty pages after the tables: a large file whose widening reads no row.
  std::string bytes = ReadFile(db);
  LoopingPropertyBlob(bytes);
  WriteFile(db, bytes);
  ASSERT_EQ(::truncate(db.c_str(), off_t{1} << 30), 0);
  const std::string limit =
      "n'a pas abouti en " + std::to_string(LibmdbCatalogTimeLimitMs() / 1000) + " s";
  std::string error = Statement(db, Alter("nuv", "Filename", 96));
  EXPECT_TRUE(Contains(error, "est endommagée")) << error;
  EXPECT_TRUE(Contains(error, "catalogue et de la définition de la table")) << error;
  EXPECT_TRUE(Contains(error, limit)) << error;
  // The catalog's limit is the same for every file: a few seconds.
  EXPECT_LE(LibmdbCatalogTimeLimitMs(), 10000);
  // The sound large file: a shortening reads every row, in the scan's own limit.
  WriteFile(db, ReadFile(original_));
  ASSERT_EQ(::truncate(db.c_str(), off_t{1} << 30), 0);
  EXPECT_EQ(Statement(db, Alter("lien", "Filename", 20)), "");
  EXPECT_EQ(MdbToolsTextLength(db, "lien", "Filename"), 20);
}

}  // namespace
