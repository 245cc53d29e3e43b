// Reads an OLE DB connection string into its key=value pairs and finds the value that counts.
//
// The rules are OLE DB's: "key=value" pairs separated by ";"; keys are case-insensitive and
// trimmed, and "==" inside a key stands for one "="; a value may be enclosed in double or single
// quotes, and inside it a doubled quote of the same kind stands for one; an unquoted value is
// trimmed. Trimming takes off space, tab, CR and LF only (text::IsConnectionStringBlank). When a
// key occurs more than once the last occurrence counts, except Provider, where the first one does.
// Parsing is a pure function of the text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct ConnectionString {
  // Every pair in the order written; keys lower-cased (ASCII), values as meant.
  std::vector<std::pair<std::string, std::string>> pairs;

  // The value that counts for `key` (any case), or nothing when the key is absent.
  std::optional<std::string> Find(std::string_view key) const;
};

// Parses `text`. On a malformed string (a pair without "=", an empty key, an unterminated
// quote, text after a closing quote) returns false and describes the fault in French in `error`.
bool ParseConnectionString(std::string_view text, ConnectionString& out, std::string& error);

// ASCII-only case-insensitive comparison, as OLE DB compares keys and provider names.
bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace platform
