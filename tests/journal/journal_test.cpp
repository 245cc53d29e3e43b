// The journal's rules against the test implementation of the seams: names, date, ticks and
// version are set by the test, files live in memory and every operation is recorded.
#include "journal/journal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "fake_platform.h"

namespace {

using fakes::Files;
using fakes::Host;

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override { fakes::Reset(); }

  // The file a journal named "upgrade405" opens in the fake's folder on 2026-12-07.
  static std::string DayFile() { return fakes::Folder() + "upgrade405_2026-12-07.jnl"; }
  static std::string Content() { return Files().files[DayFile()]; }

  static std::unique_ptr<TJournal> Open(bool keepEntries = false, bool recreate = false,
                                        bool noFile = false) {
    return std::make_unique<TJournal>(fakes::Folder(), "upgrade405", keepEntries, recreate, noFile);
  }

  // The start line of the default fake host, as written on 2026-12-07 at 08:41:54.
  static std::string StartLine(const std::string& version = "") {
    return "[2026-12-07 08:41:54][Start  ] Processus \"" + Host().executablePath + "\" version \"" +
           version + "\" demarre sur \"PC01\\operator\"\r\n";
  }

  // The message parts of the lines written so far (after the "] " that ends the level).
  static std::vector<std::string> Messages() {
    std::vector<std::string> messages;
    const std::string content = Content();
    std::size_t start = 0;
    while (start < content.size()) {
      std::size_t end = content.find("\r\n", start);
      const std::string line = content.substr(start, end - start);
      if (!line.empty()) messages.push_back(line.substr(line.find("] ", 20) + 2));
      start = end + 2;
    }
    return messages;
  }

  static bool Logged(const std::string& entry) {
    return std::find(Files().log.begin(), Files().log.end(), entry) != Files().log.end();
  }
};

// --- File naming and the folder rules ---

TEST(JournalFileNameTest, BaseNameDateAndExtension) {
  fakes::Reset();
  const platform::LocalTime day{2027, 1, 5, 23, 59, 59, 999};
  const std::string dir = fakes::Folder();
  EXPECT_EQ(JournalFileName(dir, "upgrade405", day), dir + "upgrade405_2027-01-05.jnl");
  // The last extension goes, and with a plain name one more goes than the executable had.
  EXPECT_EQ(JournalFileName(dir, "x" + fakes::Sep() + "setup.new.exe", day),
            dir + "setup.new_2027-01-05.jnl");
  EXPECT_EQ(JournalFileName(dir, "setup.new", day), dir + "setup_2027-01-05.jnl");
  EXPECT_EQ(JournalFileName(dir, " \tname\x01 .txt", day), dir + "name_2027-01-05.jnl");
}

TEST(JournalFileNameTest, EmptyBaseNameHasNoUnderscore) {
  fakes::Reset();
  const platform::LocalTime day{2026, 12, 7, 0, 0, 0, 0};
  const std::string dir = fakes::Folder();
  EXPECT_EQ(JournalFileName(dir, "", day), dir + "2026-12-07.jnl");
  EXPECT_EQ(JournalFileName(dir, ".jnl", day), dir + "2026-12-07.jnl");
  EXPECT_EQ(JournalFileName(dir, "a" + fakes::Sep(), day), dir + "2026-12-07.jnl");
}

TEST(JournalFileNameTest, SeparatorAddedToTheFolderOnlyWhenMissing) {
  fakes::Reset();
  const platform::LocalTime day{2026, 3, 9, 0, 0, 0, 0};
  const std::string dir = fakes::Folder();
  const std::string bare = dir.substr(0, dir.size() - 1);
  EXPECT_EQ(JournalFileName(bare, "a", day), dir + "a_2026-03-09.jnl");
  EXPECT_EQ(JournalFileName(dir, "a", day), dir + "a_2026-03-09.jnl");
}

#ifdef _WIN32
TEST(JournalFileNameTest, DriveColonEndsTheFolderPart) {
  const platform::LocalTime day{2026, 12, 7, 0, 0, 0, 0};
  EXPECT_EQ(JournalFileName("C:\\Log\\", "D:prog.exe", day), "C:\\Log\\prog_2026-12-07.jnl");
}
#endif

