// The pages of one table: its rows encoded onto data pages, its long values, its usage maps
// and its definition.
#include "table_writer.h"

#include <algorithm>
#include <cstring>

namespace jet_writer {

namespace f = format;

std::u16string Utf16(const std::string& utf8, const std::string& what, const f::Format& format) {
  std::u16string out;
  if (!f::Utf8ToUtf16(utf8, out)) throw JetWriterError(what + " is not valid UTF-8");
  std::string bytes;
  if (format.jet3 && !f::EncodeCodePage(out, bytes)) {
    throw JetWriterError(what + " has a character that Windows-1252 cannot hold");
  }
  return out;
}

std::uint16_t TextBytes(int characters, const f::Format& format) {
  return static_cast<std::uint16_t>(format.jet3 ? characters : 2 * characters);
}

Column MakeColumn(const std::string& name, unsigned char type, bool fixed, std::uint16_t length,
                  const f::Format& format) {
  Column c;
  c.name = name;
  c.storedName = Utf16(name, "column name " + name, format);
  c.type = type;
  c.fixed = fixed;
  c.length = length;
  return c;
}

void Finalize(Model& model) {
  std::uint16_t fixedOffset = 0, variableIndex = 0, maxColumns = 0;
  for (Column& c : model.columns) {
    if (c.fixed) {
      c.fixedOffset = fixedOffset;
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + c.length);
    } else {
      c.variableIndex = variableIndex++;
    }
    maxColumns = std::max<std::uint16_t>(maxColumns, static_cast<std::uint16_t>(c.number + 1));
  }
  model.fixedSize = fixedOffset;
  model.variableColumns = variableIndex;
  model.maxColumns = maxColumns;
}

namespace {

// Memo values up to this many stored bytes stay in the row.
constexpr std::size_t kInlineMemoLimit = 128;
// Longer memo texts are never compressed.
constexpr std::size_t kCompressedMemoLimit = 1024;

// The stored bytes of a text value.
std::string TextValue(const std::u16string& text, bool compress, const f::Format& format) {
  if (!format.jet3) return f::EncodeText(text, compress);
  std::string out;
  if (!f::EncodeCodePage(text, out)) {
    throw JetWriterError("a text has a character that Windows-1252 cannot hold");
  }
  return out;
}

// ---- long values

// Stores memo and OLE values that do not stay in their row on long-value pages of the table.
class LongValues {
 public:
  LongValues(PageFile& file, const f::Format& format)
      : file_(file), format_(format), builder_(format) {}

  // The 12-byte header of `data` (and `data` after it when inline), appended to `out`.
  void Store(const std::string& data, std::string& out) {
    f::MemoHeader header;
    header.length = static_cast<std::uint32_t>(data.size());
    if (data.size() > 0x3FFFFF) throw JetWriterError("a long value holds more than 4 MB");
    if (data.size() <= kInlineMemoLimit) {
      header.kind = f::kMemoInline;
      header.AppendTo(out);
      out += data;
      return;
    }
    if (data.size() <= format_.MaxRowSize()) {
      header.kind = f::kMemoOneRow;
      header.rowPointer = AddRow(data.data(), data.size());
    } else {
      // A chain, written last piece first so that each piece knows the next one's row.
      const std::size_t kPiece = format_.MaxRowSize() - f::kMemoNextPointerSize;
      const std::size_t pieces = (data.size() + kPiece - 1) / kPiece;
      std::uint32_t next = 0;
      std::string row;
      for (std::size_t k = pieces; k-- > 0;) {
        const std::size_t start = k * kPiece;
        row.clear();
        f::Append32(row, next);
        row.append(data, start, std::min(kPiece, data.size() - start));
        next = AddRow(row.data(), row.size());
      }
      header.kind = f::kMemoChain;
      header.rowPointer = next;
    }
    header.AppendTo(out);
  }

  void Finish() {
    if (open_) file_.Write(page_, builder_.page());
    open_ = false;
  }

 private:
  std::uint32_t AddRow(const char* data, std::size_t size) {
    if (open_ && !builder_.Fits(size)) Finish();
    if (!open_) {
      builder_.ResetLongValues();
      page_ = file_.Allocate();
      open_ = true;
    }
    const std::size_t row = builder_.Add(reinterpret_cast<const unsigned char*>(data), size);
    return (page_ << 8) | static_cast<std::uint32_t>(row);
  }

