// The journal on real files in a temporary folder, with real second processes, and the real
// executable leaving its lines in the Log folder beside a copy of it.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <regex>

#include "journal/journal.h"
#include "platform/host.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::InSecondProcess;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t end = content.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back("<unterminated>" + content.substr(start));
      break;
    }
    lines.push_back(content.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string RegexQuote(const std::string& s) {
  return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

const std::string kStamp = R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\])";

// The start line of a run of `exePath` with `version` on this machine, as a pattern.
std::string StartPattern(const std::string& exePath, const std::string& version) {
  return kStamp + RegexQuote("[Start  ] Processus \"" + exePath + "\" version \"" + version +
                             "\" demarre sur \"" + platform::GetComputerNameText() + "\\" +
                             platform::GetUserNameText() + "\"");
}

std::string EndPattern(int code) {
  return kStamp +
         RegexQuote("[System ] Processus terminé avec le code de sortie " + std::to_string(code));
}

void ExpectLines(const std::string& content, const std::vector<std::string>& patterns) {
  const std::vector<std::string> lines = Lines(content);
  ASSERT_EQ(lines.size(), patterns.size()) << content;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i])))
        << "line " << i << ": " << lines[i] << "\n   pattern: " << patterns[i];
  }
}

std::unique_ptr<TJournal> OpenIn(const TempDir& dir, bool recreate = false) {
  return std::make_unique<TJournal>(dir.path().string(), "run", false, recreate, false);
}

// --- The journal on real files ---

TEST(RealJournalTest, FirstRunThenSecondRunOnTheSameDay) {
  TempDir dir;
  std::string file;
  {
    auto journal = OpenIn(dir);
    file = journal->GetFileName();
    ASSERT_TRUE(journal->HasFile());
  }
  EXPECT_EQ(fs::path(file).parent_path(), dir.path());
  EXPECT_TRUE(std::regex_match(fs::path(file).filename().string(),
                               std::regex(R"(run_\d{4}-\d\d-\d\d\.jnl)")));
  const std::string start = StartPattern(platform::GetExecutablePath(), "");
  ExpectLines(ReadFile(file), {start, EndPattern(0)});
  OpenIn(dir).reset();
  ExpectLines(ReadFile(file), {start, EndPattern(0), "", start, EndPattern(0)});
}

TEST(RealJournalTest, ZeroByteFileAndRecreateStartWithTheStartLine) {
  TempDir dir;
  const std::string file = OpenIn(dir)->GetFileName();
  const std::string start = StartPattern(platform::GetExecutablePath(), "");
  WriteFile(file, "");
  OpenIn(dir).reset();
  ExpectLines(ReadFile(file), {start, EndPattern(0)});
  OpenIn(dir, true).reset();
  ExpectLines(ReadFile(file), {start, EndPattern(0)});
}

TEST(RealJournalTest, MissingFolderGivesNoFileAndIsNotCreated) {
  TempDir dir;
  {
    TJournal journal((dir.path() / "Log").string(), "run", false, false, false);
    EXPECT_EQ(journal.GetFileName(), "");
    EXPECT_FALSE(journal.HasFile());
    journal.WriteEntry("nowhere", JournalLevel::Info);
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(RealJournalTest, SecondProcessAtTheSameTimeWritesNoJournal) {
  TempDir dir;
  auto first = OpenIn(dir);
  const std::string file = first->GetFileName();
  const std::string before = ReadFile(file);
  for (bool recreate : {false, true}) {
    const int second = InSecondProcess([&] {
      TJournal journal(dir.path().string(), "run", false, recreate, false);
      return journal.GetFileName().empty() && !journal.HasFile() ? 0 : 1;
    });
    EXPECT_EQ(second, 0) << "recreate " << recreate;
  }
  EXPECT_EQ(ReadFile(file), before);
  first->WriteEntry("still mine", JournalLevel::Info);
  first.reset();
  // Once the first has gone, the next one writes again.
  EXPECT_EQ(InSecondProcess([&] { return OpenIn(dir)->HasFile() ? 0 : 1; }), 0);
  const std::string start = StartPattern(platform::GetExecutablePath(), "");
  ExpectLines(ReadFile(file), {start, kStamp + RegexQuote("[Info   ] still mine"), EndPattern(0),
                               "", start, EndPattern(0)});
}

// The number of this process's descriptors open on `target`.
int DescriptorsOn(const std::string& target) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (fs::read_symlink(entry.path(), ec) == target) ++count;
  }
  return count;
}

