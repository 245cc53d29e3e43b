// The open database file and the locks on it.
#include "platform/posix/jet/engine/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

short LockType(JetLock kind) {
  return kind == JetLock::kShared ? F_RDLCK : F_WRLCK;
}

}  // namespace

JetPathKind InspectPath(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return JetPathKind::kMissing;
  if (S_ISDIR(info.st_mode)) return JetPathKind::kFolder;
  // Opening anything but a regular file (a pipe) could block.
  if (!S_ISREG(info.st_mode)) return JetPathKind::kOther;
  return info.st_size == 0 ? JetPathKind::kEmpty : JetPathKind::kRegular;
}

JetFileCalls DefaultJetFileCalls() {
  return {::pread, ::pwrite, ::fsync, LockCall, ::flock};
}

void SetJetFileCallsForTesting(const JetFileCalls& replacement) {
  calls = replacement;
}

JetFile JetFile::Open(const std::string& path, JetAccess access) {
  // Without O_NONBLOCK, a file under another's lease (Samba's kernel oplocks) would keep the
  // open waiting for the lease to be broken.
  return OpenWithFlags(path, (access == JetAccess::kRead ? O_RDONLY : O_RDWR) | O_NONBLOCK);
}

bool OpenRefusedInUse(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

JetFile JetFile::OpenWithFlags(const std::string& path, int flags) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  return JetFile(fd);
}

bool JetFile::IsRegular() const {
  struct stat info {};
  return ::fstat(fd_.Get(), &info) == 0 && S_ISREG(info.st_mode);
}

bool JetFile::Size(std::uint64_t& out) const {
  struct stat info {};
  if (::fstat(fd_.Get(), &info) != 0) return false;
  out = static_cast<std::uint64_t>(info.st_size);
  return true;
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

base::Status JetFile::WriteAt(const void* data, std::size_t size, std::uint64_t offset) {
  ssize_t written = -1;
  do {
    written = calls.pwrite(fd_.Get(), data, size, static_cast<off_t>(offset));
  } while (written < 0 && errno == EINTR);
  if (written == static_cast<ssize_t>(size)) return {};
  return base::Status::Damaged(written < 0 ? std::strerror(errno) : "écriture incomplète");
}

bool JetFile::Flush() {
  return calls.fsync(fd_.Get()) == 0;
}

bool JetFile::LockWhole(JetLock kind) {
  struct flock lock = WholeFile(LockType(kind));
  return calls.lock(fd_.Get(), F_OFD_SETLK, &lock) == 0;
}

void JetFile::UnlockWhole() {
  struct flock lock = WholeFile(F_UNLCK);
  calls.lock(fd_.Get(), F_OFD_SETLK, &lock);
}

bool JetFile::FindLock(short type, struct flock& found) const {
  found = WholeFile(type);
  if (calls.lock(fd_.Get(), F_OFD_GETLK, &found) != 0) return false;
  return found.l_type != F_UNLCK;
}

bool JetFile::OtherLock(JetLock kind) const {
  struct flock found {};
  return FindLock(LockType(kind), found);
}

bool JetFile::OtherWholeFileWriteLock() const {
  // A write lock is what conflicts with a read lock. Samba carries a Windows client's lock on
  // the whole range out as one from 0 to 0x7ffffffffffffffe: that is the whole file too.
  struct flock found {};
  if (!FindLock(F_RDLCK, found) || found.l_start != 0) return false;
  return found.l_len == 0 || static_cast<std::uint64_t>(found.l_len) >= kWholeRangeLength;
}

bool JetFile::OtherBsdLock(JetLock kind) const {
  if (!fd_.IsOpen()) return false;
  // On this descriptor itself: it holds no BSD lock of its own, so the attempt conflicts with
  // every other description's. Opening and closing another descriptor instead would drop every
  // classic POSIX lock this process holds on the file.
  const int operation = kind == JetLock::kShared ? LOCK_SH : LOCK_EX;
  if (calls.bsdLock(fd_.Get(), operation | LOCK_NB) == 0) {
    calls.bsdLock(fd_.Get(), LOCK_UN);
    return false;
  }
  return errno == EWOULDBLOCK;
}

std::vector<std::string> LockFilePaths(const std::string& databasePath) {
  const std::size_t slash = databasePath.rfind('/');
  const std::size_t dot = databasePath.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExtension ? databasePath.substr(0, dot) : databasePath;
  return {stem + ".ldb", stem + ".LDB"};
}

bool LockFileInUse(const std::string& databasePath) {
  for (const std::string& path : LockFilePaths(databasePath)) {
    const JetFile ldb = JetFile::OpenWithFlags(path, O_RDONLY | O_NONBLOCK);
    if (!ldb) {
      // A lock file that exists but cannot be opened is held under a lease or a lock (or kept
      // from this user): never taken for a missing one.
      const int error = errno;
      if (OpenRefusedInUse(error) || error == EACCES) return true;
      continue;
    }
    if (ldb.OtherLock(JetLock::kExclusive) || ldb.OtherBsdLock(JetLock::kExclusive)) return true;
  }
  return false;
}

StatementLock::StatementLock(JetFile& file) : file_(file) {
  if (!file_.LockWhole(JetLock::kExclusive)) error_ = errno;
}

StatementLock::~StatementLock() {
  if (error_ == 0) file_.UnlockWhole();
}

}  // namespace platform
