// The open database file and the locks on it: the only way the engine reads, writes and locks.
//
// JetFile owns the descriptor of the open database and is the only way the engine reads,
// writes, flushes and locks it (the libmdb child reads on its own, see libmdb/client.h). Every call
// goes through a table of system calls that tests replace to make one of them fail: a failure
// is reported once, with errno, and never retried (an interrupted call is not a failure).
//
// Locks are open-file-description (OFD) locks on the whole file: owned by the descriptor alone,
// so that no other descriptor's close in this process drops them, and in conflict with every
// other process's POSIX and OFD locks. Another process's BSD lock (flock), which neither of those
// sees, is found by trying one on the descriptor and releasing it at once. Jet's own
// lock file beside the database (its name with ".ldb") counts as in use when another process
// holds a lock of either kind on it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/posix/descriptor.h"

struct flock;

namespace platform {

// The length of a lock from 0 to the last offset a lock can name, 0x7ffffffffffffffe.
inline constexpr std::uint64_t kWholeRangeLength = 0x7fffffffffffffffULL;

// How the database is opened.
enum class JetAccess { kRead, kReadWrite };
// A lock's kind: shared (a reader's) or exclusive (a writer's).
enum class JetLock { kShared, kExclusive };

// What a path names, before it is opened.
enum class JetPathKind { kMissing, kFolder, kOther, kEmpty, kRegular };
JetPathKind InspectPath(const std::string& path);

// The system calls through which a JetFile reads, writes, flushes and locks.
struct JetFileCalls {
  ssize_t (*pread)(int fd, void* buffer, std::size_t size, off_t offset);
  ssize_t (*pwrite)(int fd, const void* buffer, std::size_t size, off_t offset);
  int (*fsync)(int fd);
  int (*lock)(int fd, int command, struct flock* lock);  // fcntl with a lock command
  int (*bsdLock)(int fd, int operation);                 // flock
};
JetFileCalls DefaultJetFileCalls();
void SetJetFileCallsForTesting(const JetFileCalls& calls);

class JetFile {
 public:
  // A file that is not open: false, and every operation fails. Move-only; destroying a JetFile
  // closes its descriptor, which drops its locks.
  JetFile() = default;

  // Opens `path` with `access`, never creating it and never waiting: a file under another's
  // lease fails at once with EWOULDBLOCK. Not open, with errno set, when it cannot.
  static JetFile Open(const std::string& path, JetAccess access);

  explicit operator bool() const { return fd_.IsOpen(); }
  // The descriptor, for the libmdb child; the JetFile keeps owning it.
  int fd() const { return fd_.Get(); }
  // Whether the open file is a regular file (false, too, when that cannot be known).
  bool IsRegular() const;
  // The file's size in bytes; false with errno.
  bool Size(std::uint64_t& out) const;

  // Reads up to `size` bytes at `offset`, stopping early only at the end of the file: the number
  // of bytes read, or -1 with errno.
  ssize_t ReadUpTo(void* buffer, std::size_t size, std::uint64_t offset) const;
  // Reads exactly `size` bytes at `offset`; false on an error or at the end of the file.
  bool ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const;
  // Writes `size` bytes at `offset` in one call; when not all of them were written, kDamaged
  // with errno's text, or that the write was short.
  base::Status WriteAt(const void* data, std::size_t size, std::uint64_t offset);
  // Flushes the file to disk; false with errno. A failed flush is not retried: what it
  // dropped may be lost, and a second flush would report success.
  bool Flush();

  // Takes this descriptor's lock of `kind` on the whole file, without waiting; false with errno
  // (EAGAIN or EACCES when another process holds one).
  bool LockWhole(JetLock kind);
  // Releases this descriptor's lock on the whole file.
  void UnlockWhole();
  // Whether another process holds a lock on the file that conflicts with `kind`. false, too,
  // when the question cannot be asked.
  bool OtherLock(JetLock kind) const;
  // Whether another process holds the whole file under a write lock, as Jet does for a database
  // opened exclusively: the first conflicting lock found covers the whole file (to its end, or
  // to the end of the range, as Samba locks the whole range for a Windows client).
  bool OtherWholeFileWriteLock() const;
  // Whether another open file description (another process's) holds a BSD lock (flock) on the
  // file that conflicts with `kind`. Asked by taking that lock on this descriptor, without
  // waiting, and releasing it at once; false, too, when the question cannot be asked. Ask it
  // before this descriptor takes its own lock: where flock is carried out as a whole-file POSIX
  // lock (NFS), the release would drop ours.
  bool OtherBsdLock(JetLock kind) const;

 private:
  friend bool LockFileInUse(const std::string& databasePath);
  explicit JetFile(int fd) : fd_(fd) {}
  static JetFile OpenWithFlags(const std::string& path, int flags);
  bool FindLock(short type, struct flock& found) const;
  UniqueFd fd_;
};

// Whether an open that failed with `error` was refused because another holds the file under a
// lease (EAGAIN or EWOULDBLOCK, with O_NONBLOCK): the file is in use.
bool OpenRefusedInUse(int error);

// The paths Jet's lock file beside `databasePath` may have: the name with its extension
// replaced by ".ldb", then by ".LDB".
std::vector<std::string> LockFilePaths(const std::string& databasePath);

// Whether another process holds a lock on Jet's lock file beside `databasePath`, or the lock
// file exists but cannot be opened (a lease, a lock, no right to read it). A lock file that
// nobody locks is a leftover.
bool LockFileInUse(const std::string& databasePath);

// A statement's write lock on the whole file, released when it goes out of scope.
class StatementLock {
 public:
  explicit StatementLock(JetFile& file);
  ~StatementLock();
  StatementLock(const StatementLock&) = delete;
  StatementLock& operator=(const StatementLock&) = delete;
  // 0 when the lock is held, otherwise errno of the attempt.
  int error() const { return error_; }

 private:
  JetFile& file_;
  int error_ = 0;
};

}  // namespace platform
