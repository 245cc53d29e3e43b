// How the engine's own readers of a Jet file get its pages, so tests can hold them in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/posix/jet/format/header.h"

namespace platform {

// Reads page `page` whole (the format's page size) into `out`; false when it cannot.
using JetPageReader = std::function<bool(std::uint32_t page, std::string& out)>;

// A file's pages as the readers see them: how to read one, the file's format, how many it holds.
struct JetPages {
  JetPageReader read;
  JetVersion version = JetVersion::kJet4;
  std::uint64_t count = 0;
};

}  // namespace platform
