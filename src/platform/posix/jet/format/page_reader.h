// The Linux side of the database seam: how the engine's own readers of a Jet file (table
// definitions, usage maps) get its pages, so that they can be tested on pages held in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Reads page `page` whole (the format's page size) into `out`; false when it cannot.
using JetPageReader = std::function<bool(std::uint32_t page, std::string& out)>;

}  // namespace platform
