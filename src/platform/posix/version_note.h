// The ELF note that carries an executable's version: written by the build (version_note.cpp.in),
// read back by ReadFileVersion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The note's owner name (with its NUL, as the note stores it) and its type. Its description is
// four 16-bit numbers in the file's byte order: major, minor, release, build.
inline constexpr char kVersionNoteName[] = "upgrade405";
inline constexpr std::uint32_t kVersionNoteType = 0x405;

// The whole note as it lies in its section.
struct VersionNote {
  std::uint32_t nameSize;
  std::uint32_t descSize;
  std::uint32_t type;
  char name[(sizeof kVersionNoteName + 3) / 4 * 4];  // padded to 4 bytes
  std::uint16_t version[4];
};

// The note for the version major.minor.release.build.
constexpr VersionNote MakeVersionNote(std::uint16_t major, std::uint16_t minor,
                                      std::uint16_t release, std::uint16_t build) {
  VersionNote note{sizeof kVersionNoteName,
                   sizeof note.version,
                   kVersionNoteType,
                   {},
                   {major, minor, release, build}};
  for (std::size_t i = 0; i < sizeof kVersionNoteName; ++i) note.name[i] = kVersionNoteName[i];
  return note;
}

}  // namespace platform
