// The Linux side of the database seam: a Jet 4 table definition read by our own code, to find
// where a column's 2-byte length field lies in the file.
//
// A table definition starts on its first page (type 0x02) and goes on over the pages its
// next-page pointers name; each continuation page adds its bytes after its 8-byte header. In the
// concatenated definition, the column descriptors (25 bytes each) follow the real-index entries
// (12 bytes each) that start at offset 63, and the column names (a 2-byte byte count, then
// UTF-16LE) follow the descriptors. Pages are read lazily, only as far as the columns need, as
// libmdb reads them. Everything is bounds-checked: a cycle in the chain, a page outside the
// file, a page of another type or a definition that ends early is an error, never a crash.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Jet 4 column types and flags the engine looks at.
inline constexpr std::uint8_t kJetTypeText = 0x0A;
inline constexpr std::uint8_t kJetTypeMemo = 0x0C;
inline constexpr std::uint8_t kJetColumnFixed = 0x01;

struct TdefColumn {
  std::uint8_t type = 0;
  std::uint16_t number = 0;  // the stored column number (deleted columns leave gaps)
  std::uint8_t flags = 0;
  std::uint16_t length = 0;  // in bytes: two per character for text
  std::string name;          // UTF-8
  // Where the length field's two bytes lie in the file (absolute offsets).
  std::uint64_t lengthOffset = 0;
  std::uint64_t lengthSecondOffset = 0;
  bool fixed() const { return (flags & kJetColumnFixed) != 0; }
};

struct TableDefinition {
  std::uint32_t rowCount = 0;        // the number of rows the definition records
  std::vector<std::uint32_t> pages;  // the pages read, first one first
  std::vector<TdefColumn> columns;   // in stored order
};

// Reads page `page` whole (kJet4PageSize bytes) into `out`; false when it cannot.
using JetPageReader = std::function<bool(std::uint32_t page, std::string& out)>;

// Reads the definition that starts at `firstPage` of a Jet 4 file of `pageCount` pages. false
// with a French `error` (without final period) when it cannot be read whole.
bool ReadTableDefinition(const JetPageReader& read, std::uint32_t firstPage,
                         std::uint64_t pageCount, TableDefinition& out, std::string& error);

// Whether `column`'s length field can be rewritten by one write that a crash cannot tear: both
// bytes side by side on one page, inside one 512-byte sector.
bool LengthFieldInOneSector(const TdefColumn& column);

// UTF-16LE bytes as UTF-8; an unpaired surrogate becomes U+FFFD. A name in Jet's compressed
// form (FF FE, then runs of one-byte and two-byte characters) is expanded first.
std::string JetNameToUtf8(const std::string& bytes);

}  // namespace platform
