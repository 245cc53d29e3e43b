// The Linux side of the database seam: the libmdb child's messages on its pipe.
#include "platform/posix/jet/libmdb/wire.h"

#include <utility>

namespace platform {

namespace {

constexpr char kMagic[] = "JETVIEW1";
constexpr char kEnd[] = "END.";
constexpr char kScanStarts[] = "SCAN";
constexpr std::size_t kMaxName = 4096;
constexpr std::uint32_t kMaxColumns = 4096;

void PutU32(std::string& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
}
void PutU64(std::string& out, std::uint64_t v) {
  PutU32(out, static_cast<std::uint32_t>(v));
  PutU32(out, static_cast<std::uint32_t>(v >> 32));
}
void PutString(std::string& out, const std::string& s) {
  PutU32(out, static_cast<std::uint32_t>(s.size()));
  out += s;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
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
  bool String(std::string& s) {
    std::uint32_t length = 0;
    if (!U32(length) || length > kMaxName || bytes_.size() - at_ < length) return false;
    s.assign(bytes_.substr(at_, length));
    at_ += length;
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

bool DecodeColumns(Reader& in, LibmdbView& view) {
  std::uint32_t columns = 0;
  if (!in.U32(columns) || columns > kMaxColumns) return false;
  for (std::uint32_t k = 0; k < columns; ++k) {
    LibmdbColumn column;
    if (!in.String(column.name) || !in.Int(column.number) || !in.Int(column.type) ||
        !in.Int(column.size) || !in.Flag(column.fixed)) {
      return false;
    }
    view.columns.push_back(std::move(column));
  }
  return true;
}

}  // namespace

std::string EncodeLibmdbView(const LibmdbView& view) {
  std::string out = kMagic;
  PutString(out, view.failure);
  PutU32(out, view.tableFound ? 1 : 0);
  PutString(out, view.table);
  PutU32(out, view.firstPage);
  PutU32(out, view.systemTable ? 1 : 0);
  PutU32(out, view.tablesOnDefinition);
  PutU32(out, static_cast<std::uint32_t>(view.columns.size()));
  for (const LibmdbColumn& column : view.columns) {
    PutString(out, column.name);
    PutU32(out, static_cast<std::uint32_t>(column.number));
    PutU32(out, static_cast<std::uint32_t>(column.type));
    PutU32(out, static_cast<std::uint32_t>(column.size));
    PutU32(out, column.fixed ? 1 : 0);
  }
  PutU32(out, view.relationships);
  PutU32(out, view.scanned ? 1 : 0);
  PutU64(out, view.rows);
  PutU64(out, view.tooLong);
  out += kEnd;
  return out;
}

bool DecodeLibmdbView(std::string_view bytes, LibmdbView& out) {
  Reader in(bytes);
  LibmdbView view;
  if (!in.Literal(kMagic) || !in.String(view.failure) || !in.Flag(view.tableFound) ||
      !in.String(view.table) || !in.U32(view.firstPage) || !in.Flag(view.systemTable) ||
      !in.U32(view.tablesOnDefinition) || !DecodeColumns(in, view) || !in.U32(view.relationships) ||
      !in.Flag(view.scanned) || !in.U64(view.rows) || !in.U64(view.tooLong) || !in.Literal(kEnd) ||
      !in.AtEnd()) {
    return false;
  }
  out = std::move(view);
  return true;
}

std::string EncodeScanStarts(std::uint32_t tablePages) {
  std::string out = kScanStarts;
  PutU32(out, tablePages);
  return out;
}

std::size_t DecodeScanStarts(std::string_view bytes, std::uint32_t& tablePages) {
  Reader in(bytes);
  if (!in.Literal(kScanStarts) || !in.U32(tablePages)) return 0;
  return in.at();
}

}  // namespace platform
