// Lays out a new Jet 4 or Jet 3 database from its description: checks the description, makes
// a model of each table (the user tables, MSysObjects, MSysRelationships) and writes each with
// WriteTable (table_writer.h), then the catalog that names them.
//
// The file is laid out in this order:
//   page 0       the header
//   page 1       the catalog's usage maps
//   page 2       the catalog's definition (MSysObjects)
//   per table    [empty data pages up to its chosen definition page], its definition pages,
//                the page of its usage maps, then its data pages with its long-value pages
//                among them, as the rows come
//   then         MSysRelationships like a table, when there are relationships
//   at the end   the catalog's data pages
// A definition and its usage maps are written once the table's rows are (they hold the row
// count and the pages); every other page is written when it is full, through a buffer of
// consecutive pages, so memory stays flat in the number of rows.
#include "jet_writer.h"

#include <algorithm>
#include <set>

#include "catalog.h"
#include "jet_format.h"
#include "page_file.h"
#include "relationships.h"
#include "table_writer.h"

namespace jet_writer {

namespace f = format;

namespace {

// ---- user tables

// How many empty index entries put `at`'s length field where it asks: its first byte, at
// definition offset 78 + 12 r + 25 k (Jet 3: 51 + 8 r + 18 k), is two bytes (or one) before a
// page's end, a multiple of the page's capacity.
std::uint32_t EmptyIndexEntries(const TableSpec& spec, const TableSpec::LengthFieldAtPageEnd& at,
                                const f::Format& format) {
  const auto column = std::find_if(spec.columns.begin(), spec.columns.end(),
                                   [&](const ColumnSpec& c) { return c.name == at.column; });
  if (column == spec.columns.end() || column->type != ColumnType::kText) {
    throw JetWriterError::Refused("table " + spec.name + ": no text column " + at.column);
  }
  const std::size_t k = static_cast<std::size_t>(column - spec.columns.begin());
  const std::size_t field = format.blockSize + k * format.columnDescriptorSize +
                            format.columnLengthOffset + (at.acrossPages ? 1 : 2);
  const std::size_t capacity = format.DefinitionCapacity();
  for (std::size_t end = capacity; end < 4 * capacity + field; end += capacity) {
    if (end >= field && (end - field) % format.realIndexEntrySize == 0) {
      return static_cast<std::uint32_t>((end - field) / format.realIndexEntrySize);
    }
  }
  throw JetWriterError::Refused(
      "table " + spec.name + ": the length field of column " + at.column + " cannot be put " +
      (at.acrossPages ? "across two pages" : "at a page's end") + " from its position");
}

// Column `s` of table `table` as the file stores it, its number not yet given.
Column UserColumn(const ColumnSpec& s, const std::string& table, const f::Format& format) {
  const std::string where = "column " + s.name + " of table " + table;
  Column c;
  switch (s.type) {
    case ColumnType::kLong:
      c = MakeColumn(s.name, f::kTypeLong, true, 4, format);
      c.autoNumber = s.autoNumber;
      break;
    case ColumnType::kText:
      if (s.textLength < 1 || s.textLength > 255) {
        throw JetWriterError::Refused(where + ": a text length must be from 1 to 255");
      }
      c = MakeColumn(s.name, f::kTypeText, s.fixedLength, TextBytes(s.textLength, format), format);
      c.compressed = s.compressedUnicode && !s.fixedLength && !format.jet3;
      c.characters = s.textLength;
      break;
    case ColumnType::kMemo:
      c = MakeColumn(s.name, f::kTypeMemo, false, 0, format);
      c.compressed = s.compressedUnicode && !format.jet3;
      break;
    case ColumnType::kDateTime:
      c = MakeColumn(s.name, f::kTypeDateTime, true, 8, format);
      break;
    case ColumnType::kYesNo:
      c = MakeColumn(s.name, f::kTypeBool, true, 0, format);
      break;
    default:
      throw JetWriterError::Refused(where + ": unknown type");
  }
  if (s.autoNumber && s.type != ColumnType::kLong) {
    throw JetWriterError::Refused(where + ": only a Long column is an auto-number");
  }
  if (s.fixedLength && s.type != ColumnType::kText) {
    throw JetWriterError::Refused(where + ": only a text column has a fixed length");
  }
  c.kind = s.type;
  c.required = s.required;
  return c;
}

// The columns of `spec`, numbered, their names unique and not empty.
void AddUserColumns(const TableSpec& spec, const f::Format& format, Model& model) {
  std::set<std::string> names;
  int previous = -1;
  for (const ColumnSpec& s : spec.columns) {
    if (s.name.empty() || !names.insert(s.name).second) {
      throw JetWriterError::Refused("table " + spec.name + " has an empty or repeated column name");
    }
    Column c = UserColumn(s, spec.name, format);
    const int number = s.number ? *s.number : previous + 1;
    if (number <= previous) {
      throw JetWriterError::Refused("column " + s.name + " of table " + spec.name +
                                    ": column numbers must increase");
    }
    c.number = static_cast<std::uint16_t>(number);
    previous = number;
    model.columns.push_back(std::move(c));
  }
}

Model UserModel(const TableSpec& spec, const f::Format& format) {
  if (spec.name.empty()) throw JetWriterError::Refused("a table has no name");
  Model model;
  model.format = &format;
  model.name = spec.name;
  model.checkValues = true;
  Utf16(spec.name, "table name " + spec.name, format);
  if (spec.columns.empty()) throw JetWriterError::Refused("table " + spec.name + " has no column");
  AddUserColumns(spec, format, model);
  if (spec.primaryKey) {
    const auto key = std::find_if(spec.columns.begin(), spec.columns.end(),
                                  [&](const ColumnSpec& c) { return c.name == *spec.primaryKey; });
    if (key == spec.columns.end() || key->type != ColumnType::kLong) {
      throw JetWriterError::Refused("table " + spec.name +
                                    ": the primary key must be a Long column");
    }
  }
  if (spec.lengthFieldAtPageEnd) {
    model.emptyIndexEntries = EmptyIndexEntries(spec, *spec.lengthFieldAtPageEnd, format);
  }
  Finalize(model);
  if (format.jet3 && model.maxColumns > 255) {
    throw JetWriterError::Refused("table " + spec.name +
                                  " has more than 255 columns, more than Jet 3 holds");
  }
  return model;
}

// ---- the database, step by step

// The models of the user tables, once every table and alias is checked: names unique among
// them and the system tables, rows for a table that has any, an alias naming a table.
std::vector<Model> CheckTablesAndAliases(const DatabaseSpec& spec, const f::Format& format) {
  std::vector<Model> models;
  std::set<std::string> names = {"MSysObjects"};
  if (!spec.relationships.empty()) names.insert("MSysRelationships");
  for (const TableSpec& t : spec.tables) {
    models.push_back(UserModel(t, format));
    if (!names.insert(t.name).second) {
      throw JetWriterError::Refused("table " + t.name + " is described twice");
    }
    if (!t.rows && t.rowCount > 0)
      throw JetWriterError::Refused("table " + t.name + " has no rows");
  }
  for (const CatalogAlias& a : spec.aliases) {
    Utf16(a.name, "table name " + a.name, format);
    if (!names.insert(a.name).second) {
      throw JetWriterError::Refused("alias " + a.name + " is the name of another table");
    }
    if (std::none_of(spec.tables.begin(), spec.tables.end(),
                     [&](const TableSpec& t) { return t.name == a.table; })) {
      throw JetWriterError::Refused("alias " + a.name + " names an unknown table " + a.table);
    }
  }
  return models;
}

// Page 0, then the pages of the catalog's usage maps and definition, where readers look for it.
void WriteHeader(PageFile& file, const f::Format& format, const std::string& path) {
  f::Page page{};
  f::HeaderPage{kCreationDate}.EncodeTo(page, format);
  file.Write(file.Allocate(), page);
  const std::uint32_t catalogMap = file.Allocate();
  const std::uint32_t catalogDefinition = file.Allocate();
  if (catalogMap != kCatalogMapPage || catalogDefinition != kCatalogDefinitionPage) {
    throw JetWriterError::Refused(path + ": the catalog is not at page 2");
  }
}

// Allocates the first definition page of table `t`: the one it asks for, with empty data pages
// before it, or the next free one.
std::uint32_t AllocateDefinitionPage(PageFile& file, const TableSpec& t, const f::Format& format) {
  const std::uint32_t wanted = t.definitionPage.value_or(file.next());
  if (wanted < file.next() || wanted > 0x00FFFFFF) {
    throw JetWriterError::Refused("table " + t.name + ": its definition cannot go at page " +
                                  std::to_string(wanted) + "; the next free page is " +
                                  std::to_string(file.next()));
  }
  f::DataPageBuilder empty(format);
  empty.Reset(0);
  while (file.next() < wanted) file.Write(file.Allocate(), empty.page());
  return file.Allocate();
}

void WriteUserTables(PageFile& file, const DatabaseSpec& spec, const std::vector<Model>& models,
                     Catalog& catalog, DatabaseLayout& layout) {
  for (std::size_t k = 0; k < spec.tables.size(); ++k) {
    const TableSpec& t = spec.tables[k];
    const std::uint32_t first = AllocateDefinitionPage(file, t, *models[k].format);
    WriteTable(file, models[k], t.rowCount, t.rows, first, 0, layout.tables[t.name]);
    catalog.AddUserTable(first, t.name, TableProperties(models[k]));
  }
}

// An alias is a copy of its table's catalog row under another name.
void AddAliases(const DatabaseSpec& spec, Catalog& catalog, DatabaseLayout& layout) {
  for (const CatalogAlias& a : spec.aliases) {
    layout.tables[a.name] = layout.tables.at(a.table);
    catalog.AddAlias(a.name, a.table);
  }
}

}  // namespace

DatabaseLayout WriteJetDatabase(const std::string& path, const DatabaseSpec& spec) {
  const f::Format& format = spec.format == JetFormat::kJet3 ? f::kJet3 : f::kJet4;
  // Every description is checked before the file is created.
  const std::vector<Model> models = CheckTablesAndAliases(spec, format);
  CheckRelationships(spec);
  try {
    PageFile file(path, format.pageSize);
    DatabaseLayout layout;
    layout.pageSize = format.pageSize;
    WriteHeader(file, format, path);
    Catalog catalog;
    WriteUserTables(file, spec, models, catalog, layout);
    AddAliases(spec, catalog, layout);
    WriteRelationships(file, spec, format, catalog, layout);
    WriteCatalog(file, format, catalog, layout, path);
    layout.pageCount = file.next();
    file.Finish();
    return layout;
  } catch (const JetWriterError& e) {
    const base::Status& status = e.status();
    if (status.message().rfind(path, 0) == 0) throw;
    // The same kind of failure, its message naming the file.
    const std::string message = path + ": " + status.message();
    throw JetWriterError(status.kind() == base::StatusKind::kDamaged
                             ? base::Status::Damaged(message)
                             : base::Status::Refused(message));
  }
}

}  // namespace jet_writer
