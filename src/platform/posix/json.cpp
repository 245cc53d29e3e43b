// Linux side: a reader of JSON text.
#include "platform/posix/json.h"

namespace platform {

namespace {

constexpr int kMaxDepth = 64;

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  bool Document(JsonValue& out) {
    if (!Value(out, 0)) return false;
    SkipBlanks();
    return at_ == text_.size();
  }

 private:
  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  bool Take(char expected) {
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != expected) return false;
    ++at_;
    return true;
  }

  bool Word(const char* word) {
    const std::string expected(word);
    if (text_.compare(at_, expected.size(), expected) != 0) return false;
    at_ += expected.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    SkipBlanks();
    if (at_ >= text_.size() || depth > kMaxDepth) return false;
    const char c = text_[at_];
    if (c == '{') return Object(out, depth);
    if (c == '[') return Array(out, depth);
    if (c == '"') {
      out.kind = JsonValue::Kind::kString;
      return String(out.text);
    }
    if (c == 't' || c == 'f') {
      out.kind = JsonValue::Kind::kBoolean;
      out.boolean = c == 't';
      return Word(c == 't' ? "true" : "false");
    }
    if (c == 'n') return Word("null");
    return Number(out);
  }

  bool Number(JsonValue& out) {
    const std::size_t start = at_;
    while (at_ < text_.size() &&
           std::string("+-0123456789.eE").find(text_[at_]) != std::string::npos) {
      ++at_;
    }
    if (at_ == start) return false;
    out.kind = JsonValue::Kind::kNumber;
    out.text = text_.substr(start, at_ - start);
    return true;
  }

  bool Array(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kArray;
    ++at_;
    if (Take(']')) return true;
    do {
      out.items.emplace_back();
      if (!Value(out.items.back(), depth + 1)) return false;
    } while (Take(','));
    return Take(']');
  }

  bool Object(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kObject;
    ++at_;
    if (Take('}')) return true;
    do {
      std::string name;
      SkipBlanks();
      if (!String(name) || !Take(':')) return false;
      out.members.emplace_back(std::move(name), JsonValue{});
      if (!Value(out.members.back().second, depth + 1)) return false;
    } while (Take(','));
    return Take('}');
  }

  // Four hexadecimal digits after "\u".
  bool Hex4(unsigned& out) {
    if (text_.size() - at_ < 4) return false;
    out = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text_[at_++];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      out = out * 16 + static_cast<unsigned>(digit);
    }
    return true;
  }

  static void AppendUtf8(unsigned code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // "\uXXXX", a surrogate pair taken whole; a lone surrogate becomes U+FFFD.
  bool Unicode(std::string& out) {
    unsigned code = 0;
    if (!Hex4(code)) return false;
    if (code >= 0xD800 && code < 0xDC00 && text_.compare(at_, 2, "\\u") == 0) {
      const std::size_t back = at_;
      at_ += 2;
      unsigned low = 0;
      if (Hex4(low) && low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      } else {
        at_ = back;
      }
    }
    AppendUtf8(code >= 0xD800 && code < 0xE000 ? 0xFFFD : code, out);
    return true;
  }

  bool String(std::string& out) {
    if (at_ >= text_.size() || text_[at_] != '"') return false;
    ++at_;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char escaped = text_[at_++];
      const std::string from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
      if (escaped == 'u') {
        if (!Unicode(out)) return false;
      } else if (const std::size_t k = from.find(escaped); k != std::string::npos) {
        out += to[k];
      } else {
        return false;
      }
    }
    return false;
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(const std::string& name) const {
  for (const auto& [key, value] : members) {
    if (key == name) return &value;
  }
  return nullptr;
}

std::string JsonValue::StringAt(const std::string& name) const {
  const JsonValue* value = Find(name);
  return value != nullptr && value->kind == Kind::kString ? value->text : "";
}

std::optional<bool> JsonValue::BooleanAt(const std::string& name) const {
  const JsonValue* value = Find(name);
  if (value == nullptr || value->kind != Kind::kBoolean) return std::nullopt;
  return value->boolean;
}

std::optional<JsonValue> ParseJson(const std::string& text) {
  JsonValue value;
  if (!Reader(text).Document(value)) return std::nullopt;
  return value;
}

}  // namespace platform
