// Fuzzes the Jet engine's statement reader and its name rules, the pure functions only.
//
// The whole input is a statement: whatever it holds, it is either refused with a French error
// or read as ALTER TABLE t ALTER COLUMN c type, and a statement read that way, written back
// with quoted names, reads back the same. The input also serves as a column name, carried
// through a statement verbatim whatever its bytes, and as names for the comparison and counting
// rules.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/posix/jet/engine/statement.h"
#include "platform/posix/jet/format/names.h"

namespace {

using platform::JetAlterColumn;
using platform::JetStatement;
using platform::JetStatementKind;

// `name` quoted so that the reader gives it back unchanged: in brackets, or in backquotes when it
// holds a closing bracket (a name read from either can never hold both).
std::string Quote(const std::string& name) {
  if (name.find(']') == std::string::npos) return "[" + name + "]";
  FUZZ_CHECK(name.find('`') == std::string::npos);
  return "`" + name + "`";
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

void CheckRefusal(const JetStatement& statement) {
  FUZZ_CHECK(statement.kind == JetStatementKind::kRefused);
  FUZZ_CHECK(!statement.status.message().empty());
  FUZZ_CHECK(statement.status.message().back() == '.');
}

// A statement read as ALTER COLUMN: its type is written in upper case, a text length is one
// Jet allows, and written back it reads the same.
void CheckAlter(const JetStatement& statement) {
  FUZZ_CHECK(statement.status.message().empty());
  const JetAlterColumn& alter = statement.alter;
  FUZZ_CHECK(!alter.type.empty());
  FUZZ_CHECK(AsciiUpper(alter.type) == alter.type);
  if (alter.textLength) {
    FUZZ_CHECK(*alter.textLength >= 1 && *alter.textLength <= platform::kJetMaxTextLength);
    FUZZ_CHECK(alter.type.back() == ')');
  }
  const std::string again = "ALTER TABLE " + Quote(alter.table) + " ALTER COLUMN " +
                            Quote(alter.column) + " " + alter.type + ";";
  const JetStatement reread = platform::ParseJetStatement(again);
  FUZZ_CHECK(reread.kind == JetStatementKind::kAlterColumn);
  FUZZ_CHECK(reread.alter.table == alter.table);
  FUZZ_CHECK(reread.alter.column == alter.column);
  FUZZ_CHECK(reread.alter.type == alter.type);
  FUZZ_CHECK(reread.alter.textLength == alter.textLength);
}

// Any bytes without a closing bracket are a column name the statement carries verbatim; the
// length decides alone whether it is taken.
void CheckColumnNameCarried(const std::string& name, int length) {
  if (name.find(']') != std::string::npos) return;
  const JetStatement statement = platform::ParseJetStatement(
      "ALTER TABLE [nuv] ALTER COLUMN [" + name + "] TEXT(" + std::to_string(length) + ")");
  if (length < 1 || length > platform::kJetMaxTextLength) {
    CheckRefusal(statement);
    return;
  }
  FUZZ_CHECK(statement.kind == JetStatementKind::kAlterColumn);
  FUZZ_CHECK(statement.alter.table == "nuv");
  FUZZ_CHECK(statement.alter.column == name);
  FUZZ_CHECK(statement.alter.textLength == length);
  FUZZ_CHECK(statement.alter.type == "TEXT(" + std::to_string(length) + ")");
}

// Jet's name comparison is an equivalence that ignores ASCII case; its character count grows by
// one for each ASCII character appended and never exceeds the byte count.
void CheckNameRules(const std::string& name) {
  FUZZ_CHECK(platform::SameJetName(name, name));
  FUZZ_CHECK(platform::SameJetName(name, AsciiUpper(name)));
  const std::string other = name.substr(0, name.size() / 2);
  FUZZ_CHECK(platform::SameJetName(name, other) == platform::SameJetName(other, name));
  const std::size_t count = platform::JetCharacterCount(name);
  FUZZ_CHECK(count <= name.size());
  FUZZ_CHECK(count > 0 || name.empty());
  FUZZ_CHECK(platform::JetCharacterCount(name + "a") == count + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const JetStatement statement = platform::ParseJetStatement(text);
  if (statement.kind == JetStatementKind::kAlterColumn) {
    CheckAlter(statement);
  } else {
    CheckRefusal(statement);
  }
  CheckColumnNameCarried(text, static_cast<int>(size % 300));
  CheckNameRules(text);
  return 0;
}
