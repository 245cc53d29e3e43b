// Reads the one statement the Jet engine carries out, and refuses every other in Jet's words.
#include "platform/posix/jet/engine/statement.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "base/char_classes.h"
#include "base/text.h"

namespace platform {

namespace {

enum class TokenKind { kWord, kNumber, kName, kPunct, kString, kUnterminated };

struct Token {
  TokenKind kind;
  std::string text;  // the word as written, the name unquoted, the punctuation character
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Splits the text into tokens; an unclosed quote or bracket is the last token, kUnterminated.
std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (text::IsStatementBlank(c)) {
      ++i;
    } else if (c == '[' || c == '`' || c == '"' || c == '\'') {
      const std::size_t end = text.find(c == '[' ? ']' : c, i + 1);
      if (end == std::string_view::npos) {
        tokens.push_back({TokenKind::kUnterminated, std::string(text.substr(i))});
        break;
      }
      const bool isString = c == '"' || c == '\'';
      tokens.push_back({isString ? TokenKind::kString : TokenKind::kName,
                        std::string(text.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (text::IsNameChar(c)) {
      std::size_t end = i;
      bool digits = true;
      for (; end < n && text::IsNameChar(text[end]); ++end) digits = digits && IsDigit(text[end]);
      tokens.push_back(
          {digits ? TokenKind::kNumber : TokenKind::kWord, std::string(text.substr(i, end - i))});
      i = end;
    } else {
      tokens.push_back({TokenKind::kPunct, std::string(1, c)});
      ++i;
    }
  }
  return tokens;
}

// Reads the tokens front to back. Accept takes the next token when it is the one asked for;
// Expect takes it or refuses the statement with the one syntax error. The first refusal is the
// statement's: from then on the cursor stands at the end, so nothing more is taken and every
// later refusal is ignored; the readers below return as soon as they see it.
class Cursor {
 public:
  explicit Cursor(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  bool AtEnd() const { return refused() || next_ == tokens_.size(); }
  bool refused() const { return !status_.ok(); }
  const base::Status& status() const { return status_; }
  void Refuse(std::string error) {
    if (!refused()) status_ = base::Status::Refused(std::move(error));
  }
  // Whether the text ends in an unclosed quote or bracket.
  bool Unterminated() const {
    return !tokens_.empty() && tokens_.back().kind == TokenKind::kUnterminated;
  }
  // The next token if it is a bare word, in upper case; otherwise empty.
  std::string PeekWord() const { return Is(TokenKind::kWord) ? text::AsciiUpper(Text()) : ""; }
  bool Peek(std::string_view keyword) const { return PeekWord() == keyword; }

  bool Accept(std::string_view keyword) { return Peek(keyword) && Take(); }
  bool AcceptPunct(char c) { return Is(TokenKind::kPunct) && Text()[0] == c && Take(); }
  std::optional<std::string> AcceptWord() {
    if (!Is(TokenKind::kWord)) return std::nullopt;
    return text::AsciiUpper(TakeText());
  }
  std::optional<std::string> AcceptNumber() {
    if (!Is(TokenKind::kNumber)) return std::nullopt;
    return TakeText();
  }

  void Expect(std::string_view keyword) { Require(Accept(keyword)); }
  void ExpectPunct(char c) { Require(AcceptPunct(c)); }
  // A bare word or a [bracketed] or `quoted` name, unquoted.
  std::string ExpectName() {
    Require(Is(TokenKind::kWord) || Is(TokenKind::kName));
    return refused() ? std::string() : TakeText();
  }
  std::string ExpectWord() { return Required(AcceptWord()); }
  std::string ExpectNumber() { return Required(AcceptNumber()); }
  // The syntax error unless `ok`.
  void Require(bool ok) {
    if (!ok) Refuse("Erreur de syntaxe dans l'instruction ALTER TABLE.");
  }

 private:
  std::string Required(std::optional<std::string> token) {
    Require(token.has_value());
    return token.value_or("");
  }
  bool Is(TokenKind kind) const { return !AtEnd() && tokens_[next_].kind == kind; }
  const std::string& Text() const { return tokens_[next_].text; }
  // Takes the next token; true, so that it ends a test that chose the token.
  bool Take() {
    ++next_;
    return true;
  }
  std::string TakeText() { return tokens_[next_++].text; }

  std::vector<Token> tokens_;
  std::size_t next_ = 0;
  base::Status status_;
};

// Takes "ALTER TABLE", refusing every other statement with its own reason.
void ReadAlterTable(Cursor& in) {
  if (in.AtEnd()) return in.Refuse("L'instruction SQL est vide.");
  const std::string first = in.PeekWord();
  for (const char* data : {"SELECT", "INSERT", "UPDATE", "DELETE", "TRANSFORM", "PARAMETERS"}) {
    if (first == data) {
      return in.Refuse(
          "Instruction non prise en charge : ce moteur Jet ne lit ni ne modifie les données des "
          "tables ; il ne change que la longueur d'une colonne Texte (ALTER TABLE t ALTER COLUMN c "
          "TEXT(n)).");
    }
  }
  const bool alterTable = in.Accept("ALTER") && in.Accept("TABLE");
  if (first == "CREATE" || first == "DROP" || (first == "ALTER" && !alterTable)) {
    return in.Refuse(
        "Instruction de définition de données non prise en charge : ce moteur Jet ne change que "
        "la longueur d'une colonne Texte (ALTER TABLE t ALTER COLUMN c TEXT(n)).");
  }
  if (!alterTable) {
    return in.Refuse(
        "Instruction SQL non valide ; 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' ou 'UPDATE' "
        "attendu.");
  }
  in.Require(!in.Unterminated());
}

// The type: one or more words, then an optional (size) or (precision, scale); a comma after
// the last number is let through.
struct ColumnType {
  std::string words;               // upper case, one space between words
  std::vector<std::string> sizes;  // digits as written
};

ColumnType ReadType(Cursor& in) {
  ColumnType type{in.ExpectWord(), {}};
  while (std::optional<std::string> word = in.AcceptWord()) type.words += ' ' + *word;
  if (in.AcceptPunct('(')) {
    type.sizes.push_back(in.ExpectNumber());
    if (in.AcceptPunct(',')) {
      if (std::optional<std::string> scale = in.AcceptNumber()) {
        type.sizes.push_back(*scale);
        in.AcceptPunct(',');
      }
    }
    in.ExpectPunct(')');
  }
  return type;
}

// Nothing may follow but a final ";"; a constraint gets its own reason.
void ExpectEnd(Cursor& in) {
  in.AcceptPunct(';');
  if (in.AtEnd()) return;
  for (const char* constraint :
       {"NOT", "NULL", "CONSTRAINT", "PRIMARY", "UNIQUE", "REFERENCES", "DEFAULT", "WITH"}) {
    if (in.Peek(constraint)) {
      return in.Refuse(
          "Instruction ALTER COLUMN non prise en charge : ce moteur Jet ne change que la "
          "longueur d'une colonne Texte, sans contrainte ni valeur par défaut.");
    }
  }
  in.Refuse("Caractères trouvés après la fin de l'instruction SQL.");
}

// Jet's words for a variable-length text column (CHAR(n) and its kin are fixed-length).
bool IsTextTypeWord(const std::string& word) {
  return word == "TEXT" || word == "VARCHAR" || word == "NVARCHAR" || word == "ALPHANUMERIC" ||
         word == "STRING" || word == "CHARACTER VARYING" || word == "NATIONAL CHARACTER VARYING" ||
         word == "NATIONAL CHAR VARYING";
}

// A text column's length from its digits: 1 to kJetMaxTextLength, leading zeros allowed.
int TextLength(Cursor& in, const std::string& digits) {
  const std::size_t start = digits.find_first_not_of('0');
  const std::string significant = start == std::string::npos ? "0" : digits.substr(start);
  if (significant.size() > 3 || std::stoi(significant) > kJetMaxTextLength) {
    in.Refuse("Taille du champ trop grande : une colonne Texte compte au plus " +
              std::to_string(kJetMaxTextLength) + " caractères.");
    return 0;
  }
  const int length = std::stoi(significant);
  if (length < 1) in.Refuse("Taille de champ non valide : TEXT(0).");
  return length;
}

// ALTER TABLE name ALTER [COLUMN] name type [;]
JetAlterColumn ReadAlterColumn(Cursor& in) {
  JetAlterColumn alter;
  ReadAlterTable(in);
  if (in.refused()) return alter;
  alter.table = in.ExpectName();
  if (in.Peek("ADD") || in.Peek("DROP")) {
    in.Refuse(
        "Instruction ALTER TABLE non prise en charge : ce moteur Jet n'ajoute ni ne supprime "
        "de colonne ou de contrainte ; il ne change que la longueur d'une colonne Texte "
        "(ALTER COLUMN c TEXT(n)).");
  }
  in.Expect("ALTER");
  in.Accept("COLUMN");
  alter.column = in.ExpectName();
  const ColumnType type = ReadType(in);
  ExpectEnd(in);
  if (in.refused()) return alter;
  alter.type = type.words;
  if (!type.sizes.empty()) {
    alter.type += '(' + type.sizes[0] + (type.sizes.size() > 1 ? ',' + type.sizes[1] : "") + ')';
  }
  if (IsTextTypeWord(type.words) && type.sizes.size() == 1) {
    alter.textLength = TextLength(in, type.sizes[0]);
  }
  return alter;
}

}  // namespace

JetStatement ParseJetStatement(std::string_view text) {
  Cursor in(Tokenize(text));
  JetStatement statement;
  statement.alter = ReadAlterColumn(in);
  if (in.refused()) {
    statement.alter = {};
    statement.status = in.status();
  } else {
    statement.kind = JetStatementKind::kAlterColumn;
  }
  return statement;
}

}  // namespace platform
