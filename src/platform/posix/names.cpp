// Linux side of the host seam: the names of the machine and of the user.
#include "platform/posix/names.h"

#include <pwd.h>
#include <unistd.h>

#include <utility>

#include "base/utf8.h"
#include "platform/host.h"
#include "platform/posix/descriptor.h"

namespace platform {

namespace {

std::string& HostnameFile() {
  static std::string path = "/etc/hostname";
  return path;
}

// The configured static host name: the first line of the file that is neither empty nor a
// comment, without surrounding white space. False when the file cannot be read or is not text
// (the system's name then stays); a readable text file without a name gives an empty name.
bool ReadConfiguredHostname(const std::string& path, std::string& name) {
  const UniqueFd file = OpenForReading(path);
  std::string content;
  if (!file.IsOpen() || !ReadAll(file.Get(), content, 64 * 1024) || !utf8::IsText(content)) {
    return false;
  }
  name.clear();
  std::size_t start = 0;
  while (start <= content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    const char* space = " \t\r\v\f";
    const std::size_t first = line.find_first_not_of(space);
    if (first != std::string::npos && line[first] != '#') {
      name = line.substr(first, line.find_last_not_of(space) - first + 1);
      break;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace

std::string SetHostnameFileForTesting(std::string path) {
  return std::exchange(HostnameFile(), std::move(path));
}

std::string GetComputerNameText() {
  char buffer[256] = {};
  std::string name;
  if (gethostname(buffer, sizeof buffer - 1) == 0) name = buffer;
  std::string configured;
  if (ReadConfiguredHostname(HostnameFile(), configured)) name = configured;
  return name;
}

std::string GetUserNameText() {
  const passwd* user = getpwuid(geteuid());
  return user != nullptr && user->pw_name != nullptr ? user->pw_name : "";
}

}  // namespace platform
