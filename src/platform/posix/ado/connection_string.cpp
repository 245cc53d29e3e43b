// The Linux side of the database seam: the OLE DB connection-string parser.
#include "platform/posix/ado/connection_string.h"

#include "base/char_classes.h"
#include "base/text.h"

namespace platform {

bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && text::AsciiLower(a) == text::AsciiLower(b);
}

std::optional<std::string> ConnectionString::Find(std::string_view key) const {
  std::string wanted = text::AsciiLower(key);
  // OLE DB: the first Provider counts, the last occurrence of any other key.
  bool firstWins = wanted == "provider";
  std::optional<std::string> found;
  for (const auto& [name, value] : pairs) {
    if (name != wanted) continue;
    found = value;
    if (firstWins) break;
  }
  return found;
}

bool ParseConnectionString(std::string_view text, ConnectionString& out, std::string& error) {
  out.pairs.clear();
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    // The key: up to a single "="; "==" is a literal "=".
    std::string key;
    bool sawEquals = false;
    std::size_t start = i;
    while (i < n) {
      char c = text[i];
      if (c == '=') {
        if (i + 1 < n && text[i + 1] == '=') {
          key += '=';
          i += 2;
          continue;
        }
        sawEquals = true;
        ++i;
        break;
      }
      if (c == ';') break;
      key += c;
      ++i;
    }
    if (!sawEquals) {
      // An empty segment (";;" or trailing blanks) is allowed; anything else lacks its "=".
      const std::string_view segment =
          text::TrimConnectionStringBlanks(text.substr(start, i - start));
      if (!segment.empty()) {
        error = "Chaîne de connexion incorrecte : signe « = » manquant après " +
                text::QuoteName(segment) + ".";
        return false;
      }
      ++i;  // past the ";" (or the end)
      continue;
    }
    std::string name = text::AsciiLower(text::TrimConnectionStringBlanks(key));
    if (name.empty()) {
      error = "Chaîne de connexion incorrecte : nom de mot clé vide à la position " +
              std::to_string(start + 1) + ".";
      return false;
    }
    // The value.
    while (i < n && text::IsConnectionStringBlank(text[i])) ++i;
    std::string value;
    if (i < n && (text[i] == '"' || text[i] == '\'')) {
      char quote = text[i++];
      bool closed = false;
      while (i < n) {
        if (text[i] == quote) {
          if (i + 1 < n && text[i + 1] == quote) {
            value += quote;
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        value += text[i++];
      }
      if (!closed) {
        error = "Chaîne de connexion incorrecte : guillemet non fermé dans la valeur de " +
                text::QuoteName(name) + ".";
        return false;
      }
      while (i < n && text::IsConnectionStringBlank(text[i])) ++i;
      if (i < n && text[i] != ';') {
        error =
            "Chaîne de connexion incorrecte : texte inattendu après la valeur entre guillemets "
            "de " +
            text::QuoteName(name) + ".";
        return false;
      }
    } else {
      std::size_t valueStart = i;
      while (i < n && text[i] != ';') ++i;
      value =
          std::string(text::TrimConnectionStringBlanks(text.substr(valueStart, i - valueStart)));
    }
    if (i < n) ++i;  // past the ";"
    out.pairs.emplace_back(std::move(name), std::move(value));
  }
  return true;
}

}  // namespace platform
