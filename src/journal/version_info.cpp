#include "journal/version_info.h"

#include "base/text.h"
#include "platform/host.h"

bool ReadVersionInfo(const std::string& path, TVersionInfo& info) {
  if (path.empty()) return false;
  info.FileName = path;
  std::optional<platform::FileVersion> version;
  if (!platform::ReadFileVersion(path, version)) return false;
  // The block was read, so the answer is true even when its fixed information could not be had;
  // Version then stays as it was.
  if (!version) return true;
  info.Version =
      text::Format("%u.%u.%u.%u", {std::int64_t{version->major}, std::int64_t{version->minor},
                                   std::int64_t{version->release}, std::int64_t{version->build}});
  return true;
}

std::string VersionText(const std::string& path) {
  TVersionInfo info;
  ReadVersionInfo(path, info);
  return info.Version;
}
