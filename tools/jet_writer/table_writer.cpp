// The pages of one table: its rows encoded onto data pages, its long values, its usage maps
// and its definition.
#include "table_writer.h"

#include <algorithm>
#include <cstring>

#include "rows.h"

namespace jet_writer {

namespace f = format;

std::u16string Utf16(const std::string& utf8, const std::string& what, const f::Format& format) {
  std::u16string out;
  if (!f::Utf8ToUtf16(utf8, out)) throw JetWriterError::Refused(what + " is not valid UTF-8");
  std::string bytes;
  if (format.jet3 && !f::EncodeCodePage(out, bytes)) {
    throw JetWriterError::Refused(what + " has a character that Windows-1252 cannot hold");
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

// Writes the rows on data pages owned by definition page `owner` (their long values on pages
// of their own among them) and adds those pages to `dataPages` and, when asked, where each row
// went to `rowLocations`. Returns the last auto-number.
std::int64_t WriteRows(PageFile& file, const Model& model, std::uint64_t rowCount,
                       const RowSource& rows, std::uint32_t owner,
                       std::vector<std::uint32_t>& dataPages,
                       std::vector<RowLocation>* rowLocations) {
  const f::Format& format = *model.format;
  LongValues longValues(file, format);
  RowEncoder encoder(model, longValues);
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
  std::vector<Value> values;
  std::string row;
  for (std::uint64_t index = 0; index < rowCount; ++index) {
    values.assign(model.columns.size(), Value());
    rows(index, values);
    if (values.size() != model.columns.size()) {
      throw JetWriterError::Refused("table " + model.name + ": row " + std::to_string(index) +
                                    " has " + std::to_string(values.size()) + " values for " +
                                    std::to_string(model.columns.size()) + " columns");
    }
    const base::Status encoded = encoder.Encode(values, row);
    if (!encoded.ok()) {
      throw JetWriterError::Refused("table " + model.name + ", row " + std::to_string(index) +
                                    ", " + encoded.message());
    }
    if (!page.Fits(row.size())) flush();
    page.Add(reinterpret_cast<const unsigned char*>(row.data()), row.size());
  }
  if (page.rows() > 0) flush();
  longValues.Finish();
  return encoder.lastAutoNumber();
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
    throw JetWriterError::Refused("table " + model.name +
                                  " spans too many pages for its usage map");
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
