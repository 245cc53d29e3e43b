// The owning application's table nuv at schema 4.04, with made-up rows.
#include <array>
#include <string>

#include "base/utf8.h"
#include "jet_writer.h"

namespace jet_writer {

namespace {

// Folders and names of recordings; a few carry French accented letters.
constexpr std::array<const char*, 6> kFolders = {"C:\\NUV\\2019\\",       "D:\\Vidéos\\Été\\",
                                                 "C:\\NUV\\Archives\\",   "E:\\Enregistrements\\",
                                                 "C:\\Données\\Leçons\\", "D:\\NUV\\"};
constexpr std::array<const char*, 7> kNames = {
    "reunion", "réunion_côté_è", "formation", "visite", "à_revoir", "cours", "façade_hôtel"};

// The first `characters` code points of UTF-8 `text`.
std::string FirstCharacters(const std::string& text, std::size_t characters) {
  std::size_t k = 0;
  for (std::size_t seen = 0; seen < characters && k < text.size(); ++seen) {
    k += utf8::DecodeAt(text, k).length;
  }
  return text.substr(0, k);
}

}  // namespace

TableSpec NuvSampleTable(std::uint64_t rows, int textLength) {
  TableSpec table;
  table.name = "nuv";
  table.columns = {
      {.name = "Id", .type = ColumnType::kLong, .autoNumber = true, .required = true},
      {.name = "Filename", .type = ColumnType::kText, .textLength = textLength, .required = true},
      {.name = "Size", .type = ColumnType::kLong},
      {.name = "Added", .type = ColumnType::kDateTime},
  };
  table.primaryKey = "Id";
  table.rowCount = rows;
  const auto length = static_cast<std::size_t>(textLength < 1 ? 1 : textLength);
  table.rows = [length](std::uint64_t index, std::vector<Value>& row) {
    const std::string number = std::to_string(index + 1);
    const std::string name = std::string(kFolders[index % kFolders.size()]) +
                             kNames[(index / 3) % kNames.size()] + "_" + number + ".nuv";
    // Short columns keep the end of the name, which tells the rows apart.
    std::string kept = FirstCharacters(name, length);
    if (kept.size() < name.size() && number.size() + 4 <= length) {
      kept = FirstCharacters(name, length - number.size() - 4) + number + ".nuv";
    }
    row[0] = static_cast<std::int32_t>(index + 1);
    row[1] = kept;
    row[2] = static_cast<std::int32_t>((index * 7919 + 4096) % 50000000);
    // Whole seconds from 2019-01-01, about two hours apart.
    row[3] = 43466.0 + static_cast<double>((index * 7213) % 315360000) / 86400.0;
  };
  return table;
}

}  // namespace jet_writer
