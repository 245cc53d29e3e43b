// The Jet engine on Jet files made by the project's writer (and, where the folder is there, on
// copies of files that Access and another writer made), its results checked by readers that
// share no code with it: npm's mdb-reader and mdbtools.
#include "platform/posix/jet/engine/engine.h"
#include "platform/posix/jet/nuv_with_filenames.h"
#include "platform/posix/jet/run_statement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/database.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"

namespace {

using namespace platform;
using namespace testing_support;

// Both readers see `column` with `bytes` as its stored length, and every row of every table as
// in `original`.
void ExpectReadersSeeNewLengthAndSameRows(const std::string& original, const std::string& copy,
                                          const std::string& table, const std::string& column,
                                          int characters) {
  const ReaderView before = ReadWithMdbReader(original);
  const ReaderView after = ReadWithMdbReader(copy);
  ASSERT_TRUE(before.ok) << before.error;
  ASSERT_TRUE(after.ok) << after.error;
  EXPECT_EQ(after.columns.at(table + "." + column),
            "text " + std::to_string(2 * characters) + " variable");
  EXPECT_EQ(after.tables, before.tables) << "every row of every table reads back unchanged";
  EXPECT_EQ(MdbToolsTextLength(copy, table, column), characters);
  for (const auto& [name, rows] : before.tables) {
    EXPECT_EQ(MdbToolsExport(copy, name), MdbToolsExport(original, name)) << name;
  }
}

// `count` characters, accented ones among them.
std::string Characters(std::size_t count) {
  std::string out;
  for (std::size_t k = 0; k < count; ++k) out += k % 3 == 1 ? "é" : "a";
  return out;
}

class JetEngineTest : public ::testing::Test {
 protected:
  // A new database from `spec`, and its untouched twin beside it to compare with.
  std::string Make(const jet_writer::DatabaseSpec& spec) {
    original_ = dir_.File("original.mdb");
    const jet_writer::DatabaseLayout layout = jet_writer::WriteJetDatabase(original_, spec);
    if (layout.tables.count("nuv") != 0 && layout.tables.at("nuv").columns.count("Filename") != 0) {
      lengthField_ = static_cast<long>(layout.tables.at("nuv").columns.at("Filename").lengthOffset);
      definitionPage_ = layout.tables.at("nuv").definitionPages.at(0);
    }
    const std::string db = dir_.File("nuv.mdb");
    WriteFile(db, ReadFile(original_));
    return db;
  }
  std::string MakeNuv(int textLength = 50, std::uint64_t rows = 3, int filenameLength = 20) {
    original_ = dir_.File("original.mdb");
    const jet_writer::DatabaseLayout layout =
        CreateJetNuvDatabase(original_, textLength, rows, filenameLength);
    lengthField_ = static_cast<long>(layout.tables.at("nuv").columns.at("Filename").lengthOffset);
    definitionPage_ = layout.tables.at("nuv").definitionPages.at(0);
    const std::string db = dir_.File("nuv.mdb");
    WriteFile(db, ReadFile(original_));
    return db;
  }
  // A copy of fixture `name` (the test skips when the fixtures are missing), and the untouched
  // original beside it.
  std::string Copy(const std::string& name) {
    original_ = CopyJetFixture(name, dir_, "original.mdb");
    return CopyJetFixture(name, dir_);
  }
  void ExpectUnchanged(const std::string& copy) {
    EXPECT_EQ(DifferingOffsets(original_, copy), std::vector<long>{}) << "the file is identical";
  }

