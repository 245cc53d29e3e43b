#include "base/command_line.h"

#include "base/char_classes.h"

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  // Stops at an embedded NUL, as the C string of the platform does.
  const std::string line = commandLine.substr(0, commandLine.find('\0'));
  std::vector<std::string> params;
  std::size_t p = 0;
  for (;;) {
    for (;;) {
      while (p < line.size() && text::IsCommandLineBlank(line[p])) ++p;
      if (p + 1 < line.size() && line[p] == '"' && line[p + 1] == '"') {
        p += 2;
      } else {
        break;
      }
    }
    std::string param;
    while (p < line.size() && !text::IsCommandLineBlank(line[p])) {
      if (line[p] == '"') {
        ++p;
        while (p < line.size() && line[p] != '"') param += line[p++];
        if (p < line.size()) ++p;
      } else {
        param += line[p++];
      }
    }
    if (param.empty()) break;
    params.push_back(std::move(param));
  }
  return params;
}
