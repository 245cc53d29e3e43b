// A Jet table definition, located byte for byte.
//
// The offsets below are this reader's own, written apart from the Jet writer's
// (tools/jet_writer/jet_format.h) on purpose: a reader and a writer that shared a wrong offset
// would agree with each other and both be wrong. Each side is checked instead against readers
// that share no code with either (libmdb, mdb-reader), and so a slip in one shows.
#include "platform/posix/jet/format/tdef.h"

#include <set>

#include "base/utf8.h"
#include "platform/posix/jet/format/bytes.h"

#include "platform/posix/jet/format/header.h"

namespace platform {

namespace {

constexpr std::uint8_t kTdefPageType = 0x02;
constexpr std::size_t kPageHeader = 8;  // type, 0x01, free space or "VC", next page
// More real indexes than Jet allows (32) by far; beyond this the definition is not believed.
constexpr std::uint32_t kMaxRealIndexes = 1024;

// Where the two formats put what is read here: offsets in the concatenated definition, or in
// one of its entries, and sizes.
struct Layout {
  std::size_t pageSize;
  struct {
    std::uint64_t rows, columns, realIndexes;  // the counts (4, 2, 4 bytes)
    std::uint64_t usedPagesRow, freePagesRow;  // the usage maps' rows (4 each)
  } table;
  struct {
    std::uint64_t start, size;  // the entries after the table's fixed part
  } realIndexEntries;
  struct {
    std::uint64_t size, number, flags, length;  // number (2), flags (1), length in bytes (2)
  } descriptor;
  std::uint64_t nameCountSize;  // the bytes of a name's byte count
  struct {
    std::uint64_t size, firstPage;  // first page (4)
  } realIndex;
};

// The layout of `version`: each number as Jet 4 has it, then as Jet 3 has it.
constexpr Layout LayoutOf(JetVersion version) {
  const bool jet3 = version == JetVersion::kJet3;
  const auto pick = [jet3](std::uint64_t jet4Value, std::uint64_t jet3Value) {
    return jet3 ? jet3Value : jet4Value;
  };
  return {.pageSize = jet3 ? kJet3PageSize : kJet4PageSize,
          .table = {.rows = pick(16, 12),
                    .columns = pick(45, 25),
                    .realIndexes = pick(51, 31),
                    .usedPagesRow = pick(55, 35),
                    .freePagesRow = pick(59, 39)},
          .realIndexEntries = {.start = pick(63, 43), .size = pick(12, 8)},
          .descriptor = {.size = pick(25, 18),
                         .number = pick(5, 1),
                         .flags = pick(15, 13),
                         .length = pick(23, 16)},
          .nameCountSize = pick(2, 1),
          .realIndex = {.size = pick(52, 39), .firstPage = pick(38, 34)}};
}

constexpr Layout kJet4Layout = LayoutOf(JetVersion::kJet4);
constexpr Layout kJet3Layout = LayoutOf(JetVersion::kJet3);

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
  std::uint16_t U16(std::uint64_t at) const { return Le16(bytes_, at); }
  std::uint32_t U32(std::uint64_t at) const { return Le32(bytes_, at); }
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

namespace {

// The definition read whole, or false with what stopped the reading in `error`.
bool ReadWholeDefinition(const JetPages& pages, std::uint32_t firstPage, TableDefinition& out,
                         std::string& error) {
  const bool jet3 = pages.version == JetVersion::kJet3;
  const Layout& layout = jet3 ? kJet3Layout : kJet4Layout;
  Definition definition(pages.read, layout, pages.count, error);
  if (!definition.ReadChain(firstPage) || !definition.Has(layout.realIndexEntries.start))
    return false;
  const std::uint16_t columnCount = definition.U16(layout.table.columns);
  const std::uint32_t realIndexes = definition.U32(layout.table.realIndexes);
  if (realIndexes > kMaxRealIndexes) {
    error = "la définition de la table annonce " + std::to_string(realIndexes) + " index";
    return false;
  }
  std::uint64_t at = layout.realIndexEntries.start + layout.realIndexEntries.size * realIndexes;
  TableDefinition result;
  result.rowCount = definition.U32(layout.table.rows);
  result.usedPagesRow = definition.U32(layout.table.usedPagesRow);
  result.freePagesRow = definition.U32(layout.table.freePagesRow);
  for (std::uint16_t k = 0; k < columnCount; ++k, at += layout.descriptor.size) {
    if (!definition.Has(at + layout.descriptor.size)) return false;
    TdefColumn column;
    column.type = definition.U8(at);
    column.number = definition.U16(at + layout.descriptor.number);
    column.flags = definition.U8(at + layout.descriptor.flags);
    column.length = definition.U16(at + layout.descriptor.length);
    column.lengthOffset = definition.FileOffset(at + layout.descriptor.length);
    column.lengthSecondOffset = definition.FileOffset(at + layout.descriptor.length + 1);
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
  for (std::uint32_t k = 0; k < realIndexes; ++k, at += layout.realIndex.size) {
    if (!definition.Has(at + layout.realIndex.size)) return false;
    result.indexPages.push_back(definition.U32(at + layout.realIndex.firstPage));
  }
  result.pages = definition.pages();
  out = std::move(result);
  return true;
}

}  // namespace

base::Status ReadTableDefinition(const JetPages& pages, std::uint32_t firstPage,
                                 TableDefinition& out) {
  std::string error;
  if (ReadWholeDefinition(pages, firstPage, out, error)) return {};
  return base::Status::Damaged(error);
}

}  // namespace platform
