// Lays out a new Jet 4 database from its description and writes it page by page.
//
// The file is laid out in this order:
//   page 0       the header
//   page 1       the catalog's usage maps
//   page 2       the catalog's definition (MSysObjects)
//   per table    [empty data pages up to its chosen definition page], its definition pages,
//                the page of its usage maps, then its data pages with its long-value pages
//                among them, as the rows come
//   at the end   the catalog's data pages
// A definition and its usage maps are written once the table's rows are (they hold the row
// count and the pages); every other page is written when it is full, through a buffer of
// consecutive pages, so memory stays flat in the number of rows.
#include "jet_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <set>

#include "jet_format.h"

namespace jet_writer {

namespace f = format;

namespace {

// 2020-01-01 12:00, the creation date of every database and of every catalog row.
constexpr double kCreationDate = 43831.5;

constexpr std::uint32_t kCatalogMapPage = 1;
constexpr std::uint32_t kCatalogDefinitionPage = 2;
constexpr std::uint32_t kContainerParent = 0x0F000000;
constexpr std::uint32_t kTablesContainer = 0x0F000001;
constexpr std::uint32_t kDatabasesContainer = 0x0F000002;
constexpr std::uint32_t kRelationshipsContainer = 0x0F000003;
constexpr std::uint32_t kSystemObjectFlag = 0x80000000;
constexpr std::int16_t kObjectTable = 1;
constexpr std::int16_t kObjectContainer = 3;

// Memo values up to this many stored bytes stay in the row.
constexpr std::size_t kInlineMemoLimit = 128;
// Longer memo texts are never compressed.
constexpr std::size_t kCompressedMemoLimit = 1024;
// The free-pages map: empty, of the size Jet gives a table's maps.
constexpr std::size_t kFreeMapBytes = 64;
// Pages gathered before one write.
constexpr std::size_t kWriteRunPages = 256;
constexpr std::size_t kDefinitionCapacity = f::kPageSize - f::kDefinitionPageHeader;

// ---- the output file

class PageFile {
 public:
  explicit PageFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      throw JetWriterError(errno == EEXIST ? path + ": the file already exists"
                                           : path + ": cannot create: " + std::strerror(errno));
    }
    run_.reserve(kWriteRunPages * f::kPageSize);
  }
  ~PageFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!finished_) ::unlink(path_.c_str());
  }
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  std::uint32_t Allocate() { return next_++; }
  std::uint32_t next() const { return next_; }

  void Write(std::uint32_t page, const f::Page& data) {
    if (run_.empty() || page != runStart_ + run_.size() / f::kPageSize) {
      Flush();
      runStart_ = page;
    }
    run_.insert(run_.end(), data.begin(), data.end());
    if (run_.size() >= kWriteRunPages * f::kPageSize) Flush();
  }

  void Finish() {
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("cannot close");
    finished_ = true;
  }

 private:
  void Flush() {
    const unsigned char* at = run_.data();
    std::size_t left = run_.size();
    off_t offset = static_cast<off_t>(runStart_) * static_cast<off_t>(f::kPageSize);
    while (left > 0) {
      const ssize_t n = ::pwrite(fd_, at, left, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail("cannot write");
      at += n;
      left -= static_cast<std::size_t>(n);
      offset += n;
    }
    run_.clear();
  }
  [[noreturn]] void Fail(const char* what) {
    throw JetWriterError(path_ + ": " + what + ": " + std::strerror(errno));
  }

  std::string path_;
  int fd_ = -1;
  bool finished_ = false;
  std::uint32_t next_ = 0;
  std::uint32_t runStart_ = 0;
  std::vector<unsigned char> run_;
};

// ---- tables as the file stores them

