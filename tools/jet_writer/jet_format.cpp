// The Jet 4 structures of jet_format.h, encoded.
#include "jet_format.h"

#include <algorithm>
#include <cstring>

namespace jet_writer::format {

void Put64(unsigned char* at, double v) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  Put32(at, static_cast<std::uint32_t>(bits));
  Put32(at + 4, static_cast<std::uint32_t>(bits >> 32));
}

void Append16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Append32(std::string& out, std::uint32_t v) {
  Append16(out, v & 0xFFFF);
  Append16(out, v >> 16);
}

namespace {

// The RC4 key stream of the key 0x6b39dac7 (little-endian) that masks page 0.
std::array<unsigned char, kHeaderMaskLength> HeaderMask() {
  const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  std::array<unsigned char, 256> s{};
  for (unsigned i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (unsigned i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::array<unsigned char, kHeaderMaskLength> out{};
  for (unsigned n = 0, i = 0, j = 0; n < kHeaderMaskLength; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

}  // namespace

void HeaderPage::EncodeTo(Page& page) const {
  static constexpr char kMagic[] = "Standard Jet DB";
  page.fill(0);
  page[0] = kPageHeader;
  page[1] = 0x01;
  std::memcpy(page.data() + 4, kMagic, sizeof kMagic);  // with its terminating zero
  page[kHeaderVersion] = 0x01;
  Put16(page.data() + kHeaderCodePage, kCodePage);
  Put32(page.data() + kHeaderKey, 0);
  const auto whole = static_cast<std::uint32_t>(static_cast<std::int32_t>(creationDate));
  for (std::size_t k = 0; k < kHeaderPasswordLength; ++k) {
    page[kHeaderPassword + k] = static_cast<unsigned char>(whole >> (8 * (k % 4)));
  }
  Put32(page.data() + kHeaderSortOrder, kSortGeneral);
  Put64(page.data() + kHeaderCreationDate, creationDate);
  static const auto mask = HeaderMask();
  for (std::size_t k = 0; k < kHeaderMaskLength; ++k) page[kHeaderMaskStart + k] ^= mask[k];
}

void DataPageBuilder::Reset(std::uint32_t owner) {
  page_.fill(0);
  page_[0] = kPageData;
  page_[1] = 0x01;
  Put32(page_.data() + kDataOwner, owner);
  rows_ = 0;
  top_ = kPageSize;
  SetFree();
}

void DataPageBuilder::ResetLongValues() {
  Reset(0);
  std::memcpy(page_.data() + kDataOwner, kLongValueOwner, sizeof kLongValueOwner);
}

bool DataPageBuilder::Fits(std::size_t size) const {
  const std::size_t offsetsEnd = kDataRowOffsets + (rows_ + 1) * kDataRowOffsetSize;
  return rows_ < kMaxRowsPerPage && size <= top_ && top_ - size >= offsetsEnd;
}

std::size_t DataPageBuilder::Add(const unsigned char* data, std::size_t size) {
  top_ -= size;
  if (size != 0) std::memcpy(page_.data() + top_, data, size);
  Put16(page_.data() + kDataRowOffsets + rows_ * kDataRowOffsetSize,
        static_cast<std::uint32_t>(top_));
  ++rows_;
  Put16(page_.data() + kDataRowCount, static_cast<std::uint32_t>(rows_));
  SetFree();
  return rows_ - 1;
}

void DataPageBuilder::SetFree() {
  const std::size_t offsetsEnd = kDataRowOffsets + rows_ * kDataRowOffsetSize;
  Put16(page_.data() + 2, static_cast<std::uint32_t>(top_ - offsetsEnd));
}

bool Utf8ToUtf16(const std::string& utf8, std::u16string& out) {
  out.clear();
  for (std::size_t k = 0; k < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[k]);
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      return false;
    }
    if (k + extra >= utf8.size()) return false;
    for (std::size_t n = 1; n <= extra; ++n) {
      const auto c = static_cast<unsigned char>(utf8[k + n]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    k += extra + 1;
  }
  return true;
}

std::string EncodeText(const std::u16string& text, bool compress) {
  std::string out;
  const bool fits =
      std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x01 && c <= 0xFF; });
  if (compress && fits && text.size() > 2) {
    out.reserve(text.size() + 2);
    out.push_back(static_cast<char>(0xFF));
    out.push_back(static_cast<char>(0xFE));
    for (char16_t c : text) out.push_back(static_cast<char>(c));
    return out;
  }
  out.reserve(text.size() * 2);
  for (char16_t c : text) Append16(out, c);
  return out;
}

void MemoHeader::AppendTo(std::string& out) const {
  Append32(out, (length & 0x00FFFFFF) | (static_cast<std::uint32_t>(kind) << 24));
  Append32(out, rowPointer);
  Append32(out, 0);
}

void ColumnDescriptor::AppendTo(std::string& out) const {
  const std::size_t start = out.size();
  out.resize(start + kColumnDescriptorSize, '\0');
  auto* d = reinterpret_cast<unsigned char*>(out.data() + start);
  d[0] = type;
  Put16(d + 5, number);
  Put16(d + 7, variableIndex);
  Put16(d + 9, number);
  Put16(d + 11, kSortGeneral);
  d[15] = flags;
  d[16] = compressedUnicode ? 0x01 : 0x00;
  Put16(d + 21, fixedOffset);
  Put16(d + kColumnLengthOffset, length);
}

void DefinitionBlock::AppendTo(std::string& out, std::uint32_t length) const {
  const std::size_t start = out.size();
  out.resize(start + kDefinitionBlockSize, '\0');
  // Offsets below are page offsets minus the 8-byte page header.
  auto* d = reinterpret_cast<unsigned char*>(out.data() + start) - kDefinitionPageHeader;
  Put32(d + 8, length);
  Put32(d + 16, rowCount);
  Put32(d + 20, lastAutoNumber);
  d[24] = 0x01;
  d[40] = tableType;
  Put16(d + 41, maxColumns);
  Put16(d + 43, variableColumns);
  Put16(d + 45, columns);
  Put32(d + 47, 0);
  Put32(d + 51, realIndexes);
  Put32(d + 55, usedPagesRow);
  Put32(d + 59, freePagesRow);
}

void AppendName(std::string& out, const std::u16string& name) {
  Append16(out, static_cast<std::uint32_t>(name.size() * 2));
  for (char16_t c : name) Append16(out, c);
}

void AppendEmptyRealIndex(std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + kRealIndexSize, '\0');
  for (std::size_t k = 0; k < 10; ++k) {
    out[start + 4 + 3 * k] = static_cast<char>(0xFF);
    out[start + 5 + 3 * k] = static_cast<char>(0xFF);
  }
}

std::string EncodeUsageMap(const std::vector<std::uint32_t>& pages, std::uint32_t start,
                           std::size_t minimumBytes) {
  const std::uint32_t first = pages.empty() ? start : pages.front();
  const std::size_t bytes =
      std::max<std::size_t>(minimumBytes, pages.empty() ? 0 : (pages.back() - first) / 8 + 1);
  std::string out(kUsageMapHeader + bytes, '\0');
  out[0] = static_cast<char>(kUsageMapInline);
  Put32(reinterpret_cast<unsigned char*>(out.data() + 1), first);
  for (std::uint32_t p : pages) {
    const std::uint32_t bit = p - first;
    out[kUsageMapHeader + bit / 8] =
        static_cast<char>(out[kUsageMapHeader + bit / 8] | (1 << (bit % 8)));
  }
  return out;
}

}  // namespace jet_writer::format
