// Linux side of the host seam: the process, its modules and the user's locale.
#include "platform/host.h"

#include <dlfcn.h>
#include <locale.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <vector>

namespace platform {

const char kPathSeparator = '/';

std::string GetExecutablePath() {
  std::vector<char> buf(PATH_MAX + 1);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "";
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::vector<std::string> GetCommandLineParameters() {
  // argv as the shell split it, NUL-separated.
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  if (!args.empty()) args.erase(args.begin());
  return args;
}

namespace {

// Decodes UTF-8; an invalid byte stands for itself as a code point of its own (so it survives
// the round trip unchanged).
std::u32string DecodeUtf8(const std::string& s, std::vector<bool>& raw) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80         ? 1
                      : (b >> 5) == 6  ? 2
                      : (b >> 4) == 14 ? 3
                      : (b >> 3) == 30 ? 4
                                       : 0;
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len != 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      ok = (c & 0xC0) == 0x80;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out.push_back(b);
      raw.push_back(true);
      ++i;
      continue;
    }
    out.push_back(cp);
    raw.push_back(false);
    i += len;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The user's character classes; a UTF-8 locale when the user's own is not one, since file
// names here are UTF-8 whatever the locale says.
locale_t UserCtype() {
  static locale_t loc = [] {
    const char* names[] = {"", "C.UTF-8", "C.utf8"};
    for (const char* name : names) {
      locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
      if (l == static_cast<locale_t>(0)) continue;
      if (towlower_l(L'\u00C9', l) == L'\u00E9') return l;
      freelocale(l);
    }
    return static_cast<locale_t>(0);
  }();
  return loc;
}

}  // namespace

std::string LowerCaseForLocale(const std::string& text) {
  std::vector<bool> raw;
  std::u32string cps = DecodeUtf8(text, raw);
  locale_t loc = UserCtype();
  std::string out;
  for (std::size_t i = 0; i < cps.size(); ++i) {
    if (raw[i]) {
      out += static_cast<char>(cps[i]);
      continue;
    }
    char32_t cp = cps[i];
    if (loc != static_cast<locale_t>(0)) {
      cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc));
    } else if (cp >= U'A' && cp <= U'Z') {
      cp = cp - U'A' + U'a';
    }
    AppendUtf8(out, cp);
  }
  return out;
}

bool FindModuleOfAddress(const void* address, std::string& modulePath, std::uintptr_t& loadBase) {
  Dl_info target{};
  if (address == nullptr || dladdr(address, &target) == 0 || target.dli_fbase == nullptr) {
    return false;
  }
  loadBase = reinterpret_cast<std::uintptr_t>(target.dli_fbase);
  // The loader names the main program as it was started; its real path is clearer.
  Dl_info self{};
  bool inExecutable = dladdr(reinterpret_cast<const void*>(&GetExecutablePath), &self) != 0 &&
                      self.dli_fbase == target.dli_fbase;
  modulePath = inExecutable ? GetExecutablePath() : (target.dli_fname ? target.dli_fname : "");
  return true;
}

}  // namespace platform
