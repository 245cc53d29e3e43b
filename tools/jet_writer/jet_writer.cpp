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
#include <cmath>
#include <set>

#include "jet_format.h"
#include "page_file.h"
#include "table_writer.h"

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

// Made-up Ids of the catalog rows of relationships (readers take no table page from them).
constexpr std::uint32_t kRelationshipIdBase = 0x0D000000;
constexpr std::int16_t kObjectRelationship = 8;
// The text columns of MSysRelationships hold names of up to 64 characters.
constexpr int kRelationshipNameLength = 64;

// ---- user tables

// How many empty index entries put `at`'s length field where it asks: its first byte, at
// definition offset 78 + 12 r + 25 k (Jet 3: 51 + 8 r + 18 k), is two bytes (or one) before a
// page's end, a multiple of the page's capacity.
std::uint32_t EmptyIndexEntries(const TableSpec& spec, const TableSpec::LengthFieldAtPageEnd& at,
                                const f::Format& format) {
  const auto column = std::find_if(spec.columns.begin(), spec.columns.end(),
                                   [&](const ColumnSpec& c) { return c.name == at.column; });
  if (column == spec.columns.end() || column->type != ColumnType::kText) {
    throw JetWriterError("table " + spec.name + ": no text column " + at.column);
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
  throw JetWriterError(
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
        throw JetWriterError(where + ": a text length must be from 1 to 255");
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
  return c;
}

// The columns of `spec`, numbered, their names unique and not empty.
void AddUserColumns(const TableSpec& spec, const f::Format& format, Model& model) {
  std::set<std::string> names;
  int previous = -1;
  for (const ColumnSpec& s : spec.columns) {
    if (s.name.empty() || !names.insert(s.name).second) {
      throw JetWriterError("table " + spec.name + " has an empty or repeated column name");
    }
    Column c = UserColumn(s, spec.name, format);
    const int number = s.number ? *s.number : previous + 1;
    if (number <= previous) {
      throw JetWriterError("column " + s.name + " of table " + spec.name +
                           ": column numbers must increase");
    }
    c.number = static_cast<std::uint16_t>(number);
    previous = number;
    model.columns.push_back(std::move(c));
  }
}

Model UserModel(const TableSpec& spec, const f::Format& format) {
  if (spec.name.empty()) throw JetWriterError("a table has no name");
  Model model;
  model.format = &format;
  model.name = spec.name;
  Utf16(spec.name, "table name " + spec.name, format);
  if (spec.columns.empty()) throw JetWriterError("table " + spec.name + " has no column");
  AddUserColumns(spec, format, model);
  if (spec.primaryKey) {
    const auto key = std::find_if(spec.columns.begin(), spec.columns.end(),
                                  [&](const ColumnSpec& c) { return c.name == *spec.primaryKey; });
    if (key == spec.columns.end() || key->type != ColumnType::kLong) {
      throw JetWriterError("table " + spec.name + ": the primary key must be a Long column");
    }
  }
  if (spec.lengthFieldAtPageEnd) {
    model.emptyIndexEntries = EmptyIndexEntries(spec, *spec.lengthFieldAtPageEnd, format);
  }
  Finalize(model);
  if (format.jet3 && model.maxColumns > 255) {
    throw JetWriterError("table " + spec.name +
                         " has more than 255 columns, more than Jet 3 holds");
  }
  return model;
}

// Generator value `v` of column `c` as a cell; returns what is wrong with it, or nullptr.
// `bytes` is room for a Jet 3 text's check.
const char* ToCell(const Column& c, const Value& v, const f::Format& format, Cell& cell,
                   std::string& bytes) {
  cell.kind = Cell::kNull;
  cell.boolean = false;
  if (std::holds_alternative<std::monostate>(v)) {
    return c.required && c.kind != ColumnType::kYesNo ? "a required value is null" : nullptr;
  }
  switch (c.kind) {
    case ColumnType::kLong:
      if (!std::holds_alternative<std::int32_t>(v)) return "not a Long";
      cell.kind = Cell::kInteger;
      cell.integer = std::get<std::int32_t>(v);
      break;
    case ColumnType::kDateTime:
      if (!std::holds_alternative<double>(v) || !std::isfinite(std::get<double>(v))) {
        return "not a date";
      }
      cell.kind = Cell::kDouble;
      cell.real = std::get<double>(v);
      break;
    case ColumnType::kYesNo:
      if (!std::holds_alternative<bool>(v)) return "not a Yes/No";
      cell.kind = Cell::kBool;
      cell.boolean = std::get<bool>(v);
      break;
    case ColumnType::kText:
    case ColumnType::kMemo:
      if (!std::holds_alternative<std::string>(v)) return "not a text";
      if (!f::Utf8ToUtf16(std::get<std::string>(v), cell.text)) return "not UTF-8";
      if (c.kind == ColumnType::kText &&
          cell.text.size() > static_cast<std::size_t>(c.characters)) {
        return "longer than the column";
      }
      if (format.jet3 && !f::EncodeCodePage(cell.text, bytes)) {
        return "a character that Windows-1252 cannot hold";
      }
      cell.kind = Cell::kText;
      break;
  }
  return nullptr;
}

// The generator's values as cells, checked against the columns.
RowSource UserRows(const TableSpec& spec, const Model& model) {
  return [&spec, &model, values = std::vector<Value>(), bytes = std::string()](
             std::uint64_t index, std::vector<Cell>& cells) mutable {
    values.assign(model.columns.size(), Value());
    spec.rows(index, values);
    if (values.size() != model.columns.size()) {
      throw JetWriterError("table " + spec.name + ": row " + std::to_string(index) + " has " +
                           std::to_string(values.size()) + " values for " +
                           std::to_string(model.columns.size()) + " columns");
    }
    for (std::size_t k = 0; k < values.size(); ++k) {
      const Column& c = model.columns[k];
      if (const char* wrong = ToCell(c, values[k], *model.format, cells[k], bytes)) {
        throw JetWriterError("table " + spec.name + ", row " + std::to_string(index) + ", column " +
                             c.name + ": " + wrong);
      }
    }
  };
}

// ---- the catalog and the system tables

// A system table's column: text lengths in characters.
void AddSystemColumn(Model& m, const char* name, unsigned char type, bool fixed, int length) {
  const std::uint16_t bytes =
      type == f::kTypeText ? TextBytes(length, *m.format) : static_cast<std::uint16_t>(length);
  Column c = MakeColumn(name, type, fixed, bytes, *m.format);
  c.number = static_cast<std::uint16_t>(m.columns.size());
  c.compressed = !m.format->jet3 && (type == f::kTypeText || type == f::kTypeMemo);
  c.characters = length;
  m.columns.push_back(std::move(c));
}

Model CatalogModel(const f::Format& format) {
  Model m;
  m.format = &format;
  m.name = "MSysObjects";
  m.tableType = f::kTableSystem;
  AddSystemColumn(m, "Id", f::kTypeLong, true, 4);
  AddSystemColumn(m, "ParentId", f::kTypeLong, true, 4);
  AddSystemColumn(m, "Name", f::kTypeText, false, 255);
  AddSystemColumn(m, "Type", f::kTypeInteger, true, 2);
  AddSystemColumn(m, "DateCreate", f::kTypeDateTime, true, 8);
  AddSystemColumn(m, "DateUpdate", f::kTypeDateTime, true, 8);
  AddSystemColumn(m, "Owner", f::kTypeBinary, false, 255);
  AddSystemColumn(m, "Flags", f::kTypeLong, true, 4);
  AddSystemColumn(m, "Database", f::kTypeMemo, false, 0);
  AddSystemColumn(m, "Connect", f::kTypeMemo, false, 0);
  AddSystemColumn(m, "ForeignName", f::kTypeText, false, 255);
  AddSystemColumn(m, "RmtInfoShort", f::kTypeBinary, false, 255);
  AddSystemColumn(m, "RmtInfoLong", f::kTypeOle, false, 0);
  AddSystemColumn(m, "Lv", f::kTypeOle, false, 0);
  AddSystemColumn(m, "LvProp", f::kTypeOle, false, 0);
  AddSystemColumn(m, "LvModule", f::kTypeOle, false, 0);
  AddSystemColumn(m, "LvExtra", f::kTypeOle, false, 0);
  Finalize(m);
  return m;
}

// MSysRelationships, its columns as Jet makes them: one row per pair of columns.
Model RelationshipsModel(const f::Format& format) {
  Model m;
  m.format = &format;
  m.name = "MSysRelationships";
  m.tableType = f::kTableSystem;
  AddSystemColumn(m, "ccolumn", f::kTypeLong, true, 4);
  AddSystemColumn(m, "grbit", f::kTypeLong, true, 4);
  AddSystemColumn(m, "icolumn", f::kTypeLong, true, 4);
  for (const char* name :
       {"szColumn", "szObject", "szReferencedColumn", "szReferencedObject", "szRelationship"}) {
    AddSystemColumn(m, name, f::kTypeText, false, kRelationshipNameLength);
  }
  Finalize(m);
  return m;
}

Cell IntegerCell(std::int64_t v) {
  Cell c;
  c.kind = Cell::kInteger;
  c.integer = v;
  return c;
}

Cell TextCell(const std::string& utf8, const f::Format& format) {
  Cell c;
  c.kind = Cell::kText;
  c.text = Utf16(utf8, "name " + utf8, format);
  return c;
}

struct CatalogRow {
  std::uint32_t id = 0;
  std::uint32_t parentId = 0;
  std::string name;
  std::int16_t type = 0;
  std::uint32_t flags = 0;
  std::string properties;  // LvProp; empty for none
};

void CatalogCells(const CatalogRow& r, const f::Format& format, std::vector<Cell>& cells) {
  for (Cell& c : cells) c = Cell();
  cells[0] = IntegerCell(static_cast<std::int32_t>(r.id));
  cells[1] = IntegerCell(static_cast<std::int32_t>(r.parentId));
  cells[2] = TextCell(r.name, format);
  cells[3] = IntegerCell(r.type);
  cells[4].kind = cells[5].kind = Cell::kDouble;
  cells[4].real = cells[5].real = kCreationDate;
  cells[7] = IntegerCell(static_cast<std::int32_t>(r.flags));
  if (!r.properties.empty()) {
    cells[14].kind = Cell::kBytes;
    cells[14].bytes = r.properties;
  }
}

// The properties of a user table: its required columns.
std::string TableProperties(const Model& model) {
  std::vector<std::u16string> required;
  for (const Column& c : model.columns) {
    if (c.required) required.push_back(c.storedName);
  }
  return required.empty() ? std::string() : f::EncodeRequiredProperties(required, *model.format);
}

std::uint32_t RelationshipFlags(const RelationshipSpec& r) {
  return (r.enforced ? 0 : kRelationDontEnforce) |
         (r.cascadeUpdates ? kRelationCascadeUpdates : 0) |
         (r.cascadeDeletes ? kRelationCascadeDeletes : 0);
}

// Checks that each relationship names a table and column of `spec`.
void CheckRelationships(const DatabaseSpec& spec) {
  auto has = [&](const std::string& table, const std::string& column) {
    for (const TableSpec& t : spec.tables) {
      if (t.name != table) continue;
      for (const ColumnSpec& c : t.columns) {
        if (c.name == column) return true;
      }
    }
    return false;
  };
  std::set<std::string> names;
  for (const RelationshipSpec& r : spec.relationships) {
    if (r.name.empty() || !names.insert(r.name).second) {
      throw JetWriterError("a relationship has an empty or repeated name");
    }
    if (!has(r.table, r.column) || !has(r.foreignTable, r.foreignColumn)) {
      throw JetWriterError("relationship " + r.name + " names an unknown table or column");
    }
  }
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
      throw JetWriterError("table " + t.name + " is described twice");
    }
    if (!t.rows && t.rowCount > 0) throw JetWriterError("table " + t.name + " has no rows");
  }
  for (const CatalogAlias& a : spec.aliases) {
    Utf16(a.name, "table name " + a.name, format);
    if (!names.insert(a.name).second) {
      throw JetWriterError("alias " + a.name + " is the name of another table");
    }
    if (std::none_of(spec.tables.begin(), spec.tables.end(),
                     [&](const TableSpec& t) { return t.name == a.table; })) {
      throw JetWriterError("alias " + a.name + " names an unknown table " + a.table);
    }
  }
  return models;
}

