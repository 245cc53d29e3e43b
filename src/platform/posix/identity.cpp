// Linux side of the host seam: the names, modules, version note and clocks the journal reads.
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/auxv.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/host.h"
#include "platform/posix/identity.h"

namespace platform {

namespace {

// A file opened for reading, closed with its owner.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~ReadOnlyFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }

  // Reads `size` bytes at `offset`; false when the file is shorter or cannot be read.
  bool ReadAt(std::uint64_t offset, void* out, std::size_t size) const {
    char* bytes = static_cast<char*>(out);
    while (size > 0) {
      const ssize_t n = ::pread(fd_, bytes, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  // The whole content, up to `limit` bytes; false when it cannot be read.
  bool ReadAll(std::string& content, std::size_t limit) const {
    content.clear();
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) return true;
      content.append(buffer, static_cast<std::size_t>(n));
      if (content.size() > limit) return false;
    }
  }

 private:
  int fd_;
};

std::string& HostnameFile() {
  static std::string path = "/etc/hostname";
  return path;
}

// True when `s` is text: no NUL and valid UTF-8 (no overlong forms, no surrogates).
bool IsText(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b == 0) return false;
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    char32_t cp;
    if ((b & 0xE0) == 0xC0) {
      len = 2;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      len = 3;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      len = 4;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

// The configured static host name: the first line of the file that is neither empty nor a
// comment, without surrounding white space. False when the file cannot be read or is not text
// (the system's name then stays); a readable text file without a name gives an empty name.
bool ReadConfiguredHostname(const std::string& path, std::string& name) {
  const ReadOnlyFile file(path);
  std::string content;
  if (!file.IsOpen() || !file.ReadAll(content, 64 * 1024) || !IsText(content)) return false;
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

// The load base of the module that holds `address`, or 0.
ModuleHandle LoadBaseOf(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0) return 0;
  return reinterpret_cast<ModuleHandle>(info.dli_fbase);
}

// An address inside the module this code is linked into: the one that holds the journal.
const void* AddressInThisModule() {
  return reinterpret_cast<const void*>(&AddressInThisModule);
}

// Looks through the note sections of an ELF file of one class for the version note.
template <typename Ehdr, typename Shdr>
bool FindVersionNote(const ReadOnlyFile& in, FileVersion& version) {
  Ehdr header{};
  if (!in.ReadAt(0, &header, sizeof header)) return false;
  if (header.e_shoff == 0 || header.e_shentsize != sizeof(Shdr)) return false;
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    Shdr section{};
    if (!in.ReadAt(header.e_shoff + std::uint64_t{i} * sizeof(Shdr), &section, sizeof section)) {
      return false;
    }
    if (section.sh_type != SHT_NOTE || section.sh_size > (1u << 20)) continue;
    std::string notes(section.sh_size, '\0');
    if (!in.ReadAt(section.sh_offset, notes.data(), notes.size())) continue;
    const std::size_t align = section.sh_addralign == 8 ? 8 : 4;
    auto padded = [align](std::size_t n) { return (n + align - 1) / align * align; };
    for (std::size_t at = 0; at + 12 <= notes.size();) {
      std::uint32_t fields[3];
      std::memcpy(fields, notes.data() + at, sizeof fields);
      const std::size_t nameAt = at + 12;
      const std::size_t descAt = nameAt + padded(fields[0]);
      if (descAt > notes.size() || fields[1] > notes.size() - descAt) break;
      const std::string name = notes.substr(nameAt, fields[0]);
      if (fields[2] == kVersionNoteType && name == std::string(kVersionNoteName, 11) &&
          fields[1] >= 8) {
        std::uint16_t numbers[4];
        std::memcpy(numbers, notes.data() + descAt, sizeof numbers);
        version = FileVersion{numbers[0], numbers[1], numbers[2], numbers[3]};
        return true;
      }
      at = descAt + padded(fields[1]);
    }
  }
  return false;
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

std::string GetModulePath() {
  std::string path;
  std::uintptr_t base = 0;
  return FindModuleOfAddress(AddressInThisModule(), path, base) ? path : "";
}

ModuleHandle GetMainModuleHandle() {
  // The program headers of the main program, as the kernel mapped them.
  return LoadBaseOf(reinterpret_cast<const void*>(getauxval(AT_PHDR)));
}

ModuleHandle GetJournalModuleHandle() {
  return LoadBaseOf(AddressInThisModule());
}

bool ReadFileVersion(const std::string& path, std::optional<FileVersion>& version) {
  const ReadOnlyFile in(path);
  if (!in.IsOpen()) return false;
  unsigned char ident[EI_NIDENT] = {};
  if (!in.ReadAt(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) {
    return false;
  }
  // Only files in this machine's byte order are read.
  const std::uint16_t probe = 1;
  const bool little = *reinterpret_cast<const unsigned char*>(&probe) == 1;
  if (ident[EI_DATA] != (little ? ELFDATA2LSB : ELFDATA2MSB)) return false;
  // The note is the whole block: when it is found, its four numbers are there.
  FileVersion found;
  bool read = false;
  if (ident[EI_CLASS] == ELFCLASS64) read = FindVersionNote<Elf64_Ehdr, Elf64_Shdr>(in, found);
  if (ident[EI_CLASS] == ELFCLASS32) read = FindVersionNote<Elf32_Ehdr, Elf32_Shdr>(in, found);
  if (read) version = found;
  return read;
}

std::int64_t GetTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

LocalTime GetLocalTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return LocalTime{local.tm_year + 1900,
                   local.tm_mon + 1,
                   local.tm_mday,
                   local.tm_hour,
                   local.tm_min,
                   local.tm_sec,
                   static_cast<int>(now.tv_nsec / 1000000)};
}

std::string GetTimeSeparator() {
  return ":";
}

}  // namespace platform