struct Column {
  std::string name;  // UTF-8, for messages and the layout
  std::u16string storedName;
  ColumnType kind = ColumnType::kLong;  // for user tables: what the generator gives
  unsigned char type = f::kTypeLong;
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

struct Cell {
  enum Kind { kNull, kInteger, kDouble, kBool, kText, kBytes } kind = kNull;
  std::int64_t integer = 0;
  double real = 0;
  bool boolean = false;
  std::u16string text;
  std::string bytes;
};

struct Model {
  std::string name;
  unsigned char tableType = f::kTableUser;
  std::vector<Column> columns;
  std::uint16_t maxColumns = 0;
  std::uint16_t variableColumns = 0;
  std::uint16_t fixedSize = 0;
  std::uint32_t emptyIndexEntries = 0;  // before the column descriptors
};

std::u16string Utf16(const std::string& utf8, const std::string& what) {
  std::u16string out;
  if (!f::Utf8ToUtf16(utf8, out)) throw JetWriterError(what + " is not valid UTF-8");
  return out;
}

Column MakeColumn(const std::string& name, unsigned char type, bool fixed, std::uint16_t length) {
  Column c;
  c.name = name;
  c.storedName = Utf16(name, "column name " + name);
  c.type = type;
  c.fixed = fixed;
  c.length = length;
  return c;
}

// Numbers the columns' fixed offsets and variable indexes.
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

// ---- long values

// Stores memo and OLE values that do not stay in their row on long-value pages of the table.
class LongValues {
 public:
  explicit LongValues(PageFile& file) : file_(file) {}

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
    if (data.size() <= f::kMaxRowSize) {
      header.kind = f::kMemoOneRow;
      header.rowPointer = AddRow(data.data(), data.size());
    } else {
      // A chain, written last piece first so that each piece knows the next one's row.
      constexpr std::size_t kPiece = f::kMaxRowSize - f::kMemoNextPointerSize;
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
  f::DataPageBuilder builder_;
  std::uint32_t page_ = 0;
  bool open_ = false;
};

// ---- rows

void EncodeRow(const Model& model, const std::vector<Cell>& cells, LongValues& longValues,
               std::string& out) {
  out.clear();
  f::Append16(out, model.maxColumns);
  out.resize(2 + model.fixedSize, '\0');
  std::vector<unsigned char> nullMask((model.maxColumns + 7) / 8, 0);
  std::vector<std::uint16_t> offsets(model.variableColumns, 0);
  auto present = [&](const Column& c) {
    nullMask[c.number / 8] =
        static_cast<unsigned char>(nullMask[c.number / 8] | (1 << (c.number % 8)));
  };
  for (std::size_t k = 0; k < model.columns.size(); ++k) {
    const Column& c = model.columns[k];
    const Cell& v = cells[k];
    if (!c.fixed) continue;
    auto* at = reinterpret_cast<unsigned char*>(out.data() + 2 + c.fixedOffset);
    switch (c.type) {
      case f::kTypeBool:
        if (v.boolean) present(c);
        continue;
      case f::kTypeInteger:
        if (v.kind == Cell::kNull) continue;
        f::Put16(at, static_cast<std::uint32_t>(v.integer));
        break;
      case f::kTypeLong:
        if (v.kind == Cell::kNull) continue;
        f::Put32(at, static_cast<std::uint32_t>(v.integer));
        break;
      case f::kTypeDateTime:
        if (v.kind == Cell::kNull) continue;
        f::Put64(at, v.real);
        break;
      case f::kTypeText: {  // fixed length: UTF-16LE, padded with spaces
        if (v.kind == Cell::kNull) continue;
        std::u16string padded = v.text;
        padded.resize(c.length / 2, u' ');
        const std::string bytes = f::EncodeText(padded, false);
        std::memcpy(at, bytes.data(), bytes.size());
        break;
      }
      default:
        break;
    }
    present(c);
  }
  for (std::size_t k = 0; k < model.columns.size(); ++k) {
    const Column& c = model.columns[k];
    const Cell& v = cells[k];
    if (c.fixed) continue;
    offsets[c.variableIndex] = static_cast<std::uint16_t>(out.size());
    if (v.kind == Cell::kNull) continue;
    present(c);
    switch (c.type) {
      case f::kTypeText:
        out += f::EncodeText(v.text, c.compressed);
        break;
      case f::kTypeMemo:
        longValues.Store(
            f::EncodeText(v.text, c.compressed && v.text.size() <= kCompressedMemoLimit), out);
        break;
      case f::kTypeOle:
        longValues.Store(v.bytes, out);
        break;
      default:  // binary
        out += v.bytes;
        break;
    }
  }
  if (model.variableColumns > 0) {
    f::Append16(out, static_cast<std::uint32_t>(out.size()));  // end of the variable data
    for (std::size_t k = offsets.size(); k-- > 0;) f::Append16(out, offsets[k]);
    f::Append16(out, model.variableColumns);
  }
  out.append(reinterpret_cast<const char*>(nullMask.data()), nullMask.size());
  if (out.size() > f::kMaxRowSize) {
    throw JetWriterError("a row of table " + model.name + " takes " + std::to_string(out.size()) +
                         " bytes, more than a page holds");
  }
}

// ---- definitions

std::string EncodeDefinition(const Model& model, const f::DefinitionBlock& block) {
  std::string body(model.emptyIndexEntries * f::kRealIndexEntrySize, '\0');
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
    d.AppendTo(body);
  }
  for (const Column& c : model.columns) f::AppendName(body, c.storedName);
  for (std::uint32_t k = 0; k < model.emptyIndexEntries; ++k) f::AppendEmptyRealIndex(body);
  f::Append16(body, 0xFFFF);
  std::string out;
  const auto length = static_cast<std::uint32_t>(f::kDefinitionBlockSize + body.size());
  block.AppendTo(out, length);
  return out + body;
}

// How many bytes of a definition of `length` bytes go on each of its pages.
std::vector<std::size_t> SplitDefinition(std::size_t length) {
  std::vector<std::size_t> pieces;
  for (std::size_t done = 0; done < length; done += pieces.back()) {
    pieces.push_back(std::min(kDefinitionCapacity, length - done));
  }
  return pieces;
}

std::uint64_t DefinitionOffset(const std::vector<std::uint32_t>& pages,
                               const std::vector<std::size_t>& pieces, std::size_t at) {
  for (std::size_t k = 0; k < pages.size(); ++k) {
    if (at < pieces[k]) {
      return static_cast<std::uint64_t>(pages[k]) * f::kPageSize + f::kDefinitionPageHeader + at;
    }
    at -= pieces[k];
  }
  return 0;
}

// Writes `model`'s definition pages, its usage maps and its rows; fills `layout`.
using RowSource = std::function<void(std::uint64_t index, std::vector<Cell>& cells)>;

void WriteTable(PageFile& file, const Model& model, std::uint64_t rowCount, const RowSource& rows,
                std::uint32_t firstPage, std::uint32_t mapPage, TableLayout& layout) {
  f::DefinitionBlock block;
  block.tableType = model.tableType;
  block.maxColumns = model.maxColumns;
  block.variableColumns = model.variableColumns;
  block.columns = static_cast<std::uint16_t>(model.columns.size());
  block.realIndexes = model.emptyIndexEntries;
  const std::vector<std::size_t> pieces = SplitDefinition(EncodeDefinition(model, block).size());
  layout.definitionPages = {firstPage};
  for (std::size_t k = 1; k < pieces.size(); ++k) layout.definitionPages.push_back(file.Allocate());
  if (mapPage == 0) mapPage = file.Allocate();

  LongValues longValues(file);
  f::DataPageBuilder page;
  page.Reset(firstPage);
  std::vector<Cell> cells(model.columns.size());
  std::string row;
  std::int64_t lastAutoNumber = 0;
  auto flush = [&] {
    const std::uint32_t number = file.Allocate();
    file.Write(number, page.page());
    layout.dataPages.push_back(number);
    page.Reset(firstPage);
  };
  for (std::uint64_t index = 0; index < rowCount; ++index) {
    rows(index, cells);
    for (std::size_t k = 0; k < model.columns.size(); ++k) {
      if (!model.columns[k].autoNumber) continue;
      if (cells[k].kind == Cell::kNull) {  // numbered here, as Jet would
        cells[k].kind = Cell::kInteger;
        cells[k].integer = lastAutoNumber + 1;
      }
      lastAutoNumber = std::max(lastAutoNumber, cells[k].integer);
    }
    EncodeRow(model, cells, longValues, row);
    if (!page.Fits(row.size())) flush();
    page.Add(reinterpret_cast<const unsigned char*>(row.data()), row.size());
  }
  if (page.rows() > 0) flush();
  longValues.Finish();

  // The usage maps: the pages the table owns, and none with free space.
  f::DataPageBuilder maps;
  maps.Reset(0);
  const std::string used = f::EncodeUsageMap(layout.dataPages, firstPage, kFreeMapBytes);
  const std::string free = f::EncodeUsageMap({}, firstPage, kFreeMapBytes);
  if (!maps.Fits(used.size() + free.size() + f::kDataRowOffsetSize)) {
    throw JetWriterError("table " + model.name + " spans too many pages for its usage map");
  }
  maps.Add(reinterpret_cast<const unsigned char*>(used.data()), used.size());
  maps.Add(reinterpret_cast<const unsigned char*>(free.data()), free.size());
  file.Write(mapPage, maps.page());

  block.rowCount = static_cast<std::uint32_t>(rowCount);
  block.lastAutoNumber = static_cast<std::uint32_t>(lastAutoNumber);
  block.usedPagesRow = mapPage << 8;
  block.freePagesRow = (mapPage << 8) | 1;
  const std::string definition = EncodeDefinition(model, block);
  std::size_t done = 0;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    f::Page p{};
    p[0] = f::kPageDefinition;
    p[1] = 0x01;
    f::Put16(p.data() + f::kDefinitionFree,
             static_cast<std::uint32_t>(kDefinitionCapacity - pieces[k]));
    f::Put32(p.data() + f::kDefinitionNext,
             k + 1 < pieces.size() ? layout.definitionPages[k + 1] : 0);
    std::memcpy(p.data() + f::kDefinitionPageHeader, definition.data() + done, pieces[k]);
    done += pieces[k];
    file.Write(layout.definitionPages[k], p);
  }
  std::size_t descriptor =
      f::kDefinitionBlockSize + model.emptyIndexEntries * f::kRealIndexEntrySize;
  for (const Column& c : model.columns) {
    const std::size_t at = descriptor + f::kColumnLengthOffset;
    layout.columns[c.name] = {DefinitionOffset(layout.definitionPages, pieces, at),
                              DefinitionOffset(layout.definitionPages, pieces, at + 1)};
    descriptor += f::kColumnDescriptorSize;
  }
}