  TempDir dir_;
  std::string original_;
  long lengthField_ = -1;             // nuv.Filename's length field in a file the writer made
  std::uint32_t definitionPage_ = 0;  // nuv's definition page there
};

TEST_F(JetEngineTest, WideningGivesTheFileTheWriterMakesAtTheNewLength) {
  const std::string db = MakeNuv(50, 200, 50);
  ASSERT_EQ(Statement(db, "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)"), "");
  EXPECT_EQ(DifferingOffsets(original_, db), std::vector<long>{lengthField_});
  CreateJetNuvDatabase(dir_.File("written96.mdb"), 96, 200, 50);
  EXPECT_EQ(ReadFile(db), ReadFile(dir_.File("written96.mdb")));
  ExpectReadersSeeNewLengthAndSameRows(original_, db, "nuv", "Filename", 96);
  // The second press finds the work done and writes nothing.
  const std::string once = ReadFile(db);
  EXPECT_EQ(Statement(db, "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)"), "");
  EXPECT_EQ(ReadFile(db), once);
}

TEST_F(JetEngineTest, OtherWritersFilesWidenInPlace) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  std::string db = Copy("nuv404.mdb");
  ASSERT_EQ(Statement(db, Alter("nuv", "Filename", 96)), "");
  EXPECT_EQ(ReadFile(db), ReadFile(JetFixturesDir() + "/nuv405.mdb"));
  // The Access 2002-2003 format.
  TempDir other;
  const std::string original = CopyJetFixture("nuv404_2003.mdb", other, "original.mdb");
  db = CopyJetFixture("nuv404_2003.mdb", other);
  ASSERT_EQ(Statement(db, Alter("nuv", "Filename", 96)), "");
  EXPECT_EQ(DifferingOffsets(original, db), std::vector<long>{204935});
  ExpectReadersSeeNewLengthAndSameRows(original, db, "nuv", "Filename", 96);
}

TEST_F(JetEngineTest, AnUpgradedDatabaseStaysByteIdentical) {
  const std::string db = MakeNuv(96);
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 96)), "");
  ExpectUnchanged(db);
}

TEST_F(JetEngineTest, NamesMatchWithoutRegardToCaseWithOrWithoutBrackets) {
  const std::string db = MakeNuv(50);
  EXPECT_EQ(Statement(db, "alter table NUV alter column filename text(60);"), "");
  EXPECT_EQ(DifferingOffsets(original_, db), std::vector<long>{lengthField_});
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 60);
  EXPECT_EQ(Statement(db, "ALTER TABLE `Nuv` ALTER COLUMN [FILENAME] VARCHAR(96)"), "");
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 96);
}

TEST_F(JetEngineTest, ShorteningWhenEveryValueFitsAndRefusingWhenOneDoesNot) {
  // The longest value has exactly 50 characters, some of them accented.
  const std::vector<std::string> names = {Characters(10), Characters(50), Characters(30)};
  const std::string db = Make(NuvWithFilenames(96, names));
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 49)),
            "Impossible de modifier la colonne « Filename » : 1 valeur dépasse 49 caractères.");
  ExpectUnchanged(db);
  ASSERT_EQ(Statement(db, Alter("nuv", "Filename", 50)), "");
  jet_writer::WriteJetDatabase(dir_.File("written50.mdb"), NuvWithFilenames(50, names));
  EXPECT_EQ(ReadFile(db), ReadFile(dir_.File("written50.mdb")));
  ExpectReadersSeeNewLengthAndSameRows(original_, db, "nuv", "Filename", 50);
}

TEST_F(JetEngineTest, ShorteningRefusesWhenNotEveryRowTheTableRecordsCouldBeRead) {
  const std::string db = MakeNuv(96, 3, 20);
  // nuv's definition records its number of rows at offset 16 of its first page: 3 becomes 4.
  std::string bytes = ReadFile(db);
  const std::size_t rowCount = std::size_t{definitionPage_} * 4096 + 16;
  ASSERT_EQ(bytes.substr(rowCount, 4), std::string("\x03\0\0\0", 4));
  bytes[rowCount] = '\x04';
  WriteFile(db, bytes);
  const std::string error = Statement(db, Alter("nuv", "Filename", 50));
  EXPECT_NE(error.find("annonce 4 lignes mais 3 ont pu être lues"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(db), bytes);
  // Widening reads no row, and goes on.
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 100)), "");
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 100);
}

TEST_F(JetEngineTest, TooLongValuesAreCountedAndNothingChanges) {
  const std::string db = Make(NuvWithFilenames(
      255, {Characters(30), Characters(120), Characters(200), Characters(255), Characters(96)}));
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 96)),
            "Impossible de modifier la colonne « Filename » : 3 valeurs dépassent 96 caractères.");
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 200)),
            "Impossible de modifier la colonne « Filename » : 1 valeur dépasse 200 caractères.");
  ExpectUnchanged(db);
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 255)), "");
  ExpectUnchanged(db);
}

