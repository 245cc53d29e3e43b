// What libmdb sees in a Jet file, asked in a confined child process.
//
// libmdb may crash, loop or eat memory on a damaged file, so the engine never calls it in its
// own process: each statement forks one child that opens the file with libmdb, under an
// address-space limit and with its output sent to /dev/null, and sends back a compact answer
// through a pipe. The file may come from anyone who can write the share, and libmdb is not
// hardened against crafted input, so once libmdb has opened the file (page 0, which the engine
// has checked, and its character-set conversion) the child is confined before it reads any
// further (sandbox.h): a libmdb turned against us could only read that file and write its
// pipe. A child that could not be confined reads nothing: the parent never tries again
// unconfined. Each step of the child has a wall-clock limit that fits its work: reading the
// catalog, the table's definition and the relationships has a short, fixed one whatever the
// file's size; reading every value of a column (a shortening) has one in proportion to the
// table's pages, which the child reports on the pipe when the first step is done. A child that
// crashes, is killed, runs out of time or answers garbage fails the part of the answer it was
// on; nothing else happens. Only queries.cpp knows libmdb's types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace platform {

// A column as libmdb reads it.
struct LibmdbColumn {
  std::string name;  // UTF-8
  int number = 0;    // libmdb's column number
  int type = 0;
  int size = 0;  // in bytes
  bool fixed = false;
};

// The question: the table and column named in a statement (matched as Jet matches names), and
// the new length in bytes (per character two in Jet 4, one in Jet 3); every value of the column
// is read when it is shorter than today's length of a variable-length text column.
struct LibmdbRequest {
  std::string table;
  std::string column;
  int newLengthBytes = 0;
  int bytesPerCharacter = 2;
};

// The scan of a column's values.
struct LibmdbScan {
  std::string failure;        // what libmdb could not read (French, without final period), or ""
  bool scanned = false;       // the column's values were read
  std::uint64_t rows = 0;     // rows read
  std::uint64_t tooLong = 0;  // values longer than the new length, in characters
};

// The answer.
struct LibmdbView {
  std::string failure;  // what libmdb could not read (French, without final period), or ""
  bool tableFound = false;
  std::string table;            // as the catalog spells it
  std::uint32_t firstPage = 0;  // the table definition's first page, from the catalog
  bool systemTable = false;
  // The user tables of the catalog whose definition is the table's first page (the table's own
  // row included: 1 in a sound file).
  std::uint32_t tablesOnDefinition = 0;
  std::vector<LibmdbColumn> columns;  // libmdb's order (by column number)
  // The rows of MSysRelationships in which the statement's column is the foreign key or the key
  // it references (0 when the file has no MSysRelationships).
  std::uint32_t relationships = 0;
  LibmdbScan scan;  // when the request shortens the column
};

// The file libmdb is asked about: the descriptor the engine holds it open as, its path, and its
// number of pages.
struct LibmdbSource {
  int fd = -1;
  std::string path;
  std::uint64_t pages = 0;
};

// libmdb's answer in its two parts, each with its status: `table` is ok when the table part
// (`view` but its scan) was read; `scan` is ok when the scan part was read or no scan was made
// (then `view.scan.scanned` is false). The scan's status means something only when the table's
// is ok. Failures: kDamaged when the child crashed, was killed (by its filter too), ran out of
// time or answered garbage, or libmdb could not read what it was asked; kRefused (of the table)
// when the child could not be confined and did not read the file. Messages are French, without
// final period.
struct LibmdbAnswer {
  base::Status table;
  base::Status scan;
  LibmdbView view;
};

// Asks libmdb about `source` in one child process (platform/posix/supervisor.h) that runs the
// questions of queries.h and answers in the format of wire.h: the table part, then the scan
// part when the request shortens a variable-length text column. The table part is kept when the
// child dies or runs out of time during the scan.
LibmdbAnswer ReadWithLibmdb(const LibmdbSource& source, const LibmdbRequest& request);

// The child's wall-clock limit for its first step (open, catalog, the table's definition and
// columns, the relationships), the same for every file: that work does not grow with the file.
int LibmdbCatalogTimeLimitMs();
// The limit for reading every value of a column of a table that owns `tablePages` pages: enough
// for libmdb to read a table of a million rows (115 MB) on a slow machine.
int LibmdbScanTimeLimitMs(std::uint64_t tablePages);

// Test hooks: a fixed time limit for every step (0 restores the real ones), and a function the
// child runs once confined, before libmdb reads the catalog (nullptr for none), with the
// descriptor libmdb reads, to make it crash, hang or try what it must not on purpose.
void SetLibmdbTimeLimitForTesting(int milliseconds);
void SetLibmdbChildHookForTesting(void (*hook)(int file));
// A function the child runs just before it reads a column's values (nullptr for none).
void SetLibmdbScanHookForTesting(void (*hook)());

}  // namespace platform
