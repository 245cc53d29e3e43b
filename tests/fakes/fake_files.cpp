// Test side of the file seam: files in memory, every operation recorded in fakes::Files().
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "fake_platform.h"
#include "global.h"
#include "platform/files.h"

namespace fakes {

namespace {

struct OpenFile {
  std::string path;
  std::size_t position = 0;
};

std::map<std::intptr_t, OpenFile>& Handles() {
  static std::map<std::intptr_t, OpenFile> handles;
  return handles;
}

std::intptr_t nextHandle = 1;

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.rfind(platform::kPathSeparator);
  return cut == std::string::npos ? "" : path.substr(0, cut + 1);
}

// A handle the fake never gave out, or one already closed: a fault of the caller's.
OpenFile& Lookup(std::intptr_t handle) {
  auto found = Handles().find(handle);
  if (found == Handles().end()) {
    std::fprintf(stderr, "fake files: use of handle %ld that is not open\n",
                 static_cast<long>(handle));
    std::abort();
  }
  return found->second;
}

}  // namespace

HostState& Host() {
  static HostState host;
  return host;
}

FileSystemState& Files() {
  static FileSystemState files;
  return files;
}

DatabaseState& Database() {
  static DatabaseState database;
  return database;
}

UiState& Ui() {
  static UiState ui;
  return ui;
}

std::size_t FileSystemState::OpenCount() const {
  return Handles().size();
}

std::string Sep() {
  return std::string(1, platform::kPathSeparator);
}

std::string Folder() {
#ifdef _WIN32
  return "C:\\Tools\\Upgrade\\Log\\";
#else
  return "/opt/upgrade/Log/";
#endif
}

void Reset() {
  Host() = HostState{};
  const std::string exeFolder = Folder().substr(0, Folder().size() - 4);
  Host().executablePath = exeFolder + "upgrade405";
  Host().modulePath = Host().executablePath;
  Files() = FileSystemState{};
  Files().folders = {exeFolder, Folder()};
  Handles().clear();
  Database() = DatabaseState{};
  Ui() = UiState{};
  ExitCode = 0;
}

}  // namespace fakes

namespace platform {

using fakes::Files;

std::string ToFileText(const std::string& text) {
  return text;
}

bool FileExists(const std::string& path) noexcept {
  Files().log.push_back("exists " + path);
  return Files().files.count(path) != 0;
}

File::~File() {
  Close();
}

File File::CreateOrTruncate(const std::string& path) {
  if (Files().folders.count(fakes::FolderOf(path)) == 0 ||
      Files().heldByOtherWriter.count(path) != 0) {
    Files().log.push_back("create " + path + " refused");
    throw EFCreateError("fake: cannot create " + path, 2);
  }
  Files().log.push_back("create " + path);
  Files().files[path].clear();
  const std::intptr_t handle = fakes::nextHandle++;
  fakes::Handles()[handle] = fakes::OpenFile{path, 0};
  return File(handle);
}

File File::OpenWriteSharedForRead(const std::string& path) {
  if (Files().files.count(path) == 0 || Files().heldByOtherWriter.count(path) != 0) {
    Files().log.push_back("open " + path + " refused");
    throw EFOpenError("fake: cannot open " + path, 32);
  }
  Files().log.push_back("open " + path);
  const std::intptr_t handle = fakes::nextHandle++;
  fakes::Handles()[handle] = fakes::OpenFile{path, 0};
  return File(handle);
}

std::int64_t File::Size() const {
  const fakes::OpenFile& file = fakes::Lookup(handle_);
  Files().log.push_back("size " + file.path);
  return static_cast<std::int64_t>(Files().files[file.path].size());
}

void File::SeekToEnd() {
  fakes::OpenFile& file = fakes::Lookup(handle_);
  Files().log.push_back("seek-end " + file.path);
  file.position = Files().files[file.path].size();
}

void File::Write(const void* data, std::size_t size) {
  fakes::OpenFile& file = fakes::Lookup(handle_);
  const int call = ++Files().writeCalls;
  if (Files().failWriteNumber != 0 && (call == Files().failWriteNumber ||
                                       (Files().failForGood && call > Files().failWriteNumber))) {
    Files().log.push_back("write-failed " + file.path);
    throw EWriteError("fake: disk full", 112);
  }
  const std::string bytes(static_cast<const char*>(data), size);
  Files().log.push_back("write " + file.path + " " + bytes);
  std::string& content = Files().files[file.path];
  content.replace(file.position, std::min(bytes.size(), content.size() - file.position), bytes);
  file.position += size;
}

bool File::FlushToDisk() noexcept {
  if (!IsOpen()) return false;
  Files().log.push_back("flush " + fakes::Lookup(handle_).path);
  return true;
}

void File::Close() noexcept {
  if (!IsOpen()) return;
  Files().log.push_back("close " + fakes::Lookup(handle_).path);
  fakes::Handles().erase(std::exchange(handle_, kNoHandle));
}

}  // namespace platform
