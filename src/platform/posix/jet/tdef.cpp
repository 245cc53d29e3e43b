// The Linux side of the database seam: a Jet table definition, located byte for byte.
//
// The offsets below are this reader's own, written apart from the Jet writer's
// (tools/jet_writer/jet_format.h) on purpose: a reader and a writer that shared a wrong offset
// would agree with each other and both be wrong. Each side is checked instead against readers
// that share no code with either (libmdb, mdb-reader), and so a slip in one shows.
#include "platform/posix/jet/tdef.h"

#include <set>

#include "base/utf8.h"
#include "platform/posix/jet/bytes.h"

#include "platform/posix/jet/header.h"

namespace platform {

namespace {

constexpr std::uint8_t kTdefPageType = 0x02;
constexpr std::size_t kPageHeader = 8;  // type, 0x01, free space or "VC", next page
// More real indexes than Jet allows (32) by far; beyond this the definition is not believed.
constexpr std::uint32_t kMaxRealIndexes = 1024;

// Where the two formats put what is read here: offsets in the concatenated definition, in a
// column descriptor or in a real index, and sizes.
struct Layout {
  std::size_t pageSize;
  std::uint64_t rowCount;            // the number of rows (4)
  std::uint64_t columnCount;         // the number of columns (2)
  std::uint64_t realIndexCount;      // the number of real indexes (4)
  std::uint64_t usedPagesRow;        // the used-pages map's row (4)
  std::uint64_t freePagesRow;        // the free-pages map's row (4)
  std::uint64_t realIndexStart;      // the first real-index entry, after the fixed part
  std::uint64_t realIndexEntry;      // the size of a real-index entry
  std::uint64_t descriptorSize;      // the size of a column descriptor
  std::uint64_t numberOffset;        // a descriptor's column number (2)
  std::uint64_t flagsOffset;         // a descriptor's flags (1)
  std::uint64_t lengthOffset;        // a descriptor's length in bytes (2)
  std::uint64_t nameCountSize;       // the bytes of a name's byte count
  std::uint64_t realIndexSize;       // the size of a real index, after the names
  std::uint64_t realIndexFirstPage;  // a real index's first page (4)
};

constexpr Layout kJet4Layout{.pageSize = kJet4PageSize,
                             .rowCount = 16,
                             .columnCount = 45,
                             .realIndexCount = 51,
                             .usedPagesRow = 55,
                             .freePagesRow = 59,
                             .realIndexStart = 63,
                             .realIndexEntry = 12,
                             .descriptorSize = 25,
                             .numberOffset = 5,
                             .flagsOffset = 15,
                             .lengthOffset = 23,
                             .nameCountSize = 2,
                             .realIndexSize = 52,
                             .realIndexFirstPage = 38};
constexpr Layout kJet3Layout{.pageSize = kJet3PageSize,
                             .rowCount = 12,
                             .columnCount = 25,
                             .realIndexCount = 31,
                             .usedPagesRow = 35,
                             .freePagesRow = 39,
                             .realIndexStart = 43,
                             .realIndexEntry = 8,
                             .descriptorSize = 18,
                             .numberOffset = 1,
                             .flagsOffset = 13,
                             .lengthOffset = 16,
                             .nameCountSize = 1,
                             .realIndexSize = 39,
                             .realIndexFirstPage = 34};

// The concatenated definition: every page of the chain, read to its end.
class Definition {
 public:
  Definition(const JetPageReader& read, const Layout& layout, std::uint64_t pageCount,
             std::string& error)
      : read_(read), layout_(layout), pageCount_(pageCount), error_(error) {}

  // Reads the chain that starts at `firstPage`, every page of it.
  bool ReadChain(std::uint32_t firstPage) {
    std::set<std::uint32_t> seen;
    std::uint32_t page = firstPage;
    do {
      if (page == 0 || page >= pageCount_) {
        error_ = "la définition de la table renvoie à la page " + std::to_string(page) +
                 ", hors du fichier";
        return false;
      }
      if (!seen.insert(page).second) {
        error_ = "la chaîne des pages de la définition de la table boucle (page " +
                 std::to_string(page) + ")";
        return false;
      }
      std::string bytes;
      if (!read_(page, bytes) || bytes.size() != layout_.pageSize) {
        error_ = "la page " + std::to_string(page) + " ne peut pas être lue";
        return false;
      }
      if (static_cast<unsigned char>(bytes[0]) != kTdefPageType) {
        error_ = "la page " + std::to_string(page) + " n'est pas une page de définition de table";
        return false;
      }
      bytes_.append(bytes, pages_.empty() ? 0 : kPageHeader, std::string::npos);
      pages_.push_back(page);
      page = Le32(bytes, 4);
    } while (page != 0);
    return true;
  }

  // Whether the bytes [0, end) exist.
  bool Has(std::uint64_t end) {
    if (bytes_.size() >= end) return true;
    error_ = "la définition de la table s'arrête avant la fin de ses colonnes";
    return false;
  }

