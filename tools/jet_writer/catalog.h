// The system catalog MSysObjects: the rows that name every table, container and relationship,
// gathered while the tables are written and written last, once every row is known.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "jet_format.h"
#include "jet_writer.h"
#include "page_file.h"
#include "table_writer.h"

namespace jet_writer {

// 2020-01-01 12:00, the creation date of every database and of every catalog row.
inline constexpr double kCreationDate = 43831.5;

// Where readers look for the catalog: its usage maps on page 1, its definition on page 2.
inline constexpr std::uint32_t kCatalogMapPage = 1;
inline constexpr std::uint32_t kCatalogDefinitionPage = 2;

// One row of MSysObjects.
struct CatalogRow {
  std::uint32_t id = 0;  // a table's definition page
  std::uint32_t parentId = 0;
  std::string name;
  std::int16_t type = 0;
  std::uint32_t flags = 0;
  std::string properties;  // LvProp; empty for none
};

// The catalog's rows as the tables are written, and which of them is each table's. It starts
// with the rows of the containers and of MSysObjects itself.
class Catalog {
 public:
  Catalog();
  // A user table whose definition starts at page `first`, with its properties (TableProperties).
  void AddUserTable(std::uint32_t first, const std::string& name, std::string properties);
  void AddSystemTable(std::uint32_t first, const std::string& name);
  // A second row for table `table`'s definition, under `name`.
  void AddAlias(const std::string& name, const std::string& table);
  // Relationship number `k`'s row in the Relationships container.
  void AddRelationship(std::uint32_t k, const std::string& name);

  const std::vector<CatalogRow>& rows() const { return rows_; }
  // By table name, an index in rows().
  const std::map<std::string, std::size_t>& tableRows() const { return tableRows_; }

 private:
  void AddTable(CatalogRow row);
  std::vector<CatalogRow> rows_;
  std::map<std::string, std::size_t> tableRows_;
};

// `utf8` as a text value of a system table; throws JetWriterError as Utf16 does, naming it.
Value NameValue(const std::string& utf8, const format::Format& format);

// A system table named `name`, its columns still to add.
Model SystemModel(const char* name, const format::Format& format);

// Adds column `name` to system table `m`, numbered after the others; text lengths in characters.
void AddSystemColumn(Model& m, const char* name, unsigned char type, bool fixed, int length);

// The properties of a user table: its required columns; empty when there is none.
std::string TableProperties(const Model& model);

// Writes MSysObjects with `catalog`'s rows, its definition on kCatalogDefinitionPage and its maps
// on kCatalogMapPage (both allocated already); each table's layout learns where its row went.
void WriteCatalog(PageFile& file, const format::Format& format, const Catalog& catalog,
                  DatabaseLayout& layout, const std::string& path);

}  // namespace jet_writer