TEST(RealJournalTest, FileGivenUpWhenItsStartLineFailsIsClosed) {
  TempDir dir;
  const std::string file = OpenIn(dir)->GetFileName();
  fs::remove(file);
  fs::create_symlink("/dev/full", file);  // opens, then every write fails: no space left
  const int before = DescriptorsOn("/dev/full");
  auto journal = OpenIn(dir);
  EXPECT_EQ(journal->GetFileName(), "");
  EXPECT_FALSE(journal->HasFile());
  EXPECT_EQ(DescriptorsOn("/dev/full"), before);
}

// --- Runs of the real executable ---

class ExecutableRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_ = dir_.File("upgrade405");
    fs::copy_file(UPGRADE405_EXE, exe_);
    fs::permissions(exe_, fs::perms::owner_all);
  }

  // A run without a display and with nothing to read: the terminal front-end takes every box
  // as dismissed and closes the dialog.
  testing_support::ProcessResult RunExe(
      std::map<std::string, std::optional<std::string>> env = {}) {
    testing_support::ProcessOptions options;
    options.env = std::move(env);
    options.env["DISPLAY"] = std::nullopt;
    options.env["WAYLAND_DISPLAY"] = std::nullopt;
    return testing_support::RunProcess({exe_, "/db=" + dir_.File("missing.mdb")}, options);
  }

  std::string JournalFile() const {
    for (const auto& entry : fs::directory_iterator(dir_.path() / "Log")) {
      return entry.path().string();
    }
    return "";
  }

  TempDir dir_;
  std::string exe_;
};

TEST_F(ExecutableRunTest, EveryRunLeavesItsStartAndEndLines) {
  fs::create_directory(dir_.path() / "Log");
  const testing_support::ProcessResult first = RunExe();
  ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
  const std::string file = JournalFile();
  EXPECT_TRUE(std::regex_match(fs::path(file).filename().string(),
                               std::regex(R"(upgrade405_\d{4}-\d\d-\d\d\.jnl)")));
  const std::string start = StartPattern(exe_, UPGRADE405_VERSION);
  ExpectLines(ReadFile(file), {start, EndPattern(0)});

  EXPECT_EQ(RunExe().exitCode, 0);
  const testing_support::ProcessResult failed =
      RunExe({{"UPGRADE405_UNREGISTERED_CLASSES", "ADODB.Connection"}});
  EXPECT_EQ(failed.exitCode, 1) << failed.out << failed.err;
  ExpectLines(ReadFile(file),
              {start, EndPattern(0), "", start, EndPattern(0), "", start, EndPattern(1)});
}

TEST_F(ExecutableRunTest, WithoutALogFolderNothingIsWritten) {
  const testing_support::ProcessResult run = RunExe();
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_FALSE(fs::exists(dir_.path() / "Log"));
  EXPECT_EQ(run.err, "");
}

TEST_F(ExecutableRunTest, FullDiskAtTheEndLineKeepsTheExitCode) {
  fs::create_directory(dir_.path() / "Log");
  ASSERT_EQ(RunExe().exitCode, 0);
  const std::string file = JournalFile();
  const std::vector<std::string> lines = Lines(ReadFile(file));
  ASSERT_EQ(lines.size(), 2u);
  const std::size_t startBytes = lines[0].size() + 2;

  // Earlier runs' bytes, so that the separator and the start line fill the file up to the
  // size limit of the run below exactly and the end line finds no room left.
  const rlim_t limit = 8192;
  const std::string earlier =
      std::string(limit - 2 - startBytes - 2, 'x') + "\r\n";  // 2: the separator
  WriteFile(file, earlier);

  const int pid = testing_support::StartChild(
      {exe_, "/db=" + dir_.File("missing.mdb")},
      {.env = testing_support::WithoutDisplay(), .beforeExec = [] {
         const rlimit fileSize{limit, limit};
         setrlimit(RLIMIT_FSIZE, &fileSize);
         signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG, as on a full disk
       }});
  const testing_support::ChildEnd end = testing_support::WaitForChild(pid);
  ASSERT_TRUE(end.exited) << "ended by signal " << end.signal;
  EXPECT_EQ(end.exitCode, 0);
  const std::string content = ReadFile(file);
  EXPECT_EQ(content.size(), limit);
  ExpectLines(content.substr(earlier.size()), {"", StartPattern(exe_, UPGRADE405_VERSION)});
}

}  // namespace
