// Writing a column's new length into its field in the table's definition.
#pragma once

#include "base/status.h"
#include "platform/posix/jet/engine/column.h"
#include "platform/posix/jet/engine/database.h"

namespace platform {

// Writes `newLength` (in bytes) into the length field of `target`'s column, after checking
// that the file still holds the length that was read. A field inside one sector of one page is
// written whole, in one write; a field split over two pages or sectors one changed byte at a
// time, in an order that a crash between them leaves safe. Each write is flushed. A failure
// says what the field holds now.
base::Status WriteLength(JetDatabase& db, const TargetColumn& target, int newLength);

}  // namespace platform