  PageFile& file_;
  const f::Format& format_;
  f::DataPageBuilder builder_;
  std::uint32_t page_ = 0;
  bool open_ = false;
};

// ---- rows

// Jet 3's end of a row before its null mask: the end of data and the offsets in one byte each,
// last first, the jump table and the variable count (see jet_format.h).
void AppendJet3Offsets(const Model& model, std::vector<std::uint16_t> offsets, std::size_t maskSize,
                       std::string& out) {
  const std::size_t end = out.size();
  offsets.push_back(static_cast<std::uint16_t>(end));  // the end of data is the last offset
  const std::size_t fixedPart = end + offsets.size() + 1 + maskSize;
  std::size_t jumps = 0;
  while ((fixedPart + jumps - 1) / 256 > jumps) ++jumps;
  const std::size_t used = end / 256;
  if (used + 1 < jumps || used > jumps) {
    throw JetWriterError("a row of table " + model.name + " cannot be laid out in Jet 3");
  }
  for (std::size_t k = offsets.size(); k-- > 0;)
    out.push_back(static_cast<char>(offsets[k] & 0xFF));
  if (used < jumps) out.push_back(static_cast<char>(0xFF));  // a filler, farthest from the count
  for (std::size_t k = used; k-- > 0;) {
    std::size_t first = 0;
    while (offsets[first] < 256 * (k + 1)) ++first;
    out.push_back(static_cast<char>(first));
  }
  out.push_back(static_cast<char>(model.variableColumns));
}

// Jet 4's end of a row before its null mask: the end of data, the offsets last first and the
// variable count, two bytes each.
void AppendJet4Offsets(const Model& model, const std::vector<std::uint16_t>& offsets,
                       std::string& out) {
  f::Append16(out, static_cast<std::uint32_t>(out.size()));  // end of the variable data
  for (std::size_t k = offsets.size(); k-- > 0;) f::Append16(out, offsets[k]);
  f::Append16(out, model.variableColumns);
}

// Marks column `c` present in a row's null mask (a Yes/No column: its value is Yes).
void MarkPresent(std::vector<unsigned char>& nullMask, const Column& c) {
  nullMask[c.number / 8] =
      static_cast<unsigned char>(nullMask[c.number / 8] | (1 << (c.number % 8)));
}

// Puts fixed column `c`'s value at `at`; returns whether the null mask marks it present.
bool PutFixedValue(const Column& c, const Cell& v, const f::Format& format, unsigned char* at) {
  if (c.type == f::kTypeBool) return v.boolean;
  if (v.kind == Cell::kNull) return false;
  switch (c.type) {
    case f::kTypeInteger:
      f::Put16(at, static_cast<std::uint32_t>(v.integer));
      break;
    case f::kTypeLong:
      f::Put32(at, static_cast<std::uint32_t>(v.integer));
      break;
    case f::kTypeDateTime:
      f::Put64(at, v.real);
      break;
    case f::kTypeText: {  // fixed length: uncompressed, padded with spaces
      std::u16string padded = v.text;
      padded.resize(static_cast<std::size_t>(c.characters), u' ');
      const std::string bytes = TextValue(padded, false, format);
      std::memcpy(at, bytes.data(), bytes.size());
      break;
    }
    default:
      break;
  }
  return true;
}

// Appends variable column `c`'s value to `out`; a memo's or OLE value's is its header, and its
// bytes when they stay in the row.
void AppendVariableValue(const Column& c, const Cell& v, const f::Format& format,
                         LongValues& longValues, std::string& out) {
  switch (c.type) {
    case f::kTypeText:
      out += TextValue(v.text, c.compressed, format);
      break;
    case f::kTypeMemo:
      longValues.Store(
          TextValue(v.text, c.compressed && v.text.size() <= kCompressedMemoLimit, format), out);
      break;
    case f::kTypeOle:
      longValues.Store(v.bytes, out);
      break;
    default:  // binary
      out += v.bytes;
      break;
  }
}

// A row as a data page stores it: the column count, the fixed values, the variable ones and
// their offsets, the null mask.
void EncodeRow(const Model& model, const std::vector<Cell>& cells, LongValues& longValues,
               std::string& out) {
  const f::Format& format = *model.format;
  const std::size_t fieldSize = format.rowFieldSize;
  out.clear();
  f::Append16(out, model.maxColumns);
  out.resize(fieldSize + model.fixedSize, '\0');
  std::vector<unsigned char> nullMask((model.maxColumns + 7) / 8, 0);
  for (std::size_t k = 0; k < model.columns.size(); ++k) {
    const Column& c = model.columns[k];
    if (!c.fixed) continue;
    auto* at = reinterpret_cast<unsigned char*>(out.data() + fieldSize + c.fixedOffset);
    if (PutFixedValue(c, cells[k], format, at)) MarkPresent(nullMask, c);
  }
  std::vector<std::uint16_t> offsets(model.variableColumns, 0);
  for (std::size_t k = 0; k < model.columns.size(); ++k) {
    const Column& c = model.columns[k];
    if (c.fixed) continue;
    offsets[c.variableIndex] = static_cast<std::uint16_t>(out.size());
    if (cells[k].kind == Cell::kNull) continue;
    MarkPresent(nullMask, c);
    AppendVariableValue(c, cells[k], format, longValues, out);
  }
  if (model.variableColumns > 0 && !format.jet3) {
    AppendJet4Offsets(model, offsets, out);
  } else if (model.variableColumns > 0) {
    AppendJet3Offsets(model, offsets, nullMask.size(), out);
  }
  out.append(reinterpret_cast<const char*>(nullMask.data()), nullMask.size());
  if (out.size() > format.MaxRowSize()) {
    throw JetWriterError("a row of table " + model.name + " takes " + std::to_string(out.size()) +
                         " bytes, more than a page holds");
  }
}

// ---- definitions

std::string EncodeDefinition(const Model& model, const f::DefinitionBlock& block) {
  const f::Format& format = *model.format;
  std::string body(model.emptyIndexEntries * format.realIndexEntrySize, '\0');
  for (const Column& c : model.columns) {
    f::ColumnDescriptor d;
    d.type = c.type;
    d.number = c.number;
    d.variableIndex = c.fixed ? 0 : c.variableIndex;
    d.fixedOffset = c.fixed ? c.fixedOffset : 0;
    d.flags = static_cast<unsigned char>(f::kColumnUpdatable | (c.fixed ? f::kColumnFixed : 0) |
                                         (c.autoNumber ? f::kColumnAutoNumber : 0));
    d.compressedUnicode = c.compressed;
    d.length = c.length;
    d.AppendTo(body, format);
  }
  for (const Column& c : model.columns) f::AppendName(body, c.storedName, format);
  for (std::uint32_t k = 0; k < model.emptyIndexEntries; ++k) {
    f::AppendEmptyRealIndex(body, format);
  }
  f::Append16(body, 0xFFFF);
  std::string out;
  const auto length = static_cast<std::uint32_t>(format.blockSize + body.size());
  block.AppendTo(out, length, format);
  return out + body;
}

// How many bytes of a definition of `length` bytes go on each of its pages.
std::vector<std::size_t> SplitDefinition(std::size_t length, const f::Format& format) {
  std::vector<std::size_t> pieces;
  for (std::size_t done = 0; done < length; done += pieces.back()) {
    pieces.push_back(std::min(format.DefinitionCapacity(), length - done));
  }
  return pieces;
}

std::uint64_t DefinitionOffset(const std::vector<std::uint32_t>& pages,
                               const std::vector<std::size_t>& pieces, std::size_t at,
                               const f::Format& format) {
  for (std::size_t k = 0; k < pages.size(); ++k) {
    if (at < pieces[k]) {
      return static_cast<std::uint64_t>(pages[k]) * format.pageSize + f::kDefinitionPageHeader + at;
    }
    at -= pieces[k];
  }
  return 0;
}

// The definition block of `model` before its rows are written: no rows, no usage maps yet.
f::DefinitionBlock EmptyDefinitionBlock(const Model& model) {
  f::DefinitionBlock block;
  block.tableType = model.tableType;
  block.maxColumns = model.maxColumns;
  block.variableColumns = model.variableColumns;
  block.columns = static_cast<std::uint16_t>(model.columns.size());
  block.realIndexes = model.emptyIndexEntries;
  return block;
}

// Gives the auto-number columns left null the next number, as Jet would; `last` is the highest
// number so far, given or generated.
void NumberAutoColumns(const Model& model, std::vector<Cell>& cells, std::int64_t& last) {
  for (std::size_t k = 0; k < model.columns.size(); ++k) {
    if (!model.columns[k].autoNumber) continue;
    if (cells[k].kind == Cell::kNull) {
      cells[k].kind = Cell::kInteger;
      cells[k].integer = last + 1;
    }
    last = std::max(last, cells[k].integer);
  }
}

// Writes the rows on data pages owned by definition page `owner` (their long values on pages
// of their own among them) and adds those pages to `dataPages` and, when asked, where each row
// went to `rowLocations`. Returns the last auto-number.
std::int64_t WriteRows(PageFile& file, const Model& model, std::uint64_t rowCount,
                       const RowSource& rows, std::uint32_t owner,
                       std::vector<std::uint32_t>& dataPages,
                       std::vector<RowLocation>* rowLocations) {
  const f::Format& format = *model.format;
  LongValues longValues(file, format);
  f::DataPageBuilder page(format);
  page.Reset(owner);
  auto flush = [&] {
    const std::uint32_t number = file.Allocate();
    file.Write(number, page.page());
    for (std::size_t r = 0; rowLocations != nullptr && r < page.rows(); ++r) {
      rowLocations->push_back(
          {number, static_cast<std::uint32_t>(r),
           number * static_cast<std::uint64_t>(format.pageSize) + page.RowOffset(r)});
    }
    dataPages.push_back(number);
    page.Reset(owner);
  };
  std::vector<Cell> cells(model.columns.size());
  std::string row;
  std::int64_t lastAutoNumber = 0;
  for (std::uint64_t index = 0; index < rowCount; ++index) {
    rows(index, cells);
    NumberAutoColumns(model, cells, lastAutoNumber);
    EncodeRow(model, cells, longValues, row);
    if (!page.Fits(row.size())) flush();
    page.Add(reinterpret_cast<const unsigned char*>(row.data()), row.size());
  }
  if (page.rows() > 0) flush();
  longValues.Finish();
  return lastAutoNumber;
}

// Writes the page of a table's usage maps: row 0 the pages it owns, row 1 (the pages with free
// space) empty.
void WriteUsageMaps(PageFile& file, const Model& model, std::uint32_t mapPage,
                    std::uint32_t firstPage, const std::vector<std::uint32_t>& dataPages) {
  const f::Format& format = *model.format;
  f::DataPageBuilder maps(format);
  maps.Reset(0);
  const std::string used = f::EncodeUsageMap(dataPages, firstPage, format.usageMapBytes);
  const std::string free = f::EncodeUsageMap({}, firstPage, format.usageMapBytes);
  if (!maps.Fits(used.size() + free.size() + f::kDataRowOffsetSize)) {
    throw JetWriterError("table " + model.name + " spans too many pages for its usage map");
  }
  maps.Add(reinterpret_cast<const unsigned char*>(used.data()), used.size());
  maps.Add(reinterpret_cast<const unsigned char*>(free.data()), free.size());
  file.Write(mapPage, maps.page());
}

// Writes `definition` on `pages`, `pieces[k]` bytes of it on page k, each page naming the next.
void WriteDefinitionPages(PageFile& file, const std::string& definition,
                          const std::vector<std::size_t>& pieces,
                          const std::vector<std::uint32_t>& pages, const f::Format& format) {
  std::size_t done = 0;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    f::Page p{};
    p[0] = f::kPageDefinition;
    p[1] = 0x01;
    if (format.jet3) {
      p[f::kDefinitionFree] = 'V';
      p[f::kDefinitionFree + 1] = 'C';
    } else {
      f::Put16(p.data() + f::kDefinitionFree,
               static_cast<std::uint32_t>(format.DefinitionCapacity() - pieces[k]));
    }
    f::Put32(p.data() + f::kDefinitionNext, k + 1 < pieces.size() ? pages[k + 1] : 0);
    std::memcpy(p.data() + f::kDefinitionPageHeader, definition.data() + done, pieces[k]);
    done += pieces[k];
    file.Write(pages[k], p);
  }
}

