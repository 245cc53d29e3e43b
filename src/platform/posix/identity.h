// Linux side of the host seam, test-only controls of the identification functions.
#pragma once

#include <string>

namespace platform {

// Reads the configured host name from `path` instead of /etc/hostname; returns the path used
// until now, so that a test can put it back.
std::string SetHostnameFileForTesting(std::string path);

// The ELF note that carries an executable's version: its owner name and type. Its description
// is four 16-bit numbers in the file's byte order: major, minor, release, build.
inline constexpr char kVersionNoteName[] = "upgrade405";
inline constexpr unsigned kVersionNoteType = 0x405;

}  // namespace platform