TEST_F(JournalTest, FileIsNamedAfterTheDayOfConstructionAndKeptPastMidnight) {
  Host().localTime = {2026, 12, 7, 23, 59, 58, 0};
  auto journal = Open();
  EXPECT_EQ(journal->GetFileName(), DayFile());
  Host().localTime = {2026, 12, 8, 0, 0, 3, 0};
  journal->WriteEntry("after midnight", JournalLevel::Info);
  EXPECT_EQ(Files().files.count(fakes::Folder() + "upgrade405_2026-12-08.jnl"), 0u);
  EXPECT_NE(Content().find("[2026-12-08 00:00:03][Info   ] after midnight\r\n"), std::string::npos);
}

TEST_F(JournalTest, MissingFolderMeansNoFileAndIsNeverCreated) {
  const std::string missing = fakes::Folder() + "Missing" + fakes::Sep();
  const auto foldersBefore = Files().folders;
  {
    TJournal journal(missing, "upgrade405", true, false, false);
    EXPECT_EQ(journal.GetFileName(), "");
    EXPECT_FALSE(journal.HasFile());
    // The start entry is not written anywhere, not even to the mirror.
    EXPECT_TRUE(journal.GetEntries().empty());
    journal.WriteEntry("goes to the mirror only", JournalLevel::Info);
    ASSERT_EQ(journal.GetEntries().size(), 1u);
  }
  EXPECT_TRUE(Logged("create " + missing + "upgrade405_2026-12-07.jnl refused"));
  EXPECT_TRUE(Files().files.empty());
  EXPECT_EQ(Files().folders, foldersBefore);
  EXPECT_EQ(Files().OpenCount(), 0u);
}

// --- First run, second run, zero-byte file, Recreate ---

TEST_F(JournalTest, FirstRunCreatesTheFileWithTheStartLineFirst) {
  auto journal = Open();
  EXPECT_TRUE(journal->HasFile());
  EXPECT_EQ(Content(), StartLine());
  // Created and closed at once, then opened for writing; the start line is one write, flushed.
  const std::vector<std::string> expected = {
      "exists " + DayFile(), "create " + DayFile(), "close " + DayFile(),
      "open " + DayFile(),   "size " + DayFile(),   "write " + DayFile() + " " + StartLine(),
      "flush " + DayFile()};
  EXPECT_EQ(Files().log, expected);
}

TEST_F(JournalTest, SecondRunAppendsAnEmptyLineThenTheStartLine) {
  const std::string earlier = "[2026-12-07 07:00:00][Start  ] earlier run\r\n";
  Files().files[DayFile()] = earlier;
  auto journal = Open();
  EXPECT_EQ(Content(), earlier + "\r\n" + StartLine());
  EXPECT_FALSE(Logged("create " + DayFile()));
  // The separator is a write of its own, flushed before the start line is written.
  auto separator =
      std::find(Files().log.begin(), Files().log.end(), "write " + DayFile() + " \r\n");
  ASSERT_NE(separator, Files().log.end());
  EXPECT_EQ(*(separator - 1), "seek-end " + DayFile());
  EXPECT_EQ(*(separator + 1), "flush " + DayFile());
}

TEST_F(JournalTest, ZeroByteFileGetsNoSeparator) {
  Files().files[DayFile()] = "";
  auto journal = Open();
  EXPECT_EQ(Content(), StartLine());
}

TEST_F(JournalTest, RecreateEmptiesTheFileFirst) {
  Files().files[DayFile()] = "old line\r\n";
  auto journal = Open(false, true);
  EXPECT_EQ(Content(), StartLine());
  EXPECT_TRUE(Logged("create " + DayFile()));
}

TEST_F(JournalTest, FileHeldByAnotherWriterMeansNoJournal) {
  Files().files[DayFile()] = "the other run\r\n";
  Files().heldByOtherWriter.insert(DayFile());
  {
    auto journal = Open();
    EXPECT_EQ(journal->GetFileName(), "");
    EXPECT_FALSE(journal->HasFile());
    journal->WriteEntry("nowhere", JournalLevel::Info);
  }
  EXPECT_EQ(Content(), "the other run\r\n");
}

