// Reads an OLE DB connection string one segment at a time: the key, then the value, quoted or not.
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

namespace {

// What one segment between ";" held.
enum class Segment { kPair, kEmpty, kMalformed };

// Reads a key from `i` up to its single "=" ("==" stands for one "="), or up to a ";" or the
// end; leaves `i` past the "=" (or at the ";"). Returns whether the "=" was there.
bool ReadKey(std::string_view text, std::size_t& i, std::string& key) {
  const std::size_t n = text.size();
  while (i < n) {
    const char c = text[i];
    if (c == '=') {
      if (i + 1 < n && text[i + 1] == '=') {
        key += '=';
        i += 2;
        continue;
      }
      ++i;
      return true;
    }
    if (c == ';') return false;
    key += c;
    ++i;
  }
  return false;
}

// Reads a value from its opening quote at `i` to its closing one (a doubled quote of the same
// kind stands for one); leaves `i` past the closing quote. Returns false when it is not closed.
bool ReadQuotedValue(std::string_view text, std::size_t& i, std::string& value) {
  const std::size_t n = text.size();
  const char quote = text[i++];
  while (i < n) {
    if (text[i] != quote) {
      value += text[i++];
    } else if (i + 1 < n && text[i + 1] == quote) {
      value += quote;
      i += 2;
    } else {
      ++i;
      return true;
    }
  }
  return false;
}

// Reads the value of key `name` from `i` (blanks before it skipped) up to the ";" or the end.
bool ReadValue(std::string_view text, std::size_t& i, const std::string& name, std::string& value,
               std::string& error) {
  const std::size_t n = text.size();
  while (i < n && text::IsConnectionStringBlank(text[i])) ++i;
  if (i >= n || (text[i] != '"' && text[i] != '\'')) {
    const std::size_t valueStart = i;
    while (i < n && text[i] != ';') ++i;
    value = std::string(text::TrimConnectionStringBlanks(text.substr(valueStart, i - valueStart)));
    return true;
  }
  if (!ReadQuotedValue(text, i, value)) {
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
  return true;
}

// Reads the segment that starts at `i` and leaves `i` past its ";" (or at the end).
Segment ReadSegment(std::string_view text, std::size_t& i,
                    std::pair<std::string, std::string>& pair, std::string& error) {
  const std::size_t start = i;
  std::string key;
  if (!ReadKey(text, i, key)) {
    // An empty segment (";;" or trailing blanks) is allowed; anything else lacks its "=".
    const std::string_view segment =
        text::TrimConnectionStringBlanks(text.substr(start, i - start));
    ++i;  // past the ";" (or the end)
    if (segment.empty()) return Segment::kEmpty;
    error = "Chaîne de connexion incorrecte : signe « = » manquant après " +
            text::QuoteName(segment) + ".";
    return Segment::kMalformed;
  }
  pair.first = text::AsciiLower(text::TrimConnectionStringBlanks(key));
  if (pair.first.empty()) {
    error = "Chaîne de connexion incorrecte : nom de mot clé vide à la position " +
            std::to_string(start + 1) + ".";
    return Segment::kMalformed;
  }
  pair.second.clear();
  if (!ReadValue(text, i, pair.first, pair.second, error)) return Segment::kMalformed;
  if (i < text.size()) ++i;  // past the ";"
  return Segment::kPair;
}

}  // namespace

bool ParseConnectionString(std::string_view text, ConnectionString& out, std::string& error) {
  out.pairs.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    std::pair<std::string, std::string> pair;
    switch (ReadSegment(text, i, pair, error)) {
      case Segment::kMalformed:
        return false;
      case Segment::kPair:
        out.pairs.push_back(std::move(pair));
        break;
      case Segment::kEmpty:
        break;
    }
  }
  return true;
}

}  // namespace platform
