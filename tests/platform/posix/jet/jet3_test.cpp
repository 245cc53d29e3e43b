// The Jet engine on Jet 3 (Access 97) files: the writer's, the sample tool's through the real
// executable, and, where the folder is there, copies of files Access wrote. Text lengths count
// characters of the code page, one byte each.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/jet/engine/engine.h"
#include "platform/posix/jet/nuv_with_filenames.h"
#include "platform/posix/jet/run_statement.h"
#include "support/jet_files.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/process.h"

namespace {

using namespace platform;
using namespace testing_support;

// nuv in a Jet 3 file: Filename TEXT(`length`) holding `names`, one row each.
jet_writer::DatabaseLayout MakeJet3(const std::string& path, int length,
                                    const std::vector<std::string>& names) {
  return jet_writer::WriteJetDatabase(
      path, NuvWithFilenames(length, names, jet_writer::JetFormat::kJet3));
}

// Sets the code page in the header of the Jet 3 file at `path`.
void SetCodePage(const std::string& path, std::uint16_t codePage) {
  std::string bytes = ReadFile(path);
  auto* page = reinterpret_cast<unsigned char*>(bytes.data());
  ToggleJetHeaderMask(page, kJet3PageSize, JetVersion::kJet3);
  page[0x3C] = static_cast<unsigned char>(codePage & 0xFF);
  page[0x3D] = static_cast<unsigned char>(codePage >> 8);
  ToggleJetHeaderMask(page, kJet3PageSize, JetVersion::kJet3);
  WriteFile(path, bytes);
}

TEST(JetJet3Test, LengthsCountCharactersOneByteEach) {
  TempDir dir;
  const std::string original = dir.File("original.mdb");
  // 50 characters at most, accented ones among them: one byte each in Windows-1252.
  const std::vector<std::string> names = {"C:\\été\\a.nuv", std::string(47, 'x') + "çàé",
                                          "C:\\b.nuv"};
  const jet_writer::DatabaseLayout layout = MakeJet3(original, 96, names);
  const jet_writer::ColumnLayout field = layout.tables.at("nuv").columns.at("Filename");
  const std::string db = dir.File("nuv.mdb");
  WriteFile(db, ReadFile(original));
  EXPECT_EQ(ReadLengthField(db, static_cast<long>(field.lengthOffset)), 96) << "TEXT(96) is 96";

  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 49)),
            "Impossible de modifier la colonne « Filename » : 1 valeur dépasse 49 caractères.");
  EXPECT_TRUE(ReadFile(db) == ReadFile(original));
  ASSERT_EQ(Statement(db, Alter("nuv", "Filename", 50)), "");
  EXPECT_EQ(DifferingOffsets(original, db),
            std::vector<long>{static_cast<long>(field.lengthOffset)});
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 50);
  EXPECT_TRUE(SameRowsAsReference(original, db));
  MakeJet3(dir.File("written50.mdb"), 50, names);
  EXPECT_EQ(ReadFile(db), ReadFile(dir.File("written50.mdb")));
  ASSERT_EQ(Statement(db, Alter("nuv", "Filename", 255)), "");
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 255);
  EXPECT_TRUE(SameRowsAsReference(original, db));
}

TEST(JetJet3Test, ADoubleByteCodePageWidensButRefusesToShorten) {
  TempDir dir;
  const std::string db = dir.File("nuv.mdb");
  MakeJet3(db, 96, {"C:\\a.nuv", "C:\\b.nuv"});
  SetCodePage(db, 932);
  const std::string before = dir.File("before.mdb");
  WriteFile(before, ReadFile(db));
  const std::string error = Statement(db, Alter("nuv", "Filename", 50));
  EXPECT_NE(error.find("page de codes 932"), std::string::npos) << error;
  EXPECT_TRUE(ReadFile(db) == ReadFile(before));
  EXPECT_EQ(Statement(db, Alter("nuv", "Filename", 120)), "");
  EXPECT_EQ(DifferingOffsets(before, db).size(), 1u);
}

