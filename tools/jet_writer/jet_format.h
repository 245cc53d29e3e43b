// The Jet structures the writer lays out, one small piece each, with its sizes as named
// constants. All integers are little-endian. A file is a sequence of pages: 4096 bytes in Jet 4
// (Access 2000), 2048 in Jet 3 (Access 97). Where the two differ, Jet 3's form is in brackets;
// the sizes that differ are in Format.
//
// The engine's reader of table definitions (src/platform/posix/jet/format/tdef.cpp) describes the
// same bytes again, and the two are kept apart on purpose: a writer and a reader that shared one
// wrong offset would agree with each other, and every test between them would pass. Each is
// checked instead against readers that share no code with either (libmdb and mdbtools, npm's
// mdb-reader), so that a mistake in one of them shows.
//
//   page 0 (database definition):
//     0x00 00 01 00 00 | 0x04 "Standard Jet DB\0" | 0x14 version (1 = Jet 4) [0 = Jet 3]
//     0x18..0x97 [0x18..0x95] masked with the RC4 key stream of 0x6b39dac7; unmasked it holds
//       [0x3A sort order (2: 0x0409 = General)] | 0x3C code page (2) | 0x3E database key (4, 0 =
//       not encrypted) | 0x42 password (40, UTF-16LE, each byte further XORed with the creation
//       date's integer part as 4 bytes, repeated; an empty password is that mask alone) [20
//       bytes of the code page, zero when empty] | 0x6E sort order (4: 0x0409 = General)
//       | 0x72 creation date (8, a double) [neither]
//
//   data page (type 0x01):
//     0 type | 1 0x01 | 2 free space (2) | 4 owner: the table's definition page, or "LVAL" for a
//     page of long values (4) | 8 zero (4) [absent] | 12 [8] row count (2) | 14 [10] row offsets
//     (2 each). Rows are packed from the end of the page downwards: row 0 ends at the page's end,
//     row k ends where row k-1 starts. A row pointer elsewhere is (page << 8) | row.
//
//   row, Jet 4:
//     column count (2: the table's highest column number + 1) | fixed values at their fixed
//     offsets | variable values, in variable-index order | [end of data (2) | offsets of the
//     variable values from the row's start, last first (2 each) | variable count (2)], only
//     when the table has variable columns | null mask ((count + 7) / 8 bytes; bit n is column
//     number n; 1 = present; a Yes/No column's value is its bit).
//   row, Jet 3: the same with one byte for the column count, the offsets and the variable count,
//     the end of data counted as the last offset, and a jump table between the offsets and the
//     variable count: the row is L bytes long, with J = (L - 1) / 256 entries; entry k, stored
//     k bytes before the variable count, is the index of the first offset (the end of data
//     being index `variable count`) that is 256 (k + 1) or more; an offset is its byte plus 256
//     times the entries it has reached. When the end of data is below 256 J, the entry farthest
//     from the count is a filler, 0xFF.
//
//   text value: UTF-16LE, or the compressed form FF FE followed by one byte per character when
//     every character is from U+0001 to U+00FF (and that is shorter). [One byte per character
//     in the database's code page, Windows-1252.]
//   memo value in a row (12-byte header, then the bytes when inline):
//     length (3) | kind (1: 0x80 inline, 0x40 one row on a long-value page, 0x00 a chain of rows
//     each starting with the next row's pointer, 0 at the end) | row pointer (4) | zero (4)
//
//   table definition (type 0x02), the first page:
//     0 type | 1 0x01 | 2 free space (2) ["VC"] | 4 next definition page, 0 at the end (4)
//     Jet 4: 8 definition length (4) | 12 zero (4) | 16 row count (4) | 20 last auto-number (4)
//       24 auto-number flag (1) | 25 zero (15) | 40 table type (0x4E user, 0x53 system)
//       41 highest column number + 1 (2) | 43 variable columns (2) | 45 columns (2)
//       47 logical indexes (4) | 51 real indexes (4) | 55 used-pages map row (4)
//       59 free-pages map row (4) | 63 real index entries (12 each)
//     Jet 3: 8 definition length (4) | 12 row count (4) | 16 last auto-number (4)
//       20 table type | 21 highest column number + 1 (2) | 23 variable columns (2)
//       25 columns (2) | 27 logical indexes (4) | 31 real indexes (4) | 35 used-pages map row (4)
//       39 free-pages map row (4) | 43 real index entries (8 each)
//     then column descriptors (25 [18] each) | column names (byte count (2) [(1)], UTF-16LE [the
//     code page]) | real indexes (52 [39] each: zero (4) [absent], ten times column number (2)
//     and order (1), used pages (4), first page (4), flags (1), zero (9) [absent]) | 0xFFFF (the
//     empty list of long-value maps). Continuation pages have the same 8-byte header; the
//     definition goes on after it.
//
//   column descriptor, Jet 4 (25):
//     0 type | 1 zero (4) | 5 column number (2) | 7 variable index (2) | 9 column number (2)
//     11 sort order (2: 0x0409) | 13 zero (2) | 15 flags (1) | 16 compressed unicode (1)
//     17 zero (4) | 21 fixed offset (2) | 23 length in bytes (2)
//   column descriptor, Jet 3 (18):
//     0 type | 1 column number (2) | 3 variable index (2) | 5 column number (2)
//     7 sort order (2: 0x0409) | 9 code page (2: 1252 for text) | 11 zero (2) | 13 flags (1)
//     14 fixed offset (2) | 16 length in bytes (2)
//
//   usage map row, type 0 (a bitmap of the pages a table owns):
//     0 map type (0) | 1 first page the bitmap covers (4) | bitmap, bit n = page first + n
//
//   properties (the catalog's LvProp of a table):
//     "MR2\0" ["KKD\0"] | chunks, each: length with this header (4) | chunk type (2) | body.
//     Type 0x80, the names: (length (2), name in UTF-16LE [the code page]) each. Type 0x01, the
//     properties of one column: length of the body (4) | name length (2) | column name |
//     properties, each: length with this header (2) | 0 (1) | value type (1, a column type)
//     | name index (2) | value length (2) | value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jet_writer::format {

