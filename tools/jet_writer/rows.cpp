// Rows and long values, encoded.
#include "rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace jet_writer {

namespace f = format;

namespace {

// Memo values up to this many stored bytes stay in the row.
constexpr std::size_t kInlineMemoLimit = 128;
// Longer memo texts are never compressed.
constexpr std::size_t kCompressedMemoLimit = 1024;
// A long value's length has 22 bits here.
constexpr std::size_t kMaxLongValue = 0x3FFFFF;

bool IsNull(const Value& v) {
  return std::holds_alternative<std::monostate>(v);
}

// Whether generator value `v` is of the kind column `c` holds. A text's characters are checked
// when it is encoded.
base::Status CheckKind(const Column& c, const Value& v) {
  if (IsNull(v)) {
    return c.required && c.kind != ColumnType::kYesNo
               ? base::Status::Refused("a required value is null")
               : base::Status::Ok();
  }
  switch (c.kind) {
    case ColumnType::kLong:
      if (!std::holds_alternative<std::int32_t>(v)) return base::Status::Refused("not a Long");
      break;
    case ColumnType::kDateTime:
      if (!std::holds_alternative<double>(v) || !std::isfinite(std::get<double>(v))) {
        return base::Status::Refused("not a date");
      }
      break;
    case ColumnType::kYesNo:
      if (!std::holds_alternative<bool>(v)) return base::Status::Refused("not a Yes/No");
      break;
    case ColumnType::kText:
    case ColumnType::kMemo:
      if (!std::holds_alternative<std::string>(v)) return base::Status::Refused("not a text");
      break;
  }
  return base::Status::Ok();
}

// Jet 3's end of a row before its null mask: the end of data and the offsets in one byte each,
// last first, the jump table and the variable count (see jet_format.h).
void AppendJet3Offsets(const Model& model, std::vector<std::uint16_t> offsets, std::size_t maskSize,
                       std::string& out) {
  const std::size_t end = out.size();
  offsets.push_back(static_cast<std::uint16_t>(end));  // the end of data is the last offset
  const std::size_t fixedPart = end + offsets.size() + 1 + maskSize;
  std::size_t jumps = 0;
  while ((fixedPart + jumps - 1) / 256 > jumps) ++jumps;
  const std::size_t used = end / 256;
  if (used + 1 < jumps || used > jumps) {
    throw JetWriterError::Refused("a row of table " + model.name + " cannot be laid out in Jet 3");
  }
  for (std::size_t k = offsets.size(); k-- > 0;)
    out.push_back(static_cast<char>(offsets[k] & 0xFF));
  if (used < jumps) out.push_back(static_cast<char>(0xFF));  // a filler, farthest from the count
  for (std::size_t k = used; k-- > 0;) {
    std::size_t first = 0;
    while (offsets[first] < 256 * (k + 1)) ++first;
    out.push_back(static_cast<char>(first));
  }
  out.push_back(static_cast<char>(model.variableColumns));
}

// Jet 4's end of a row before its null mask: the end of data, the offsets last first and the
// variable count, two bytes each.
void AppendJet4Offsets(const Model& model, const std::vector<std::uint16_t>& offsets,
                       std::string& out) {
  f::Append16(out, static_cast<std::uint32_t>(out.size()));  // end of the variable data
  for (std::size_t k = offsets.size(); k-- > 0;) f::Append16(out, offsets[k]);
  f::Append16(out, model.variableColumns);
}

// Marks column `c` present in a row's null mask (a Yes/No column: its value is Yes).
void MarkPresent(std::vector<unsigned char>& nullMask, const Column& c) {
  nullMask[c.number / 8] =
      static_cast<unsigned char>(nullMask[c.number / 8] | (1 << (c.number % 8)));
}

}  // namespace

// ---- long values

void LongValues::Store(const std::string& data, std::string& out) {
  f::MemoHeader header;
  header.length = static_cast<std::uint32_t>(data.size());
  if (data.size() > kMaxLongValue)
    throw JetWriterError::Refused("a long value holds more than 4 MB");
  if (data.size() <= kInlineMemoLimit) {
    header.kind = f::kMemoInline;
    header.AppendTo(out);
    out += data;
    return;
  }
  if (data.size() <= format_.MaxRowSize()) {
    header.kind = f::kMemoOneRow;
    header.rowPointer = AddRow(data.data(), data.size());
  } else {
    // A chain, written last piece first so that each piece knows the next one's row.
    const std::size_t kPiece = format_.MaxRowSize() - f::kMemoNextPointerSize;
    const std::size_t pieces = (data.size() + kPiece - 1) / kPiece;
    std::uint32_t next = 0;
    std::string row;
    for (std::size_t k = pieces; k-- > 0;) {
      const std::size_t start = k * kPiece;
      row.clear();
      f::Append32(row, next);
      row.append(data, start, std::min(kPiece, data.size() - start));
      next = AddRow(row.data(), row.size());
    }
    header.kind = f::kMemoChain;
    header.rowPointer = next;
  }
  header.AppendTo(out);
}

void LongValues::Finish() {
  if (open_) file_.Write(page_, builder_.page());
  open_ = false;
}

std::uint32_t LongValues::AddRow(const char* data, std::size_t size) {
  if (open_ && !builder_.Fits(size)) Finish();
  if (!open_) {
    builder_.ResetLongValues();
    page_ = file_.Allocate();
    open_ = true;
  }
  const std::size_t row = builder_.Add(reinterpret_cast<const unsigned char*>(data), size);
  return (page_ << 8) | static_cast<std::uint32_t>(row);
}

