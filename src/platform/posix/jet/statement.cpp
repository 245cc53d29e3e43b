// The Linux side of the database seam: the Jet engine's statement and name rules.
#include "platform/posix/jet/statement.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "base/utf8.h"

namespace platform {

namespace {

enum class TokenKind { kWord, kName, kNumber, kPunct, kString, kUnterminated };

struct Token {
  TokenKind kind;
  std::string text;  // the word as written, the name unquoted, the punctuation character
};

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool IsWordChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c >= 0x80;
}
bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsBlank(c)) {
      ++i;
    } else if (c == '[' || c == '`' || c == '"' || c == '\'') {
      const char closing = c == '[' ? ']' : static_cast<char>(c);
      const std::size_t end = text.find(closing, i + 1);
      if (end == std::string_view::npos) {
        tokens.push_back({TokenKind::kUnterminated, std::string(text.substr(i))});
        break;
      }
      const bool isString = c == '"' || c == '\'';
      tokens.push_back({isString ? TokenKind::kString : TokenKind::kName,
                        std::string(text.substr(i + 1, end - i - 1))});
      i = end + 1;
    } else if (IsWordChar(c)) {
      std::size_t end = i;
      bool digits = true;
      while (end < n && IsWordChar(static_cast<unsigned char>(text[end]))) {
        digits = digits && IsDigit(static_cast<unsigned char>(text[end]));
        ++end;
      }
      tokens.push_back(
          {digits ? TokenKind::kNumber : TokenKind::kWord, std::string(text.substr(i, end - i))});
      i = end;
    } else {
      tokens.push_back({TokenKind::kPunct, std::string(1, static_cast<char>(c))});
      ++i;
    }
  }
  return tokens;
}

bool IsKeyword(const Token& token, std::string_view keyword) {
  return token.kind == TokenKind::kWord && text::AsciiUpper(token.text) == keyword;
}

bool IsPunct(const Token& token, char c) {
  return token.kind == TokenKind::kPunct && token.text[0] == c;
}

bool IsName(const Token& token) {
  return token.kind == TokenKind::kWord || token.kind == TokenKind::kName;
}

// Jet's words for a variable-length text column (CHAR(n) and its kin are fixed-length).
bool IsTextTypeWord(const std::string& word) {
  return word == "TEXT" || word == "VARCHAR" || word == "NVARCHAR" || word == "ALPHANUMERIC" ||
         word == "STRING" || word == "CHARACTER VARYING" || word == "NATIONAL CHARACTER VARYING" ||
         word == "NATIONAL CHAR VARYING";
}

constexpr char kAlterSyntax[] = "Erreur de syntaxe dans l'instruction ALTER TABLE.";

JetStatement Refused(std::string error) {
  JetStatement statement;
  statement.error = std::move(error);
  return statement;
}

// Decodes one UTF-8 character at `i`; an invalid byte is returned as itself (negated, so that
// it never equals a character).
std::int64_t NextCharacter(std::string_view s, std::size_t& i) {
  const utf8::Decoded c = utf8::DecodeAt(s, i);
  i += c.length;
  return c.valid ? std::int64_t{c.codePoint} : -std::int64_t{c.codePoint} - 1;
}

// Case folding as Jet compares names: the C library's Unicode tables (C.UTF-8), or the ASCII
// and Latin-1 letters when that locale is missing.
std::int64_t Fold(std::int64_t c) {
  if (c < 0) return c;
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 != static_cast<locale_t>(nullptr)) {
    return static_cast<std::int64_t>(towlower_l(static_cast<wint_t>(c), utf8));
  }
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  return c;
}

}  // namespace

