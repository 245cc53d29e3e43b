// The Jet header page, checked before libmdb reads a file.
#include "platform/posix/jet/format/header.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform {

namespace {

constexpr std::size_t kMaskStart = 0x18;
constexpr std::size_t kJet3MaskLength = 126;
constexpr std::size_t kJet4MaskLength = 128;
constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kEncodingKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kJet3PasswordLength = 20;
constexpr std::size_t kJet4PasswordLength = 40;
constexpr std::size_t kCreationDateOffset = 0x72;

// The RC4 key stream of the 4-byte key 0x6B39DAC7 (little-endian) that masks the header.
std::array<unsigned char, kJet4MaskLength> MaskStream() {
  const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  std::array<unsigned char, 256> s{};
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  unsigned j = 0;
  for (unsigned i = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::array<unsigned char, kJet4MaskLength> out{};
  unsigned a = 0, b = 0;
  for (unsigned char& byte : out) {
    a = (a + 1) & 0xFF;
    b = (b + s[a]) & 0xFF;
    std::swap(s[a], s[b]);
    byte = s[(s[a] + s[b]) & 0xFF];
  }
  return out;
}

// The creation date as Jet 4 turns it into the password's second mask: the date's integer part
// as a 32-bit number (saturated; NaN gives 0), little-endian.
std::array<unsigned char, 4> DateMask(const unsigned char* dateBytes) {
  std::uint64_t bits = 0;
  for (int k = 7; k >= 0; --k) bits = (bits << 8) | dateBytes[k];
  double date = 0;
  std::memcpy(&date, &bits, sizeof date);
  std::int32_t whole = 0;
  if (std::isnan(date)) {
    whole = 0;
  } else if (date >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    whole = std::numeric_limits<std::int32_t>::max();
  } else if (date <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
    whole = std::numeric_limits<std::int32_t>::min();
  } else {
    whole = static_cast<std::int32_t>(date);
  }
  const auto u = static_cast<std::uint32_t>(whole);
  return {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
          static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
}

}  // namespace

bool DoubleByteCodePage(std::uint16_t codePage) {
  // Shift-JIS, GBK, Korean (Unified Hangul), Big5, Johab.
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
         codePage == 1361;
}

void ToggleJetHeaderMask(unsigned char* page, std::size_t size, JetVersion version) {
  static const std::array<unsigned char, kJet4MaskLength> stream = MaskStream();
  const std::size_t length = version == JetVersion::kJet3 ? kJet3MaskLength : kJet4MaskLength;
  for (std::size_t k = 0; k < length && kMaskStart + k < size; ++k)
    page[kMaskStart + k] ^= stream[k];
}

base::Status CheckJetHeader(const unsigned char* data, std::size_t size, JetHeader& out) {
  static constexpr unsigned char kPageType[] = {0x00, 0x01, 0x00, 0x00};
  const bool jetPage = size >= 19 && std::memcmp(data, kPageType, sizeof kPageType) == 0;
  if (jetPage && std::memcmp(data + 4, "Standard ACE DB", 15) == 0) {
    return base::Status::Refused(
        "c'est une base de données au format ACE (.accdb), que ce fournisseur n'ouvre pas");
  }
  if (!jetPage || std::memcmp(data + 4, "Standard Jet DB", 15) != 0) {
    return base::Status::NotADatabase("le fichier n'est pas une base de données");
  }
  if (size <= kVersionOffset) {
    return base::Status::Refused("l'en-tête du fichier est tronqué");
  }
  JetHeader header;
  switch (data[kVersionOffset]) {
    case 0:
      header.version = JetVersion::kJet3;
      header.pageSize = kJet3PageSize;
      break;
    case 1:
      header.version = JetVersion::kJet4;
      header.pageSize = kJet4PageSize;
      break;
    default:
      return base::Status::Refused(
          data[kVersionOffset] < 0x10
              ? "c'est une base de données au format ACE (.accdb), que ce fournisseur n'ouvre pas"
              : "la version du format de la base de données est inconnue");
  }
  if (size < header.pageSize) {
    return base::Status::Refused("l'en-tête du fichier est tronqué");
  }
  unsigned char page[kJet4PageSize];
  std::memcpy(page, data, header.pageSize);
  ToggleJetHeaderMask(page, header.pageSize, header.version);
  for (std::size_t k = 0; k < 4; ++k) {
    if (page[kEncodingKeyOffset + k] != 0) {
      return base::Status::Refused("la base de données est cryptée");
    }
  }
  const bool jet3 = header.version == JetVersion::kJet3;
  const std::size_t passwordLength = jet3 ? kJet3PasswordLength : kJet4PasswordLength;
  std::array<unsigned char, 4> dateMask{};
  if (!jet3) dateMask = DateMask(page + kCreationDateOffset);
  for (std::size_t k = 0; k < passwordLength; ++k) {
    if ((page[kPasswordOffset + k] ^ dateMask[k % 4]) != 0) {
      return base::Status::Refused("la base de données est protégée par un mot de passe");
    }
  }
  header.codePage =
      static_cast<std::uint16_t>(page[kCodePageOffset] | page[kCodePageOffset + 1] << 8);
  out = header;
  return {};
}

}  // namespace platform
