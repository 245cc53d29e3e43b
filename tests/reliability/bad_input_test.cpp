// Bad input, end to end: the real executable on files, paths and command lines it was not made
// for. Each run must end in one of the designed outcomes (the not-found notice, the dialog then
// the confirmation or an error box) with exit code 0, no signal and no hang, and must leave the
// file byte for byte as it was unless it confirmed the upgrade.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "components/ado.h"
#include "components/exceptions.h"
#include "components/text.h"
#include "main.h"
#include "platform/posix/engine/sqlite/sqlite_engine.h"
#include "reliability/reliability.h"
#include "support/sample_db.h"
#include "support/temp_dir.h"

namespace {

using reliability::Session;

namespace fs = std::filesystem;
using reliability::ClassifyPress;
using reliability::DatabaseState;
using reliability::DialogBlock;
using reliability::DoneBlock;
using reliability::InspectDatabase;
using reliability::NotFoundBlock;
using reliability::Outcome;
using reliability::OutcomeName;
using reliability::RunUpgrade;
using testing_support::CreateNuvDatabase;
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
  // A transaction left open would leave its rollback journal behind.
  std::error_code ec;
  EXPECT_FALSE(fs::exists(path + "-journal", ec)) << label;
  return outcome;
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
  reliability::CreateLargeNuvDatabase(whole, "TEXT(50)", 400, 40);
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
  // Less than a header is no database; a cut inside the tables is found damaged at open.
  EXPECT_GT(seen[Outcome::kNotFound], 0);
  EXPECT_EQ(seen[Outcome::kNotFound] + seen[Outcome::kError] + seen[Outcome::kConfirmed], 13);
}

TEST_F(BadInputTest, CopiesWithRandomBytesFlippedEndInADesignedOutcome) {
  const std::string valid = dir.File("valid.mdb");
  reliability::CreateLargeNuvDatabase(valid, "TEXT(50)", 60, 30);
  const std::string content = ReadFile(valid);
  const long copies =
      reliability::EnvNumber("UPGRADE405_FLIP_COPIES", reliability::FullMode() ? 1000 : 100);
  const auto seed = static_cast<std::uint32_t>(reliability::EnvNumber("UPGRADE405_SEED", 405));
  std::mt19937 random(seed);
  std::map<Outcome, int> seen;
  for (long copy = 0; copy < copies; ++copy) {
    std::string bytes = content;
    // Every other copy is damaged in its first page (header and schema), where a flip matters
    // most; the others anywhere.
    const std::size_t range = copy % 2 == 0 ? 4096 : bytes.size();
    const int flips = 1 + static_cast<int>(random() % 4);
    std::string where;
    for (int f = 0; f < flips; ++f) {
      const std::size_t at = random() % range;
      const auto mask = static_cast<unsigned char>(1u << (random() % 8));
      bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) ^ mask);
      where += " " + std::to_string(at) + "^" + std::to_string(mask);
    }
    const std::string path = dir.File("flipped-" + std::to_string(copy) + ".mdb");
    WriteFile(path, bytes);
    ++seen[PressAndCheck(
        path, "seed " + std::to_string(seed) + " copy " + std::to_string(copy) + " flips" + where)];
    if (!HasFailure()) fs::remove(path);
  }
  std::printf("flipped copies: %d not found, %d confirmed, %d error box\n",
              seen[Outcome::kNotFound], seen[Outcome::kConfirmed], seen[Outcome::kError]);
  EXPECT_EQ(seen[Outcome::kUnexpected], 0);
}

// --- Files the program may not write ---

// Runs the program as the unprivileged user "nobody" when this process is root, whose writes no
// file mode stops; returns false with the reason in `why` when that is impossible here.
bool AsUnprivileged(std::vector<std::string>& argv, std::string& why) {
  if (geteuid() != 0) return true;
  if (!fs::exists("/usr/bin/setpriv")) {
    why = "running as root without setpriv";
    return false;
  }
  const std::vector<std::string> setpriv{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                         "--clear-groups"};
  // Some throwaway roots keep "/" at mode 0700, where no unprivileged program can start.
  std::vector<std::string> probe = setpriv;
  probe.push_back("/usr/bin/true");
  if (testing_support::RunProcess(probe).exitCode != 0) {
    why = "an unprivileged user cannot start programs here (is / searchable by others?)";
    return false;
  }
  argv.insert(argv.begin(), setpriv.begin(), setpriv.end());
  return true;
}

