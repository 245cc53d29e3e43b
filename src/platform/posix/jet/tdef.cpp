// The Linux side of the database seam: a Jet 4 table definition, located byte for byte.
#include "platform/posix/jet/tdef.h"

#include <set>

#include "platform/posix/jet/header.h"

namespace platform {

namespace {

constexpr std::uint8_t kTdefPageType = 0x02;
constexpr std::size_t kPageHeader = 8;  // type, unknown, free space, next page
constexpr std::uint64_t kRowCountOffset = 16;
constexpr std::uint64_t kColumnCountOffset = 45;
constexpr std::uint64_t kRealIndexCountOffset = 51;
constexpr std::uint64_t kRealIndexStart = 63;
constexpr std::uint64_t kRealIndexEntry = 12;
constexpr std::uint64_t kDescriptorSize = 25;
constexpr std::uint64_t kNumberOffset = 5;
constexpr std::uint64_t kFlagsOffset = 15;
constexpr std::uint64_t kLengthOffset = 23;
// More real indexes than Jet allows (32) by far; beyond this the definition is not believed.
constexpr std::uint32_t kMaxRealIndexes = 1024;

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The concatenated definition, grown page by page as the reading needs it.
class Definition {
 public:
  Definition(const JetPageReader& read, std::uint64_t pageCount, std::string& error)
      : read_(read), pageCount_(pageCount), error_(error) {}

  bool Start(std::uint32_t firstPage) { return Append(firstPage, 0); }

  // Makes the bytes [0, end) available.
  bool Need(std::uint64_t end) {
    while (bytes_.size() < end) {
      const std::uint32_t next = Le32(lastPage_, 4);
      if (next == 0) {
        error_ = "la définition de la table s'arrête avant la fin de ses colonnes";
        return false;
      }
      if (!Append(next, kPageHeader)) return false;
    }
    return true;
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
    std::size_t k = 0;
    std::uint64_t inPage = at;
    if (at >= kJet4PageSize) {
      const std::uint64_t rest = at - kJet4PageSize;
      k = 1 + rest / (kJet4PageSize - kPageHeader);
      inPage = kPageHeader + rest % (kJet4PageSize - kPageHeader);
    }
    return static_cast<std::uint64_t>(pages_[k]) * kJet4PageSize + inPage;
  }

  const std::vector<std::uint32_t>& pages() const { return pages_; }

 private:
  bool Append(std::uint32_t page, std::size_t skip) {
    if (page == 0 || page >= pageCount_) {
      error_ = "la définition de la table renvoie à la page " + std::to_string(page) +
               ", hors du fichier";
      return false;
    }
    if (!seen_.insert(page).second) {
      error_ = "la chaîne des pages de la définition de la table boucle (page " +
               std::to_string(page) + ")";
      return false;
    }
    std::string page_bytes;
    if (!read_(page, page_bytes) || page_bytes.size() != kJet4PageSize) {
      error_ = "la page " + std::to_string(page) + " ne peut pas être lue";
      return false;
    }
    if (static_cast<unsigned char>(page_bytes[0]) != kTdefPageType) {
      error_ = "la page " + std::to_string(page) + " n'est pas une page de définition de table";
      return false;
    }
    bytes_.append(page_bytes, skip, std::string::npos);
    pages_.push_back(page);
    lastPage_ = std::move(page_bytes);
    return true;
  }

  const JetPageReader& read_;
  std::uint64_t pageCount_;
  std::string& error_;
  std::string bytes_;
  std::string lastPage_;
  std::vector<std::uint32_t> pages_;
  std::set<std::uint32_t> seen_;
};

}  // namespace

bool LengthFieldInOneSector(const TdefColumn& column) {
  constexpr std::uint64_t kSector = 512;
  const std::uint64_t at = column.lengthOffset;
  return column.lengthSecondOffset == at + 1 && at / kJet4PageSize == (at + 1) / kJet4PageSize &&
         at / kSector == (at + 1) / kSector;
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
    AppendUtf8(out, c);
  }
  return out;
}

bool ReadTableDefinition(const JetPageReader& read, std::uint32_t firstPage,
                         std::uint64_t pageCount, TableDefinition& out, std::string& error) {
  Definition definition(read, pageCount, error);
  if (!definition.Start(firstPage) || !definition.Need(kRealIndexStart)) return false;
  const std::uint16_t columnCount = definition.U16(kColumnCountOffset);
  const std::uint32_t realIndexes = definition.U32(kRealIndexCountOffset);
  if (realIndexes > kMaxRealIndexes) {
    error = "la définition de la table annonce " + std::to_string(realIndexes) + " index";
    return false;
  }
  std::uint64_t at = kRealIndexStart + kRealIndexEntry * realIndexes;
  TableDefinition result;
  result.rowCount = definition.U32(kRowCountOffset);
  for (std::uint16_t k = 0; k < columnCount; ++k, at += kDescriptorSize) {
    if (!definition.Need(at + kDescriptorSize)) return false;
    TdefColumn column;
    column.type = definition.U8(at);
    column.number = definition.U16(at + kNumberOffset);
    column.flags = definition.U8(at + kFlagsOffset);
    column.length = definition.U16(at + kLengthOffset);
    column.lengthOffset = definition.FileOffset(at + kLengthOffset);
    column.lengthSecondOffset = definition.FileOffset(at + kLengthOffset + 1);
    result.columns.push_back(column);
  }
  for (TdefColumn& column : result.columns) {
    if (!definition.Need(at + 2)) return false;
    const std::uint16_t nameBytes = definition.U16(at);
    at += 2;
    if (!definition.Need(at + nameBytes)) return false;
    column.name = JetNameToUtf8(definition.Slice(at, nameBytes));
    at += nameBytes;
  }
  result.pages = definition.pages();
  out = std::move(result);
  return true;
}

}  // namespace platform