// The catalog's rows as the tables are written, and which of them is each table's.
struct Catalog {
  std::vector<CatalogRow> rows;
  std::map<std::string, std::size_t> tableRows;  // by table name, an index in `rows`

  void Add(CatalogRow row) { rows.push_back(std::move(row)); }
  void AddTable(CatalogRow row) {
    tableRows[row.name] = rows.size();
    rows.push_back(std::move(row));
  }
};

// Page 0, then the pages of the catalog's usage maps and definition, where readers look for it.
void WriteHeader(PageFile& file, const f::Format& format, const std::string& path) {
  f::Page page{};
  f::HeaderPage{kCreationDate}.EncodeTo(page, format);
  file.Write(file.Allocate(), page);
  const std::uint32_t catalogMap = file.Allocate();
  const std::uint32_t catalogDefinition = file.Allocate();
  if (catalogMap != kCatalogMapPage || catalogDefinition != kCatalogDefinitionPage) {
    throw JetWriterError(path + ": the catalog is not at page 2");
  }
}

// The containers' rows and the catalog's own.
void AddSystemRows(Catalog& catalog) {
  for (const auto& [id, name] :
       {std::pair{kTablesContainer, "Tables"}, std::pair{kDatabasesContainer, "Databases"},
        std::pair{kRelationshipsContainer, "Relationships"}}) {
    catalog.Add({id, kContainerParent, name, kObjectContainer, kSystemObjectFlag, {}});
  }
  catalog.AddTable({kCatalogDefinitionPage,
                    kTablesContainer,
                    "MSysObjects",
                    kObjectTable,
                    kSystemObjectFlag,
                    {}});
}

