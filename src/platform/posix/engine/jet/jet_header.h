// The Linux side of the database seam: the Jet header page (page 0), read by our own code
// before libmdb is ever asked about the file.
//
// Part of page 0 is masked with a fixed RC4 key stream; under the mask lie the page-encoding
// key (non-zero for an encrypted database) and the database password (masked again, in Jet 4,
// with the database's creation date). The functions here are pure and total: any bytes give an
// answer, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class JetVersion { kJet3, kJet4 };

// Page sizes: Jet 3 (Access 97) and Jet 4 (Access 2000, 2002, 2003).
inline constexpr std::size_t kJet3PageSize = 2048;
inline constexpr std::size_t kJet4PageSize = 4096;

struct JetHeader {
  JetVersion version = JetVersion::kJet4;
  std::size_t pageSize = kJet4PageSize;
};

// Checks the first `size` bytes of a file (its page 0, or less when the file is shorter). true
// for a Jet 3 or Jet 4 database that opens without a password and is not encrypted; otherwise
// false with a French `why` (without final period), for: another signature, an ACE (.accdb)
// file, an unknown version, a header shorter than its page, a database password, encryption.
bool CheckJetHeader(const unsigned char* data, std::size_t size, JetHeader& out, std::string& why);

// XORs the header's masked area of `page` (page 0 of a file of `version`) with the fixed key
// stream: applied once it unmasks, twice it restores. Bytes beyond `size` are left alone.
void ToggleJetHeaderMask(unsigned char* page, std::size_t size, JetVersion version);

}  // namespace platform