// ---- user tables

// How many empty index entries put `at`'s length field where it asks: its first byte, at
// definition offset 78 + 12 r + 25 k, is two bytes (or one) before a page's end, a multiple of
// the page's capacity.
std::uint32_t EmptyIndexEntries(const TableSpec& spec, const TableSpec::LengthFieldAtPageEnd& at) {
  const auto column = std::find_if(spec.columns.begin(), spec.columns.end(),
                                   [&](const ColumnSpec& c) { return c.name == at.column; });
  if (column == spec.columns.end() || column->type != ColumnType::kText) {
    throw JetWriterError("table " + spec.name + ": no text column " + at.column);
  }
  const std::size_t k = static_cast<std::size_t>(column - spec.columns.begin());
  const std::size_t field = f::kDefinitionBlockSize + k * f::kColumnDescriptorSize +
                            f::kColumnLengthOffset + (at.acrossPages ? 1 : 2);
  for (std::size_t end = kDefinitionCapacity; end < 4 * kDefinitionCapacity + field;
       end += kDefinitionCapacity) {
    if (end >= field && (end - field) % f::kRealIndexEntrySize == 0) {
      return static_cast<std::uint32_t>((end - field) / f::kRealIndexEntrySize);
    }
  }
  throw JetWriterError("table " + spec.name + ": the length field of column " + at.column +
                       " cannot be put at a page's end (its position modulo 4 must be " +
                       (at.acrossPages ? "1)" : "0)"));
}

