// MSysRelationships, laid out as Jet makes it.
#include "relationships.h"

#include <set>

#include "table_writer.h"

namespace jet_writer {

namespace f = format;

namespace {

// The text columns of MSysRelationships hold names of up to 64 characters.
constexpr int kRelationshipNameLength = 64;

// MSysRelationships, its columns as Jet makes them: one row per pair of columns.
Model RelationshipsModel(const f::Format& format) {
  Model m = SystemModel("MSysRelationships", format);
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

std::uint32_t RelationshipFlags(const RelationshipSpec& r) {
  return (r.enforced ? 0 : kRelationDontEnforce) |
         (r.cascadeUpdates ? kRelationCascadeUpdates : 0) |
         (r.cascadeDeletes ? kRelationCascadeDeletes : 0);
}

}  // namespace

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
      throw JetWriterError::Refused("a relationship has an empty or repeated name");
    }
    if (!has(r.table, r.column) || !has(r.foreignTable, r.foreignColumn)) {
      throw JetWriterError::Refused("relationship " + r.name + " names an unknown table or column");
    }
  }
}

void WriteRelationships(PageFile& file, const DatabaseSpec& spec, const f::Format& format,
                        Catalog& catalog, DatabaseLayout& layout) {
  if (spec.relationships.empty()) return;
  const Model model = RelationshipsModel(format);
  const std::uint32_t first = file.Allocate();
  WriteTable(
      file, model, spec.relationships.size(),
      [&](std::uint64_t index, std::vector<Value>& row) {
        const RelationshipSpec& r = spec.relationships[index];
        row = {std::int32_t{1},
               static_cast<std::int32_t>(RelationshipFlags(r)),
               std::int32_t{0},
               NameValue(r.foreignColumn, format),
               NameValue(r.foreignTable, format),
               NameValue(r.column, format),
               NameValue(r.table, format),
               NameValue(r.name, format)};
      },
      first, 0, layout.tables["MSysRelationships"]);
  catalog.AddSystemTable(first, "MSysRelationships");
  for (std::size_t k = 0; k < spec.relationships.size(); ++k) {
    catalog.AddRelationship(static_cast<std::uint32_t>(k), spec.relationships[k].name);
  }
}

}  // namespace jet_writer
