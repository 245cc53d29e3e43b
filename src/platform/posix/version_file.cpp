// Linux side of the host seam: the version block of a file, the ELF note our build writes.
#include <elf.h>

#include <cstring>

#include "platform/host.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/version_note.h"

namespace platform {

namespace {

// Looks through the note sections of an ELF file of one class for the version note.
template <typename Ehdr, typename Shdr>
bool FindVersionNote(int in, FileVersion& version) {
  Ehdr header{};
  if (!ReadAt(in, 0, &header, sizeof header)) return false;
  if (header.e_shoff == 0 || header.e_shentsize != sizeof(Shdr)) return false;
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    Shdr section{};
    if (!ReadAt(in, header.e_shoff + std::uint64_t{i} * sizeof(Shdr), &section, sizeof section)) {
      return false;
    }
    if (section.sh_type != SHT_NOTE || section.sh_size > (1u << 20)) continue;
    std::string notes(section.sh_size, '\0');
    if (!ReadAt(in, section.sh_offset, notes.data(), notes.size())) continue;
    const std::size_t align = section.sh_addralign == 8 ? 8 : 4;
    auto padded = [align](std::size_t n) { return (n + align - 1) / align * align; };
    for (std::size_t at = 0; at + 12 <= notes.size();) {
      std::uint32_t fields[3];
      std::memcpy(fields, notes.data() + at, sizeof fields);
      const std::size_t nameAt = at + 12;
      const std::size_t descAt = nameAt + padded(fields[0]);
      if (descAt > notes.size() || fields[1] > notes.size() - descAt) break;
      const std::string name = notes.substr(nameAt, fields[0]);
      if (fields[2] == kVersionNoteType &&
          name == std::string(kVersionNoteName, sizeof kVersionNoteName) && fields[1] >= 8) {
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

bool ReadFileVersion(const std::string& path, std::optional<FileVersion>& version) {
  const UniqueFd file = OpenForReading(path);
  if (!file.IsOpen()) return false;
  const int in = file.Get();
  unsigned char ident[EI_NIDENT] = {};
  if (!ReadAt(in, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) {
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

}  // namespace platform
