// A writer of new Jet databases, for the sample database, the tests and the benchmarks: Jet 4 (the
// Access 2000 file format, pages of 4096 bytes, text in UTF-16) by default, or Jet 3 (Access 97,
// pages of 2048 bytes, text in the Windows-1252 code page). It is never linked into the program.
//
// A database is described by its tables: columns, an optional integer primary key and a row
// generator, and by relationships between tables. WriteJetDatabase lays out page 0 (the masked
// header with a fixed creation date), the system catalog MSysObjects with the rows readers look
// for (a table's "Required" columns in its properties), each table's usage maps, its definition
// and its data pages, the system table MSysRelationships when there are relationships, and
// writes them to a new file. Rows are written as the generator makes them, so memory stays flat
// in the number of rows, and the same description always gives the same bytes. It only creates:
// an existing file is never opened for writing.
//
// Failures throw JetWriterError, which carries the failure as a base::Status: kRefused for a
// description, an argument or a value the writer does not take, kDamaged for a file it cannot
// create or write. Its message, in English, names the file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/status.h"

namespace jet_writer {

// A failure of the writer: its status, whose message is also what().
class JetWriterError : public std::runtime_error {
 public:
  explicit JetWriterError(base::Status status)
      : std::runtime_error(status.message()), status_(std::move(status)) {}
  // A description, an argument or a value the writer does not take.
  static JetWriterError Refused(std::string message) {
    return JetWriterError(base::Status::Refused(std::move(message)));
  }

  const base::Status& status() const { return status_; }

 private:
  base::Status status_;
};

enum class ColumnType {
  kLong,      // 4-byte integer
  kText,      // TEXT(n), n characters from 1 to 255
  kMemo,      // long text: short values in the row, long ones on pages of their own
  kDateTime,  // an 8-byte double: days since 1899-12-30
  kYesNo,     // a bit in the row's null mask
};

enum class JetFormat {
  kJet4,  // Access 2000 to 2003
  kJet3,  // Access 97: every name and text must be Windows-1252 characters
};

struct ColumnSpec {
  std::string name;  // UTF-8; any Unicode character (Jet 3: any Windows-1252 one)
  ColumnType type = ColumnType::kLong;
  int textLength = 0;             // characters, for kText
  bool autoNumber = false;        // kLong only; a null value gets the next number
  bool required = false;          // NOT NULL: the column's "Required" property
  bool fixedLength = false;       // kText only: a fixed-length text column
  bool compressedUnicode = true;  // kText and kMemo: Jet 4's compressed form where it fits
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
  // (across two pages) in Jet 4, and k % 4 is 2 across two pages in Jet 3 (never at the end of
  // a page); otherwise WriteJetDatabase throws.
  struct LengthFieldAtPageEnd {
    std::string column;
    bool acrossPages = false;
  };
  std::optional<LengthFieldAtPageEnd> lengthFieldAtPageEnd;
};

// A relationship: `foreignTable`.`foreignColumn` refers to `table`.`column`. Written as a row
// of the system table MSysRelationships and a catalog row in the Relationships container.
struct RelationshipSpec {
  std::string name;
  std::string table;  // the referenced (primary) table and column
  std::string column;
  std::string foreignTable;
  std::string foreignColumn;
  bool enforced = true;  // referential integrity
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
};

// Jet's grbit of a relationship, as MSysRelationships stores it.
inline constexpr std::uint32_t kRelationDontEnforce = 0x00000002;
inline constexpr std::uint32_t kRelationCascadeUpdates = 0x00000100;
inline constexpr std::uint32_t kRelationCascadeDeletes = 0x00001000;

// A second catalog row for a table: table `name` whose Id is table `table`'s definition page,
// so that two names lead to one definition (a damaged catalog, for tests).
struct CatalogAlias {
  std::string name;
  std::string table;
};

struct DatabaseSpec {
  std::vector<TableSpec> tables;
  JetFormat format = JetFormat::kJet4;
  // Defaulted, so that a description naming only its tables needs no more.
  std::vector<RelationshipSpec> relationships = {};
  std::vector<CatalogAlias> aliases = {};
};

// Where things were put, for tests that look at or change the bytes.
struct ColumnLayout {
  std::uint64_t lengthOffset = 0;        // absolute offset of the length field's first byte
  std::uint64_t lengthSecondOffset = 0;  // and of its second (not lengthOffset + 1 when split)
};
struct RowLocation {
  std::uint32_t page = 0;
  std::uint32_t row = 0;     // its number on the page
  std::uint64_t offset = 0;  // absolute offset of its first byte
};
struct TableLayout {
  std::vector<std::uint32_t> definitionPages;  // the definition's page chain, first one first
  std::vector<std::uint32_t> dataPages;
  std::map<std::string, ColumnLayout> columns;  // by column name
  std::uint32_t usageMapPage = 0;  // rows 0 (the used pages) and 1 (the pages with free space)
  RowLocation catalogRow;          // the table's row in MSysObjects
};
struct DatabaseLayout {
  std::uint64_t pageSize = 4096;  // 2048 for Jet 3
  std::uint64_t pageCount = 0;
  // By table name: the user tables, the aliases (their catalog rows; the rest is their table's),
  // MSysObjects and, when there are relationships, MSysRelationships.
  std::map<std::string, TableLayout> tables;
};

// Writes a new database at `path`. Throws JetWriterError when the file exists, cannot be
// created or written, or the description is invalid (an unknown type, a text length outside 1
// to 255, a generator that gives a value of the wrong kind, a row too large for a page, in Jet
// 3 a name or text with a character Windows-1252 cannot hold, a relationship or alias naming
// an unknown table or column).
DatabaseLayout WriteJetDatabase(const std::string& path, const DatabaseSpec& spec);

// The owning application's table nuv at schema 4.04: Id Long auto-number primary key,
// Filename TEXT(`textLength`) required, Size Long, Added Date/Time; `rows` rows whose file
// names include French accented letters.
TableSpec NuvSampleTable(std::uint64_t rows = 1000, int textLength = 50);

}  // namespace jet_writer