TEST_F(JournalTest, OpenFileAgainClosesTheFileBeforeReopening) {
  auto journal = Open();
  Files().log.clear();
  journal->OpenFile();
  ASSERT_GE(Files().log.size(), 3u);
  EXPECT_EQ(Files().log[0], "flush " + DayFile());
  EXPECT_EQ(Files().log[1], "close " + DayFile());
  EXPECT_EQ(Content(), StartLine() + "\r\n" + StartLine());
  EXPECT_EQ(Files().OpenCount(), 1u);
}

// --- The start and end lines, byte for byte ---

TEST_F(JournalTest, StartAndEndLinesInTheMainExecutable) {
  Host().versions[Host().executablePath] = {4, 5, 0, 12};
  auto journal = Open();
  Host().localTime = {2026, 12, 7, 8, 42, 10, 0};
  journal.reset();
  EXPECT_EQ(Content(), StartLine("4.5.0.12") +
                           "[2026-12-07 08:42:10][System ] Processus terminé avec le code de "
                           "sortie 0\r\n");
  EXPECT_EQ(Files().OpenCount(), 0u);
  EXPECT_EQ(Files().log.back(), "close " + DayFile());
}

TEST_F(JournalTest, EndLineCarriesTheExitCodeOfThatMoment) {
  for (int code : {1, -1, 2147483647}) {
    fakes::Reset();
    auto journal = Open();
    journal->SetExitCode(code);
    journal.reset();
    const std::string ending =
        "] Processus terminé avec le code de sortie " + std::to_string(code) + "\r\n";
    EXPECT_EQ(Content().substr(Content().size() - ending.size()), ending) << code;
  }
}

TEST_F(JournalTest, StartAndEndLinesInALibrary) {
  Host().journalModule = 0x10000000;
  Host().modulePath = fakes::Folder() + "journal.so";
  Host().versions[Host().modulePath] = {1, 2, 3, 4};
  auto journal = Open();
  journal.reset();
  EXPECT_EQ(Content(), "[2026-12-07 08:41:54][Start  ] Module \"" + Host().modulePath +
                           "\" version \"1.2.3.4\" a été appelé à partir de \"" +
                           Host().executablePath +
                           "\" version \"\" fonctionnant sur \"PC01\\operator\"\r\n"
                           "[2026-12-07 08:41:54][System ] Module retiré de la mémoire\r\n");
}

TEST_F(JournalTest, NamesAndTimeSeparatorComeFromTheHost) {
  Host().computerName = "";
  Host().userName = "zoé";
  Host().timeSeparator = ".";
  auto journal = Open();
  EXPECT_EQ(Content(), "[2026-12-07 08.41.54][Start  ] Processus \"" + Host().executablePath +
                           "\" version \"\" demarre sur \"\\zoé\"\r\n");
}

TEST_F(JournalTest, NamesAreReadOnceAtConstruction) {
  auto journal = Open();
  Host().computerName = "LATER";
  Host().userName = "someone";
  journal->OpenFile();
  EXPECT_EQ(Content(), StartLine() + "\r\n" + StartLine());
  EXPECT_EQ(Host().computerNameReads, 1);
  EXPECT_EQ(Host().userNameReads, 1);
}

TEST_F(JournalTest, LevelNamesAreSevenCharacters) {
  const std::vector<std::string> names = {"Start  ", "System ", "Begin  ", "End    ", "Info   ",
                                          "Warning", "Error  ", "Data   ", "Action "};
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(JournalLevelName(static_cast<JournalLevel>(i)), names[i]);
  }
  auto journal = Open();
  journal->WriteEntryFmt("%s=%d", {std::string("n"), std::int64_t{-7}}, JournalLevel::Warning);
  EXPECT_EQ(Content(), StartLine() + "[2026-12-07 08:41:54][Warning] n=-7\r\n");
}

// --- Message clean-up ---