Model UserModel(const TableSpec& spec) {
  if (spec.name.empty()) throw JetWriterError("a table has no name");
  Model model;
  model.name = spec.name;
  Utf16(spec.name, "table name " + spec.name);
  if (spec.columns.empty()) throw JetWriterError("table " + spec.name + " has no column");
  std::set<std::string> names;
  int previous = -1;
  for (const ColumnSpec& s : spec.columns) {
    const std::string where = "column " + s.name + " of table " + spec.name;
    if (s.name.empty() || !names.insert(s.name).second) {
      throw JetWriterError("table " + spec.name + " has an empty or repeated column name");
    }
    Column c;
    switch (s.type) {
      case ColumnType::kLong:
        c = MakeColumn(s.name, f::kTypeLong, true, 4);
        c.autoNumber = s.autoNumber;
        break;
      case ColumnType::kText:
        if (s.textLength < 1 || s.textLength > 255) {
          throw JetWriterError(where + ": a text length must be from 1 to 255");
        }
        c = MakeColumn(s.name, f::kTypeText, s.fixedLength,
                       static_cast<std::uint16_t>(s.textLength * 2));
        c.compressed = s.compressedUnicode && !s.fixedLength;
        c.characters = s.textLength;
        break;
      case ColumnType::kMemo:
        c = MakeColumn(s.name, f::kTypeMemo, false, 0);
        c.compressed = s.compressedUnicode;
        break;
      case ColumnType::kDateTime:
        c = MakeColumn(s.name, f::kTypeDateTime, true, 8);
        break;
      case ColumnType::kYesNo:
        c = MakeColumn(s.name, f::kTypeBool, true, 0);
        break;
      default:
        throw JetWriterError(where + ": unknown type");
    }
    if (s.autoNumber && s.type != ColumnType::kLong) {
      throw JetWriterError(where + ": only a Long column is an auto-number");
    }
    if (s.fixedLength && s.type != ColumnType::kText) {
      throw JetWriterError(where + ": only a text column has a fixed length");
    }
    c.kind = s.type;
    c.required = s.required;
    const int number = s.number ? *s.number : previous + 1;
    if (number <= previous) throw JetWriterError(where + ": column numbers must increase");
    c.number = static_cast<std::uint16_t>(number);
    previous = number;
    model.columns.push_back(std::move(c));
  }
  if (spec.primaryKey) {
    const auto key = std::find_if(spec.columns.begin(), spec.columns.end(),
                                  [&](const ColumnSpec& c) { return c.name == *spec.primaryKey; });
    if (key == spec.columns.end() || key->type != ColumnType::kLong) {
      throw JetWriterError("table " + spec.name + ": the primary key must be a Long column");
    }
  }
  if (spec.lengthFieldAtPageEnd) {
    model.emptyIndexEntries = EmptyIndexEntries(spec, *spec.lengthFieldAtPageEnd);
  }
  Finalize(model);
  return model;
}

