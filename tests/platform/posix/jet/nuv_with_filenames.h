// The Jet engine's tests' table nuv with chosen file names, in either format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet_writer.h"

namespace testing_support {

// Table nuv at schema 4.04 with exactly these file names, one row each, in TEXT(`textLength`).
inline jet_writer::DatabaseSpec NuvWithFilenames(
    int textLength, const std::vector<std::string>& names,
    jet_writer::JetFormat format = jet_writer::JetFormat::kJet4) {
  jet_writer::TableSpec table = jet_writer::NuvSampleTable(names.size(), textLength);
  auto sample = table.rows;
  table.rows = [sample, names](std::uint64_t index, std::vector<jet_writer::Value>& row) {
    sample(index, row);
    row[1] = names[index];
  };
  jet_writer::DatabaseSpec spec;
  spec.format = format;
  spec.tables = {table};
  return spec;
}

}  // namespace testing_support
