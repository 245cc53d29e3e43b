// Jet databases made for a test by the project's own writer (tools/jet_writer).
#pragma once

#include <cstdint>
#include <string>

#include "jet_writer.h"

namespace testing_support {

// Writes a new Jet 4 database (Jet 3 when `format` says so) at `path` (which must not exist)
// holding table nuv at schema
// 4.04: Id Long auto-number primary key, Filename TEXT(`textLength`) required, Size Long, Added
// Date/Time, and `rows` rows whose file names are exactly `filenameLength` characters, a few
// with French accented letters. The same arguments give the same bytes. Returns where the
// writer put things (nuv.Filename's length field among them). Throws std::runtime_error when
// `filenameLength` is below 8 or above `textLength`, and jet_writer::JetWriterError (a
// std::runtime_error) when the file cannot be written.
jet_writer::DatabaseLayout CreateJetNuvDatabase(
    const std::string& path, int textLength = 50, std::uint64_t rows = 3, int filenameLength = 20,
    jet_writer::JetFormat format = jet_writer::JetFormat::kJet4);

}  // namespace testing_support