// The generator's values as cells, checked against the columns.
RowSource UserRows(const TableSpec& spec, const Model& model) {
  return [&spec, &model, values = std::vector<Value>()](std::uint64_t index,
                                                        std::vector<Cell>& cells) mutable {
    values.assign(model.columns.size(), Value());
    spec.rows(index, values);
    if (values.size() != model.columns.size()) {
      throw JetWriterError("table " + spec.name + ": row " + std::to_string(index) + " has " +
                           std::to_string(values.size()) + " values for " +
                           std::to_string(model.columns.size()) + " columns");
    }
    for (std::size_t k = 0; k < values.size(); ++k) {
      const Column& c = model.columns[k];
      const Value& v = values[k];
      Cell& cell = cells[k];
      cell.kind = Cell::kNull;
      cell.boolean = false;
      auto wrong = [&](const char* what) {
        return JetWriterError("table " + spec.name + ", row " + std::to_string(index) +
                              ", column " + c.name + ": " + what);
      };
      if (std::holds_alternative<std::monostate>(v)) {
        if (c.required && c.kind != ColumnType::kYesNo) throw wrong("a required value is null");
        continue;
      }
      switch (c.kind) {
        case ColumnType::kLong:
          if (!std::holds_alternative<std::int32_t>(v)) throw wrong("not a Long");
          cell.kind = Cell::kInteger;
          cell.integer = std::get<std::int32_t>(v);
          break;
        case ColumnType::kDateTime:
          if (!std::holds_alternative<double>(v) || !std::isfinite(std::get<double>(v))) {
            throw wrong("not a date");
          }
          cell.kind = Cell::kDouble;
          cell.real = std::get<double>(v);
          break;
        case ColumnType::kYesNo:
          if (!std::holds_alternative<bool>(v)) throw wrong("not a Yes/No");
          cell.kind = Cell::kBool;
          cell.boolean = std::get<bool>(v);
          break;
        case ColumnType::kText:
        case ColumnType::kMemo:
          if (!std::holds_alternative<std::string>(v)) throw wrong("not a text");
          if (!f::Utf8ToUtf16(std::get<std::string>(v), cell.text)) throw wrong("not UTF-8");
          if (c.kind == ColumnType::kText &&
              cell.text.size() > static_cast<std::size_t>(c.characters)) {
            throw wrong("longer than the column");
          }
          cell.kind = Cell::kText;
          break;
      }
    }
  };
}

