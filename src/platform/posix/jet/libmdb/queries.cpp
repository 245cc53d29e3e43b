// The questions asked of libmdb about a Jet file: the only file that knows libmdb's types.
#include "platform/posix/jet/libmdb/queries.h"

#include <mdbtools.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/posix/jet/format/names.h"

namespace platform {

namespace {

// A table's pages are counted up to this: more than a file of 16 GiB holds.
constexpr std::uint32_t kMaxCountedPages = 1u << 22;

void CloseMdb(void* mdb) {
  if (mdb != nullptr) mdb_close(static_cast<MdbHandle*>(mdb));
}
struct TableFreer {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;

bool IsSystemEntry(const MdbCatalogEntry* entry) {
  return (static_cast<unsigned>(entry->flags) & 0x80000002u) != 0 ||
         SameJetName(std::string_view(entry->object_name).substr(0, 4), "MSys");
}

// The catalog's table named `name` (matched as Jet matches names), or nullptr. Searched here
// rather than by mdb_read_table_by_name, which reads the catalog again and so frees the entries
// already found.
MdbCatalogEntry* FindTable(MdbHandle* mdb, std::string_view name) {
  for (unsigned k = 0; k < mdb->num_catalog; ++k) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, k));
    if (entry != nullptr && entry->object_type == MDB_TABLE &&
        SameJetName(entry->object_name, name)) {
      return entry;
    }
  }
  return nullptr;
}

// The user tables of the catalog whose definition starts at `page`.
std::uint32_t TablesOnDefinition(MdbHandle* mdb, unsigned long page) {
  std::uint32_t count = 0;
  for (unsigned k = 0; k < mdb->num_catalog; ++k) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, k));
    if (entry != nullptr && entry->object_type == MDB_TABLE && !IsSystemEntry(entry) &&
        entry->table_pg == page) {
      ++count;
    }
  }
  return count;
}

// libmdb's 1-based number of the column of `table` named `name`, or 0.
int ColumnIndex(MdbTableDef* table, std::string_view name) {
  for (unsigned k = 0; k < table->columns->len; ++k) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
    if (SameJetName(column->name, name)) return static_cast<int>(k) + 1;
  }
  return 0;
}

// A column's value as bound by libmdb, and its length.
struct Bound {
  std::vector<char> bytes = std::vector<char>(MDB_BIND_SIZE + 16, '\0');
  int length = 0;
  std::string_view value() const {
    const std::size_t size =
        length > 0 ? std::min<std::size_t>(static_cast<std::size_t>(length), MDB_BIND_SIZE) : 0;
    return std::string_view(bytes.data(), size);
  }
};

// Counts into `view` the rows of MSysRelationships in which the view's table's `column` is the
// foreign key (szObject, szColumn) or the key it references (szReferencedObject,
// szReferencedColumn). A file without MSysRelationships has none; one that cannot be read gives
// the view its failure.
void CountRelationships(MdbHandle* mdb, const std::string& column, LibmdbView& view) {
  const std::string& table = view.table;
  std::uint32_t& count = view.relationships;
  std::string& failure = view.failure;
  count = 0;
  MdbCatalogEntry* found = FindTable(mdb, "MSysRelationships");
  if (found == nullptr) return;
  failure = "la table des relations MSysRelationships est illisible";
  TablePtr relations(mdb_read_table(found));
  if (!relations || mdb_read_columns(relations.get()) == nullptr) return;
  const char* names[4] = {"szObject", "szColumn", "szReferencedObject", "szReferencedColumn"};
  Bound values[4];
  mdb_set_bind_size(mdb, MDB_BIND_SIZE);
  for (int k = 0; k < 4; ++k) {
    const int index = ColumnIndex(relations.get(), names[k]);
    if (index == 0 ||
        mdb_bind_column(relations.get(), index, values[k].bytes.data(), &values[k].length) < 0) {
      return;
    }
  }
  if (mdb_rewind_table(relations.get()) < 0) return;
  while (mdb_fetch_row(relations.get())) {
    if ((SameJetName(values[0].value(), table) && SameJetName(values[1].value(), column)) ||
        (SameJetName(values[2].value(), table) && SameJetName(values[3].value(), column))) {
      ++count;
    }
  }
  failure.clear();
}