TEST_F(JournalTest, LineBreaksInAMessageBecomeSpaces) {
  auto journal = Open(true);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\r\nb", "a b"},
      {"a\r\n\r\nb", "a   b"},
      {"a\n\rb", "a b"},
      {"a\nb\rc", "a b c"},
      {"\r\r\n\n", "   "},
      {"tab\tand é stay", "tab\tand é stay"},
      {"", ""},
  };
  for (const auto& [message, cleaned] : cases) {
    journal->WriteEntry(message, JournalLevel::Data);
    EXPECT_EQ(journal->GetEntries().back().Message, cleaned);
    const std::string line = "[Data   ] " + cleaned + "\r\n";
    EXPECT_EQ(Content().substr(Content().size() - line.size()), line);
  }
}

// --- Timers and the elapsed time ---

TEST(FormatElapsedTest, RoundsHalfSecondsToEven) {
  EXPECT_EQ(TJournal::FormatElapsed(0), "00:00:00");
  EXPECT_EQ(TJournal::FormatElapsed(499), "00:00:00");
  EXPECT_EQ(TJournal::FormatElapsed(500), "00:00:00");
  EXPECT_EQ(TJournal::FormatElapsed(501), "00:00:01");
  EXPECT_EQ(TJournal::FormatElapsed(1500), "00:00:02");
  EXPECT_EQ(TJournal::FormatElapsed(2500), "00:00:02");
  EXPECT_EQ(TJournal::FormatElapsed(3500), "00:00:04");
  EXPECT_EQ(TJournal::FormatElapsed(3725000), "01:02:05");
}

TEST(FormatElapsedTest, HoursGoPastNinetyNine) {
  EXPECT_EQ(TJournal::FormatElapsed(359999499), "99:59:59");
  EXPECT_EQ(TJournal::FormatElapsed(360000000), "100:00:00");
  EXPECT_EQ(TJournal::FormatElapsed(std::int64_t{50} * 24 * 3600 * 1000 + 61000), "1200:01:01");
}

TEST(FormatElapsedTest, NegativeTimesKeepTheirSignInEachField) {
  // A tick counter that went back (it wrapped) gives a negative elapsed time: the fields are
  // divided towards zero and each carries the sign, zero-padded to two digits after it.
  EXPECT_EQ(TJournal::FormatElapsed(-500), "00:00:00");  // -0.5 s rounds to even, 0
  EXPECT_EQ(TJournal::FormatElapsed(-501), "00:00:-01");
  EXPECT_EQ(TJournal::FormatElapsed(-1500), "00:00:-02");
  EXPECT_EQ(TJournal::FormatElapsed(-2500), "00:00:-02");
  EXPECT_EQ(TJournal::FormatElapsed(-60000), "00:-01:00");
  EXPECT_EQ(TJournal::FormatElapsed(-3725000), "-01:-02:-05");
  EXPECT_EQ(TJournal::FormatElapsed(-360000000), "-100:00:00");
  EXPECT_EQ(TJournal::FormatElapsed(std::int64_t{-4294967295}), "-1193:-02:-47");
}

TEST_F(JournalTest, EndAppendsTheTimeSinceItsBegin) {
  auto journal = Open(true);
  Host().ticks = 1000;
  journal->WriteEntry("", JournalLevel::Begin);
  Host().ticks = 1000 + 3725000;
  journal->WriteEntry("", JournalLevel::End);
  EXPECT_EQ(journal->GetEntries().back().Message, "Temps écoulé: 01:02:05");

  journal->WriteEntry("step", JournalLevel::Begin);
  Host().ticks += 500;
  journal->WriteEntry("step", JournalLevel::End);
  EXPECT_EQ(journal->GetEntries().back().Message, "step - Temps écoulé: 00:00:00");

  journal->WriteEntry("step", JournalLevel::Begin);
  Host().ticks += 1500;
  journal->WriteEntry("step", JournalLevel::End);
  EXPECT_EQ(Messages().back(), "step - Temps écoulé: 00:00:02");
  EXPECT_TRUE(journal->GetTimers().empty());
}

