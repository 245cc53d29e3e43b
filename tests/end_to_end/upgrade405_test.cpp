// The real executable, end to end, through the terminal front-end's line protocol.
#ifndef _WIN32
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CreateJetNuvDatabase;
using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::TempDir;

const std::string kDialog =
    "=== Dialog\nCaption: Mise-à-jour base de donnée 4.04 -> 4.05\nButtons: [Mise-à-jour]\n";
// The title of the built executable, upgrade405: its first letter keeps its case.
const std::string kTitle = "upgrade405";

std::string Done(const std::string& title = kTitle) {
  return "=== NoticeBox\nCaption: " + title + "\nText: Mise à jour effetuée.\nButtons: [OK]\n";
}
const std::string kDone = Done();

std::string NotFound(const std::string& path, const std::string& title = kTitle) {
  return "=== NoticeBox\nCaption: " + title + "\nText: Base de donnée non trouvée dans :\n\r" +
         path + "\nButtons: [OK]\n";
}

ProcessResult RunUpgrade(const std::vector<std::string>& args, const std::string& input,
                         const std::string& exe = UPGRADE405_EXE,
                         std::map<std::string, std::optional<std::string>> env = {}) {
  testing_support::ProcessOptions options;
  options.input = input;
  options.env = std::move(env);
  options.env["DISPLAY"] = std::nullopt;  // the terminal front-end
  options.env["WAYLAND_DISPLAY"] = std::nullopt;
  std::vector<std::string> argv{exe};
  argv.insert(argv.end(), args.begin(), args.end());
  return testing_support::RunProcess(argv, options);
}

// The declared length of nuv.Filename as mdbtools reads it, -1 when it cannot.
int FilenameLength(const std::string& db) {
  return testing_support::MdbToolsTextLength(db, "nuv", "Filename");
}

// Whether `offset` from the load address of the ELF file at `path` lies in one of its
// executable segments, where the code that raises an exception is.
bool InExecutableSegment(const std::string& path, std::uint64_t offset) {
  const std::string image = ReadFile(path);
  Elf64_Ehdr header;
  if (image.size() < sizeof header) return false;
  std::memcpy(&header, image.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64) {
    return false;
  }
  std::vector<Elf64_Phdr> loaded;
  for (int i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment;
    const std::size_t at = header.e_phoff + static_cast<std::size_t>(i) * header.e_phentsize;
    if (at + sizeof segment > image.size()) return false;
    std::memcpy(&segment, image.data() + at, sizeof segment);
    if (segment.p_type == PT_LOAD) loaded.push_back(segment);
  }
  if (loaded.empty()) return false;
  // The load address is where the first loaded segment, the one that holds the file's start,
  // is mapped.
  const std::uint64_t address = loaded.front().p_vaddr - loaded.front().p_offset + offset;
  for (const Elf64_Phdr& segment : loaded) {
    if ((segment.p_flags & PF_X) != 0 && address >= segment.p_vaddr &&
        address < segment.p_vaddr + segment.p_memsz) {
      return true;
    }
  }
  return false;
}

class UpgradeRunTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string db = dir.File("NUV.MDB");
};

TEST_F(UpgradeRunTest, PressConfirmsAndWidensTheColumn) {
  CreateJetNuvDatabase(db);
  const std::string rows = testing_support::MdbToolsExport(db, "nuv");
  ASSERT_NE(rows, "");
  ProcessResult r = RunUpgrade({"/db=" + db}, "enter\n\nclose\n");
  EXPECT_EQ(r.out, kDialog + kDone);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(FilenameLength(db), 96);
  EXPECT_EQ(testing_support::MdbToolsExport(db, "nuv"), rows);
}

TEST_F(UpgradeRunTest, EveryPressRunsAgainAndASecondOneSucceedsWithoutChange) {
  CreateJetNuvDatabase(db);
  ProcessResult r = RunUpgrade({"/db=" + db}, "space\n\n");
  ASSERT_EQ(r.out, kDialog + kDone);
  const std::string upgraded = ReadFile(db);
  r = RunUpgrade({"/db=" + db}, "enter\nescape\nspace\n\nclose\n");
  EXPECT_EQ(r.out, kDialog + kDone + kDone);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadFile(db), upgraded);
}

TEST_F(UpgradeRunTest, EscapeOnTheDialogDoesNothingAndEndOfInputCloses) {
  CreateJetNuvDatabase(db);
  ProcessResult r = RunUpgrade({"/db=" + db}, "escape\ncopy\n");
  EXPECT_EQ(r.out, kDialog);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(FilenameLength(db), 50);
}