TEST_F(JetEngineTest, UnicodeValuesAreCountedInCharactersNotBytes) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  const std::string db = Copy("access/access2003_unicode.mdb");
  EXPECT_EQ(Statement(db, Alter("Table", "Unicode", 96)),
            "Impossible de modifier la colonne « Unicode » : 1 valeur dépasse 96 caractères.");
  EXPECT_EQ(Statement(db, Alter("Table", "Unicode", 20)),
            "Impossible de modifier la colonne « Unicode » : 1 valeur dépasse 20 caractères.");
  EXPECT_EQ(Statement(db, Alter("Table", "Unicode", 19)),
            "Impossible de modifier la colonne « Unicode » : 2 valeurs dépassent 19 caractères.");
  ExpectUnchanged(db);
}

TEST_F(JetEngineTest, AccessLayoutsWidenInPlace) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  struct Case {
    const char* file;
    const char* table;
    const char* column;
    long offset;  // -1: not documented, exactly one byte must differ anyway
  };
  for (const Case& c : {Case{"access/access2000_deleted_column.mdb", "Table1", "data2", 98489},
                        Case{"access/access2000_fixed_text.mdb", "users", "c_user_login", 86199},
                        Case{"access/access2000_overflow_rows.mdb", "Table1", "data10", -1}}) {
    SCOPED_TRACE(c.file);
    TempDir dir;
    const std::string original = CopyJetFixture(c.file, dir, "original.mdb");
    const std::string db = CopyJetFixture(c.file, dir);
    ASSERT_EQ(Statement(db, Alter(c.table, c.column, 96)), "");
    const std::vector<long> changed = DifferingOffsets(original, db);
    ASSERT_EQ(changed.size(), 1u) << "100 becomes 192: only the low byte changes";
    if (c.offset >= 0) {
      EXPECT_EQ(changed[0], c.offset);
    }
    ExpectReadersSeeNewLengthAndSameRows(original, db, c.table, c.column, 96);
  }
}

TEST_F(JetEngineTest, OverflowRowsAreReadWhenShortening) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  const std::string db = Copy("access/access2000_overflow_rows.mdb");
  const std::string error = Statement(db, Alter("Table1", "data1", 5));
  EXPECT_EQ(error,
            "Impossible de modifier la colonne « data1 » : 4 valeurs dépassent 5 caractères.");
  ExpectUnchanged(db);
  // data3 has five values, two of them in the rows moved to other pages: all five count.
  EXPECT_EQ(Statement(db, Alter("Table1", "data3", 7)),
            "Impossible de modifier la colonne « data3 » : 5 valeurs dépassent 7 caractères.");
  ExpectUnchanged(db);
}

// nuv at schema 4.04 changed by `change`.
jet_writer::DatabaseSpec NuvChanged(const std::function<void(jet_writer::TableSpec&)>& change) {
  jet_writer::TableSpec table = jet_writer::NuvSampleTable(3);
  change(table);
  jet_writer::DatabaseSpec spec;
  spec.tables = {table};
  return spec;
}

jet_writer::ColumnSpec& Filename(jet_writer::TableSpec& table) {
  return table.columns.at(1);
}

TEST_F(JetEngineTest, RefusalsSayWhyAndChangeNothing) {
  using jet_writer::TableSpec;
  const jet_writer::DatabaseSpec nuv = NuvChanged([](TableSpec&) {});
  struct Case {
    jet_writer::DatabaseSpec spec;
    std::string statement;
    const char* says;
  };
  for (const Case& c : {
           Case{NuvChanged([](TableSpec& t) { Filename(t).type = jet_writer::ColumnType::kMemo; }),
                Alter("nuv", "Filename", 96), "type Mémo"},
           Case{NuvChanged([](TableSpec& t) { t.name = "other"; }), Alter("nuv", "Filename", 96),
                "La table « nuv » est introuvable"},
           Case{NuvChanged([](TableSpec& t) { Filename(t).name = "File"; }),
                Alter("nuv", "Filename", 96),
                "La colonne « Filename » est introuvable dans la table « nuv »"},
           Case{NuvChanged([](TableSpec& t) { Filename(t).fixedLength = true; }),
                Alter("nuv", "Filename", 96), "longueur fixe"},
           Case{nuv, "ALTER TABLE nuv ALTER COLUMN Filename MEMO",
                "ne change pas le type d'une colonne (MEMO demandé)"},
           Case{nuv, "ALTER TABLE nuv ALTER COLUMN Size TEXT(10)", "type Entier long"},
           Case{nuv, "ALTER TABLE nuv ALTER COLUMN Added TEXT(10)", "type Date/Heure"},
           Case{nuv, "ALTER TABLE nuv ALTER COLUMN Filename CHAR(96)", "(CHAR(96) demandé)"},
           Case{nuv, Alter("MSysObjects", "Name", 96), "table système"},
           Case{nuv, "SELECT * FROM nuv", "ne lit ni ne modifie"},
           Case{nuv, "DELETE FROM nuv", "ne lit ni ne modifie"},
           Case{nuv, "DROP TABLE nuv", "non prise en charge"},
       }) {
    SCOPED_TRACE(c.statement);
    TempDir dir;
    const std::string original = dir.File("original.mdb");
    jet_writer::WriteJetDatabase(original, c.spec);
    const std::string db = dir.File("nuv.mdb");
    WriteFile(db, ReadFile(original));
    const std::string error = Statement(db, c.statement);
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(error.rfind("open: ", 0), std::string::npos) << error;
    EXPECT_EQ(DifferingOffsets(original, db), std::vector<long>{});
  }
}