  std::uint8_t U8(std::uint64_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  std::uint16_t U16(std::uint64_t at) const {
    return static_cast<std::uint16_t>(U8(at) | U8(at + 1) << 8);
  }
  std::uint32_t U32(std::uint64_t at) const {
    return static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
  }
  std::string Slice(std::uint64_t at, std::uint64_t length) const {
    return bytes_.substr(at, length);
  }

  // The absolute file offset of byte `at` of the definition.
  std::uint64_t FileOffset(std::uint64_t at) const {
    const std::uint64_t size = layout_.pageSize;
    std::size_t k = 0;
    std::uint64_t inPage = at;
    if (at >= size) {
      const std::uint64_t rest = at - size;
      k = 1 + rest / (size - kPageHeader);
      inPage = kPageHeader + rest % (size - kPageHeader);
    }
    return static_cast<std::uint64_t>(pages_[k]) * size + inPage;
  }

  const std::vector<std::uint32_t>& pages() const { return pages_; }

 private:
  const JetPageReader& read_;
  const Layout& layout_;
  std::uint64_t pageCount_;
  std::string& error_;
  std::string bytes_;
  std::vector<std::uint32_t> pages_;
};

// The Windows-1252 characters of bytes 0x80 to 0x9F (0: undefined there).
constexpr std::uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool LengthFieldInOneSector(const TdefColumn& column, std::size_t pageSize) {
  constexpr std::uint64_t kSector = 512;
  const std::uint64_t at = column.lengthOffset;
  return column.lengthSecondOffset == at + 1 && at / pageSize == (at + 1) / pageSize &&
         at / kSector == (at + 1) / kSector;
}

std::string Windows1252ToUtf8(const std::string& bytes) {
  std::string out;
  for (char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    const std::uint16_t high = c >= 0x80 && c <= 0x9F ? kWindows1252High[c - 0x80] : 0;
    utf8::Append(out, high != 0 ? high : c);
  }
  return out;
}

std::string JetNameToUtf8(const std::string& bytes) {
  // Expand the compressed form into plain UTF-16LE first.
  std::string wide;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    bool compressed = true;
    std::size_t k = 2;
    while (k < bytes.size()) {
      if (bytes[k] == '\0') {
        compressed = !compressed;
        ++k;
      } else if (compressed) {
        wide += bytes[k++];
        wide += '\0';
      } else if (k + 1 < bytes.size()) {
        wide += bytes[k];
        wide += bytes[k + 1];
        k += 2;
      } else {
        break;
      }
    }
  } else {
    wide = bytes;
  }
  std::string out;
  const std::size_t units = wide.size() / 2;
  auto unit = [&](std::size_t k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(wide[2 * k]) |
                                      static_cast<unsigned char>(wide[2 * k + 1]) << 8);
  };
  for (std::size_t k = 0; k < units; ++k) {
    std::uint32_t c = unit(k);
    if (c >= 0xD800 && c <= 0xDBFF && k + 1 < units && unit(k + 1) >= 0xDC00 &&
        unit(k + 1) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
      ++k;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    utf8::Append(out, c);
  }
  return out;
}

bool ReadTableDefinition(const JetPageReader& read, JetVersion version, std::uint32_t firstPage,
                         std::uint64_t pageCount, TableDefinition& out, std::string& error) {
  const bool jet3 = version == JetVersion::kJet3;
  const Layout& layout = jet3 ? kJet3Layout : kJet4Layout;
  Definition definition(read, layout, pageCount, error);
  if (!definition.ReadChain(firstPage) || !definition.Has(layout.realIndexStart)) return false;
  const std::uint16_t columnCount = definition.U16(layout.columnCount);
  const std::uint32_t realIndexes = definition.U32(layout.realIndexCount);
  if (realIndexes > kMaxRealIndexes) {
    error = "la définition de la table annonce " + std::to_string(realIndexes) + " index";
    return false;
  }
  std::uint64_t at = layout.realIndexStart + layout.realIndexEntry * realIndexes;
  TableDefinition result;
  result.rowCount = definition.U32(layout.rowCount);
  result.usedPagesRow = definition.U32(layout.usedPagesRow);
  result.freePagesRow = definition.U32(layout.freePagesRow);
  for (std::uint16_t k = 0; k < columnCount; ++k, at += layout.descriptorSize) {
    if (!definition.Has(at + layout.descriptorSize)) return false;
    TdefColumn column;
    column.type = definition.U8(at);
    column.number = definition.U16(at + layout.numberOffset);
    column.flags = definition.U8(at + layout.flagsOffset);
    column.length = definition.U16(at + layout.lengthOffset);
    column.lengthOffset = definition.FileOffset(at + layout.lengthOffset);
    column.lengthSecondOffset = definition.FileOffset(at + layout.lengthOffset + 1);
    result.columns.push_back(column);
  }
  for (TdefColumn& column : result.columns) {
    if (!definition.Has(at + layout.nameCountSize)) return false;
    const std::uint16_t nameBytes = jet3 ? definition.U8(at) : definition.U16(at);
    at += layout.nameCountSize;
    if (!definition.Has(at + nameBytes)) return false;
    const std::string name = definition.Slice(at, nameBytes);
    column.name = jet3 ? Windows1252ToUtf8(name) : JetNameToUtf8(name);
    at += nameBytes;
  }
  for (std::uint32_t k = 0; k < realIndexes; ++k, at += layout.realIndexSize) {
    if (!definition.Has(at + layout.realIndexSize)) return false;
    result.indexPages.push_back(definition.U32(at + layout.realIndexFirstPage));
  }
  result.pages = definition.pages();
  out = std::move(result);
  return true;
}

}  // namespace platform