// ---- rows

base::Status RowEncoder::Encode(std::vector<Value>& row, std::string& out) {
  const f::Format& format = *model_.format;
  out.clear();
  f::Append16(out, model_.maxColumns);
  out.resize(format.rowFieldSize + model_.fixedSize, '\0');
  std::vector<unsigned char> nullMask((model_.maxColumns + 7) / 8, 0);
  std::vector<std::uint16_t> offsets(model_.variableColumns, 0);
  for (std::size_t k = 0; k < model_.columns.size(); ++k) {
    const Column& c = model_.columns[k];
    bool present = false;
    base::Status s = model_.checkValues ? CheckKind(c, row[k]) : base::Status::Ok();
    if (s.ok() && c.autoNumber) NumberAuto(row[k]);
    if (s.ok() && c.fixed) {
      auto* at = reinterpret_cast<unsigned char*>(out.data() + format.rowFieldSize + c.fixedOffset);
      s = PutFixed(c, row[k], at, present);
    } else if (s.ok()) {
      offsets[c.variableIndex] = static_cast<std::uint16_t>(out.size());
      present = !IsNull(row[k]);
      if (present) s = AppendVariable(c, row[k], out);
    }
    if (!s.ok()) return base::Status::Refused("column " + c.name + ": " + s.message());
    if (present) MarkPresent(nullMask, c);
  }
  if (model_.variableColumns > 0 && !format.jet3) {
    AppendJet4Offsets(model_, offsets, out);
  } else if (model_.variableColumns > 0) {
    AppendJet3Offsets(model_, offsets, nullMask.size(), out);
  }
  out.append(reinterpret_cast<const char*>(nullMask.data()), nullMask.size());
  if (out.size() > format.MaxRowSize()) {
    throw JetWriterError::Refused("a row of table " + model_.name + " takes " +
                                  std::to_string(out.size()) + " bytes, more than a page holds");
  }
  return base::Status::Ok();
}

void RowEncoder::NumberAuto(Value& v) {
  if (IsNull(v)) {
    // Refused rather than wrapped round to a negative number.
    if (lastAutoNumber_ >= std::numeric_limits<std::int32_t>::max()) {
      throw JetWriterError::Refused("table " + model_.name +
                                    ": the auto-numbers pass the largest Long");
    }
    v = static_cast<std::int32_t>(lastAutoNumber_ + 1);
  }
  lastAutoNumber_ = std::max<std::int64_t>(lastAutoNumber_, std::get<std::int32_t>(v));
}

base::Status RowEncoder::PutFixed(const Column& c, const Value& v, unsigned char* at,
                                  bool& present) {
  if (c.type == f::kTypeBool) {
    present = std::holds_alternative<bool>(v) && std::get<bool>(v);
    return base::Status::Ok();
  }
  present = !IsNull(v);
  if (!present) return base::Status::Ok();
  switch (c.type) {
    case f::kTypeInteger:
      f::Put16(at, static_cast<std::uint32_t>(std::get<std::int32_t>(v)));
      break;
    case f::kTypeLong:
      f::Put32(at, static_cast<std::uint32_t>(std::get<std::int32_t>(v)));
      break;
    case f::kTypeDateTime:
      f::Put64(at, std::get<double>(v));
      break;
    case f::kTypeText: {  // fixed length: uncompressed, padded with spaces
      std::string bytes;
      base::Status s = StoredText(c, v, bytes);
      if (s.ok()) std::memcpy(at, bytes.data(), bytes.size());
      return s;
    }
    default:
      break;
  }
  return base::Status::Ok();
}

base::Status RowEncoder::AppendVariable(const Column& c, const Value& v, std::string& out) {
  if (c.type == f::kTypeText || c.type == f::kTypeMemo) {
    std::string bytes;
    base::Status s = StoredText(c, v, bytes);
    if (!s.ok()) return s;
    if (c.type == f::kTypeText) {
      out += bytes;
    } else {
      longValues_.Store(bytes, out);
    }
  } else if (c.type == f::kTypeOle) {
    longValues_.Store(std::get<std::string>(v), out);
  } else {  // binary
    out += std::get<std::string>(v);
  }
  return base::Status::Ok();
}

base::Status RowEncoder::StoredText(const Column& c, const Value& v, std::string& bytes) {
  if (!f::Utf8ToUtf16(std::get<std::string>(v), text_)) return base::Status::Refused("not UTF-8");
  if (model_.checkValues && c.kind == ColumnType::kText &&
      text_.size() > static_cast<std::size_t>(c.characters)) {
    return base::Status::Refused("longer than the column");
  }
  bool compress = c.compressed;
  if (c.type == f::kTypeText && c.fixed) {
    text_.resize(static_cast<std::size_t>(c.characters), u' ');
    compress = false;
  } else if (c.type == f::kTypeMemo) {
    compress = compress && text_.size() <= kCompressedMemoLimit;
  }
  if (!model_.format->jet3) {
    bytes = f::EncodeText(text_, compress);
  } else if (!f::EncodeCodePage(text_, bytes)) {
    return base::Status::Refused("a character that Windows-1252 cannot hold");
  }
  return base::Status::Ok();
}

}  // namespace jet_writer
