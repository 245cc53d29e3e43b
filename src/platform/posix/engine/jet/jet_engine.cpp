// The Linux side of the database seam: the native Jet engine (being built: opens nothing yet).
#include "platform/posix/engine/jet/jet_engine.h"

#include <cstring>

namespace platform {

bool IsJetHeader(const unsigned char* header, std::size_t size) {
  static constexpr unsigned char kPageType[] = {0x00, 0x01, 0x00, 0x00};
  if (size < 19 || std::memcmp(header, kPageType, sizeof kPageType) != 0) return false;
  return std::memcmp(header + 4, "Standard Jet DB", 15) == 0 ||
         std::memcmp(header + 4, "Standard ACE DB", 15) == 0;
}

EngineStatus OpenJetEngine(const std::string& path, const OpenMode& /*mode*/,
                           std::unique_ptr<Engine>& /*out*/) {
  return {kFail, "Format de base de données " + QuotedPath(path) + " non reconnu.",
          kJetEngineSource};
}

}  // namespace platform
