#ifndef _WIN32
#include "support/jet_files.h"

#include <array>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "support/jet_fixtures.h"

namespace testing_support {

namespace {

constexpr long kMaskedStart = 0x18;
constexpr std::size_t kMaskedLength = 128;
constexpr long kVersionOffset = 0x14;
constexpr long kPasswordOffset = 0x42;
constexpr std::size_t kPasswordLength = 40;
constexpr long kDateOffset = 0x72;
constexpr long kKeyOffset = 0x3e;

// The RC4 keystream of the header mask: key 0x6b39dac7, little-endian.
std::array<unsigned char, kMaskedLength> HeaderMask() {
  const unsigned char key[4] = {0xc7, 0xda, 0x39, 0x6b};
  unsigned char s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xff;
    std::swap(s[i], s[j]);
  }
  std::array<unsigned char, kMaskedLength> out{};
  for (std::size_t n = 0, i = 0, j = 0; n < kMaskedLength; ++n) {
    i = (i + 1) & 0xff;
    j = (j + s[i]) & 0xff;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xff];
  }
  return out;
}

// The header's masked bytes, unmasked; throws when the file has no Jet 4 header.
std::array<unsigned char, kMaskedLength> UnmaskedHeader(const std::string& content,
                                                        const std::string& path) {
  if (content.size() < 4096 || std::memcmp(content.data() + 4, "Standard Jet DB", 15) != 0 ||
      content[kVersionOffset] != 1) {
    throw std::runtime_error(path + " has no Jet 4 header");
  }
  const auto mask = HeaderMask();
  std::array<unsigned char, kMaskedLength> plain{};
  for (std::size_t k = 0; k < kMaskedLength; ++k) {
    plain[k] = static_cast<unsigned char>(content[kMaskedStart + k]) ^ mask[k];
  }
  return plain;
}