// A page buffer large enough for either format; a Jet 3 page is its first 2048 bytes.
inline constexpr std::size_t kPageSize = 4096;
using Page = std::array<unsigned char, kPageSize>;

inline constexpr std::size_t kDataRowOffsetSize = 2;
inline constexpr std::size_t kDefinitionPageHeader = 8;

// The sizes and offsets that differ between Jet 4 and Jet 3.
struct Format {
  bool jet3 = false;
  std::size_t pageSize = 0;
  unsigned char version = 0;     // page 0, offset 0x14
  std::size_t maskLength = 0;    // page 0's masked bytes from 0x18
  std::size_t dataRowCount = 0;  // a data page's row count; its row offsets follow
  std::size_t blockSize = 0;     // the definition block after the page header
  std::size_t columnDescriptorSize = 0;
  std::size_t columnLengthOffset = 0;  // in a column descriptor
  std::size_t realIndexEntrySize = 0;
  std::size_t realIndexSize = 0;
  std::size_t usageMapBytes = 0;  // the bitmap of a table's maps, as Jet sizes them
  std::size_t rowFieldSize = 0;   // a row's column count, offsets and variable count

  std::size_t DataRowOffsets() const { return dataRowCount + 2; }
  // The largest row a data page holds alone.
  std::size_t MaxRowSize() const { return pageSize - DataRowOffsets() - kDataRowOffsetSize; }
  std::size_t DefinitionCapacity() const { return pageSize - kDefinitionPageHeader; }
};

inline constexpr Format kJet4{.jet3 = false,
                              .pageSize = 4096,
                              .version = 0x01,
                              .maskLength = 128,
                              .dataRowCount = 12,
                              .blockSize = 55,
                              .columnDescriptorSize = 25,
                              .columnLengthOffset = 23,
                              .realIndexEntrySize = 12,
                              .realIndexSize = 52,
                              .usageMapBytes = 64,
                              .rowFieldSize = 2};
inline constexpr Format kJet3{.jet3 = true,
                              .pageSize = 2048,
                              .version = 0x00,
                              .maskLength = 126,
                              .dataRowCount = 8,
                              .blockSize = 35,
                              .columnDescriptorSize = 18,
                              .columnLengthOffset = 16,
                              .realIndexEntrySize = 8,
                              .realIndexSize = 39,
                              .usageMapBytes = 128,
                              .rowFieldSize = 1};

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
inline constexpr std::size_t kHeaderVersion = 0x14;
inline constexpr std::size_t kHeaderJet3SortOrder = 0x3A;
inline constexpr std::size_t kHeaderCodePage = 0x3C;
inline constexpr std::size_t kHeaderKey = 0x3E;
inline constexpr std::size_t kHeaderPassword = 0x42;
inline constexpr std::size_t kHeaderPasswordLength = 40;  // Jet 4; Jet 3's stays zero
inline constexpr std::size_t kHeaderSortOrder = 0x6E;
inline constexpr std::size_t kHeaderCreationDate = 0x72;

