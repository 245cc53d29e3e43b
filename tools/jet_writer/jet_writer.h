// A writer of new Jet 4 databases (the Access 2000 file format, pages of 4096 bytes), for the
// sample database, the tests and the benchmarks. It is never linked into the program.
//
// A database is described by its tables: columns, an optional integer primary key and a row
// generator. WriteJetDatabase lays out page 0 (the masked header with a fixed creation date), the
// system catalog MSysObjects with the rows readers look for, each table's usage maps, its
// definition and its data pages, and writes them to a new file. Rows are written as the
// generator makes them, so memory stays flat in the number of rows, and the same description
// always gives the same bytes. It only creates: an existing file is never opened for writing.
//
// Failures throw JetWriterError with a message in English that names the file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace jet_writer {

class JetWriterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class ColumnType {
  kLong,      // 4-byte integer
  kText,      // TEXT(n), n characters from 1 to 255
  kMemo,      // long text: short values in the row, long ones on pages of their own
  kDateTime,  // an 8-byte double: days since 1899-12-30
  kYesNo,     // a bit in the row's null mask
};

struct ColumnSpec {
  std::string name;  // UTF-8; any Unicode character, astral ones included
  ColumnType type = ColumnType::kLong;
  int textLength = 0;             // characters, for kText
  bool autoNumber = false;        // kLong only; a null value gets the next number
  bool required = false;          // NOT NULL
  bool fixedLength = false;       // kText only: a fixed-length text column
  bool compressedUnicode = true;  // kText and kMemo: Jet's compressed form where it fits
  // The stored column number; by default one more than the previous column's. A gap is what a
  // deleted column leaves.
  std::optional<std::uint16_t> number = std::nullopt;
};

// One value: null, a Long, a text or memo (UTF-8), a date (days since 1899-12-30), a Yes/No.
using Value = std::variant<std::monostate, std::int32_t, std::string, double, bool>;

struct TableSpec {
  std::string name;  // UTF-8
  std::vector<ColumnSpec> columns;
  // The Long column that is the table's primary key, when it has one.
  std::optional<std::string> primaryKey;
  std::uint64_t rowCount = 0;
  // Fills `row` (one value per column, in `columns` order) for row `index`, 0-based.
  std::function<void(std::uint64_t index, std::vector<Value>& row)> rows;
  // Where the definition's first page goes: a page after every page written before this table;
  // the pages between are written as empty data pages. By default the next free page.
  std::optional<std::uint32_t> definitionPage;
  // Puts the 2-byte length field of text column `column` in the last two bytes of a definition
  // page, or across two pages (its first byte a page's last), by placing empty index entries
  // (12 bytes each, no index uses them) before the column descriptors. Readers read a
  // definition as its pages' bytes end to end, so nothing else moves a descriptor: this works
  // for the column at 0-based position k in `columns` when k % 4 is 0 (end of a page) or 1
  // (across two pages); otherwise WriteJetDatabase throws.
  struct LengthFieldAtPageEnd {
    std::string column;
    bool acrossPages = false;
  };
  std::optional<LengthFieldAtPageEnd> lengthFieldAtPageEnd;
};

struct DatabaseSpec {
  std::vector<TableSpec> tables;
};

// Where things were put, for tests that look at or change the bytes.
struct ColumnLayout {
  std::uint64_t lengthOffset = 0;        // absolute offset of the length field's first byte
  std::uint64_t lengthSecondOffset = 0;  // and of its second (not lengthOffset + 1 when split)
};
struct TableLayout {
  std::vector<std::uint32_t> definitionPages;  // the definition's page chain, first one first
  std::vector<std::uint32_t> dataPages;
  std::map<std::string, ColumnLayout> columns;  // by column name
};
struct DatabaseLayout {
  std::uint64_t pageCount = 0;
  std::map<std::string, TableLayout> tables;  // by table name
};

// Writes a new database at `path`. Throws JetWriterError when the file exists, cannot be
// created or written, or the description is invalid (an unknown type, a text length outside 1
// to 255, a generator that gives a value of the wrong kind, a row too large for a page).
DatabaseLayout WriteJetDatabase(const std::string& path, const DatabaseSpec& spec);

// The owning application's table nuv at schema 4.04: Id Long auto-number primary key,
// Filename TEXT(`textLength`) required, Size Long, Added Date/Time; `rows` rows whose file
// names include French accented letters.
TableSpec NuvSampleTable(std::uint64_t rows = 1000, int textLength = 50);

}  // namespace jet_writer
