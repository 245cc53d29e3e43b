// One table as the file stores it, and the writer of its pages: its definition, its usage maps,
// its data pages and the long-value pages among them. The user tables, the catalog and
// MSysRelationships are all written by WriteTable; jet_writer.cpp, catalog.cpp and
// relationships.cpp make their models.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet_format.h"
#include "jet_writer.h"
#include "page_file.h"

namespace jet_writer {

// A column as its descriptor stores it.
struct Column {
  std::string name;  // UTF-8, for messages and the layout
  std::u16string storedName;
  ColumnType kind = ColumnType::kLong;  // for user tables: what the generator gives
  unsigned char type = format::kTypeLong;
  std::uint16_t number = 0;
  bool fixed = true;
  std::uint16_t fixedOffset = 0;
  std::uint16_t variableIndex = 0;
  std::uint16_t length = 0;
  bool compressed = false;
  bool required = false;
  bool autoNumber = false;
  int characters = 0;  // fixed-length text
};

// A table's columns laid out: Finalize gives their offsets and the counts.
struct Model {
  const format::Format* format = &format::kJet4;
  std::string name;
  unsigned char tableType = format::kTableUser;
  std::vector<Column> columns;
  std::uint16_t maxColumns = 0;
  std::uint16_t variableColumns = 0;
  std::uint16_t fixedSize = 0;
  std::uint32_t emptyIndexEntries = 0;  // before the column descriptors
  // A user table's: its values come from a generator and are checked against the columns'
  // kinds and lengths.
  bool checkValues = false;
};

// `utf8` as UTF-16. Throws JetWriterError naming `what` when it is not UTF-8 or, in Jet 3, has
// a character that Windows-1252 cannot hold.
std::u16string Utf16(const std::string& utf8, const std::string& what,
                     const format::Format& format);

// The bytes a text column of `characters` takes.
std::uint16_t TextBytes(int characters, const format::Format& format);

// A column named `name` (checked as Utf16 checks it) of `type` and `length` bytes; the caller
// gives its number and its other properties.
Column MakeColumn(const std::string& name, unsigned char type, bool fixed, std::uint16_t length,
                  const format::Format& format);

// Gives the columns their fixed offsets and variable indexes and the model its counts, once
// every column is in.
void Finalize(Model& model);

// Fills `row` (one value per column, in the model's order, each null on entry) with row `index`:
// an int32 for a Long or Integer column, a double for a date, a bool for a Yes/No, UTF-8 for a
// text or memo, the bytes themselves for a binary or OLE column. Without the model's checkValues
// a value of the wrong kind is a fault of the caller's (std::bad_variant_access).
using RowSource = std::function<void(std::uint64_t index, std::vector<Value>& row)>;

// Writes `rowCount` rows of `rows` as a table whose definition starts at `firstPage`: the rest of
// its definition's pages and the page of its usage maps (`mapPage`, or the next free page when 0)
// are allocated first, then its rows are written, then its maps and its definition, which hold the
// row count and the pages. Fills `layout` and, when asked, where each row went. Throws
// JetWriterError for a row with the wrong number of values, a value its column cannot hold
// ("table <name>, row <n>, column <name>: <what>"), a row or a long value too large for a page,
// a table too large for its usage map, and whatever `rows` or `file` throws.
void WriteTable(PageFile& file, const Model& model, std::uint64_t rowCount, const RowSource& rows,
                std::uint32_t firstPage, std::uint32_t mapPage, TableLayout& layout,
                std::vector<RowLocation>* rowLocations = nullptr);

}  // namespace jet_writer
