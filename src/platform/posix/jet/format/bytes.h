// Little-endian integers in a page read from a Jet file.
// The caller checks that the bytes lie inside `bytes`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

inline std::uint16_t Le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

inline std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(Le16(bytes, at)) |
         static_cast<std::uint32_t>(Le16(bytes, at + 2)) << 16;
}

}  // namespace platform
