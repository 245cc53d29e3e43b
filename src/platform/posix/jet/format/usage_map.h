// A table's usage maps, read by our own code to tell whether the table lies inside the file.
//
// A table definition names two map rows, as (page << 8) | row on a data page (type 0x01: row
// count at 12 in Jet 4, 8 in Jet 3, then 2-byte row offsets; row 0 ends at the page's end, row
// k where row k - 1 starts; the top three bits of an offset are flags). A map is
//   type 0: 0 type | 1 first page (4) | bitmap, bit n = page first + n
//   type 1: 0 type | page numbers (4 each, 0 for none) of map pages (type 0x05: a 4-byte
//           header, then a bitmap; bit n of the k-th is page k * (page size - 4) * 8 + n).
// Only the map rows and the map pages are read, never the pages they name, so the check costs
// the same for ten rows as for a million. Everything is bounds-checked.
#pragma once

#include <cstdint>
#include <string>

#include "base/status.h"

#include "platform/posix/jet/format/header.h"
#include "platform/posix/jet/format/page_reader.h"

namespace platform {

// The highest page of `pages` that the map in row `mapRow` names into `highest` (0 when it names
// none). kDamaged, saying why in French (without final period), when the map cannot be read: its
// row or a map page outside the file, of the wrong type, or a map of an unknown type.
base::Status HighestMappedPage(const JetPages& pages, std::uint32_t mapRow, std::uint32_t& highest);

}  // namespace platform
