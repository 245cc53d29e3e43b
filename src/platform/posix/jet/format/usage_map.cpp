// The Linux side of the database seam: a table's usage maps, read page by page.
#include "platform/posix/jet/format/usage_map.h"

#include "platform/posix/jet/format/bytes.h"

namespace platform {

namespace {

constexpr std::uint8_t kDataPageType = 0x01;
constexpr std::uint8_t kMapPageType = 0x05;
constexpr std::uint8_t kInlineMap = 0x00;
constexpr std::uint8_t kMapOfMapPages = 0x01;
constexpr std::size_t kInlineMapHeader = 5;  // type, first page
constexpr std::size_t kMapPageHeader = 4;
constexpr std::uint16_t kRowOffsetMask = 0x1FFF;

// The highest bit set in `bitmap` from byte `from` on, as first + its index; false for none.
bool HighestBit(const std::string& bitmap, std::size_t from, std::uint64_t first,
                std::uint64_t& out) {
  for (std::size_t k = bitmap.size(); k > from; --k) {
    const auto byte = static_cast<unsigned char>(bitmap[k - 1]);
    if (byte == 0) continue;
    int bit = 7;
    while ((byte & (1 << bit)) == 0) --bit;
    out = first + (k - 1 - from) * 8 + static_cast<std::uint64_t>(bit);
    return true;
  }
  return false;
}

// Reads page `page`, which must lie in the file and be of `type`.
bool ReadPage(const JetPageReader& read, std::size_t pageSize, std::uint32_t page,
              std::uint8_t type, std::uint64_t pageCount, std::string& bytes, std::string& error) {
  if (page == 0 || page >= pageCount) {
    error = "la carte des pages de la table renvoie à la page " + std::to_string(page) +
            ", hors du fichier";
    return false;
  }
  if (!read(page, bytes) || bytes.size() != pageSize) {
    error = "la page " + std::to_string(page) + " ne peut pas être lue";
    return false;
  }
  if (static_cast<unsigned char>(bytes[0]) != type) {
    error = "la page " + std::to_string(page) + " n'est pas une page de la carte de la table";
    return false;
  }
  return true;
}

}  // namespace

bool HighestMappedPage(const JetPageReader& read, JetVersion version, std::uint32_t mapRow,
                       std::uint64_t pageCount, std::uint32_t& highest, std::string& error) {
  const bool jet3 = version == JetVersion::kJet3;
  const std::size_t pageSize = jet3 ? kJet3PageSize : kJet4PageSize;
  const std::size_t rowCountAt = jet3 ? 8 : 12;
  std::string page;
  if (!ReadPage(read, pageSize, mapRow >> 8, kDataPageType, pageCount, page, error)) return false;
  const std::size_t row = mapRow & 0xFF;
  const std::size_t rows = Le16(page, rowCountAt);
  const std::size_t offsetsEnd = rowCountAt + 2 + 2 * rows;
  if (row >= rows || offsetsEnd > pageSize) {
    error = "la carte des pages de la table est introuvable";
    return false;
  }
  const std::size_t start = Le16(page, rowCountAt + 2 + 2 * row) & kRowOffsetMask;
  const std::size_t end =
      row == 0 ? pageSize : Le16(page, rowCountAt + 2 + 2 * (row - 1)) & kRowOffsetMask;
  if (start < offsetsEnd || start >= end || end > pageSize) {
    error = "la carte des pages de la table est illisible";
    return false;
  }
  const std::string map = page.substr(start, end - start);
  std::uint64_t found = 0;
  bool any = false;
  const auto type = static_cast<unsigned char>(map[0]);
  if (type == kInlineMap && map.size() >= kInlineMapHeader) {
    any = HighestBit(map, kInlineMapHeader, Le32(map, 1), found);
  } else if (type == kMapOfMapPages) {
    const std::uint64_t pagesPerMapPage = (pageSize - kMapPageHeader) * 8;
    for (std::size_t at = 1, k = 0; at + 4 <= map.size(); at += 4, ++k) {
      const std::uint32_t mapPage = Le32(map, at);
      if (mapPage == 0) continue;
      std::string bitmap;
      if (!ReadPage(read, pageSize, mapPage, kMapPageType, pageCount, bitmap, error)) {
        return false;
      }
      std::uint64_t last = 0;
      if (HighestBit(bitmap, kMapPageHeader, k * pagesPerMapPage, last)) {
        found = any ? std::max(found, last) : last;
        any = true;
      }
    }
  } else {
    error = "la carte des pages de la table est d'un type inconnu (" + std::to_string(type) + ")";
    return false;
  }
  highest = !any ? 0 : found > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(found);
  return true;
}

}  // namespace platform
