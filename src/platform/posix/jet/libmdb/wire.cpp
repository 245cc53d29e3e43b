// The libmdb child's messages on its pipe: one list of fields per part, read by an encoder or a
// decoder.
#include "platform/posix/jet/libmdb/wire.h"

#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr char kTableMagic[] = "JETVIEW1";
constexpr char kScanMagic[] = "JETSCAN1";
constexpr char kEnd[] = "END.";
constexpr char kScanStarts[] = "SCAN";
constexpr std::size_t kMaxName = 4096;
constexpr std::uint32_t kMaxColumns = 4096;

// The fields of each part in their order on the pipe. `io` is an Encoder (over const fields) or
// a Decoder; each call is false when decoding fails, and encoding never fails.
template <typename Io, typename Column>
bool ColumnFields(Io& io, Column& column) {
  return io.Text(column.name) && io.Int(column.number) && io.Int(column.type) &&
         io.Int(column.size) && io.Flag(column.fixed);
}

template <typename Io, typename View>
bool TableFields(Io& io, View& view) {
  return io.Text(view.failure) && io.Flag(view.tableFound) && io.Text(view.table) &&
         io.U32(view.firstPage) && io.Flag(view.systemTable) && io.U32(view.tablesOnDefinition) &&
         io.Columns(view.columns) && io.U32(view.relationships);
}

template <typename Io, typename Scan>
bool ScanFields(Io& io, Scan& scan) {
  return io.Text(scan.failure) && io.Flag(scan.scanned) && io.U64(scan.rows) &&
         io.U64(scan.tooLong);
}

class Encoder {
 public:
  explicit Encoder(std::string magic) : out_(std::move(magic)) {}
  bool U32(std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out_ += static_cast<char>((v >> (8 * k)) & 0xFF);
    return true;
  }
  bool U64(std::uint64_t v) {
    return U32(static_cast<std::uint32_t>(v)) && U32(static_cast<std::uint32_t>(v >> 32));
  }
  bool Int(int v) { return U32(static_cast<std::uint32_t>(v)); }
  bool Flag(bool v) { return U32(v ? 1 : 0); }
  bool Text(const std::string& s) {
    U32(static_cast<std::uint32_t>(s.size()));
    out_ += s;
    return true;
  }
  bool Columns(const std::vector<LibmdbColumn>& columns) {
    U32(static_cast<std::uint32_t>(columns.size()));
    for (const LibmdbColumn& column : columns) ColumnFields(*this, column);
    return true;
  }
  std::string Take() { return std::move(out_); }
  std::string Finish() { return Take() + kEnd; }

 private:
  std::string out_;
};

class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : bytes_(bytes) {}
  bool U32(std::uint32_t& v) {
    if (bytes_.size() - at_ < 4) return false;
    v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes_[at_ + k]);
    at_ += 4;
    return true;
  }
  bool U64(std::uint64_t& v) {
    std::uint32_t low = 0, high = 0;
    if (!U32(low) || !U32(high)) return false;
    v = static_cast<std::uint64_t>(high) << 32 | low;
    return true;
  }
  bool Int(int& v) {
    std::uint32_t u = 0;
    if (!U32(u)) return false;
    v = static_cast<int>(static_cast<std::int32_t>(u));
    return true;
  }
  bool Flag(bool& v) {
    std::uint32_t u = 0;
    if (!U32(u) || u > 1) return false;
    v = u == 1;
    return true;
  }
  bool Text(std::string& s) {
    std::uint32_t length = 0;
    if (!U32(length) || length > kMaxName || bytes_.size() - at_ < length) return false;
    s.assign(bytes_.substr(at_, length));
    at_ += length;
    return true;
  }
  bool Columns(std::vector<LibmdbColumn>& columns) {
    std::uint32_t count = 0;
    if (!U32(count) || count > kMaxColumns) return false;
    columns.assign(count, LibmdbColumn{});
    for (LibmdbColumn& column : columns) {
      if (!ColumnFields(*this, column)) return false;
    }
    return true;
  }
  bool Literal(std::string_view text) {
    if (bytes_.substr(at_, text.size()) != text) return false;
    at_ += text.size();
    return true;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }
  std::size_t at() const { return at_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::string EncodeTablePart(const LibmdbView& view) {
  Encoder out(kTableMagic);
  TableFields(out, view);
  return out.Finish();
}

std::size_t DecodeTablePart(std::string_view bytes, LibmdbView& out) {
  Decoder in(bytes);
  LibmdbView view;
  if (!in.Literal(kTableMagic) || !TableFields(in, view) || !in.Literal(kEnd)) return 0;
  view.scan = std::move(out.scan);
  out = std::move(view);
  return in.at();
}

std::string EncodeScanPart(const LibmdbScan& scan) {
  Encoder out(kScanMagic);
  ScanFields(out, scan);
  return out.Finish();
}

bool DecodeScanPart(std::string_view bytes, LibmdbScan& out) {
  Decoder in(bytes);
  LibmdbScan scan;
  if (!in.Literal(kScanMagic) || !ScanFields(in, scan) || !in.Literal(kEnd) || !in.AtEnd()) {
    return false;
  }
  out = std::move(scan);
  return true;
}

std::string EncodeScanStarts(std::uint32_t tablePages) {
  Encoder out(kScanStarts);
  out.U32(tablePages);
  return out.Take();
}

std::size_t DecodeScanStarts(std::string_view bytes, std::uint32_t& tablePages) {
  Decoder in(bytes);
  if (!in.Literal(kScanStarts) || !in.U32(tablePages)) return 0;
  return in.at();
}

}  // namespace platform
