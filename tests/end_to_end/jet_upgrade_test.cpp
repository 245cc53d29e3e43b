// The real executable on Jet files made by the project's writer (and, where they are present, on
// copies of files Access and another writer made), end to end through the terminal front-end's
// line protocol. Each result is checked from outside: a widening with both
// independent readers and byte for byte (only the length field may change), a refusal or an
// error byte for byte, and the journal of a copy of the executable that has a Log folder.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/jet_files.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

const std::string kDialog =
    "=== Dialog\nCaption: Mise-à-jour base de donnée 4.04 -> 4.05\nButtons: [Mise-à-jour]\n";
const std::string kTitle = "upgrade405";
const std::string kDone =
    "=== NoticeBox\nCaption: upgrade405\nText: Mise à jour effetuée.\nButtons: [OK]\n";
const std::string kPress = "enter\n\nclose\n";

jet_writer::ColumnSpec& ColumnNamed(jet_writer::TableSpec& table, const std::string& name) {
  for (jet_writer::ColumnSpec& column : table.columns) {
    if (column.name == name) return column;
  }
  throw std::runtime_error("no column " + name + " in " + table.name);
}

std::string NotFound(const std::string& path) {
  return "=== NoticeBox\nCaption: " + kTitle + "\nText: Base de donnée non trouvée dans :\n\r" +
         path + "\nButtons: [OK]\n";
}

// The text of the one error box of a run that showed the dialog, pressed and got an error;
// "" when the output is anything else.
std::string ErrorText(const std::string& out) {
  const std::string head = kDialog + "=== ErrorBox\nCaption: " + kTitle + "\nText: ";
  const std::string tail = "\nButtons: [OK]\n";
  if (out.size() <= head.size() + tail.size() || out.compare(0, head.size(), head) != 0 ||
      out.compare(out.size() - tail.size(), tail.size(), tail) != 0) {
    return "";
  }
  const std::string text = out.substr(head.size(), out.size() - head.size() - tail.size());
  return text.find("\n=== ") == std::string::npos ? text : "";
}

// A copy of the executable with a Log folder beside it, so that each run leaves its journal
// lines, and the databases in the same folder.
class JetUpgradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = dir_.File("upgrade405");
    fs::copy_file(UPGRADE405_EXE, exe_);
    fs::permissions(exe_, fs::perms::owner_all);
    fs::create_directory(dir_.File("Log"));
  }

  ProcessResult Run(const std::string& db, const std::string& input = kPress) {
    ProcessOptions options;
    options.input = input;
    options.env["DISPLAY"] = std::nullopt;
    options.env["WAYLAND_DISPLAY"] = std::nullopt;
    return RunProcess({exe_, "/db=" + db}, options);
  }

  // The run ended normally and its journal's last line is the end line with exit code 0.
  void ExpectCleanEnd(const ProcessResult& r, const std::string& what) {
    EXPECT_FALSE(r.timedOut) << what;
    EXPECT_EQ(r.signal, 0) << what;
    EXPECT_EQ(r.exitCode, 0) << what << "\n" << r.err;
    std::string journal;
    for (const auto& entry : fs::directory_iterator(dir_.path() / "Log")) {
      journal = ReadFile(entry.path().string());
    }
    static const std::regex endLine(
        "\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]\\[System \\] Processus terminé avec le "
        "code de "
        "sortie 0\r\n");
    const std::size_t cut = journal.size() >= 2 ? journal.rfind("\r\n", journal.size() - 3) : 0;
    const std::string last = journal.substr(cut == std::string::npos ? 0 : cut + 2);
    EXPECT_TRUE(std::regex_match(last, endLine)) << what << ": " << last;
  }

  // Runs one press on `db` and expects an error box whose text holds each of `named`; the file
  // must stay byte for byte as it was. Returns the error's text.
  std::string ExpectErrorAndNoChange(const std::string& db, const std::vector<std::string>& named) {
    const std::string before = ReadFile(db);
    const ProcessResult r = Run(db);
    const std::string text = ErrorText(r.out);
    EXPECT_NE(text, "") << db << ": no error box\n" << r.out;
    for (const std::string& n : named) {
      EXPECT_NE(text.find(n), std::string::npos) << db << ": " << text;
    }
    EXPECT_TRUE(ReadFile(db) == before) << db << " changed";
    ExpectCleanEnd(r, db);
    return text;
  }

  // One press on `db`: the not-found notice, the file byte for byte as it was.
  void ExpectNotFoundAndNoChange(const std::string& db, const std::string& what) {
    const std::string before = ReadFile(db);
    const ProcessResult r = Run(db);
    EXPECT_EQ(r.out, NotFound(db)) << what;
    EXPECT_TRUE(ReadFile(db) == before) << what << " changed";
    ExpectCleanEnd(r, what);
  }

  TempDir dir_;
  std::string exe_;
};