TEST(JetJet3Test, TheSampleToolsJet3FileIsUpgradedByTheProgramAndEveryRowReadsBack) {
  TempDir dir;
  // The sample tool is built beside the executable.
  const std::filesystem::path build = std::filesystem::path(UPGRADE405_EXE).parent_path();
  const std::string db = dir.File("nuv.mdb");
  const ProcessResult made = RunProcess({(build / "make_sample_mdb").string(), db, "--jet3"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  ASSERT_EQ(RunProcess({"/usr/bin/env", "mdb-ver", db}).out, "JET3\n");
  const std::string original = dir.File("original.mdb");
  WriteFile(original, ReadFile(db));

  ProcessOptions options;
  options.input = "enter\n\nclose\n";
  options.env["DISPLAY"] = std::nullopt;
  options.env["WAYLAND_DISPLAY"] = std::nullopt;
  const ProcessResult run = RunProcess({UPGRADE405_EXE, "/db=" + db}, options);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Mise à jour effetuée."), std::string::npos) << run.out;
  EXPECT_EQ(DifferingOffsets(original, db).size(), 1u) << "50 becomes 96: one byte";
  EXPECT_EQ(MdbToolsTextLength(db, "nuv", "Filename"), 96);
  EXPECT_EQ(MdbToolsExport(db, "nuv"), MdbToolsExport(original, "nuv"));
  const ReaderView after = ReadWithMdbReader(db);
  ASSERT_TRUE(after.ok) << after.error;
  EXPECT_EQ(after.columns.at("nuv.Filename"), "text 96 variable");
  EXPECT_EQ(after.tables, ReadWithMdbReader(original).tables);
}

TEST(JetJet3Test, AccessFilesGiveTheirDocumentedOutcomes) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  struct Widen {
    const char* file;
    const char* table;
    const char* column;
    long offset;
  };
  for (const Widen& c : {Widen{"access/access97_tables.mdb", "Table1", "A", 59467},
                         Widen{"access/access97_tables.mdb", "Table2", "column89", 71315},
                         Widen{"access/access97_deleted_column.mdb", "Table1", "data2", 59521},
                         Widen{"access/access97_overflow_rows.mdb", "Table1", "data10", 59595}}) {
    SCOPED_TRACE(std::string(c.file) + " " + c.column);
    TempDir dir;
    const std::string original = CopyJetFixture(c.file, dir, "original.mdb");
    const std::string db = CopyJetFixture(c.file, dir);
    ASSERT_EQ(Statement(db, Alter(c.table, c.column, 96)), "");
    EXPECT_EQ(DifferingOffsets(original, db), std::vector<long>{c.offset});
    EXPECT_EQ(ReadLengthField(db, c.offset), 96);
    EXPECT_EQ(MdbToolsTextLength(db, c.table, c.column), 96);
    EXPECT_EQ(MdbToolsExport(db, c.table), MdbToolsExport(original, c.table));
  }
  struct Refuse {
    const char* file;
    const char* says;
  };
  for (const Refuse& c :
       {Refuse{"access/access97_tables.mdb", "1 valeur dépasse 5 caractères."},
        Refuse{"access/access97_overflow_rows.mdb", "4 valeurs dépassent 5 caractères."}}) {
    SCOPED_TRACE(c.file);
    TempDir dir;
    const std::string original = CopyJetFixture(c.file, dir, "original.mdb");
    const std::string db = CopyJetFixture(c.file, dir);
    const std::string column =
        std::string(c.file).find("tables") != std::string::npos ? "A" : "data1";
    EXPECT_NE(Statement(db, Alter("Table1", column, 5)).find(c.says), std::string::npos);
    EXPECT_TRUE(ReadFile(db) == ReadFile(original));
  }
}

}  // namespace
