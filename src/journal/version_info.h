// The version of a file, read from its version block (platform::ReadFileVersion).
#pragma once

#include <string>

// What ReadVersionInfo reads; both fields start empty and are only ever set.
struct TVersionInfo {
  std::string FileName;  // the path asked about
  std::string Version;   // "major.minor.release.build", or empty without a readable version
};

// Fills `info` from the file at `path`; true when its version block could be read. An empty
// path gives false and leaves `info` alone; a file without a version block gives false with
// FileName set and Version unchanged; a block without fixed file information gives true with
// Version unchanged.
bool ReadVersionInfo(const std::string& path, TVersionInfo& info);

// The version text of the file at `path`, empty when it has none.
std::string VersionText(const std::string& path);
