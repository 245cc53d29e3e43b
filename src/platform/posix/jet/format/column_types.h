// Jet's column type codes (the same in both formats), and each type's name as Access shows it.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr std::uint8_t kJetTypeBoolean = 0x01;  // Yes/No: no size of its own
inline constexpr std::uint8_t kJetTypeByte = 0x02;
inline constexpr std::uint8_t kJetTypeInteger = 0x03;
inline constexpr std::uint8_t kJetTypeLong = 0x04;
inline constexpr std::uint8_t kJetTypeCurrency = 0x05;
inline constexpr std::uint8_t kJetTypeSingle = 0x06;
inline constexpr std::uint8_t kJetTypeDouble = 0x07;
inline constexpr std::uint8_t kJetTypeDateTime = 0x08;
inline constexpr std::uint8_t kJetTypeBinary = 0x09;
inline constexpr std::uint8_t kJetTypeText = 0x0A;
inline constexpr std::uint8_t kJetTypeOle = 0x0B;
inline constexpr std::uint8_t kJetTypeMemo = 0x0C;
inline constexpr std::uint8_t kJetTypeReplicationId = 0x0F;
inline constexpr std::uint8_t kJetTypeDecimal = 0x10;

// A column type's name as Access shows it (French); "inconnu" for a code not above.
const char* JetTypeName(int type);

}  // namespace platform
