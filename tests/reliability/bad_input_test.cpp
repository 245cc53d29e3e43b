// Bad input, end to end: the real executable on files, paths and command lines it was not made
// for. Each run must end in one of the designed outcomes (the not-found notice, the dialog then
// the confirmation or an error box) with exit code 0, no signal and no hang, and must leave the
// file byte for byte as it was unless it confirmed the upgrade.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "reliability/reliability.h"
#include "support/jet_files.h"
#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/temp_dir.h"

namespace {

using reliability::Session;

namespace fs = std::filesystem;
using reliability::ClassifyPress;
using reliability::DialogBlock;
using reliability::DoneBlock;
using reliability::NotFoundBlock;
using reliability::Outcome;
using reliability::OutcomeName;
using reliability::RunUpgrade;
using testing_support::CreateJetNuvDatabase;
using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

const std::string kPress = "enter\n\nclose\n";

// One press on `path`: the run must end cleanly in a designed outcome, and the file must be
// unchanged unless the upgrade was confirmed. Returns the outcome.
Outcome PressAndCheck(const std::string& path, const std::string& label,
                      const std::vector<std::string>& extraArgs = {}) {
  const std::string before = ReadFile(path);
  std::vector<std::string> args = extraArgs;
  args.push_back("/db=" + path);
  const ProcessResult r = RunUpgrade(args, kPress);
  EXPECT_FALSE(r.timedOut) << label;
  EXPECT_EQ(r.signal, 0) << label << "\n" << r.err;
  EXPECT_EQ(r.exitCode, 0) << label << "\n" << r.err;
  const Outcome outcome = ClassifyPress(r.out, path);
  EXPECT_NE(outcome, Outcome::kUnexpected) << label << "\n" << r.out;
  if (outcome != Outcome::kConfirmed) {
    EXPECT_TRUE(ReadFile(path) == before) << label << ": changed without a confirmation";
  }
  return outcome;
}

// The declared length of nuv.Filename as mdbtools reads it, -1 when it cannot.
int FilenameLength(const std::string& path) {
  return testing_support::MdbToolsTextLength(path, "nuv", "Filename");
}

class BadInputTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string db = dir.File("NUV.MDB");
};

// --- Files that are not databases ---

