// The Linux side of the database seam: the Jet engine's database file and the locks on it.
#include "platform/posix/jet/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

int LockCall(int fd, int command, struct flock* lock) {
  return ::fcntl(fd, command, lock);
}

JetFileCalls calls = DefaultJetFileCalls();

// A lock request of `type` on the whole file.
struct flock WholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return lock;
}

}  // namespace

JetFileCalls DefaultJetFileCalls() {
  return {::pread, ::pwrite, ::fsync, LockCall, ::flock};
}

void SetJetFileCallsForTesting(const JetFileCalls& replacement) {
  calls = replacement;
}

JetFile JetFile::Open(const std::string& path, int access) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), access | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  return JetFile(fd);
}

ssize_t JetFile::ReadUpTo(void* buffer, std::size_t size, std::uint64_t offset) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = calls.pread(fd_.Get(), static_cast<char*>(buffer) + done, size - done,
                                  static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool JetFile::ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const {
  return ReadUpTo(buffer, size, offset) == static_cast<ssize_t>(size);
}

bool JetFile::WriteAt(const void* data, std::size_t size, std::uint64_t offset, std::string& why) {
  ssize_t written = -1;
  do {
    written = calls.pwrite(fd_.Get(), data, size, static_cast<off_t>(offset));
  } while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(size)) return true;
  why = written < 0 ? std::strerror(errno) : "écriture incomplète";
  return false;
}

bool JetFile::Flush() {
  return calls.fsync(fd_.Get()) == 0;
}

bool JetFile::LockWhole(short type) {
  struct flock lock = WholeFile(type);
  return calls.lock(fd_.Get(), F_OFD_SETLK, &lock) == 0;
}

bool JetFile::OtherLock(short type, struct flock& found) const {
  found = WholeFile(type);
  if (calls.lock(fd_.Get(), F_OFD_GETLK, &found) != 0) return false;
  return found.l_type != F_UNLCK;
}

bool JetFile::OtherBsdLock(int operation) const {
  if (!fd_.IsOpen()) return false;
  // On this descriptor itself: it holds no BSD lock of its own, so the attempt conflicts with
  // every other description's. Opening and closing another descriptor instead would drop every
  // classic POSIX lock this process holds on the file.
  if (calls.bsdLock(fd_.Get(), operation | LOCK_NB) == 0) {
    calls.bsdLock(fd_.Get(), LOCK_UN);
    return false;
  }
  return errno == EWOULDBLOCK;
}

bool LockFileInUse(const std::string& databasePath) {
  const std::size_t slash = databasePath.rfind('/');
  const std::size_t dot = databasePath.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExtension ? databasePath.substr(0, dot) : databasePath;
  for (const char* extension : {".ldb", ".LDB"}) {
    const JetFile ldb = JetFile::Open(stem + extension, O_RDONLY | O_NONBLOCK);
    if (!ldb) continue;
    struct flock found {};
    if (ldb.OtherLock(F_WRLCK, found) || ldb.OtherBsdLock(LOCK_EX)) return true;
  }
  return false;
}

StatementLock::StatementLock(JetFile& file) : file_(file) {
  if (!file_.LockWhole(F_WRLCK)) error_ = errno;
}

StatementLock::~StatementLock() {
  if (error_ == 0) file_.LockWhole(F_UNLCK);
}

}  // namespace platform