struct HeaderPage {
  double creationDate = 0;  // days since 1899-12-30
  void EncodeTo(Page& page, const Format& format) const;
};

// ---- data pages
// A row pointer keeps the row number in one byte.
inline constexpr std::size_t kMaxRowsPerPage = 255;
inline constexpr char kLongValueOwner[4] = {'L', 'V', 'A', 'L'};
inline constexpr std::size_t kDataOwner = 4;

// Fills a data page with rows, from the end downwards.
class DataPageBuilder {
 public:
  explicit DataPageBuilder(const Format& format) : format_(&format) {}
  // Starts an empty page owned by definition page `owner`, or a long-value page.
  void Reset(std::uint32_t owner);
  void ResetLongValues();
  std::size_t rows() const { return rows_; }
  // Whether a row of `size` bytes still fits.
  bool Fits(std::size_t size) const;
  // Adds a row (it must fit); returns its number on the page.
  std::size_t Add(const unsigned char* data, std::size_t size);
  const Page& page() const { return page_; }
  // Where row `row` starts on the page.
  std::size_t RowOffset(std::size_t row) const;

 private:
  void SetFree();
  const Format* format_;
  Page page_{};
  std::size_t rows_ = 0;
  std::size_t top_ = 0;  // where the last row added starts
};

// ---- text and memo values
// UTF-8 to UTF-16 code units; false when `utf8` is not valid UTF-8.
bool Utf8ToUtf16(const std::string& utf8, std::u16string& out);
// The stored bytes of a Jet 4 text value: compressed when allowed and every unit fits a byte.
std::string EncodeText(const std::u16string& text, bool compress);
// `text` in Windows-1252, one byte a character; false when a character has no byte there.
bool EncodeCodePage(const std::u16string& text, std::string& out);

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
inline constexpr std::size_t kDefinitionNext = 4;
inline constexpr std::size_t kDefinitionFree = 2;
inline constexpr unsigned char kTableUser = 0x4E;
inline constexpr unsigned char kTableSystem = 0x53;
inline constexpr std::size_t kRealIndexColumns = 10;

struct ColumnDescriptor {
  unsigned char type = kTypeLong;
  std::uint16_t number = 0;
  std::uint16_t variableIndex = 0;
  std::uint16_t fixedOffset = 0;
  unsigned char flags = 0;
  bool compressedUnicode = false;
  std::uint16_t length = 0;  // bytes
  void AppendTo(std::string& out, const Format& format) const;
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
  void AppendTo(std::string& out, std::uint32_t length, const Format& format) const;
};

// A column name as the definition stores it: byte count, then the characters (Jet 3: in the
// code page, which the caller has checked holds them).
void AppendName(std::string& out, const std::u16string& name, const Format& format);
// A real index that no logical index uses: no column (0xFFFF ten times), no pages.
void AppendEmptyRealIndex(std::string& out, const Format& format);

// ---- usage maps
inline constexpr std::size_t kUsageMapHeader = 5;
inline constexpr unsigned char kUsageMapInline = 0x00;

// A type-0 map of `pages` (ascending), starting at the first of them (or at `start` when
// there is none), with at least `minimumBytes` bytes of bitmap.
std::string EncodeUsageMap(const std::vector<std::uint32_t>& pages, std::uint32_t start,
                           std::size_t minimumBytes);

// ---- properties
inline constexpr char kPropertiesJet4[4] = {'M', 'R', '2', '\0'};
inline constexpr char kPropertiesJet3[4] = {'K', 'K', 'D', '\0'};
inline constexpr std::uint16_t kChunkNames = 0x80;
inline constexpr std::uint16_t kChunkColumn = 0x01;
inline constexpr std::size_t kChunkHeader = 6;
inline constexpr std::size_t kPropertyHeader = 8;

// The LvProp blob that gives each column of `requiredColumns` the Yes/No property "Required"
// set to Yes.
std::string EncodeRequiredProperties(const std::vector<std::u16string>& requiredColumns,
                                     const Format& format);

}  // namespace jet_writer::format