TEST_F(BadInputTest, WhatCannotBeOpenedEndsInTheNotFoundNoticeAndStaysUntouched) {
  const std::string text = dir.File("notes.txt");
  WriteFile(text, "Ceci n'est pas une base de données.\n");
  const std::string empty = dir.File("empty.mdb");
  WriteFile(empty, "");
  const std::string header = dir.File("header-only.mdb");
  WriteFile(header, std::string("SQLite format 3\0", 16));
  const std::string fifo = dir.File("pipe.mdb");  // opening it for reading would block forever
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir.File("folder.mdb");
  fs::create_directory(folder);
  for (const std::string& path :
       {dir.File("missing.mdb"), folder, dir.path().string() + "/", text, empty, header, fifo,
        std::string("/dev/null"), dir.File("missing-folder/NUV.MDB")}) {
    const bool regular = fs::is_regular_file(path);
    const std::string before = regular ? ReadFile(path) : "";
    const ProcessResult r = RunUpgrade({"/db=" + path}, kPress);
    EXPECT_EQ(r.out, NotFoundBlock(path)) << path;
    EXPECT_EQ(r.exitCode, 0) << path;
    EXPECT_FALSE(r.timedOut) << path;
    if (regular) {
      EXPECT_EQ(ReadFile(path), before) << path;
    }
  }
  EXPECT_FALSE(fs::exists(dir.File("missing.mdb")));
  EXPECT_FALSE(fs::exists(dir.File("missing-folder")));
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(BadInputTest, TruncatedDatabasesEndInADesignedOutcome) {
  const std::string whole = dir.File("whole.mdb");
  CreateJetNuvDatabase(whole, 50, 400, 40);
  const std::string content = ReadFile(whole);
  ASSERT_GT(content.size(), 3u * 4096);
  std::map<Outcome, int> seen;
  for (std::size_t size :
       {std::size_t{1}, std::size_t{15}, std::size_t{99}, std::size_t{100}, std::size_t{101},
        std::size_t{512}, std::size_t{4095}, std::size_t{4096}, std::size_t{4097},
        2 * std::size_t{4096}, content.size() / 2, content.size() - 4096, content.size() - 1}) {
    const std::string path = dir.File("cut-" + std::to_string(size) + ".mdb");
    WriteFile(path, content.substr(0, size));
    ++seen[PressAndCheck(path, "cut at " + std::to_string(size))];
  }
  // Less than a header is no database; a cut inside the tables is found damaged.
  EXPECT_GT(seen[Outcome::kNotFound], 0);
  EXPECT_EQ(seen[Outcome::kNotFound] + seen[Outcome::kError] + seen[Outcome::kConfirmed], 13);
}

// --- Files the program may not write ---

// Runs the program held to file modes as their owner is. Root ignores modes through its
// capabilities CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and CAP_FOWNER: as root, the program runs
// through setpriv with those taken out of its bounding set, so it keeps uid 0 (and so reaches
// every folder, even under a "/" that others may not search) but a read-only file or folder it
// owns stops it. Returns false with the reason in `why` when that is impossible here.
bool AsOwnerWithoutOverride(std::vector<std::string>& argv, std::string& why) {
  if (geteuid() != 0) return true;
  if (!fs::exists("/usr/bin/setpriv")) {
    why = "running as root without setpriv";
    return false;
  }
  const std::vector<std::string> setpriv{"/usr/bin/setpriv", "--inh-caps=-all",
                                         "--bounding-set=-dac_override,-dac_read_search,-fowner"};
  argv.insert(argv.begin(), setpriv.begin(), setpriv.end());
  return true;
}

TEST_F(BadInputTest, ReadOnlyFileShowsTheEngineErrorButAReadOnlyFolderDoesNotMatter) {
  const std::string lockedFolder = dir.File("locked");
  fs::create_directory(lockedFolder);
  const std::string readOnly = dir.File("read-only.mdb");
  const std::string inLockedFolder = lockedFolder + "/NUV.MDB";
  CreateJetNuvDatabase(readOnly);
  CreateJetNuvDatabase(inLockedFolder);
  // The file itself read-only; or writable in a folder where nothing can be made beside it.
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(lockedFolder, fs::perms::owner_write, fs::perm_options::remove);
  for (const std::string& path : {readOnly, inLockedFolder}) {
    std::vector<std::string> argv{UPGRADE405_EXE, "/db=" + path};
    if (std::string why; !AsOwnerWithoutOverride(argv, why)) GTEST_SKIP() << why;
    const std::string before = ReadFile(path);
    testing_support::ProcessOptions options;
    options.input = kPress;
    options.env = {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}};
    const ProcessResult r = testing_support::RunProcess(argv, options);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    if (path == readOnly) {
      std::string error;
      EXPECT_EQ(ClassifyPress(r.out, path, &error), Outcome::kError) << path << "\n" << r.out;
      EXPECT_NE(error.find("lecture seule"), std::string::npos) << error;
      EXPECT_TRUE(ReadFile(path) == before) << path;
      EXPECT_EQ(FilenameLength(path), 50) << path;
    } else {
      // The engine writes the file in place and makes nothing beside it.
      EXPECT_EQ(ClassifyPress(r.out, path), Outcome::kConfirmed) << path << "\n" << r.out;
      EXPECT_EQ(FilenameLength(path), 96) << path;
    }
  }
  fs::permissions(lockedFolder, fs::perms::owner_all, fs::perm_options::add);
}

// --- Databases of another shape (the missing table and column: jet_upgrade_test.cpp) ---