TEST_F(JournalTest, EndMeasuresFromTheNewestBeginAndLeaksAreClosedAtDestruction) {
  auto journal = Open();
  Host().ticks = 0;
  journal->WriteEntry("outer", JournalLevel::Begin);
  Host().ticks = 10000;
  journal->WriteEntry("inner", JournalLevel::Begin);
  Host().ticks = 12000;
  journal->WriteEntry("", JournalLevel::End);
  Host().ticks = 3600000;
  journal.reset();
  const std::vector<std::string> expected = {
      "Processus \"" + Host().executablePath + "\" version \"\" demarre sur \"PC01\\operator\"",
      "outer",
      "inner",
      "Temps écoulé: 00:00:02",
      "Freeing internal timer leak - Temps écoulé: 01:00:00",
      "Processus terminé avec le code de sortie 0"};
  EXPECT_EQ(Messages(), expected);
}

TEST_F(JournalTest, EachLeakedTimerGetsItsOwnEntryNewestFirst) {
  auto journal = Open();
  for (std::int64_t start : {0, 60000, 120000}) {
    Host().ticks = start;
    journal->WriteEntry("", JournalLevel::Begin);
  }
  Host().ticks = 180000;
  journal.reset();
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 8u);
  EXPECT_EQ(messages[4], "Freeing internal timer leak - Temps écoulé: 00:01:00");
  EXPECT_EQ(messages[5], "Freeing internal timer leak - Temps écoulé: 00:02:00");
  EXPECT_EQ(messages[6], "Freeing internal timer leak - Temps écoulé: 00:03:00");
  EXPECT_EQ(messages[7], "Processus terminé avec le code de sortie 0");
}

TEST_F(JournalTest, ElapsedTimeAcrossTheOld32BitWrap) {
  auto journal = Open(true);
  Host().ticks = 0xFFFF0000;  // 65.5 s before a 32-bit counter would wrap
  journal->WriteEntry("long", JournalLevel::Begin);
  Host().ticks = 0x100000000 + 2000;
  journal->WriteEntry("long", JournalLevel::End);
  EXPECT_EQ(journal->GetEntries().back().Message, "long - Temps écoulé: 00:01:08");
}

TEST_F(JournalTest, EndWithoutARunningTimerShowsZero) {
  auto journal = Open(true);
  Host().ticks = 987654321;
  journal->WriteEntry("", JournalLevel::End);
  journal->WriteEntry("alone", JournalLevel::End);
  EXPECT_EQ(journal->GetEntries()[1].Message, "Temps écoulé: 00:00:00");
  EXPECT_EQ(journal->GetEntries()[2].Message, "alone - Temps écoulé: 00:00:00");
  EXPECT_EQ(journal->PopTimer(), 0);
}

// --- The mirror ---

TEST_F(JournalTest, NoFileWithKeepEntriesMirrorsEveryEntryAndTouchesNoFile) {
  auto journal = Open(true, false, true);
  EXPECT_EQ(journal->GetFileName(), "");
  journal->WriteEntry("one", JournalLevel::Info);
  Host().localTime = {2026, 12, 7, 12, 0, 0, 0};
  Host().ticks = 5;
  journal->WriteEntry("two\r\nlines", JournalLevel::Begin);
  journal->WriteSeparator();
  EXPECT_TRUE(Files().log.empty());
  ASSERT_EQ(journal->GetEntries().size(), 2u);
  const TJournalRecord& first = journal->GetEntries()[0];
  EXPECT_EQ(first.Level, JournalLevel::Info);
  EXPECT_EQ(first.Message, "one");
  EXPECT_EQ(first.TimestampText, "2026-12-07 08:41:54");
  // 46363 days after 1899-12-30, 8 h 41 min 54 s into the day.
  EXPECT_DOUBLE_EQ(first.Timestamp, 46363 + (8 * 3600 + 41 * 60 + 54) / 86400.0);
  const TJournalRecord& second = journal->GetEntries()[1];
  EXPECT_EQ(second.Level, JournalLevel::Begin);
  EXPECT_EQ(second.Message, "two lines");
  EXPECT_DOUBLE_EQ(second.Timestamp, 46363.5);
  EXPECT_EQ(journal->GetTimers(), JournalTimerStack{5});
  journal.reset();
  EXPECT_TRUE(Files().log.empty());
}