TEST_F(JetUpgradeTest, PressWidensFilenameInPlace) {
  const std::string original = dir_.File("original.mdb");
  const long field = FilenameLengthField(CreateJetNuvDatabase(original, 50, 1000));
  const std::string db = dir_.File("nuv.mdb");
  fs::copy_file(original, db);
  ASSERT_EQ(ReadLengthField(db, field), 100);
  const ProcessResult r = Run(db);
  EXPECT_EQ(r.out, kDialog + kDone) << r.err;
  EXPECT_TRUE(WidenedInPlace(original, db, field, "nuv", "Filename", 96));
  ExpectCleanEnd(r, "nuv.mdb");
  // The length is the only thing the description of a TEXT(96) column changes: the upgraded
  // file is the one the writer makes with TEXT(96) from the start.
  const std::string made405 = dir_.File("made405.mdb");
  CreateJetNuvDatabase(made405, 96, 1000);
  EXPECT_EQ(DifferingOffsets(db, made405), std::vector<long>{});
}

TEST_F(JetUpgradeTest, FilesFromAccessAndAnotherWriterWidenInPlaceInBothFormats) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  struct Case {
    const char* fixture;
    long field;
  };
  for (const Case& c :
       {Case{"nuv404.mdb", kNuvLengthField}, Case{"nuv404_2003.mdb", kNuv2003LengthField}}) {
    const std::string original = CopyJetFixture(c.fixture, dir_, std::string("orig-") + c.fixture);
    const std::string db = CopyJetFixture(c.fixture, dir_);
    ASSERT_EQ(ReadLengthField(db, c.field), 100) << c.fixture;
    const ProcessResult r = Run(db);
    EXPECT_EQ(r.out, kDialog + kDone) << c.fixture << "\n" << r.err;
    EXPECT_TRUE(WidenedInPlace(original, db, c.field, "nuv", "Filename", 96)) << c.fixture;
    ExpectCleanEnd(r, c.fixture);
  }
  // The other writer made nuv405.mdb with TEXT(96) from the start: the upgraded 4.04 file is
  // that file, byte for byte.
  const std::string upgraded = ReadFile(dir_.File("nuv404.mdb"));
  EXPECT_TRUE(upgraded == ReadFile(CopyJetFixture("nuv405.mdb", dir_)));
}

TEST_F(JetUpgradeTest, AlreadyUpgradedAndRepeatedPressesConfirmAndWriteNothing) {
  const std::string done = dir_.File("done.mdb");
  CreateJetNuvDatabase(done, 96);
  const std::string before = ReadFile(done);
  ProcessResult r = Run(done, "enter\n\nspace\n\nclose\n");
  EXPECT_EQ(r.out, kDialog + kDone + kDone);
  EXPECT_TRUE(ReadFile(done) == before) << "a TEXT(96) file changed";
  ExpectCleanEnd(r, "TEXT(96)");
  // A first press widens, the second finds the length already there.
  const std::string db = dir_.File("nuv.mdb");
  CreateJetNuvDatabase(db, 50);
  r = Run(db, "enter\n\nenter\n\nclose\n");
  EXPECT_EQ(r.out, kDialog + kDone + kDone);
  EXPECT_TRUE(ReadFile(db) == before) << "two presses on TEXT(50) do not give TEXT(96)";
  ExpectCleanEnd(r, "TEXT(50) pressed twice");
}