TEST_F(UpgradeRunTest, TooLongValuesShowTheEngineErrorAndChangeNothing) {
  // TEXT(255) with four values of 100 characters.
  CreateJetNuvDatabase(db, 255, 4, 100);
  const std::string before = ReadFile(db);
  ProcessResult r = RunUpgrade({"/db=" + db}, "enter\n\nclose\n");
  EXPECT_EQ(r.out, kDialog + "=== ErrorBox\nCaption: " + kTitle +
                       "\nText: Impossible de modifier la colonne « Filename » : 4 valeurs "
                       "dépassent 96 caractères.\nButtons: [OK]\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadFile(db), before);
}

TEST_F(UpgradeRunTest, MissingOrBadFilesAreReportedAsNotFound) {
  const std::string text = dir.File("notes.txt");
  testing_support::WriteFile(text, "Ceci n'est pas une base de données.\n");
  const std::string empty = dir.File("empty.mdb");
  testing_support::WriteFile(empty, "");
  for (const std::string& path : {dir.File("missing.mdb"), dir.path().string(), text, empty}) {
    ProcessResult r = RunUpgrade({"/db=" + path}, "");
    EXPECT_EQ(r.out, NotFound(path));
    EXPECT_EQ(r.exitCode, 0);
  }
  EXPECT_EQ(ReadFile(empty), "");
  EXPECT_FALSE(fs::exists(dir.File("missing.mdb")));
}

TEST_F(UpgradeRunTest, NoticeBoxCopiesItsTextToTheClipboard) {
  const std::string path = dir.File("R&D") + "/x.mdb";
  ProcessResult r = RunUpgrade({"/db=" + path}, "copy\nenter\n");
  const std::string shown = dir.File("RD") + "/x.mdb";
  const std::string line = "---------------------------\r\n";
  EXPECT_EQ(r.out, NotFound(shown) + "=== Beep\n=== Clipboard\n" + line + "upgrade405\r\n" + line +
                       "Base de donnée non trouvée dans :\n\r" + path + "\r\n" + line +
                       "OK   \r\n" + line + "\n");
  EXPECT_EQ(r.exitCode, 0);
}

TEST_F(UpgradeRunTest, DbParameterIgnoresCaseAndTheLastOneWins) {
  CreateJetNuvDatabase(db);
  ProcessResult r =
      RunUpgrade({"/DB=" + dir.File("a.mdb"), "-db=x", "/Db=" + db, "/db"}, "close\n");
  EXPECT_EQ(r.out, kDialog);
  r = RunUpgrade({"/db=" + db, "/dB="}, "");
  EXPECT_EQ(r.out, NotFound(""));
}

TEST_F(UpgradeRunTest, DefaultsToTheDatabaseFolderBesideTheExecutable) {
  const std::string exe = dir.File("UPGRADE405");
  fs::copy_file(UPGRADE405_EXE, exe);
  ProcessResult r = RunUpgrade({"/db"}, "", exe);
  EXPECT_EQ(r.out, NotFound(dir.File("database/NUV.MDB"), "Upgrade405"));
  fs::create_directory(dir.File("database"));
  CreateJetNuvDatabase(dir.File("database/NUV.MDB"));
  r = RunUpgrade({}, "enter\n\n", exe);
  EXPECT_EQ(r.out, kDialog + Done("Upgrade405"));
  EXPECT_EQ(FilenameLength(dir.File("database/NUV.MDB")), 96);
}

TEST_F(UpgradeRunTest, PathsThatNeedQuotingInTheConnectionStringStillOpen) {
  for (const std::string name :
       {"a;b.mdb", "trail.mdb ", "say \"hi\".mdb", "100%s%d.mdb", "it's \"x\";.mdb", "é\xff.mdb",
        "'a'.mdb", "'abc.mdb", "\tlead.mdb", "trail.mdb\t", "cr.mdb\r", "\nlf.mdb"}) {
    const std::string path = dir.File(name);
    CreateJetNuvDatabase(path);
    ProcessResult r = RunUpgrade({"/db=" + path}, "enter\n\n");
    EXPECT_EQ(r.out, kDialog + kDone) << name;
    EXPECT_EQ(FilenameLength(path), 96) << name;
  }
}

TEST_F(UpgradeRunTest, RelativePathsAreResolvedAgainstTheCurrentFolder) {
  fs::create_directory(dir.File("sub"));
  // Relative to the current folder, never to the executable's.
  for (const std::string name : {"rel.mdb", "'rel.mdb", "sub/'x'.mdb", "sub/x.mdb ", "\ty.mdb"}) {
    CreateJetNuvDatabase(dir.File(name));
    testing_support::ProcessOptions options;
    options.input = "enter\n\n";
    options.workingDirectory = dir.path().string();
    options.env["DISPLAY"] = std::nullopt;
    options.env["WAYLAND_DISPLAY"] = std::nullopt;
    ProcessResult r = testing_support::RunProcess({UPGRADE405_EXE, "/db=" + name}, options);
    EXPECT_EQ(r.out, kDialog + kDone) << name;
    EXPECT_EQ(FilenameLength(dir.File(name)), 96) << name;
  }
  ProcessResult r = RunUpgrade({"/db=sub/absent.mdb"}, "");
  EXPECT_EQ(r.out, NotFound("sub/absent.mdb"));
}

TEST_F(UpgradeRunTest, MissingDatabaseLayerEndsInTheFatalBoxWithExitCodeOne) {
  CreateJetNuvDatabase(db);
  for (const char* unregistered : {"ADODB.Connection", "ADODB.Command"}) {
    ProcessResult r = RunUpgrade({"/db=" + db}, "", UPGRADE405_EXE,
                                 {{"UPGRADE405_UNREGISTERED_CLASSES", unregistered}});
    const std::string head =
        "=== FatalErrorBox\nCaption: Erreur d'application\nText: "
        "Exception Exception dans le module upgrade405 dans ";
    ASSERT_EQ(r.out.substr(0, head.size()), head) << r.out;
    const std::string tail =
        ".\r\nErreur à la création de l'objet.  Vérifiez que les composants Microsoft Data Access "
        "2.1 (ou supérieur) ont été correctement installés.\r\n\nButtons: [OK]\n";
    ASSERT_GE(r.out.size(), head.size() + 8 + tail.size());
    // The raise's offset in the executable: eight upper-case hexadecimal digits, inside its code.
    const std::string offset = r.out.substr(head.size(), 8);
    ASSERT_EQ(offset.find_first_not_of("0123456789ABCDEF"), std::string::npos) << offset;
    EXPECT_TRUE(InExecutableSegment(UPGRADE405_EXE, std::stoull(offset, nullptr, 16))) << offset;
    EXPECT_EQ(r.out.substr(head.size() + 8), tail);
    EXPECT_EQ(r.exitCode, 1);
  }
  EXPECT_EQ(FilenameLength(db), 50);
}

}  // namespace
#endif
