// A table's usage maps, read page by page.
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

// Reads page `page` of `pages` into `bytes`; it must lie in the file and be of `type`.
base::Status ReadPage(const JetPages& pages, std::uint32_t page, std::uint8_t type,
                      std::string& bytes) {
  const std::size_t pageSize = pages.version == JetVersion::kJet3 ? kJet3PageSize : kJet4PageSize;
  if (page == 0 || page >= pages.count) {
    return base::Status::Damaged("la carte des pages de la table renvoie à la page " +
                                 std::to_string(page) + ", hors du fichier");
  }
  if (!pages.read(page, bytes) || bytes.size() != pageSize) {
    return base::Status::Damaged("la page " + std::to_string(page) + " ne peut pas être lue");
  }
  if (static_cast<unsigned char>(bytes[0]) != type) {
    return base::Status::Damaged("la page " + std::to_string(page) +
                                 " n'est pas une page de la carte de la table");
  }
  return {};
}

}  // namespace

base::Status HighestMappedPage(const JetPages& pages, std::uint32_t mapRow,
                               std::uint32_t& highest) {
  const bool jet3 = pages.version == JetVersion::kJet3;
  const std::size_t pageSize = jet3 ? kJet3PageSize : kJet4PageSize;
  const std::size_t rowCountAt = jet3 ? 8 : 12;
  std::string page;
  if (base::Status read = ReadPage(pages, mapRow >> 8, kDataPageType, page); !read.ok()) {
    return read;
  }
  const std::size_t row = mapRow & 0xFF;
  const std::size_t rows = Le16(page, rowCountAt);
  const std::size_t offsetsEnd = rowCountAt + 2 + 2 * rows;
  if (row >= rows || offsetsEnd > pageSize) {
    return base::Status::Damaged("la carte des pages de la table est introuvable");
  }
  const std::size_t start = Le16(page, rowCountAt + 2 + 2 * row) & kRowOffsetMask;
  const std::size_t end =
      row == 0 ? pageSize : Le16(page, rowCountAt + 2 + 2 * (row - 1)) & kRowOffsetMask;
  if (start < offsetsEnd || start >= end || end > pageSize) {
    return base::Status::Damaged("la carte des pages de la table est illisible");
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
      if (base::Status read = ReadPage(pages, mapPage, kMapPageType, bitmap); !read.ok()) {
        return read;
      }
      std::uint64_t last = 0;
      if (HighestBit(bitmap, kMapPageHeader, k * pagesPerMapPage, last)) {
        found = any ? std::max(found, last) : last;
        any = true;
      }
    }
  } else {
    return base::Status::Damaged("la carte des pages de la table est d'un type inconnu (" +
                                 std::to_string(type) + ")");
  }
  highest = !any ? 0 : found > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(found);
  return {};
}

}  // namespace platform