// Reads the table's definition and columns into `view`; libmdb's 1-based index of the
// request's column into `target` (0 when the table has none of that name).
TablePtr ReadColumns(MdbCatalogEntry* entry, const LibmdbRequest& request, LibmdbView& view,
                     int& target) {
  target = 0;
  TablePtr table(mdb_read_table(entry));
  if (!table) {
    view.failure = "la définition de la table " + text::QuoteName(view.table) + " est illisible";
    return nullptr;
  }
  if (mdb_read_columns(table.get()) == nullptr) {
    view.failure = "les colonnes de la table " + text::QuoteName(view.table) + " sont illisibles";
    return nullptr;
  }
  for (unsigned k = 0; k < table->columns->len; ++k) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
    view.columns.push_back(
        {column->name, column->col_num, column->col_type, column->col_size, column->is_fixed != 0});
    if (target == 0 && SameJetName(column->name, request.column)) target = static_cast<int>(k) + 1;
  }
  return table;
}

}  // namespace

LibmdbFile::LibmdbFile(const char* path) : handle_(mdb_open(path, MDB_NOFLAGS), CloseMdb) {}

int LibmdbFile::fd() const {
  const auto* mdb = static_cast<const MdbHandle*>(handle_.get());
  return mdb != nullptr && mdb->f != nullptr && mdb->f->stream != nullptr ? ::fileno(mdb->f->stream)
                                                                          : -1;
}

struct LibmdbQuestions::State {
  MdbHandle* mdb;
  LibmdbRequest request;
  LibmdbView view;  // as AskTable answered
  TablePtr table;   // the table found, its columns read
  int target = 0;   // libmdb's 1-based index of the request's column (0: none)
};

LibmdbQuestions::LibmdbQuestions(const LibmdbFile& file, const LibmdbRequest& request)
    : state_(new State{static_cast<MdbHandle*>(file.handle()), request, {}, nullptr, 0}) {}

LibmdbQuestions::~LibmdbQuestions() = default;

LibmdbView LibmdbQuestions::AskTable() {
  LibmdbView& view = state_->view;
  MdbHandle* mdb = state_->mdb;
  if (mdb == nullptr) {
    view.failure = "libmdb ne peut pas ouvrir le fichier";
    return view;
  }
  if (mdb_read_catalog(mdb, MDB_TABLE) == nullptr) {
    view.failure = "le catalogue des tables est illisible";
    return view;
  }
  MdbCatalogEntry* found = FindTable(mdb, state_->request.table);
  if (found == nullptr) return view;
  view.tableFound = true;
  view.table = found->object_name;
  view.firstPage = static_cast<std::uint32_t>(found->table_pg);
  view.systemTable = IsSystemEntry(found);
  view.tablesOnDefinition = TablesOnDefinition(mdb, found->table_pg);
  state_->table = ReadColumns(found, state_->request, view, state_->target);
  if (!state_->table || state_->target == 0) return view;
  CountRelationships(mdb, view.columns[static_cast<std::size_t>(state_->target - 1)].name, view);
  return view;
}

bool LibmdbQuestions::ScanWanted() const {
  const LibmdbView& view = state_->view;
  if (!state_->table || state_->target == 0 || !view.failure.empty() || view.relationships > 0) {
    return false;
  }
  const LibmdbColumn& column = view.columns[static_cast<std::size_t>(state_->target - 1)];
  const int newLength = state_->request.newLengthBytes;
  return column.type == MDB_TEXT && !column.fixed && newLength > 0 && newLength < column.size;
}

std::uint32_t LibmdbQuestions::TablePages() const {
  std::uint32_t count = 0;
  guint32 page = 0;
  MdbTableDef* table = state_->table.get();
  while (table != nullptr && count < kMaxCountedPages) {
    const gint32 next = mdb_map_find_next(state_->mdb, table->usage_map, table->map_sz, page);
    if (next <= 0 || static_cast<guint32>(next) <= page) break;
    page = static_cast<guint32>(next);
    ++count;
  }
  return count;
}

LibmdbScan LibmdbQuestions::Scan() {
  LibmdbScan scan;
  const LibmdbRequest& request = state_->request;
  const std::size_t maxCharacters =
      static_cast<std::size_t>(request.newLengthBytes / std::max(request.bytesPerCharacter, 1));
  mdb_set_bind_size(state_->mdb, MDB_BIND_SIZE);
  Bound value;
  MdbTableDef* table = state_->table.get();
  if (mdb_bind_column(table, state_->target, value.bytes.data(), &value.length) < 0 ||
      mdb_rewind_table(table) < 0) {
    scan.failure =
        "les valeurs de la colonne " +
        text::QuoteName(state_->view.columns[static_cast<std::size_t>(state_->target - 1)].name) +
        " sont illisibles";
    return scan;
  }
  while (mdb_fetch_row(table)) {
    ++scan.rows;
    if (JetCharacterCount(value.value()) > maxCharacters) ++scan.tooLong;
  }
  scan.scanned = true;
  return scan;
}

}  // namespace platform