// Allocates the first definition page of table `t`: the one it asks for, with empty data pages
// before it, or the next free one.
std::uint32_t AllocateDefinitionPage(PageFile& file, const TableSpec& t, const f::Format& format) {
  const std::uint32_t wanted = t.definitionPage.value_or(file.next());
  if (wanted < file.next() || wanted > 0x00FFFFFF) {
    throw JetWriterError("table " + t.name + ": its definition cannot go at page " +
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
    WriteTable(file, models[k], t.rowCount, UserRows(t, models[k]), first, 0,
               layout.tables[t.name]);
    catalog.AddTable(
        {first, kTablesContainer, t.name, kObjectTable, 0, TableProperties(models[k])});
  }
}

// An alias is a copy of its table's catalog row under another name.
void AddAliases(const DatabaseSpec& spec, Catalog& catalog, DatabaseLayout& layout) {
  for (const CatalogAlias& a : spec.aliases) {
    layout.tables[a.name] = layout.tables.at(a.table);
    CatalogRow row = catalog.rows[catalog.tableRows.at(a.table)];
    row.name = a.name;
    catalog.AddTable(row);
  }
}

// MSysRelationships, a row per relationship, and each relationship's catalog row.
void WriteRelationships(PageFile& file, const DatabaseSpec& spec, const f::Format& format,
                        Catalog& catalog, DatabaseLayout& layout) {
  if (spec.relationships.empty()) return;
  const Model model = RelationshipsModel(format);
  const std::uint32_t first = file.Allocate();
  WriteTable(
      file, model, spec.relationships.size(),
      [&](std::uint64_t index, std::vector<Cell>& cells) {
        const RelationshipSpec& r = spec.relationships[index];
        cells = {IntegerCell(1),
                 IntegerCell(static_cast<std::int32_t>(RelationshipFlags(r))),
                 IntegerCell(0),
                 TextCell(r.foreignColumn, format),
                 TextCell(r.foreignTable, format),
                 TextCell(r.column, format),
                 TextCell(r.table, format),
                 TextCell(r.name, format)};
      },
      first, 0, layout.tables["MSysRelationships"]);
  catalog.AddTable(
      {first, kTablesContainer, "MSysRelationships", kObjectTable, kSystemObjectFlag, {}});
  for (std::size_t k = 0; k < spec.relationships.size(); ++k) {
    catalog.Add({kRelationshipIdBase + static_cast<std::uint32_t>(k),
                 kRelationshipsContainer,
                 spec.relationships[k].name,
                 kObjectRelationship,
                 0,
                 {}});
  }
}

// MSysObjects last, once every row is known; each table's layout learns where its row went.
void WriteCatalog(PageFile& file, const f::Format& format, const Catalog& catalog,
                  DatabaseLayout& layout, const std::string& path) {
  TableLayout& catalogLayout = layout.tables["MSysObjects"];
  std::vector<RowLocation> rows;
  const Model catalogModel = CatalogModel(format);
  WriteTable(
      file, catalogModel, catalog.rows.size(),
      [&](std::uint64_t index, std::vector<Cell>& cells) {
        CatalogCells(catalog.rows[index], format, cells);
      },
      kCatalogDefinitionPage, kCatalogMapPage, catalogLayout, &rows);
  if (catalogLayout.definitionPages.size() != 1) {
    throw JetWriterError(path + ": the catalog's definition does not fit its page");
  }
  for (const auto& [name, index] : catalog.tableRows) {
    layout.tables[name].catalogRow = rows.at(index);
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
    AddSystemRows(catalog);
    WriteUserTables(file, spec, models, catalog, layout);
    AddAliases(spec, catalog, layout);
    WriteRelationships(file, spec, format, catalog, layout);
    WriteCatalog(file, format, catalog, layout, path);
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