TEST_F(BadInputTest, ReadOnlyFileOrFolderShowsTheEngineErrorAndStaysUntouched) {
  // A copy of the executable that "nobody" can run, wherever the build lies.
  const std::string exe = dir.File("upgrade405");
  fs::copy_file(UPGRADE405_EXE, exe);
  fs::permissions(exe, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  const std::string lockedFolder = dir.File("locked");
  fs::create_directory(lockedFolder);
  const std::string readOnly = dir.File("read-only.mdb");
  const std::string inLockedFolder = lockedFolder + "/NUV.MDB";
  CreateNuvDatabase(readOnly);
  CreateNuvDatabase(inLockedFolder);
  // The file itself read-only; or writable in a folder where its rollback journal cannot be made.
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(readOnly.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(inLockedFolder.c_str(), 65534, 65534), 0);
  }
  fs::permissions(lockedFolder, fs::perms::owner_all | fs::perms::others_read |
                                    fs::perms::others_exec | fs::perms::group_read |
                                    fs::perms::group_exec);
  if (geteuid() != 0) {
    fs::permissions(lockedFolder, fs::perms::owner_write, fs::perm_options::remove);
  }
  for (const std::string& path : {readOnly, inLockedFolder}) {
    std::vector<std::string> argv{exe, "/db=" + path};
    if (std::string why; !AsUnprivileged(argv, why)) GTEST_SKIP() << why;
    const std::string before = ReadFile(path);
    testing_support::ProcessOptions options;
    options.input = kPress;
    options.env = {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}};
    const ProcessResult r = testing_support::RunProcess(argv, options);
    std::string error;
    EXPECT_EQ(ClassifyPress(r.out, path, &error), Outcome::kError) << path << "\n" << r.out;
    EXPECT_NE(error.find("lecture seule"), std::string::npos) << error;
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(ReadFile(path) == before) << path;
    EXPECT_EQ(InspectDatabase(path).filenameType, "TEXT(50)") << path;
  }
  fs::permissions(lockedFolder, fs::perms::owner_all, fs::perm_options::add);
}

// --- Databases of another shape ---

void MakeDatabase(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
      SQLITE_OK);
  const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr);
  EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(raw);
  sqlite3_close(raw);
}