TEST_F(JetEngineTest, DamagedCopiesFailOpenFailTheStatementOrChangeOnlyTheLengthField) {
  const std::string pristine = ReadFile(MakeNuv(50, 200, 20));
  const auto definition = std::size_t{definitionPage_} * 4096;
  const auto lengthField = static_cast<std::size_t>(lengthField_);
  const std::string db = dir_.File("damaged.mdb");
  std::mt19937 random(405);
  int opened = 0, refused = 0, altered = 0;
  for (int run = 0; run < 60; ++run) {
    std::string bytes = pristine;
    // A few bit flips in the header, the catalog's definition, nuv's definition, or anywhere.
    const std::size_t regions[] = {0, 2 * 4096, definition, 0};
    for (int flips = 1 + static_cast<int>(random() % 6); flips > 0; --flips) {
      const std::size_t region = regions[random() % 4];
      const std::size_t at =
          region == 0 && random() % 2 == 0 ? random() % bytes.size() : region + random() % 4096;
      bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
    }
    WriteFile(db, bytes);
    std::optional<JetEngine> engine;
    if (!JetEngine::Open(db, {}, engine).ok()) {
      EXPECT_EQ(ReadFile(db), bytes) << run;
      continue;
    }
    ++opened;
    const base::Status status =
        engine->Execute("ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)");
    const std::string after = ReadFile(db);
    if (!status.ok()) {
      ++refused;
      EXPECT_EQ(after, bytes) << run << ": " << status.message();
      continue;
    }
    ++altered;
    for (std::size_t k = 0; k < after.size(); ++k) {
      if (after[k] != bytes[k]) {
        EXPECT_TRUE(k == lengthField || k == lengthField + 1) << run << " wrote at " << k;
      }
    }
  }
  EXPECT_GT(opened, 0);
  EXPECT_GT(refused, 0);
  EXPECT_GT(altered, 0);
}

TEST_F(JetEngineTest, ThroughAdoTheProgramsStatementConfirmsAndAFailedOpenLeavesAnError) {
  const std::string db = MakeNuv(50);
  InitializeCom();
  {
    std::unique_ptr<DbConnection> connection;
    ASSERT_EQ(DbConnection::Create(connection), kOk);
    ASSERT_EQ(connection->Open("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + db +
                                   ";Mode=Share Deny None;Jet OLEDB:Database Password=\"\"",
                               "", "", kAdConnectUnspecified),
              kOk);
    std::unique_ptr<DbCommand> command;
    ASSERT_EQ(DbCommand::Create(command), kOk);
    ASSERT_EQ(command->SetActiveConnection(*connection), kOk);
    ASSERT_EQ(command->SetCommandText("ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)"), kOk);
    std::unique_ptr<DbRecordset> result;
    EXPECT_EQ(command->Execute(kAdCmdText, result), kOk);
  }
  EXPECT_EQ(DifferingOffsets(original_, db), std::vector<long>{lengthField_});
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 96);

  const std::string text = dir_.File("notes.mdb");
  WriteFile(text, std::string(8192, 'x'));
  std::unique_ptr<DbConnection> connection;
  ASSERT_EQ(DbConnection::Create(connection), kOk);
  EXPECT_EQ(connection->Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + text, "", "",
                             kAdConnectUnspecified),
            kFail);
  ErrorInfo info;
  EXPECT_TRUE(TakeErrorInfo(info));
  EXPECT_NE(info.description.find("non reconnu"), std::string::npos) << info.description;
  connection.reset();
  UninitializeCom();
}

}  // namespace