// ---- the catalog

Model CatalogModel() {
  Model m;
  m.name = "MSysObjects";
  m.tableType = f::kTableSystem;
  auto add = [&](const char* name, unsigned char type, bool fixed, std::uint16_t length) {
    Column c = MakeColumn(name, type, fixed, length);
    c.number = static_cast<std::uint16_t>(m.columns.size());
    c.compressed = type == f::kTypeText || type == f::kTypeMemo;
    m.columns.push_back(std::move(c));
  };
  add("Id", f::kTypeLong, true, 4);
  add("ParentId", f::kTypeLong, true, 4);
  add("Name", f::kTypeText, false, 510);
  add("Type", f::kTypeInteger, true, 2);
  add("DateCreate", f::kTypeDateTime, true, 8);
  add("DateUpdate", f::kTypeDateTime, true, 8);
  add("Owner", f::kTypeBinary, false, 255);
  add("Flags", f::kTypeLong, true, 4);
  add("Database", f::kTypeMemo, false, 0);
  add("Connect", f::kTypeMemo, false, 0);
  add("ForeignName", f::kTypeText, false, 510);
  add("RmtInfoShort", f::kTypeBinary, false, 255);
  add("RmtInfoLong", f::kTypeOle, false, 0);
  add("Lv", f::kTypeOle, false, 0);
  add("LvProp", f::kTypeOle, false, 0);
  add("LvModule", f::kTypeOle, false, 0);
  add("LvExtra", f::kTypeOle, false, 0);
  Finalize(m);
  return m;
}

struct CatalogRow {
  std::uint32_t id = 0;
  std::uint32_t parentId = 0;
  std::string name;
  std::int16_t type = 0;
  std::uint32_t flags = 0;
};