TEST_F(BadInputTest, TablesOfAnotherShapeShowAnErrorNamingWhatIsMissingAndChangeNothing) {
  struct Case {
    const char* name;
    jet_writer::DatabaseSpec spec;
    const char* named;  // what the error must name
  };
  jet_writer::TableSpec other = jet_writer::NuvSampleTable(3);
  other.name = "Nuv_";
  // Filename as a Long: the change would be one of type.
  jet_writer::TableSpec wrongType;
  wrongType.name = "nuv";
  wrongType.columns.resize(1);
  wrongType.columns[0].name = "Filename";
  for (const Case& c : {
           Case{"similar-name", {{other}}, "« nuv »"},
           Case{"long-column", {{wrongType}}, "« Filename »"},
       }) {
    const std::string path = dir.File(std::string(c.name) + ".mdb");
    jet_writer::WriteJetDatabase(path, c.spec);
    const std::string before = ReadFile(path);
    const ProcessResult r = RunUpgrade({"/db=" + path}, kPress);
    std::string error;
    EXPECT_EQ(ClassifyPress(r.out, path, &error), Outcome::kError) << c.name << "\n" << r.out;
    EXPECT_NE(error.find(c.named), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(ReadFile(path) == before) << c.name;
  }
}

// --- Other processes on the same file ---

TEST_F(BadInputTest, SecondInstanceOnTheSameDatabaseBeforeOrAfterThePressOfTheFirst) {
  for (bool firstPressesFirst : {false, true}) {
    CreateJetNuvDatabase(db, 50, 50);
    const std::string rows = testing_support::MdbToolsExport(db, "nuv");
    Session first({"/db=" + db});
    ASSERT_EQ(first.WaitFor(DialogBlock()), DialogBlock());
    if (firstPressesFirst) {
      first.Send("enter");
      ASSERT_EQ(first.WaitFor(DoneBlock()), DialogBlock() + DoneBlock());
      first.Send("enter");
    }
    // The second runs whole while the first keeps its connection open.
    const ProcessResult second = RunUpgrade({"/db=" + db}, kPress);
    EXPECT_EQ(second.out, DialogBlock() + DoneBlock()) << firstPressesFirst;
    EXPECT_EQ(second.exitCode, 0);
    // The first, its table now changed by another process, presses (again).
    first.Send("enter");
    first.Send("enter");
    first.Send("close");
    const std::string expected =
        DialogBlock() + DoneBlock() + (firstPressesFirst ? DoneBlock() : std::string());
    EXPECT_EQ(first.WaitFor(expected), expected);
    EXPECT_EQ(first.Finish(), 0);
    EXPECT_EQ(testing_support::MdbToolsExport(db, "nuv"), rows);
    EXPECT_EQ(FilenameLength(db), 96);
    fs::remove(db);
  }
}

TEST_F(BadInputTest, TwoInstancesPressingAtTheSameTimeEndWidenedWithEveryRow) {
  // Each press either widens, finds the column widened, or finds the file in the other's use:
  // the in-use error, or, when it opens while the other holds its write lock on the whole file
  // (as an exclusive opener does), the not-found notice. At least one widens; the file ends
  // widened, and only its length field changed.
  for (int round = 0; round < 3; ++round) {
    const std::string original = dir.File("original.mdb");
    const long field =
        testing_support::FilenameLengthField(CreateJetNuvDatabase(original, 50, 20000, 30));
    reliability::CopyFile(original, db);
    ProcessResult results[2];
    std::thread other([&] { results[1] = RunUpgrade({"/db=" + db}, kPress); });
    results[0] = RunUpgrade({"/db=" + db}, kPress);
    other.join();
    int confirmed = 0;
    for (const ProcessResult& r : results) {
      std::string error;
      const Outcome outcome = ClassifyPress(r.out, db, &error);
      confirmed += outcome == Outcome::kConfirmed;
      if (outcome == Outcome::kError) {
        EXPECT_NE(error.find("utilisée"), std::string::npos) << "round " << round << ": " << error;
      } else if (outcome != Outcome::kNotFound) {
        EXPECT_EQ(outcome, Outcome::kConfirmed) << "round " << round << "\n" << r.out;
      }
      EXPECT_EQ(r.exitCode, 0);
    }
    EXPECT_GE(confirmed, 1) << "round " << round;
    EXPECT_EQ(testing_support::DifferingOffsets(original, db), std::vector<long>{field})
        << "round " << round;
    EXPECT_EQ(testing_support::ReadLengthField(db, field), 192) << "round " << round;
    fs::remove(db);
    fs::remove(original);
  }
}

// --- Paths ---

TEST_F(BadInputTest, PathsWithCharactersThatMeanSomethingElsewhere) {
  for (const std::string name :
       {"with space", " leading space", "trailing space ", "a;b", "Data Source=x;", "100%",
        "%s%d%n%x", "R&D", "&&", "end&", "say \"hi\"", "it's", "'both\" quotes'", "café è ü 日本",
        "\xff\xfe not utf-8 \xc3(", "tab\there", "=;\"'%&"}) {
    const std::string folder = dir.File(name);
    fs::create_directory(folder);
    const std::string path = folder + "/" + name + ".mdb";
    CreateJetNuvDatabase(path);
    const ProcessResult r = RunUpgrade({"/db=" + path}, kPress);
    EXPECT_EQ(r.out, DialogBlock() + DoneBlock()) << name;
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_EQ(FilenameLength(path), 96) << name;
    // The same folder without the file: the notice shows the path as given.
    const std::string missing = folder + "/absent " + name;
    const ProcessResult notFound = RunUpgrade({"/db=" + missing}, kPress);
    EXPECT_EQ(notFound.out, NotFoundBlock(missing)) << name;
    EXPECT_EQ(notFound.exitCode, 0) << name;
  }
}

// A folder chain inside `base` whose full path is exactly `length` bytes, made of names of
// at most 255 bytes.
std::string FolderOfLength(const std::string& base, std::size_t length) {
  fs::create_directories(base);
  std::string path = base;
  while (path.size() < length) {
    const std::size_t left = length - path.size() - 1;  // "/" then the name
    // Never leave a remainder too short for a name of its own.
    std::size_t name = left > 255 ? std::min<std::size_t>(200, left - 2) : left;
    path += "/" + std::string(name, 'd');
    fs::create_directory(path);
  }
  return path;
}

TEST_F(BadInputTest, PathsAtTheSystemsLengthLimits) {
  CreateJetNuvDatabase(db);
  // The engine writes the file in place and makes nothing beside it (its look for a lock file
  // beside a name of NAME_MAX bytes finds none): names up to NAME_MAX bytes, in ASCII or in
  // two-byte letters, are upgraded.
  std::string accented;
  while (accented.size() + 2 <= NAME_MAX - 4) accented += "é";
  for (const std::string& name : {std::string(NAME_MAX, 'n'), accented + ".mdb"}) {
    ASSERT_LE(name.size(), static_cast<std::size_t>(NAME_MAX));
    const std::string path = dir.File(name);
    reliability::CopyFile(db, path);
    EXPECT_EQ(PressAndCheck(path, "name of " + std::to_string(name.size()) + " bytes"),
              Outcome::kConfirmed);
  }
  // One byte too many for a name: the system refuses it.
  const std::string overName = dir.File(std::string(NAME_MAX + 1, 'n'));
  EXPECT_EQ(RunUpgrade({"/db=" + overName}, kPress).out, NotFoundBlock(overName));

  // A whole path of PATH_MAX - 1 bytes, the longest the system takes: the file is upgraded, or,
  // should a library refuse a path that long, the notice shows the full path, as for any
  // failed open.
  const std::string longest =
      FolderOfLength(dir.File("longest"), PATH_MAX - 1 - 256) + "/" + std::string(255, 'n');
  ASSERT_EQ(longest.size(), static_cast<std::size_t>(PATH_MAX - 1));
  reliability::CopyFile(db, longest);
  const Outcome outcome = PressAndCheck(longest, "path of PATH_MAX - 1 bytes");
  EXPECT_TRUE(outcome == Outcome::kConfirmed || outcome == Outcome::kNotFound)
      << OutcomeName(outcome);
  std::printf("a database at a path of %d bytes: %s\n", PATH_MAX - 1, OutcomeName(outcome));
  // Past the limit: the system refuses the path.
  const std::string tooLong = longest + "/x";
  EXPECT_EQ(RunUpgrade({"/db=" + tooLong}, kPress).out, NotFoundBlock(tooLong));
}

// --- Command lines ---

TEST_F(BadInputTest, HundredsOfParametersAndTheLastDbParameterWins) {
  CreateJetNuvDatabase(db);
  std::vector<std::string> noise;
  for (int i = 0; i < 600; ++i) {
    switch (i % 6) {
      case 0:
        noise.push_back("/db=" + dir.File("missing-" + std::to_string(i) + ".mdb"));
        break;
      case 1:
        noise.push_back("/DB");
        break;
      case 2:
        noise.push_back("-db=" + db);
        break;
      case 3:
        noise.push_back("\"/db=quoted\"");
        break;
      case 4:
        noise.push_back("");
        break;
      default:
        noise.push_back("x" + std::to_string(i) + " &;%s");
        break;
    }
  }
  std::vector<std::string> args = noise;
  args.push_back("/Db=" + db);
  ProcessResult r = RunUpgrade(args, kPress);
  EXPECT_EQ(r.out, DialogBlock() + DoneBlock());
  EXPECT_EQ(r.exitCode, 0);
  // The same parameters after the valid one: the last "/db=" names a missing file.
  args = {"/db=" + db};
  args.insert(args.end(), noise.begin(), noise.end());
  r = RunUpgrade(args, kPress);
  EXPECT_EQ(r.out, NotFoundBlock(dir.File("missing-594.mdb")));
  EXPECT_EQ(r.exitCode, 0);
}

TEST_F(BadInputTest, VeryLongParameters) {
  CreateJetNuvDatabase(db);
  // The longest single parameter Linux passes is 32 pages, its terminating zero included.
  const std::size_t longest = 32 * 4096 - 1;
  std::string longPath = "/";
  while (longPath.size() + 256 < longest - 4) longPath += std::string(255, 'p') + "/";
  longPath += std::string(longest - 4 - longPath.size(), 'q');
  ASSERT_EQ(longPath.size() + 4, longest);
  ProcessResult r =
      RunUpgrade({std::string(longest, 'x'), "/db=" + db, std::string(longest, 'y')}, kPress);
  EXPECT_EQ(r.out, DialogBlock() + DoneBlock());
  EXPECT_EQ(r.exitCode, 0);
  r = RunUpgrade({"/db=" + db, "/db=" + longPath}, kPress);
  EXPECT_EQ(r.out, NotFoundBlock(longPath));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(FilenameLength(db), 96);
}

}  // namespace
