// Finding the statement's column and checking that its length may change.
#pragma once

#include <cstdint>

#include "base/status.h"
#include "platform/posix/jet/engine/database.h"
#include "platform/posix/jet/engine/statement.h"
#include "platform/posix/jet/format/tdef.h"
#include "platform/posix/jet/libmdb/client.h"

namespace platform {

// The statement's column, as libmdb sees it and as our own reading of the table's definition
// finds it, the two in agreement on every column of the table.
struct TargetColumn {
  std::uint64_t fileSize = 0;
  LibmdbView view;  // the table, and the scan of the column's values when shortening
  TableDefinition definition;
  LibmdbColumn theirs;
  TdefColumn ours;  // where its length field lies
};

// One statement's search for its column in `db`, which it reads and never writes. Every check
// fails with the refusal the user reads.
class ColumnSearch {
 public:
  ColumnSearch(const JetDatabase& db, const JetAlterColumn& alter) : db_(db), alter_(alter) {}

  // Finds the column: libmdb's view of it, checked against our own reading of the table's
  // definition, which gives where its length field lies. A damaged table is refused here,
  // before any value is read.
  base::Status Find();
  // Jet changes no column that takes part in a relationship, as the foreign key or as the key
  // it references, whatever the relationship's flags.
  base::Status CheckRelationships() const;
  // For a shorter length: the code page lets characters be counted, libmdb read every row of
  // the table found (when Find asked it), and no value is longer than the new length.
  base::Status CheckShortening();

  const TargetColumn& target() const { return target_; }

 private:
  base::Status AskLibmdb();
  base::Status CheckOneCatalogRow() const;
  base::Status FindLibmdbColumn();
  JetPages Pages() const;
  base::Status CheckWholePages() const;
  base::Status CheckTableInFile() const;
  base::Status ReadOwnDefinition();
  base::Status FindDefinitionColumn();
  base::Status CheckCodePage() const;

  const JetDatabase& db_;
  const JetAlterColumn& alter_;
  TargetColumn target_;
  base::Status scanStatus_;  // the scan part's, as libmdb's child answered
};

}  // namespace platform