TEST_F(JetUpgradeTest, RefusalsShowAnErrorBoxAndChangeNothing) {
  // Three values hold more than 96 characters: the column is named and the count is there as
  // a number of its own.
  CreateJetNuvDatabase(dir_.File("long.mdb"), 255, 3, 100);
  const std::string tooLong = ExpectErrorAndNoChange(dir_.File("long.mdb"), {"« Filename »"});
  EXPECT_TRUE(std::regex_search(tooLong, std::regex(R"((^|[^0-9])3([^0-9]|$))"))) << tooLong;
  // A memo column would change type.
  jet_writer::TableSpec memo = jet_writer::NuvSampleTable(3);
  ColumnNamed(memo, "Filename").type = jet_writer::ColumnType::kMemo;
  jet_writer::WriteJetDatabase(dir_.File("memo.mdb"), {{memo}});
  ExpectErrorAndNoChange(dir_.File("memo.mdb"), {"« Filename »", "Mémo"});
  jet_writer::TableSpec other = jet_writer::NuvSampleTable(3);
  other.name = "nuv_old";
  jet_writer::WriteJetDatabase(dir_.File("no-table.mdb"), {{other}});
  ExpectErrorAndNoChange(dir_.File("no-table.mdb"), {"« nuv »", "introuvable"});
  jet_writer::WriteJetDatabase(dir_.File("no-tables.mdb"), {});
  ExpectErrorAndNoChange(dir_.File("no-tables.mdb"), {"« nuv »", "introuvable"});
  jet_writer::TableSpec renamed = jet_writer::NuvSampleTable(3);
  ColumnNamed(renamed, "Filename").name = "Fichier";
  jet_writer::WriteJetDatabase(dir_.File("no-column.mdb"), {{renamed}});
  ExpectErrorAndNoChange(dir_.File("no-column.mdb"), {"« Filename »", "introuvable"});
}

TEST_F(JetUpgradeTest, RefusalsOnFilesFromAnotherWriter) {
  UPGRADE405_REQUIRE_JET_FIXTURES();
  ExpectErrorAndNoChange(CopyJetFixture("nuv_long.mdb", dir_), {"« Filename »"});
  ExpectErrorAndNoChange(CopyJetFixture("nuv_memo.mdb", dir_), {"« Filename »", "Mémo"});
  ExpectErrorAndNoChange(CopyJetFixture("nuv_missing_table.mdb", dir_), {"« nuv »"});
  ExpectErrorAndNoChange(CopyJetFixture("nuv_missing_column.mdb", dir_), {"« Filename »"});
}

TEST_F(JetUpgradeTest, FilesTheProviderWouldNotOpenEndInTheNotFoundNotice) {
  // Not a Jet database at all.
  const std::string text = dir_.File("notes.mdb");
  WriteFile(text, std::string(8192, 'x'));
  ExpectNotFoundAndNoChange(text, "a text file");

  // A database password: the connection string's is empty.
  const std::string plain = dir_.File("plain.mdb");
  CreateJetNuvDatabase(plain);
  const auto copyOfPlain = [&](const std::string& name) {
    fs::copy_file(plain, dir_.File(name));
    return dir_.File(name);
  };
  const std::string locked = copyOfPlain("password.mdb");
  ASSERT_EQ(DatabasePassword(locked), "");
  SetDatabasePassword(locked, "secret");
  ASSERT_EQ(DatabasePassword(locked), "secret");
  ExpectNotFoundAndNoChange(locked, "a database password");

  // An encrypted database: its header carries a database key.
  const std::string encrypted = copyOfPlain("encrypted.mdb");
  SetDatabaseKey(encrypted, 0x2a4b6c8d);
  ASSERT_EQ(DifferingOffsets(encrypted, plain).size(), 4u);
  ExpectNotFoundAndNoChange(encrypted, "a database key");

  // The newer ACE format's signature on a Jet 4 file.
  const std::string ace = copyOfPlain("ace.mdb");
  std::string bytes = ReadFile(ace);
  bytes.replace(4, 15, "Standard ACE DB");
  bytes[0x14] = 0x02;
  WriteFile(ace, bytes);
  ExpectNotFoundAndNoChange(ace, "an ACE header");

  // A header cut short.
  const std::string whole = ReadFile(plain);
  for (std::size_t size :
       {std::size_t{20}, std::size_t{0x42}, std::size_t{1024}, std::size_t{4095}}) {
    const std::string cut = dir_.File("cut-" + std::to_string(size) + ".mdb");
    WriteFile(cut, whole.substr(0, size));
    ExpectNotFoundAndNoChange(cut, "a header of " + std::to_string(size) + " bytes");
  }
}

}  // namespace
#endif  // _WIN32
