#ifndef _WIN32
#include "support/jet_sample.h"

#include <stdexcept>

#include "base/utf8.h"

namespace testing_support {

namespace {

// `count` characters of `pattern`, repeated; UTF-8 in, UTF-8 out.
std::string Characters(const std::u32string& pattern, std::size_t count) {
  std::string out;
  for (std::size_t k = 0; k < count; ++k) utf8::Append(out, pattern[k % pattern.size()]);
  return out;
}

}  // namespace

jet_writer::DatabaseLayout CreateJetNuvDatabase(const std::string& path, int textLength,
                                                std::uint64_t rows, int filenameLength,
                                                jet_writer::JetFormat format) {
  if (filenameLength < 8 || filenameLength > textLength) {
    throw std::runtime_error("CreateJetNuvDatabase: file names of " +
                             std::to_string(filenameLength) + " characters do not fit TEXT(" +
                             std::to_string(textLength) + ") or are shorter than 8");
  }
  jet_writer::TableSpec table = jet_writer::NuvSampleTable(rows, textLength);
  const auto length = static_cast<std::size_t>(filenameLength);
  auto sample = table.rows;
  table.rows = [sample, length](std::uint64_t index, std::vector<jet_writer::Value>& row) {
    sample(index, row);
    // "C:\" + a folder (accented every fourth row) + the row number + ".nuv", exactly `length`
    // characters; a number too long keeps its last digits.
    std::string tail = std::to_string(index + 1) + ".nuv";
    if (tail.size() > length - 3) tail = tail.substr(tail.size() - (length - 3));
    const std::u32string folder = index % 4 == 1 ? U"Vidéos\\été_à_ç_ô_" : U"NUV\\data_";
    row[1] = "C:\\" + Characters(folder, length - 3 - tail.size()) + tail;
  };
  jet_writer::DatabaseSpec spec;
  spec.format = format;
  spec.tables.push_back(std::move(table));
  return jet_writer::WriteJetDatabase(path, spec);
}

}  // namespace testing_support
#endif  // _WIN32
