// The Jet test databases made outside the project (extra checks beside the files the project's
// writer makes, see support/jet_sample.h), and the independent readers that check what the
// engine did to either.
//
// The databases live in ../shared/fixtures beside the source tree (UPGRADE405_FIXTURES names
// another folder). They are never changed: a test works on a copy in its own temporary folder.
// Where the folder is missing, the tests that need it skip with a message naming it:
//
//   TEST(JetSomething, Widens) {
//     UPGRADE405_REQUIRE_JET_FIXTURES();
//     TempDir dir;
//     const std::string db = CopyJetFixture("nuv404.mdb", dir);
//     ...
//
// The readers share no code with the engine: npm's mdb-reader (tests/support/mdb_reader, its
// packages installed by scripts/test.sh) and mdbtools' mdb-schema and mdb-export.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/temp_dir.h"

namespace testing_support {

// The fixtures folder, or "" when it is missing.
std::string JetFixturesDir();
// Why the Jet tests are skipped: names the folder that was looked for.
std::string MissingJetFixturesMessage();

#define UPGRADE405_REQUIRE_JET_FIXTURES()                             \
  do {                                                                \
    if (::testing_support::JetFixturesDir().empty()) {                \
      GTEST_SKIP() << ::testing_support::MissingJetFixturesMessage(); \
    }                                                                 \
  } while (false)

// Copies fixture `name` ("nuv404.mdb", "access/access2000_fixed_text.mdb") into `dir` under
// `as` (its own base name when empty) and returns the copy's path; writable. Throws
// std::runtime_error when it cannot.
std::string CopyJetFixture(const std::string& name, const TempDir& dir, const std::string& as = "");

// What mdb-reader sees in a database.
struct ReaderView {
  bool ok = false;
  std::string error;  // the reader's message when !ok
  // "table.column" -> "type size fixed|variable", e.g. "nuv.Filename" -> "text 100 variable".
  // Sizes are in bytes as stored: TEXT(96) is 192.
  std::map<std::string, std::string> columns;
  // table -> "rows sha256", a digest of every row in order.
  std::map<std::string, std::string> tables;
};
ReaderView ReadWithMdbReader(const std::string& path);

// The rows of `table` (a system table too) as mdb-reader reads them: a JSON array of objects,
// dates as ISO text; "mdb-reader failed: ..." when it cannot.
std::string MdbReaderTableJson(const std::string& path, const std::string& table);

// mdbtools' view: mdb-schema's text of `table`'s CREATE TABLE ("" when the tool failed), and
// every row of `table` as mdb-export writes it.
std::string MdbToolsSchema(const std::string& path, const std::string& table);
std::string MdbToolsExport(const std::string& path, const std::string& table);

// The declared text length of `table`.`column` as mdb-schema prints it ("Text (96)" gives 96),
// or -1.
int MdbToolsTextLength(const std::string& path, const std::string& table,
                       const std::string& column);

// The offsets at which two files of equal size differ (all of them, up to `limit`).
std::vector<long> DifferingOffsets(const std::string& a, const std::string& b,
                                   std::size_t limit = 64);

}  // namespace testing_support