TEST_F(JournalTest, WithoutKeepEntriesNothingIsMirrored) {
  auto journal = Open();
  journal->WriteEntry("one", JournalLevel::Info);
  EXPECT_TRUE(journal->GetEntries().empty());
}

TEST(JournalTimestampTest, DaysSinceTheEndOf1899) {
  EXPECT_DOUBLE_EQ(JournalTimestamp({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(JournalTimestamp({1900, 3, 1, 6, 0, 0, 0}), 61.25);
  EXPECT_DOUBLE_EQ(JournalTimestamp({2000, 1, 1, 0, 0, 0, 0}), 36526.0);
  EXPECT_DOUBLE_EQ(JournalTimestamp({2026, 12, 7, 18, 0, 0, 0}), 46363.75);
  EXPECT_EQ(JournalTimestampText({987, 1, 2, 3, 4, 5, 600}, ":"), "0987-01-02 03:04:05");
}

// --- The Nth write failing ---

TEST_F(JournalTest, FailedSeparatorInsideOpenFileIsAbsorbedAndTheFileClosed) {
  Files().files[DayFile()] = "earlier\r\n";
  Files().failWriteNumber = 1;
  auto journal = Open(true);
  EXPECT_EQ(journal->GetFileName(), "");
  EXPECT_FALSE(journal->HasFile());
  EXPECT_TRUE(journal->GetEntries().empty());
  EXPECT_EQ(Files().OpenCount(), 0u);
  EXPECT_EQ(Files().log.back(), "close " + DayFile());
  EXPECT_EQ(Content(), "earlier\r\n");
}

TEST_F(JournalTest, FailedStartLineInsideOpenFileIsAbsorbedAndTheFileClosed) {
  Files().failWriteNumber = 1;
  auto journal = Open(true);
  EXPECT_EQ(journal->GetFileName(), "");
  EXPECT_TRUE(journal->GetEntries().empty());
  EXPECT_EQ(Files().OpenCount(), 0u);
  // Later entries still reach the mirror.
  journal->WriteEntry("after", JournalLevel::Info);
  EXPECT_EQ(journal->GetEntries().size(), 1u);
}

TEST_F(JournalTest, FailedWriteOfAnEntryReachesTheCaller) {
  auto journal = Open(true);
  Files().failWriteNumber = 2;
  EXPECT_THROW(journal->WriteEntry("lost", JournalLevel::Info), EWriteError);
  // Not mirrored either: the mirror holds only the start entry.
  ASSERT_EQ(journal->GetEntries().size(), 1u);
  EXPECT_EQ(journal->GetEntries()[0].Level, JournalLevel::Start);
  // The file stays; the next entry is written.
  journal->WriteEntry("kept", JournalLevel::Info);
  EXPECT_EQ(Messages().back(), "kept");
  EXPECT_EQ(journal->GetEntries().back().Message, "kept");
}

TEST_F(JournalTest, FailedWritesAtDestructionAreAbsorbed) {
  auto journal = Open();
  journal->WriteEntry("", JournalLevel::Begin);
  Files().failWriteNumber = 3;  // the timer-leak entry
  journal->SetExitCode(1);
  journal.reset();
  EXPECT_TRUE(Logged("write-failed " + DayFile()));
  // The end entry is still tried, and written, after the failed one.
  EXPECT_EQ(Messages().back(), "Processus terminé avec le code de sortie 1");
  EXPECT_EQ(Files().OpenCount(), 0u);

  fakes::Reset();
  journal = Open();
  Files().failWriteNumber = 2;  // the end entry, and the disk stays full
  Files().failForGood = true;
  EXPECT_NO_THROW(journal.reset());
  EXPECT_EQ(Content(), StartLine());
  EXPECT_EQ(Files().log.back(), "close " + DayFile());
}

}  // namespace
