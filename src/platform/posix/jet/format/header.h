// The Jet header page (page 0), read by our own code before libmdb is ever asked about the file.
//
// Part of page 0 is masked with a fixed RC4 key stream; under the mask lie the page-encoding
// key (non-zero for an encrypted database) and the database password (masked again, in Jet 4,
// with the database's creation date). The functions here are pure and total: any bytes give an
// answer, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/status.h"

namespace platform {

enum class JetVersion { kJet3, kJet4 };

// Page sizes: Jet 3 (Access 97) and Jet 4 (Access 2000, 2002, 2003).
inline constexpr std::size_t kJet3PageSize = 2048;
inline constexpr std::size_t kJet4PageSize = 4096;

struct JetHeader {
  JetVersion version = JetVersion::kJet4;
  std::size_t pageSize = kJet4PageSize;
  // The database's code page (offset 0x3C under the mask): the one Jet 3 stores text in, one or
  // two bytes a character; Jet 4 stores text in UTF-16 whatever it says.
  std::uint16_t codePage = 0;
};

// Whether a code page stores some characters in two bytes (Japanese, Chinese, Korean).
bool DoubleByteCodePage(std::uint16_t codePage);

// Checks the first `size` bytes of a file (its page 0, or less when the file is shorter): the one
// place that decides whether a file is a Jet database. Ok, with `out` filled, for a Jet 3 or Jet
// 4 database that opens without a password and is not encrypted; kNotADatabase for another
// signature or too short a file; kRefused for a Jet or ACE signature on a database the provider
// does not open (ACE, an unknown version, a header shorter than its page, a password,
// encryption). The message is French, without final period.
base::Status CheckJetHeader(const unsigned char* data, std::size_t size, JetHeader& out);

// XORs the header's masked area of `page` (page 0 of a file of `version`) with the fixed key
// stream: applied once it unmasks, twice it restores. Bytes beyond `size` are left alone.
void ToggleJetHeaderMask(unsigned char* page, std::size_t size, JetVersion version);

}  // namespace platform
