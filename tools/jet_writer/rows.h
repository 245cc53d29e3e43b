// A row as a data page stores it, its values checked against their columns on the way, and the
// long values that do not stay in their row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "jet_format.h"
#include "jet_writer.h"
#include "page_file.h"
#include "table_writer.h"

namespace jet_writer {

// Stores memo and OLE values that do not stay in their row on long-value pages of the table.
class LongValues {
 public:
  LongValues(PageFile& file, const format::Format& format)
      : file_(file), format_(format), builder_(format) {}

  // The 12-byte header of `data` (and `data` after it when inline), appended to `out`. Throws
  // JetWriterError for a value over 4 MB.
  void Store(const std::string& data, std::string& out);
  // Writes the page being filled.
  void Finish();

 private:
  std::uint32_t AddRow(const char* data, std::size_t size);

  PageFile& file_;
  const format::Format& format_;
  format::DataPageBuilder builder_;
  std::uint32_t page_ = 0;
  bool open_ = false;
};

// Encodes the rows of one table, one after the other, giving its auto-number columns their
// numbers; their long values go to pages of the table through `longValues`.
class RowEncoder {
 public:
  RowEncoder(const Model& model, LongValues& longValues) : model_(model), longValues_(longValues) {}

  // Encodes `row` (one value per column; the auto-numbers it leaves null are filled in) into
  // `out`. A value its column cannot hold (checked for a model with checkValues) gives "column
  // <name>: <what is wrong>", the first in column order. Throws JetWriterError for a row too
  // large for a page and for an auto-number past the largest Long.
  base::Status Encode(std::vector<Value>& row, std::string& out);

  // The highest auto-number so far, given or generated.
  std::int64_t lastAutoNumber() const { return lastAutoNumber_; }

 private:
  // Gives an auto-number column left null the next number.
  void NumberAuto(Value& v);
  // Puts fixed column `c`'s value at `at`; `present` tells whether the null mask marks it.
  base::Status PutFixed(const Column& c, const Value& v, unsigned char* at, bool& present);
  // Appends variable column `c`'s value (not null); a memo's or OLE value's is its header, and
  // its bytes when they stay in the row.
  base::Status AppendVariable(const Column& c, const Value& v, std::string& out);
  // The stored bytes of text or memo value `v`, in `bytes`.
  base::Status StoredText(const Column& c, const Value& v, std::string& bytes);

  const Model& model_;
  LongValues& longValues_;
  std::int64_t lastAutoNumber_ = 0;
  std::u16string text_;  // room for a text value, kept from row to row
};

}  // namespace jet_writer