void CatalogCells(const CatalogRow& r, std::vector<Cell>& cells) {
  for (Cell& c : cells) c = Cell();
  auto integer = [](std::int64_t v) {
    Cell c;
    c.kind = Cell::kInteger;
    c.integer = v;
    return c;
  };
  cells[0] = integer(static_cast<std::int32_t>(r.id));
  cells[1] = integer(static_cast<std::int32_t>(r.parentId));
  cells[2].kind = Cell::kText;
  cells[2].text = Utf16(r.name, "table name " + r.name);
  cells[3] = integer(r.type);
  cells[4].kind = cells[5].kind = Cell::kDouble;
  cells[4].real = cells[5].real = kCreationDate;
  cells[7] = integer(static_cast<std::int32_t>(r.flags));
}

}  // namespace

DatabaseLayout WriteJetDatabase(const std::string& path, const DatabaseSpec& spec) {
  // Every description is checked before the file is created.
  std::vector<Model> models;
  std::set<std::string> names = {"MSysObjects"};
  for (const TableSpec& t : spec.tables) {
    models.push_back(UserModel(t));
    if (!names.insert(t.name).second) {
      throw JetWriterError("table " + t.name + " is described twice");
    }
    if (!t.rows && t.rowCount > 0) throw JetWriterError("table " + t.name + " has no rows");
  }
  try {
    PageFile file(path);
    DatabaseLayout layout;
    f::Page page{};
    f::HeaderPage{kCreationDate}.EncodeTo(page);
    file.Write(file.Allocate(), page);
    const std::uint32_t catalogMap = file.Allocate();
    const std::uint32_t catalogDefinition = file.Allocate();
    if (catalogMap != kCatalogMapPage || catalogDefinition != kCatalogDefinitionPage) {
      throw JetWriterError(path + ": the catalog is not at page 2");
    }

    std::vector<CatalogRow> catalog = {
        {kTablesContainer, kContainerParent, "Tables", kObjectContainer, kSystemObjectFlag},
        {kDatabasesContainer, kContainerParent, "Databases", kObjectContainer, kSystemObjectFlag},
        {kRelationshipsContainer, kContainerParent, "Relationships", kObjectContainer,
         kSystemObjectFlag},
        {kCatalogDefinitionPage, kTablesContainer, "MSysObjects", kObjectTable, kSystemObjectFlag},
    };
    for (std::size_t k = 0; k < spec.tables.size(); ++k) {
      const TableSpec& t = spec.tables[k];
      const std::uint32_t wanted = t.definitionPage.value_or(file.next());
      if (wanted < file.next() || wanted > 0x00FFFFFF) {
        throw JetWriterError("table " + t.name + ": its definition cannot go at page " +
                             std::to_string(wanted) + "; the next free page is " +
                             std::to_string(file.next()));
      }
      f::DataPageBuilder empty;
      empty.Reset(0);
      while (file.next() < wanted) file.Write(file.Allocate(), empty.page());
      const std::uint32_t first = file.Allocate();
      TableLayout& tableLayout = layout.tables[t.name];
      WriteTable(file, models[k], t.rowCount, UserRows(t, models[k]), first, 0, tableLayout);
      catalog.push_back({first, kTablesContainer, t.name, kObjectTable, 0});
    }

    TableLayout catalogLayout;
    WriteTable(
        file, CatalogModel(), catalog.size(),
        [&](std::uint64_t index, std::vector<Cell>& cells) { CatalogCells(catalog[index], cells); },
        kCatalogDefinitionPage, kCatalogMapPage, catalogLayout);
    if (catalogLayout.definitionPages.size() != 1) {
      throw JetWriterError(path + ": the catalog's definition does not fit its page");
    }
    layout.pageCount = file.next();
    file.Finish();
    return layout;
  } catch (const JetWriterError& e) {
    const std::string message = e.what();
    if (message.rfind(path, 0) == 0) throw;
    throw JetWriterError(path + ": " + message);
  }
}

}  // namespace jet_writer
