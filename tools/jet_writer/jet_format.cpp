// The Jet structures of jet_format.h, encoded.
#include "jet_format.h"

#include <algorithm>
#include <cstring>

#include "base/utf8.h"

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
std::array<unsigned char, kJet4.maskLength> HeaderMask() {
  const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  std::array<unsigned char, 256> s{};
  for (unsigned i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (unsigned i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::array<unsigned char, kJet4.maskLength> out{};
  for (unsigned n = 0, i = 0, j = 0; n < out.size(); ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

}  // namespace

void HeaderPage::EncodeTo(Page& page, const Format& format) const {
  static constexpr char kMagic[] = "Standard Jet DB";
  page.fill(0);
  page[0] = kPageHeader;
  page[1] = 0x01;
  std::memcpy(page.data() + 4, kMagic, sizeof kMagic);  // with its terminating zero
  page[kHeaderVersion] = format.version;
  Put16(page.data() + kHeaderCodePage, kCodePage);
  Put32(page.data() + kHeaderKey, 0);
  if (format.jet3) {
    Put16(page.data() + kHeaderJet3SortOrder, kSortGeneral);  // an empty password is zeros
  } else {
    const auto whole = static_cast<std::uint32_t>(static_cast<std::int32_t>(creationDate));
    for (std::size_t k = 0; k < kHeaderPasswordLength; ++k) {
      page[kHeaderPassword + k] = static_cast<unsigned char>(whole >> (8 * (k % 4)));
    }
    Put32(page.data() + kHeaderSortOrder, kSortGeneral);
    Put64(page.data() + kHeaderCreationDate, creationDate);
  }
  static const auto mask = HeaderMask();
  for (std::size_t k = 0; k < format.maskLength; ++k) page[kHeaderMaskStart + k] ^= mask[k];
}

void DataPageBuilder::Reset(std::uint32_t owner) {
  page_.fill(0);
  page_[0] = kPageData;
  page_[1] = 0x01;
  Put32(page_.data() + kDataOwner, owner);
  rows_ = 0;
  top_ = format_->pageSize;
  SetFree();
}

void DataPageBuilder::ResetLongValues() {
  Reset(0);
  std::memcpy(page_.data() + kDataOwner, kLongValueOwner, sizeof kLongValueOwner);
}

bool DataPageBuilder::Fits(std::size_t size) const {
  const std::size_t offsetsEnd = format_->DataRowOffsets() + (rows_ + 1) * kDataRowOffsetSize;
  return rows_ < kMaxRowsPerPage && size <= top_ && top_ - size >= offsetsEnd;
}

std::size_t DataPageBuilder::Add(const unsigned char* data, std::size_t size) {
  top_ -= size;
  if (size != 0) std::memcpy(page_.data() + top_, data, size);
  Put16(page_.data() + format_->DataRowOffsets() + rows_ * kDataRowOffsetSize,
        static_cast<std::uint32_t>(top_));
  ++rows_;
  Put16(page_.data() + format_->dataRowCount, static_cast<std::uint32_t>(rows_));
  SetFree();
  return rows_ - 1;
}

std::size_t DataPageBuilder::RowOffset(std::size_t row) const {
  const unsigned char* at = page_.data() + format_->DataRowOffsets() + row * kDataRowOffsetSize;
  return static_cast<std::size_t>(at[0] | (at[1] << 8));
}

void DataPageBuilder::SetFree() {
  const std::size_t offsetsEnd = format_->DataRowOffsets() + rows_ * kDataRowOffsetSize;
  Put16(page_.data() + 2, static_cast<std::uint32_t>(top_ - offsetsEnd));
}

bool Utf8ToUtf16(const std::string& text, std::u16string& out) {
  out.clear();
  for (std::size_t k = 0; k < text.size();) {
    const utf8::Decoded c = utf8::DecodeAt(text, k);
    // A NUL is a character like any other here.
    if (!utf8::IsStrict(c)) return false;
    char32_t cp = c.codePoint;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    k += c.length;
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

bool EncodeCodePage(const std::u16string& text, std::string& out) {
  // Windows-1252's bytes 0x80 to 0x9F; 0 where the byte holds no character.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  out.clear();
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    const auto high = std::find(std::begin(kHigh), std::end(kHigh), c);
    if (c == 0 || high == std::end(kHigh)) return false;
    out.push_back(static_cast<char>(0x80 + (high - std::begin(kHigh))));
  }
  return true;
}

void MemoHeader::AppendTo(std::string& out) const {
  Append32(out, (length & 0x00FFFFFF) | (static_cast<std::uint32_t>(kind) << 24));
  Append32(out, rowPointer);
  Append32(out, 0);
}

void ColumnDescriptor::AppendTo(std::string& out, const Format& format) const {
  const std::size_t start = out.size();
  out.resize(start + format.columnDescriptorSize, '\0');
  auto* d = reinterpret_cast<unsigned char*>(out.data() + start);
  d[0] = type;
  if (format.jet3) {
    Put16(d + 1, number);
    Put16(d + 3, variableIndex);
    Put16(d + 5, number);
    Put16(d + 7, kSortGeneral);
    if (type == kTypeText || type == kTypeMemo) Put16(d + 9, kCodePage);
    d[13] = flags;
    Put16(d + 14, fixedOffset);
  } else {
    Put16(d + 5, number);
    Put16(d + 7, variableIndex);
    Put16(d + 9, number);
    Put16(d + 11, kSortGeneral);
    d[15] = flags;
    d[16] = compressedUnicode ? 0x01 : 0x00;
    Put16(d + 21, fixedOffset);
  }
  Put16(d + format.columnLengthOffset, length);
}

void DefinitionBlock::AppendTo(std::string& out, std::uint32_t length, const Format& format) const {
  const std::size_t start = out.size();
  out.resize(start + format.blockSize, '\0');
  // Offsets below are page offsets minus the 8-byte page header.
  auto* d = reinterpret_cast<unsigned char*>(out.data() + start) - kDefinitionPageHeader;
  Put32(d + 8, length);
  // Jet 3's block is Jet 4's without bytes 12 to 15 and 24 to 39.
  const std::size_t shift = format.jet3 ? 20 : 0;
  if (format.jet3) {
    Put32(d + 12, rowCount);
    Put32(d + 16, lastAutoNumber);
  } else {
    Put32(d + 16, rowCount);
    Put32(d + 20, lastAutoNumber);
    d[24] = 0x01;
  }
  d[40 - shift] = tableType;
  Put16(d + 41 - shift, maxColumns);
  Put16(d + 43 - shift, variableColumns);
  Put16(d + 45 - shift, columns);
  Put32(d + 47 - shift, 0);
  Put32(d + 51 - shift, realIndexes);
  Put32(d + 55 - shift, usedPagesRow);
  Put32(d + 59 - shift, freePagesRow);
}

void AppendName(std::string& out, const std::u16string& name, const Format& format) {
  if (format.jet3) {
    std::string bytes;
    EncodeCodePage(name, bytes);
    out.push_back(static_cast<char>(bytes.size()));
    out += bytes;
    return;
  }
  Append16(out, static_cast<std::uint32_t>(name.size() * 2));
  for (char16_t c : name) Append16(out, c);
}

void AppendEmptyRealIndex(std::string& out, const Format& format) {
  const std::size_t start = out.size();
  out.resize(start + format.realIndexSize, '\0');
  const std::size_t columns = start + (format.jet3 ? 0 : 4);
  for (std::size_t k = 0; k < kRealIndexColumns; ++k) {
    out[columns + 3 * k] = static_cast<char>(0xFF);
    out[columns + 3 * k + 1] = static_cast<char>(0xFF);
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

namespace {

// A property name or column name in a properties blob: byte count (2), then the characters.
void AppendPropertyName(std::string& out, const std::u16string& name, const Format& format) {
  if (format.jet3) {
    std::string bytes;
    EncodeCodePage(name, bytes);
    Append16(out, static_cast<std::uint32_t>(bytes.size()));
    out += bytes;
    return;
  }
  Append16(out, static_cast<std::uint32_t>(name.size() * 2));
  for (char16_t c : name) Append16(out, c);
}

void AppendChunk(std::string& out, std::uint16_t type, const std::string& body) {
  Append32(out, static_cast<std::uint32_t>(kChunkHeader + body.size()));
  Append16(out, type);
  out += body;
}

}  // namespace

std::string EncodeRequiredProperties(const std::vector<std::u16string>& requiredColumns,
                                     const Format& format) {
  std::string out(format.jet3 ? kPropertiesJet3 : kPropertiesJet4, 4);
  std::string names;
  AppendPropertyName(names, u"Required", format);
  AppendChunk(out, kChunkNames, names);
  for (const std::u16string& column : requiredColumns) {
    std::string name;
    AppendPropertyName(name, column, format);
    std::string body;
    Append32(body, static_cast<std::uint32_t>(4 + name.size() + kPropertyHeader + 1));
    body += name;
    Append16(body, kPropertyHeader + 1);
    body.push_back('\0');                          // not a DDL property
    body.push_back(static_cast<char>(kTypeBool));  // Yes/No
    Append16(body, 0);                             // "Required", the first name
    Append16(body, 1);
    body.push_back(static_cast<char>(0xFF));  // Yes
    AppendChunk(out, kChunkColumn, body);
  }
  return out;
}

}  // namespace jet_writer::format
