// Linux side of the host seam, test-only control of the computer name.
#pragma once

#include <string>

namespace platform {

// Reads the configured host name from `path` instead of /etc/hostname; returns the path used
// until now, so that a test can put it back.
std::string SetHostnameFileForTesting(std::string path);

}  // namespace platform
