#include "journal/version_info.h"

#include "components/text.h"
#include "platform/host.h"

bool ReadVersionInfo(const std::string& path, TVersionInfo& info) {
  if (path.empty()) return false;
  info.FileName = path;
  platform::FileVersion version;
  if (!platform::ReadFileVersion(path, version)) return false;
  info.Version =
      text::Format("%u.%u.%u.%u", {std::int64_t{version.major}, std::int64_t{version.minor},
                                   std::int64_t{version.release}, std::int64_t{version.build}});
  return true;
}

std::string VersionText(const std::string& path) {
  TVersionInfo info;
  ReadVersionInfo(path, info);
  return info.Version;
}
