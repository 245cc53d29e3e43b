// Relationships between tables: the system table MSysRelationships, a row per relationship, and
// each relationship's row in the catalog.
#pragma once

#include "catalog.h"
#include "jet_format.h"
#include "jet_writer.h"
#include "page_file.h"

namespace jet_writer {

// Throws JetWriterError unless each relationship has a name of its own and names a table and
// column of `spec`.
void CheckRelationships(const DatabaseSpec& spec);

// Writes MSysRelationships, when `spec` has relationships, from the next free page on, and adds
// its catalog row and each relationship's to `catalog`.
void WriteRelationships(PageFile& file, const DatabaseSpec& spec, const format::Format& format,
                        Catalog& catalog, DatabaseLayout& layout);

}  // namespace jet_writer
