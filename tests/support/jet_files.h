// Changes the tests make to Jet files (made by the writer or copied from the fixtures), and the
// checks they make of an engine's result with the independent readers of support/jet_fixtures.h.
//
// The header page of a Jet 4 file is masked from offset 0x18 for 128 bytes with the RC4
// keystream of the public key 0x6b39dac7. Inside it, the database password is 40 bytes at
// 0x42 (UCS-2), further masked with the integer part of the creation date (a double at 0x72)
// repeated; an empty password decodes to 40 zero bytes. The database key, 4 bytes at 0x3e, is 0
// unless the database is encrypted.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/jet_sample.h"

namespace testing_support {

// Where the writer put the 2-byte length field of nuv.Filename in a file it made.
inline long FilenameLengthField(const jet_writer::DatabaseLayout& layout) {
  return static_cast<long>(layout.tables.at("nuv").columns.at("Filename").lengthOffset);
}

// Where the 2-byte length field of nuv.Filename lies in the fixtures nuv404.mdb, nuv405.mdb and
// nuv_long.mdb, and in nuv404_2003.mdb.
inline constexpr long kNuvLengthField = 98439;
inline constexpr long kNuv2003LengthField = 204935;

// The little-endian 16-bit value at `offset` of the file, or -1 when it cannot be read.
int ReadLengthField(const std::string& path, long offset);
// Writes `value` there, in place; throws std::runtime_error when it cannot.
void WriteLengthField(const std::string& path, long offset, std::uint16_t value);

// Gives the Jet 4 file at `path` the database password `password` (ASCII, at most 20
// characters) by rewriting its header's password field as Jet encodes it. Throws
// std::runtime_error when the file has no Jet 4 header.
void SetDatabasePassword(const std::string& path, const std::string& password);
// The decoded password field of the Jet 4 file at `path`: "" for no password.
std::string DatabasePassword(const std::string& path);

// Sets the database key of the Jet 4 file at `path` (4 bytes at 0x3e, inside the masked part),
// which is 0 unless the database is encrypted. Only the header changes: the pages stay as they
// are. Throws std::runtime_error when the file has no Jet 4 header.
void SetDatabaseKey(const std::string& path, std::uint32_t key);

// A widening as both readers see it: `after` differs from `before` only inside the 2 bytes at
// `offset`; mdb-reader reports `table`.`column` as a variable text column of `characters` * 2
// bytes and mdb-schema as Text (`characters`); every column of every table is otherwise as
// before and every row of every table reads back unchanged with both readers.
::testing::AssertionResult WidenedInPlace(const std::string& before, const std::string& after,
                                          long offset, const std::string& table,
                                          const std::string& column, int characters);

// Both readers read the file, and every row of every table is as in `reference` (a file with
// the same rows): `after` holds the old or the new length and nothing else changed.
::testing::AssertionResult SameRowsAsReference(const std::string& reference,
                                               const std::string& after);

}  // namespace testing_support
