// Reads the one statement the Jet engine carries out, with pure functions.
//
// The engine carries out one statement, ALTER TABLE t ALTER COLUMN c type, and only for a
// variable-length text type with a length: TEXT(n) and its synonyms. Names are bare words,
// [bracketed] or `quoted`, as Jet writes them; blanks between words are C's white space
// (text::IsStatementBlank); a final ";" is allowed. Everything else is read only far enough to
// be refused with the French error Jet would give in its manner. The functions are total: any
// text gives an answer, never a crash.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"

namespace platform {

// Jet's largest TEXT(n).
inline constexpr int kJetMaxTextLength = 255;

struct JetAlterColumn {
  std::string table;   // unquoted
  std::string column;  // unquoted
  std::string type;    // as written, upper case, e.g. "TEXT(96)", "MEMO", "CHAR(5)"
  // Set when the type is a variable-length text type with one size from 1 to 255.
  std::optional<int> textLength;
};

enum class JetStatementKind {
  kAlterColumn,  // `alter` is filled
  kRefused,      // `status` says why (syntax, another statement, a size out of range)
};

struct JetStatement {
  JetStatementKind kind = JetStatementKind::kRefused;
  JetAlterColumn alter;
  base::Status status;  // kRefused with kRefused, its French message ending in a period
};

JetStatement ParseJetStatement(std::string_view text);

}  // namespace platform
