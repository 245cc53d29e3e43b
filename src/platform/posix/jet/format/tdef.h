// A Jet table definition read by our own code: where a column's length field lies, and more.
//
// A table definition starts on its first page (type 0x02) and goes on over the pages its
// next-page pointers name; each continuation page adds its bytes after its 8-byte header (type,
// 0x01, free space or "VC", next page). Neither format stores an owner on a continuation page,
// so a page belongs to the chain by its type and by the chain itself. The chain is always walked
// to its end, as Jet and libmdb walk it: a page outside the file, a page of another type, or a
// page met twice (a page naming itself, the last naming the first) makes the whole definition
// damaged, even when the columns were found before.
//
// The offsets of each format are in tdef.cpp's layout table, written once.
// A text column's length counts bytes: two per character in Jet 4 (UTF-16), one in Jet 3 (the
// database's code page). Everything is bounds-checked: damage is an error, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/posix/jet/format/column_types.h"
#include "platform/posix/jet/format/header.h"
#include "platform/posix/jet/format/page_reader.h"

namespace platform {

// A column descriptor's flag: the column has a fixed length (the same in both formats).
inline constexpr std::uint8_t kJetColumnFixed = 0x01;

struct TdefColumn {
  std::uint8_t type = 0;
  std::uint16_t number = 0;  // the stored column number (deleted columns leave gaps)
  std::uint8_t flags = 0;
  std::uint16_t length = 0;  // in bytes: per character two in Jet 4, one in Jet 3
  std::string name;          // UTF-8
  // Where the length field's two bytes lie in the file (absolute offsets).
  std::uint64_t lengthOffset = 0;
  std::uint64_t lengthSecondOffset = 0;
  bool fixed() const { return (flags & kJetColumnFixed) != 0; }
};

struct TableDefinition {
  std::uint32_t rowCount = 0;        // the number of rows the definition records
  std::vector<std::uint32_t> pages;  // the whole chain, first page first
  std::vector<TdefColumn> columns;   // in stored order
  // The rows of the table's usage maps, as (page << 8) | row.
  std::uint32_t usedPagesRow = 0;
  std::uint32_t freePagesRow = 0;
  // Each real index's first page (0: none).
  std::vector<std::uint32_t> indexPages;
};

// Reads the definition that starts at page `firstPage` of `pages`; kDamaged, with what is wrong
// in French (without final period), when it cannot be read whole.
base::Status ReadTableDefinition(const JetPages& pages, std::uint32_t firstPage,
                                 TableDefinition& out);

// Whether `column`'s length field can be rewritten by one write that a crash cannot tear: both
// bytes side by side on one page (of `pageSize` bytes), inside one 512-byte sector.
bool LengthFieldInOneSector(const TdefColumn& column, std::size_t pageSize = kJet4PageSize);

// UTF-16LE bytes as UTF-8; an unpaired surrogate becomes U+FFFD. A name in Jet's compressed
// form (FF FE, then runs of one-byte and two-byte characters) is expanded first.
std::string JetNameToUtf8(const std::string& bytes);

// Windows-1252 bytes (a Jet 3 name, as libmdb decodes it) as UTF-8; a byte the code page leaves
// undefined keeps its Latin-1 meaning.
std::string Windows1252ToUtf8(const std::string& bytes);

}  // namespace platform