TEST_F(BadInputTest, MissingTableOrColumnShowsAnErrorNamingItAndChangesNothing) {
  struct Case {
    const char* name;
    const char* sql;
    const char* named;  // what the error must name
  };
  for (const Case& c : {
           Case{"no-table",
                "CREATE TABLE other (Filename TEXT(50)); INSERT INTO other VALUES ('a')",
                "« nuv »"},
           Case{"view", "CREATE TABLE t (Filename TEXT(50)); CREATE VIEW nuv AS SELECT * FROM t",
                "« nuv »"},
           Case{"no-column", "CREATE TABLE nuv (id INTEGER PRIMARY KEY, File TEXT(50))",
                "« Filename »"},
           Case{"empty-schema", "PRAGMA user_version = 404", "« nuv »"},
       }) {
    const std::string path = dir.File(std::string(c.name) + ".mdb");
    MakeDatabase(path, c.sql);
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

// Another process holding a lock on a database: `sql` runs in a child, which then keeps its
// transaction open until Release() or until `holdSeconds` have passed.
class LockHolder : public testing_support::HeldByChild {
 public:
  LockHolder(const std::string& path, const std::string& sql, int holdSeconds)
      : HeldByChild(
            [&](const std::function<void()>& wait) {
              sqlite3* db = nullptr;
              if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
                  sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                return false;
              }
              wait();
              // No hot journal left behind for the next opener.
              sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
              sqlite3_close(db);
              return true;
            },
            holdSeconds) {}
};

// A write transaction with a change in it: the reserved lock, as a writer in mid-work holds it.
const char kWriteTransaction[] =
    "BEGIN IMMEDIATE; INSERT INTO nuv (Filename, Title, Size) VALUES ('held', 'held', 0)";
// The exclusive lock, as a writer holds it while it commits: not even reading is possible.
const char kExclusiveTransaction[] =
    "BEGIN EXCLUSIVE; INSERT INTO nuv (Filename, Title, Size) VALUES ('held', 'held', 0)";

TEST_F(BadInputTest, PressWaitsForAnotherWritersLockAndSucceedsOnceItIsReleased) {
  // The lock goes away well within the command's 30-second limit: the press waits for it
  // instead of failing at once, and the other writer's rolled-back row never appears.
  for (const char* sql : {kWriteTransaction, kExclusiveTransaction}) {
    CreateNuvDatabase(db);
    LockHolder holder(db, sql, 2);
    ASSERT_TRUE(holder.Held());
    const ProcessResult r = RunUpgrade({"/db=" + db}, kPress);
    EXPECT_EQ(r.out, DialogBlock() + DoneBlock()) << sql;
    EXPECT_EQ(r.exitCode, 0);
    holder.Release();
    const DatabaseState state = InspectDatabase(db);
    EXPECT_EQ(state.integrity, "ok");
    EXPECT_EQ(state.rows, 3);
    EXPECT_EQ(state.filenameType, "TEXT(96)");
    fs::remove(db);
  }
}

TEST_F(BadInputTest, LockHeldPastTheCommandTimeLimitFailsWithTheEngineError) {
  // In-process with a short limit: the same engine path as the program's 30 seconds.
  CreateNuvDatabase(db);
  platform::InitializeCom();
  platform::SetCommandTimeoutForTesting(300);
  {
    LockHolder holder(db, kWriteTransaction, 60);
    ASSERT_TRUE(holder.Held());
    TADOConnection connection;
    connection.SetConnectionString(text::Format(ConnectionStringTemplate, {QuoteDataSource(db)}));
    TADOCommand command;
    command.SetConnection(&connection);
    connection.SetConnected(true);
    command.SetCommandText(UpgradeStatement);
    try {
      command.Execute();
      ADD_FAILURE() << "the upgrade ran while another process held a write transaction";
    } catch (const EOleException& e) {
      EXPECT_NE(e.Message().find("verrouillée"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(holder.StillHolding());
    holder.Release();
    EXPECT_NO_THROW(command.Execute());
  }
  platform::SetCommandTimeoutForTesting(0);
  platform::UninitializeCom();
  const DatabaseState state = InspectDatabase(db);
  EXPECT_EQ(state.filenameType, "TEXT(96)");
  EXPECT_EQ(state.rows, 3);
}

TEST_F(BadInputTest, ExecutableGivesUpOnALockHeldPastItsThirtySecondsFull) {
  if (!reliability::FullMode()) GTEST_SKIP() << "holds locks for 35 s; UPGRADE405_FULL=1 runs it";
  // A writer's transaction: the dialog opens, the press fails with the engine's lock error
  // while the other process still holds its lock, and nothing changes.
  CreateNuvDatabase(db);
  const std::string before = ReadFile(db);
  {
    LockHolder holder(db, kWriteTransaction, 35);
    ASSERT_TRUE(holder.Held());
    const ProcessResult r = RunUpgrade({"/db=" + db}, kPress);
    EXPECT_TRUE(holder.StillHolding()) << "the press outwaited the lock";
    std::string error;
    EXPECT_EQ(ClassifyPress(r.out, db, &error), Outcome::kError) << r.out;
    EXPECT_NE(error.find("verrouillée"), std::string::npos) << error;
    EXPECT_EQ(r.exitCode, 0);
  }
  EXPECT_EQ(InspectDatabase(db).filenameType, "TEXT(50)");
  // An exclusive lock: not even the schema can be read, so opening fails.
  {
    LockHolder holder(db, kExclusiveTransaction, 35);
    ASSERT_TRUE(holder.Held());
    const ProcessResult r = RunUpgrade({"/db=" + db}, kPress);
    EXPECT_TRUE(holder.StillHolding()) << "opening outwaited the lock";
    EXPECT_EQ(r.out, NotFoundBlock(db));
    EXPECT_EQ(r.exitCode, 0);
  }
  EXPECT_EQ(ReadFile(db), before);
}

TEST_F(BadInputTest, SecondInstanceOnTheSameDatabaseBeforeOrAfterThePressOfTheFirst) {
  for (bool firstPressesFirst : {false, true}) {
    reliability::CreateLargeNuvDatabase(db, "TEXT(50)", 50, 20);
    const DatabaseState original = InspectDatabase(db);
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
    // The first, its schema now changed by another process, presses (again).
    first.Send("enter");
    first.Send("enter");
    first.Send("close");
    const std::string expected =
        DialogBlock() + DoneBlock() + (firstPressesFirst ? DoneBlock() : std::string());
    EXPECT_EQ(first.WaitFor(expected), expected);
    EXPECT_EQ(first.Finish(), 0);
    const DatabaseState state = InspectDatabase(db);
    EXPECT_EQ(state.integrity, "ok");
    EXPECT_EQ(state.rows, original.rows);
    EXPECT_EQ(state.checksum, original.checksum);
    EXPECT_EQ(state.filenameType, "TEXT(96)");
    fs::remove(db);
  }
}

TEST_F(BadInputTest, TwoInstancesPressingAtTheSameTimeBothConfirm) {
  // The rebuild path on enough rows that the two presses overlap: one waits for the other's
  // lock, then finds the change made.
  for (int round = 0; round < 3; ++round) {
    reliability::CreateLargeNuvDatabase(db, "INTEGER", 20000, 30);
    const DatabaseState original = InspectDatabase(db);
    ProcessResult results[2];
    std::thread other([&] { results[1] = RunUpgrade({"/db=" + db}, kPress); });
    results[0] = RunUpgrade({"/db=" + db}, kPress);
    other.join();
    for (const ProcessResult& r : results) {
      EXPECT_EQ(r.out, DialogBlock() + DoneBlock()) << "round " << round;
      EXPECT_EQ(r.exitCode, 0);
    }
    const DatabaseState state = InspectDatabase(db);
    EXPECT_EQ(state.integrity, "ok");
    EXPECT_EQ(state.rows, original.rows);
    EXPECT_EQ(state.checksum, original.checksum);
    EXPECT_EQ(state.filenameType, "TEXT(96)");
    fs::remove(db);
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
    CreateNuvDatabase(path);
    const ProcessResult r = RunUpgrade({"/db=" + path}, kPress);
    EXPECT_EQ(r.out, DialogBlock() + DoneBlock()) << name;
    EXPECT_EQ(r.exitCode, 0) << name;
    EXPECT_EQ(InspectDatabase(path).filenameType, "TEXT(96)") << name;
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
  CreateNuvDatabase(db);
  // The engine keeps its rollback journal beside the file, named after it with "-journal":
  // the longest name it can upgrade is NAME_MAX - 8 bytes, in ASCII or in two-byte letters.
  constexpr std::size_t kLongestUpgradable = NAME_MAX - 8;
  std::string accented;
  while (accented.size() + 2 <= kLongestUpgradable - 4) accented += "é";
  for (const std::string& name : {std::string(kLongestUpgradable, 'n'), accented + ".mdb"}) {
    const std::string path = dir.File(name);
    reliability::CopyFile(db, path);
    EXPECT_EQ(PressAndCheck(path, "name of " + std::to_string(name.size()) + " bytes"),
              Outcome::kConfirmed);
  }
  // Names of NAME_MAX bytes: the file opens, its journal cannot be made, so the press fails
  // with the engine's error and the file stays as it was (checked by PressAndCheck).
  for (const std::string& name : {std::string(NAME_MAX, 'n'), accented + "éé.mdb"}) {
    ASSERT_LE(name.size(), static_cast<std::size_t>(NAME_MAX));
    const std::string path = dir.File(name);
    reliability::CopyFile(db, path);
    EXPECT_NE(PressAndCheck(path, "name of " + std::to_string(name.size()) + " bytes"),
              Outcome::kNotFound);
  }
  // One byte too many for a name: the system refuses it.
  const std::string overName = dir.File(std::string(NAME_MAX + 1, 'n'));
  EXPECT_EQ(RunUpgrade({"/db=" + overName}, kPress).out, NotFoundBlock(overName));

  // The engine's library (SQLite) takes paths of up to 512 bytes, its journal's name included.
  const std::string within =
      FolderOfLength(dir.File("within"), 480 - 1 - 40) + "/" + std::string(40, 'n');
  ASSERT_EQ(within.size(), 480u);
  reliability::CopyFile(db, within);
  EXPECT_EQ(PressAndCheck(within, "path of 480 bytes"), Outcome::kConfirmed);
  // A whole path of PATH_MAX - 1 bytes, the longest the system takes: past the library's limit
  // the file cannot be opened, and the notice shows the full path, as for any failed open.
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
  CreateNuvDatabase(db);
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
  CreateNuvDatabase(db);
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
  EXPECT_EQ(InspectDatabase(db).rows, 3);
}

}  // namespace
