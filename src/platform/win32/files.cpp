// Windows side of the file seam: CreateFile with read sharing only, one WriteFile per call,
// FlushFileBuffers. File text is written in the ANSI code page.
#include "platform/files.h"

#include "platform/win32/support.h"

namespace platform {

namespace {

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

std::int32_t LastError() {
  return static_cast<std::int32_t>(GetLastError());
}

// Opens `path` for writing only; others may read it but not write it while it is open.
HANDLE OpenForWriting(const std::string& path, DWORD disposition) {
  return CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::string ToFileText(const std::string& text) {
  return win32::ToAnsi(text);
}

bool FileExists(const std::string& path) noexcept {
  try {
    return GetFileAttributesW(win32::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  } catch (...) {
    return false;
  }
}

File::~File() {
  Close();
}

File File::CreateOrTruncate(const std::string& path) {
  HANDLE h = OpenForWriting(path, CREATE_ALWAYS);
  if (h == INVALID_HANDLE_VALUE) {
    throw EFCreateError("Impossible de créer le fichier \"" + path + "\"", LastError());
  }
  return File(reinterpret_cast<Handle>(h));
}

File File::OpenWriteSharedForRead(const std::string& path) {
  HANDLE h = OpenForWriting(path, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) {
    throw EFOpenError("Impossible d'ouvrir le fichier \"" + path + "\"", LastError());
  }
  return File(reinterpret_cast<Handle>(h));
}

std::int64_t File::Size() const {
  if (!IsOpen()) throw EStreamError("Aucun fichier ouvert", ERROR_INVALID_HANDLE);
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(AsHandle(handle_), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    throw EStreamError("Impossible de lire la taille du fichier", LastError());
  }
  return (static_cast<std::int64_t>(high) << 32) | low;
}

void File::SeekToEnd() {
  if (!IsOpen()) throw EStreamError("Aucun fichier ouvert", ERROR_INVALID_HANDLE);
  LONG high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(AsHandle(handle_), 0, &high, FILE_END);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
    throw EStreamError("Erreur de positionnement dans le fichier", LastError());
  }
}

void File::Write(const void* data, std::size_t size) {
  if (!IsOpen()) throw EWriteError("Erreur d'écriture du flux", ERROR_INVALID_HANDLE);
  unflushed_ = true;
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), bytes, chunk, &written, nullptr)) {
      throw EWriteError("Erreur d'écriture du flux", LastError());
    }
    if (written == 0) throw EWriteError("Erreur d'écriture du flux", ERROR_DISK_FULL);
    bytes += written;
    size -= written;
  }
}

bool File::FlushToDisk() noexcept {
  if (!IsOpen()) return false;
  if (!unflushed_) return lastFlushOk_;
  unflushed_ = false;
  lastFlushOk_ = FlushFileBuffers(AsHandle(handle_)) != 0;
  return lastFlushOk_;
}

void File::Close() noexcept {
  if (!IsOpen()) return;
  CloseHandle(AsHandle(handle_));
  handle_ = kNoHandle;
  unflushed_ = false;
  lastFlushOk_ = true;
}

}  // namespace platform