// Records where each column's length field went in the file.
void RecordLengthFields(const Model& model, const std::vector<std::size_t>& pieces,
                        TableLayout& layout) {
  const f::Format& format = *model.format;
  std::size_t descriptor = format.blockSize + model.emptyIndexEntries * format.realIndexEntrySize;
  for (const Column& c : model.columns) {
    const std::size_t at = descriptor + format.columnLengthOffset;
    layout.columns[c.name] = {DefinitionOffset(layout.definitionPages, pieces, at, format),
                              DefinitionOffset(layout.definitionPages, pieces, at + 1, format)};
    descriptor += format.columnDescriptorSize;
  }
}

}  // namespace

void WriteTable(PageFile& file, const Model& model, std::uint64_t rowCount, const RowSource& rows,
                std::uint32_t firstPage, std::uint32_t mapPage, TableLayout& layout,
                std::vector<RowLocation>* rowLocations) {
  const f::Format& format = *model.format;
  f::DefinitionBlock block = EmptyDefinitionBlock(model);
  const std::vector<std::size_t> pieces =
      SplitDefinition(EncodeDefinition(model, block).size(), format);
  layout.definitionPages = {firstPage};
  for (std::size_t k = 1; k < pieces.size(); ++k) layout.definitionPages.push_back(file.Allocate());
  if (mapPage == 0) mapPage = file.Allocate();
  layout.usageMapPage = mapPage;

  const std::int64_t lastAutoNumber =
      WriteRows(file, model, rowCount, rows, firstPage, layout.dataPages, rowLocations);
  WriteUsageMaps(file, model, mapPage, firstPage, layout.dataPages);
  block.rowCount = static_cast<std::uint32_t>(rowCount);
  block.lastAutoNumber = static_cast<std::uint32_t>(lastAutoNumber);
  block.usedPagesRow = mapPage << 8;
  block.freePagesRow = (mapPage << 8) | 1;
  WriteDefinitionPages(file, EncodeDefinition(model, block), pieces, layout.definitionPages,
                       format);
  RecordLengthFields(model, pieces, layout);
}

}  // namespace jet_writer