JetStatement ParseJetStatement(std::string_view text) {
  const std::vector<Token> tokens = Tokenize(text);
  const std::size_t n = tokens.size();
  if (n == 0) return Refused("L'instruction SQL est vide.");
  const std::string first =
      tokens[0].kind == TokenKind::kWord ? text::AsciiUpper(tokens[0].text) : "";
  if (first == "SELECT" || first == "INSERT" || first == "UPDATE" || first == "DELETE" ||
      first == "TRANSFORM" || first == "PARAMETERS") {
    return Refused(
        "Instruction non prise en charge : ce moteur Jet ne lit ni ne modifie les données des "
        "tables ; il ne change que la longueur d'une colonne Texte (ALTER TABLE t ALTER COLUMN c "
        "TEXT(n)).");
  }
  if (first == "CREATE" || first == "DROP" ||
      (first == "ALTER" && (n < 2 || !IsKeyword(tokens[1], "TABLE")))) {
    return Refused(
        "Instruction de définition de données non prise en charge : ce moteur Jet ne change que "
        "la longueur d'une colonne Texte (ALTER TABLE t ALTER COLUMN c TEXT(n)).");
  }
  if (first != "ALTER") {
    return Refused(
        "Instruction SQL non valide ; 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' ou 'UPDATE' "
        "attendu.");
  }
  for (const Token& token : tokens) {
    if (token.kind == TokenKind::kUnterminated) return Refused(kAlterSyntax);
  }
  // ALTER TABLE name ...
  if (n < 3 || !IsName(tokens[2])) return Refused(kAlterSyntax);
  if (n < 4 || !IsKeyword(tokens[3], "ALTER")) {
    if (n >= 4 && (IsKeyword(tokens[3], "ADD") || IsKeyword(tokens[3], "DROP"))) {
      return Refused(
          "Instruction ALTER TABLE non prise en charge : ce moteur Jet n'ajoute ni ne supprime "
          "de colonne ou de contrainte ; il ne change que la longueur d'une colonne Texte "
          "(ALTER COLUMN c TEXT(n)).");
    }
    return Refused(kAlterSyntax);
  }
  std::size_t k = 4;
  if (k < n && IsKeyword(tokens[k], "COLUMN")) ++k;
  if (k >= n || !IsName(tokens[k])) return Refused(kAlterSyntax);
  JetAlterColumn alter;
  alter.table = tokens[2].text;
  alter.column = tokens[k].text;
  ++k;
  // The type: one or more words, then an optional (size) or (precision, scale).
  std::string type;
  while (k < n && tokens[k].kind == TokenKind::kWord) {
    if (!type.empty()) type += ' ';
    type += text::AsciiUpper(tokens[k++].text);
  }
  if (type.empty()) return Refused(kAlterSyntax);
  const std::string typeWord = type;
  std::vector<std::string> sizes;
  if (k < n && IsPunct(tokens[k], '(')) {
    ++k;
    while (k < n && tokens[k].kind == TokenKind::kNumber && sizes.size() < 2) {
      sizes.push_back(tokens[k++].text);
      if (k < n && IsPunct(tokens[k], ',')) {
        ++k;
        continue;
      }
      break;
    }
    if (sizes.empty() || k >= n || !IsPunct(tokens[k], ')')) return Refused(kAlterSyntax);
    ++k;
    type += '(' + sizes[0] + (sizes.size() > 1 ? ',' + sizes[1] : "") + ')';
  }
  if (k < n && IsPunct(tokens[k], ';')) ++k;
  if (k < n) {
    if (IsKeyword(tokens[k], "NOT") || IsKeyword(tokens[k], "NULL") ||
        IsKeyword(tokens[k], "CONSTRAINT") || IsKeyword(tokens[k], "PRIMARY") ||
        IsKeyword(tokens[k], "UNIQUE") || IsKeyword(tokens[k], "REFERENCES") ||
        IsKeyword(tokens[k], "DEFAULT") || IsKeyword(tokens[k], "WITH")) {
      return Refused(
          "Instruction ALTER COLUMN non prise en charge : ce moteur Jet ne change que la "
          "longueur d'une colonne Texte, sans contrainte ni valeur par défaut.");
    }
    return Refused("Caractères trouvés après la fin de l'instruction SQL.");
  }
  alter.type = type;
  if (IsTextTypeWord(typeWord) && sizes.size() == 1) {
    const std::string& digits = sizes[0];
    std::size_t start = digits.find_first_not_of('0');
    const std::string significant = start == std::string::npos ? "0" : digits.substr(start);
    if (significant.size() > 3 || std::stoi(significant) > kJetMaxTextLength) {
      return Refused("Taille du champ trop grande : une colonne Texte compte au plus " +
                     std::to_string(kJetMaxTextLength) + " caractères.");
    }
    const int length = std::stoi(significant);
    if (length < 1) return Refused("Taille de champ non valide : TEXT(0).");
    alter.textLength = length;
  }
  JetStatement statement;
  statement.kind = JetStatementKind::kAlterColumn;
  statement.alter = std::move(alter);
  return statement;
}

bool SameJetName(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (Fold(NextCharacter(a, i)) != Fold(NextCharacter(b, j))) return false;
  }
  return i == a.size() && j == b.size();
}

bool SameNameAsLibmdbReadsIt(std::string_view libmdbName, std::string_view name) {
  std::size_t i = 0, j = 0;
  while (j < name.size()) {
    const std::int64_t c = NextCharacter(name, j);
    if (c >= 0x10000) {
      if (libmdbName.substr(i, 2) != "??") return false;
      i += 2;
    } else if (i >= libmdbName.size() || NextCharacter(libmdbName, i) != c) {
      return false;
    }
  }
  return i == libmdbName.size();
}

std::size_t JetCharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::int64_t c = NextCharacter(utf8, i);
    count += c >= 0x10000 ? 2 : 1;
  }
  return count;
}

}  // namespace platform