// The password's second mask: the integer part of the creation date, as 4 bytes.
std::array<unsigned char, 4> DateMask(const std::array<unsigned char, kMaskedLength>& plain) {
  double date = 0;
  std::memcpy(&date, plain.data() + (kDateOffset - kMaskedStart), sizeof date);
  const auto whole = static_cast<std::int32_t>(date);
  std::array<unsigned char, 4> mask{};
  for (int k = 0; k < 4; ++k) mask[k] = static_cast<unsigned char>((whole >> (8 * k)) & 0xff);
  return mask;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAt(const std::string& path, long offset, const void* data, std::size_t size) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(offset);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  f.flush();
  if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int ReadLengthField(const std::string& path, long offset) {
  std::ifstream in(path, std::ios::binary);
  unsigned char b[2];
  in.seekg(offset);
  if (!in.read(reinterpret_cast<char*>(b), 2)) return -1;
  return b[0] | (b[1] << 8);
}

void WriteLengthField(const std::string& path, long offset, std::uint16_t value) {
  const unsigned char b[2] = {static_cast<unsigned char>(value & 0xff),
                              static_cast<unsigned char>(value >> 8)};
  WriteAt(path, offset, b, 2);
}

void SetDatabasePassword(const std::string& path, const std::string& password) {
  if (password.size() * 2 > kPasswordLength) throw std::runtime_error("password too long");
  const std::string content = ReadAll(path);
  const auto plain = UnmaskedHeader(content, path);
  const auto dateMask = DateMask(plain);
  const auto mask = HeaderMask();
  unsigned char field[kPasswordLength] = {};
  for (std::size_t k = 0; k < password.size(); ++k) {
    field[2 * k] = static_cast<unsigned char>(password[k]);
  }
  for (std::size_t k = 0; k < kPasswordLength; ++k) {
    field[k] ^= dateMask[k % 4];
    field[k] ^= mask[kPasswordOffset - kMaskedStart + k];
  }
  WriteAt(path, kPasswordOffset, field, sizeof field);
}

std::string DatabasePassword(const std::string& path) {
  const auto plain = UnmaskedHeader(ReadAll(path), path);
  const auto dateMask = DateMask(plain);
  std::string password;
  for (std::size_t k = 0; k < kPasswordLength; k += 2) {
    const unsigned char low = plain[kPasswordOffset - kMaskedStart + k] ^ dateMask[k % 4];
    const unsigned char high =
        plain[kPasswordOffset - kMaskedStart + k + 1] ^ dateMask[(k + 1) % 4];
    if (low == 0 && high == 0) break;
    password += static_cast<char>(high == 0 ? low : '?');
  }
  return password;
}

void SetDatabaseKey(const std::string& path, std::uint32_t key) {
  UnmaskedHeader(ReadAll(path), path);  // a Jet 4 header, or throw
  const auto mask = HeaderMask();
  unsigned char field[4];
  for (int k = 0; k < 4; ++k) {
    field[k] = static_cast<unsigned char>((key >> (8 * k)) & 0xff) ^
               mask[static_cast<std::size_t>(kKeyOffset - kMaskedStart + k)];
  }
  WriteAt(path, kKeyOffset, field, sizeof field);
}

namespace {

// Every table that mdb-reader lists reads the same with mdb-export in both files.
::testing::AssertionResult SameExports(const ReaderView& view, const std::string& before,
                                       const std::string& after) {
  for (const auto& [table, digest] : view.tables) {
    const std::string a = MdbToolsExport(before, table);
    const std::string b = MdbToolsExport(after, table);
    if (a.rfind("mdb-export failed", 0) == 0 || b.rfind("mdb-export failed", 0) == 0) {
      return ::testing::AssertionFailure()
             << "table " << table << ": " << a.substr(0, 200) << " / " << b.substr(0, 200);
    }
    if (a != b) {
      return ::testing::AssertionFailure() << "mdb-export reads table " << table << " differently";
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

::testing::AssertionResult WidenedInPlace(const std::string& before, const std::string& after,
                                          long offset, const std::string& table,
                                          const std::string& column, int characters) {
  const std::string a = ReadAll(before), b = ReadAll(after);
  if (a.size() != b.size()) {
    return ::testing::AssertionFailure() << "the size changed: " << a.size() << " -> " << b.size();
  }
  for (long at : DifferingOffsets(before, after)) {
    if (at != offset && at != offset + 1) {
      return ::testing::AssertionFailure()
             << "byte " << at << " changed; only " << offset << " and " << offset + 1 << " may";
    }
  }
  if (ReadLengthField(after, offset) != characters * 2) {
    return ::testing::AssertionFailure()
           << "the length field holds " << ReadLengthField(after, offset) << ", not "
           << characters * 2;
  }
  const ReaderView va = ReadWithMdbReader(before), vb = ReadWithMdbReader(after);
  if (!va.ok || !vb.ok) {
    return ::testing::AssertionFailure() << "mdb-reader: " << va.error << vb.error;
  }
  const std::string key = table + "." + column;
  ReaderView expected = va;
  if (expected.columns.count(key) == 0) {
    return ::testing::AssertionFailure() << "mdb-reader sees no column " << key;
  }
  expected.columns[key] = "text " + std::to_string(characters * 2) + " variable";
  if (vb.columns != expected.columns) {
    std::string seen = vb.columns.count(key) ? vb.columns.at(key) : "nothing";
    return ::testing::AssertionFailure()
           << "mdb-reader sees other columns; " << key << " is " << seen;
  }
  if (vb.tables != va.tables) {
    return ::testing::AssertionFailure() << "mdb-reader reads other rows";
  }
  const int length = MdbToolsTextLength(after, table, column);
  if (length != characters) {
    return ::testing::AssertionFailure() << "mdb-schema says Text (" << length << ")";
  }
  return SameExports(va, before, after);
}

::testing::AssertionResult SameRowsAsReference(const std::string& reference,
                                               const std::string& after) {
  const ReaderView va = ReadWithMdbReader(reference), vb = ReadWithMdbReader(after);
  if (!va.ok || !vb.ok) {
    return ::testing::AssertionFailure() << "mdb-reader: " << va.error << vb.error;
  }
  if (vb.tables != va.tables) {
    return ::testing::AssertionFailure() << "mdb-reader reads other rows";
  }
  return SameExports(va, reference, after);
}

}  // namespace testing_support
#endif  // _WIN32
