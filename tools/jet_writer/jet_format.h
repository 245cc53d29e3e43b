// The Jet 4 structures the writer lays out, one small piece each, with its sizes as named
// constants. All integers are little-endian. A file is a sequence of pages of 4096 bytes:
//
//   page 0 (database definition):
//     0x00 00 01 00 00 | 0x04 "Standard Jet DB\0" | 0x14 version (1 = Jet 4)
//     0x18..0x97 masked with the RC4 key stream of 0x6b39dac7; unmasked it holds
//       0x3C code page (2) | 0x3E database key (4, 0 = not encrypted)
//       0x42 password (40, UTF-16LE, each byte further XORed with the creation date's integer
//            part as 4 bytes, repeated; an empty password is that mask alone)
//       0x6E sort order (4: 0x0409 = General) | 0x72 creation date (8, a double)
//
//   data page (type 0x01):
//     0 type | 1 0x01 | 2 free space (2) | 4 owner: the table's definition page, or "LVAL" for a
//     page of long values (4) | 8 zero (4) | 12 row count (2) | 14 row offsets (2 each)
//     Rows are packed from the end of the page downwards: row 0 ends at the page's end, row k
//     ends where row k-1 starts. A row pointer elsewhere is (page << 8) | row.
//
//   row:
//     column count (2: the table's highest column number + 1) | fixed values at their fixed
//     offsets | variable values, in variable-index order | [end of data (2) | offsets of the
//     variable values from the row's start, last first (2 each) | variable count (2)], only
//     when the table has variable columns | null mask ((count + 7) / 8 bytes; bit n is column
//     number n; 1 = present; a Yes/No column's value is its bit).
//
//   text value: UTF-16LE, or the compressed form FF FE followed by one byte per character when
//     every character is from U+0001 to U+00FF (and that is shorter).
//   memo value in a row (12-byte header, then the bytes when inline):
//     length (3) | kind (1: 0x80 inline, 0x40 one row on a long-value page, 0x00 a chain of rows
//     each starting with the next row's pointer, 0 at the end) | row pointer (4) | zero (4)
//
//   table definition (type 0x02), the first page:
//     0 type | 1 0x01 | 2 free space (2) | 4 next definition page, 0 at the end (4)
//     8 definition length (4) | 12 zero (4) | 16 row count (4) | 20 last auto-number (4)
//     24 auto-number flag (1) | 25 zero (15) | 40 table type (0x4E user, 0x53 system)
//     41 highest column number + 1 (2) | 43 variable columns (2) | 45 columns (2)
//     47 logical indexes (4) | 51 real indexes (4) | 55 used-pages map row (4)
//     59 free-pages map row (4) | 63 real index entries (12 each) | column descriptors (25
//     each) | column names (byte count (2), UTF-16LE) | real indexes (52 each: zero (4), ten
//     times column number (2) and order (1), used pages (4), first page (4), flags (1), zero
//     (9)) | 0xFFFF (the empty list of long-value maps). Continuation pages have the same 8-byte
//     header; the definition goes on after it.
//
//   column descriptor (25):
//     0 type | 1 zero (4) | 5 column number (2) | 7 variable index (2) | 9 column number (2)
//     11 sort order (2: 0x0409) | 13 zero (2) | 15 flags (1) | 16 compressed unicode (1)
//     17 zero (4) | 21 fixed offset (2) | 23 length in bytes (2)
//
//   usage map row, type 0 (a bitmap of the pages a table owns):
//     0 map type (0) | 1 first page the bitmap covers (4) | bitmap, bit n = page first + n
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jet_writer::format {

inline constexpr std::size_t kPageSize = 4096;
using Page = std::array<unsigned char, kPageSize>;

// Page types.
inline constexpr unsigned char kPageHeader = 0x00;
inline constexpr unsigned char kPageData = 0x01;
inline constexpr unsigned char kPageDefinition = 0x02;

// Column types.
inline constexpr unsigned char kTypeBool = 0x01;
inline constexpr unsigned char kTypeInteger = 0x03;
inline constexpr unsigned char kTypeLong = 0x04;
inline constexpr unsigned char kTypeDateTime = 0x08;
inline constexpr unsigned char kTypeBinary = 0x09;
inline constexpr unsigned char kTypeText = 0x0A;
inline constexpr unsigned char kTypeOle = 0x0B;
inline constexpr unsigned char kTypeMemo = 0x0C;

// Column flags.
inline constexpr unsigned char kColumnFixed = 0x01;
inline constexpr unsigned char kColumnUpdatable = 0x02;
inline constexpr unsigned char kColumnAutoNumber = 0x04;

inline constexpr std::uint16_t kSortGeneral = 0x0409;
inline constexpr std::uint16_t kCodePage = 1252;

// ---- little-endian helpers
inline void Put16(unsigned char* at, std::uint32_t v) {
  at[0] = static_cast<unsigned char>(v);
  at[1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(unsigned char* at, std::uint32_t v) {
  Put16(at, v & 0xFFFF);
  Put16(at + 2, v >> 16);
}
void Put64(unsigned char* at, double v);
void Append16(std::string& out, std::uint32_t v);
void Append32(std::string& out, std::uint32_t v);

// ---- page 0
inline constexpr std::size_t kHeaderMaskStart = 0x18;
inline constexpr std::size_t kHeaderMaskLength = 128;
inline constexpr std::size_t kHeaderVersion = 0x14;
inline constexpr std::size_t kHeaderCodePage = 0x3C;
inline constexpr std::size_t kHeaderKey = 0x3E;
inline constexpr std::size_t kHeaderPassword = 0x42;
inline constexpr std::size_t kHeaderPasswordLength = 40;
inline constexpr std::size_t kHeaderSortOrder = 0x6E;
inline constexpr std::size_t kHeaderCreationDate = 0x72;

struct HeaderPage {
  double creationDate = 0;  // days since 1899-12-30
  void EncodeTo(Page& page) const;
};

// ---- data pages
inline constexpr std::size_t kDataOwner = 4;
inline constexpr std::size_t kDataRowCount = 12;
inline constexpr std::size_t kDataRowOffsets = 14;
inline constexpr std::size_t kDataRowOffsetSize = 2;
// A row pointer keeps the row number in one byte.
inline constexpr std::size_t kMaxRowsPerPage = 255;
inline constexpr char kLongValueOwner[4] = {'L', 'V', 'A', 'L'};
// The largest row a data page holds alone.
inline constexpr std::size_t kMaxRowSize = kPageSize - kDataRowOffsets - kDataRowOffsetSize;

// Fills a data page with rows, from the end downwards.
class DataPageBuilder {
 public:
  // Starts an empty page owned by definition page `owner`, or a long-value page.
  void Reset(std::uint32_t owner);
  void ResetLongValues();
  std::size_t rows() const { return rows_; }
  // Whether a row of `size` bytes still fits.
  bool Fits(std::size_t size) const;
  // Adds a row (it must fit); returns its number on the page.
  std::size_t Add(const unsigned char* data, std::size_t size);
  const Page& page() const { return page_; }

 private:
  void SetFree();
  Page page_{};
  std::size_t rows_ = 0;
  std::size_t top_ = kPageSize;  // where the last row added starts
};

// ---- text and memo values
// UTF-8 to UTF-16 code units; false when `utf8` is not valid UTF-8.
bool Utf8ToUtf16(const std::string& utf8, std::u16string& out);
// The stored bytes of a text value: compressed when allowed and every unit fits a byte.
std::string EncodeText(const std::u16string& text, bool compress);

inline constexpr std::size_t kMemoHeaderSize = 12;
inline constexpr unsigned char kMemoInline = 0x80;
inline constexpr unsigned char kMemoOneRow = 0x40;
inline constexpr unsigned char kMemoChain = 0x00;
inline constexpr std::size_t kMemoNextPointerSize = 4;

struct MemoHeader {
  std::uint32_t length = 0;  // bytes of the stored value (at most 0x3FFFFF here)
  unsigned char kind = kMemoInline;
  std::uint32_t rowPointer = 0;
  void AppendTo(std::string& out) const;
};

// ---- table definitions
inline constexpr std::size_t kDefinitionPageHeader = 8;
inline constexpr std::size_t kDefinitionNext = 4;
inline constexpr std::size_t kDefinitionFree = 2;
// Offsets inside the definition, counted from its first byte (page offset 8).
inline constexpr std::size_t kDefinitionBlockSize = 55;
inline constexpr std::size_t kColumnDescriptorSize = 25;
inline constexpr std::size_t kRealIndexEntrySize = 12;
inline constexpr std::size_t kRealIndexSize = 52;
inline constexpr std::size_t kColumnLengthOffset = 23;
inline constexpr unsigned char kTableUser = 0x4E;
inline constexpr unsigned char kTableSystem = 0x53;

struct ColumnDescriptor {
  unsigned char type = kTypeLong;
  std::uint16_t number = 0;
  std::uint16_t variableIndex = 0;
  std::uint16_t fixedOffset = 0;
  unsigned char flags = 0;
  bool compressedUnicode = false;
  std::uint16_t length = 0;  // bytes
  void AppendTo(std::string& out) const;
};

struct DefinitionBlock {
  std::uint32_t rowCount = 0;
  std::uint32_t lastAutoNumber = 0;
  unsigned char tableType = kTableUser;
  std::uint16_t maxColumns = 0;
  std::uint16_t variableColumns = 0;
  std::uint16_t columns = 0;
  std::uint32_t usedPagesRow = 0;
  std::uint32_t freePagesRow = 0;
  std::uint32_t realIndexes = 0;
  // The definition's bytes from offset 8 of its first page; `length` is the whole definition's.
  void AppendTo(std::string& out, std::uint32_t length) const;
};

// A column name as the definition stores it: byte count, then UTF-16LE.
void AppendName(std::string& out, const std::u16string& name);
// A real index that no logical index uses: no column (0xFFFF ten times), no pages.
void AppendEmptyRealIndex(std::string& out);

// ---- usage maps
inline constexpr std::size_t kUsageMapHeader = 5;
inline constexpr unsigned char kUsageMapInline = 0x00;

// A type-0 map of `pages` (ascending), starting at the first of them (or at `start` when
// there is none), with at least `minimumBytes` bytes of bitmap.
std::string EncodeUsageMap(const std::vector<std::uint32_t>& pages, std::uint32_t start,
                           std::size_t minimumBytes);

}  // namespace jet_writer::format
