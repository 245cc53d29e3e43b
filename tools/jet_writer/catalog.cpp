// The catalog's rows and MSysObjects, the table that holds them.
#include "catalog.h"

namespace jet_writer {

namespace f = format;

namespace {

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

Model CatalogModel(const f::Format& format) {
  Model m = SystemModel("MSysObjects", format);
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

// Row `r` in the columns of CatalogModel; the others stay null.
void CatalogValues(const CatalogRow& r, const f::Format& format, std::vector<Value>& row) {
  row[0] = static_cast<std::int32_t>(r.id);
  row[1] = static_cast<std::int32_t>(r.parentId);
  row[2] = NameValue(r.name, format);
  row[3] = std::int32_t{r.type};
  row[4] = row[5] = kCreationDate;
  row[7] = static_cast<std::int32_t>(r.flags);
  if (!r.properties.empty()) row[14] = r.properties;
}

}  // namespace

Catalog::Catalog() {
  for (const auto& [id, name] :
       {std::pair{kTablesContainer, "Tables"}, std::pair{kDatabasesContainer, "Databases"},
        std::pair{kRelationshipsContainer, "Relationships"}}) {
    rows_.push_back({id, kContainerParent, name, kObjectContainer, kSystemObjectFlag, {}});
  }
  AddSystemTable(kCatalogDefinitionPage, "MSysObjects");
}

void Catalog::AddUserTable(std::uint32_t first, const std::string& name, std::string properties) {
  AddTable({first, kTablesContainer, name, kObjectTable, 0, std::move(properties)});
}

void Catalog::AddSystemTable(std::uint32_t first, const std::string& name) {
  AddTable({first, kTablesContainer, name, kObjectTable, kSystemObjectFlag, {}});
}

void Catalog::AddAlias(const std::string& name, const std::string& table) {
  CatalogRow row = rows_[tableRows_.at(table)];
  row.name = name;
  AddTable(std::move(row));
}

void Catalog::AddRelationship(std::uint32_t k, const std::string& name) {
  rows_.push_back(
      {kRelationshipIdBase + k, kRelationshipsContainer, name, kObjectRelationship, 0, {}});
}

void Catalog::AddTable(CatalogRow row) {
  tableRows_[row.name] = rows_.size();
  rows_.push_back(std::move(row));
}

Value NameValue(const std::string& utf8, const f::Format& format) {
  Utf16(utf8, "name " + utf8, format);
  return utf8;
}

Model SystemModel(const char* name, const f::Format& format) {
  Model m;
  m.format = &format;
  m.name = name;
  m.tableType = f::kTableSystem;
  return m;
}

void AddSystemColumn(Model& m, const char* name, unsigned char type, bool fixed, int length) {
  const std::uint16_t bytes =
      type == f::kTypeText ? TextBytes(length, *m.format) : static_cast<std::uint16_t>(length);
  Column c = MakeColumn(name, type, fixed, bytes, *m.format);
  c.number = static_cast<std::uint16_t>(m.columns.size());
  c.compressed = !m.format->jet3 && (type == f::kTypeText || type == f::kTypeMemo);
  c.characters = length;
  m.columns.push_back(std::move(c));
}

std::string TableProperties(const Model& model) {
  std::vector<std::u16string> required;
  for (const Column& c : model.columns) {
    if (c.required) required.push_back(c.storedName);
  }
  return required.empty() ? std::string() : f::EncodeRequiredProperties(required, *model.format);
}

void WriteCatalog(PageFile& file, const f::Format& format, const Catalog& catalog,
                  DatabaseLayout& layout, const std::string& path) {
  TableLayout& catalogLayout = layout.tables["MSysObjects"];
  std::vector<RowLocation> rows;
  const Model catalogModel = CatalogModel(format);
  WriteTable(
      file, catalogModel, catalog.rows().size(),
      [&](std::uint64_t index, std::vector<Value>& row) {
        CatalogValues(catalog.rows()[index], format, row);
      },
      kCatalogDefinitionPage, kCatalogMapPage, catalogLayout, &rows);
  if (catalogLayout.definitionPages.size() != 1) {
    throw JetWriterError::Refused(path + ": the catalog's definition does not fit its page");
  }
  for (const auto& [name, index] : catalog.tableRows()) {
    layout.tables[name].catalogRow = rows.at(index);
  }
}

}  // namespace jet_writer
