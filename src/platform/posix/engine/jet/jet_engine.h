// The Linux side of the database seam: the native Jet engine, for real Jet 4 (.mdb) files.
//
// It reads with libmdb (always in a child process, see jet_reader.h) and writes nothing but what
// a statement changes. The only statement it carries out is ALTER TABLE t ALTER COLUMN c TEXT(n)
// on a variable-length text column: the column's 2-byte length field in its table-definition
// page is rewritten in place by one write inside one page and one 512-byte sector, then flushed,
// after our own reading of the definition (jet_tdef.h) and libmdb's agree on every column.
// Widening reads no row; shortening first reads every value and refuses, changing nothing, when
// any holds more than n characters; the same length writes nothing. Everything else is refused
// with a French error and changes nothing.
//
// Other users: while a statement runs the engine holds an open-file-description write lock on
// the whole file, and refuses at once, as Jet's "in use", when another process holds any lock on
// it or on the Jet lock file beside it (the name with ".ldb"). "Mode" is honoured: Share Deny
// None locks only during a statement; Share Exclusive holds the lock from open to close and is
// refused when another process holds one; Read refuses every change.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string>

#include "platform/posix/engine/engine.h"

struct flock;

namespace platform {

// The source every error of this engine names.
inline constexpr char kJetEngineSource[] =
    "Moteur de base de données Microsoft.Jet.OLEDB.4.0 (Jet)";

// Whether `header` (the first bytes of a file) carries the Jet or ACE signature.
bool IsJetHeader(const unsigned char* header, std::size_t size);

// Opens the Jet file at `path`; the file exists and is not empty. Never creates a file. Only our
// own reading of the header page decides: a Jet 4 file opens, and so does a Jet 3 (Access 97)
// one, whose tables are then not altered; anything else, an ACE (.accdb) file, a database
// password, encryption or a truncated header fail with a French description. A file that may
// only be read opens read-only. It also fails while another process holds the whole file locked
// (opened exclusively), and, in Share Exclusive, while another process holds any lock on it.
EngineStatus OpenJetEngine(const std::string& path, const OpenMode& mode,
                           std::unique_ptr<Engine>& out);

// The system calls through which the engine reads, writes, flushes and locks the database file
// (the libmdb child reads on its own). Tests replace them to make one of them fail; a failure is
// reported to the user, never retried.
struct JetFileCalls {
  ssize_t (*pread)(int fd, void* buffer, std::size_t size, off_t offset);
  ssize_t (*pwrite)(int fd, const void* buffer, std::size_t size, off_t offset);
  int (*fsync)(int fd);
  int (*lock)(int fd, int command, struct flock* lock);  // fcntl with a lock command
};
JetFileCalls DefaultJetFileCalls();
void SetJetFileCallsForTesting(const JetFileCalls& calls);

}  // namespace platform
