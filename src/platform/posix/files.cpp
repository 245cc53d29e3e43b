// Linux side of the file seam: open, an exclusive flock held while the file is open, fsync.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/descriptor.h"

namespace platform {

namespace {

// Opens `path` write-only (creating it when `create`) and takes the exclusive lock, without
// waiting: a second writer of the journal fails here. Returns -1 with errno set on failure.
int OpenLocked(const std::string& path, bool create) {
  int flags = O_WRONLY | O_CLOEXEC | (create ? O_CREAT : 0);
  UniqueFd fd;
  do {
    fd.Reset(::open(path.c_str(), flags, 0666));
  } while (!fd.IsOpen() && errno == EINTR);
  if (!fd.IsOpen()) return -1;
  int locked;
  do {
    locked = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const int error = errno;
    fd.Reset();
    errno = error;
    return -1;
  }
  return fd.Release();
}

}  // namespace

std::string ToFileText(const std::string& text) {
  return text;
}

bool FileExists(const std::string& path) noexcept {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

File::~File() {
  Close();
}

File File::CreateOrTruncate(const std::string& path) {
  // Truncated only once the lock is held, so that a file another process writes is left whole.
  const int fd = OpenLocked(path, true);
  if (fd < 0) throw EFCreateError("Impossible de créer le fichier \"" + path + "\"", errno);
  File file(fd);
  if (::ftruncate(fd, 0) != 0) {
    throw EFCreateError("Impossible de créer le fichier \"" + path + "\"", errno);
  }
  return file;
}

File File::OpenWriteSharedForRead(const std::string& path) {
  const int fd = OpenLocked(path, false);
  if (fd < 0) throw EFOpenError("Impossible d'ouvrir le fichier \"" + path + "\"", errno);
  return File(fd);
}

std::int64_t File::Size() const {
  struct stat info {};
  if (!IsOpen()) throw EStreamError("Aucun fichier ouvert", EBADF);
  if (::fstat(static_cast<int>(handle_), &info) != 0) {
    throw EStreamError("Impossible de lire la taille du fichier", errno);
  }
  return static_cast<std::int64_t>(info.st_size);
}

void File::SeekToEnd() {
  if (!IsOpen()) throw EStreamError("Aucun fichier ouvert", EBADF);
  if (::lseek(static_cast<int>(handle_), 0, SEEK_END) < 0) {
    throw EStreamError("Erreur de positionnement dans le fichier", errno);
  }
}

void File::Write(const void* data, std::size_t size) {
  if (!IsOpen()) throw EWriteError("Erreur d'écriture du flux", EBADF);
  unflushed_ = true;
  const char* bytes = static_cast<const char*>(data);
  // One call normally writes it all; a short write (a disk filling up) goes on until the
  // system refuses the rest.
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(handle_), bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError("Erreur d'écriture du flux", n < 0 ? errno : ENOSPC);
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}

bool File::FlushToDisk() noexcept {
  if (!IsOpen()) return false;
  if (!unflushed_) return lastFlushOk_;
  unflushed_ = false;
  lastFlushOk_ = ::fsync(static_cast<int>(handle_)) == 0;
  return lastFlushOk_;
}

void File::Close() noexcept {
  if (!IsOpen()) return;
  // Closing the descriptor releases the lock with it.
  UniqueFd(static_cast<int>(std::exchange(handle_, kNoHandle))).Reset();
  unflushed_ = false;
  lastFlushOk_ = true;
}

}  // namespace platform
