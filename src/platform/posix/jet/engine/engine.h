// The Linux side of the database seam: the Jet engine behind the provider
// "Microsoft.Jet.OLEDB.4.0", on real Jet (.mdb) files.
//
// It reads with libmdb (always in a child process, see libmdb/client.h) and writes nothing but what
// a statement changes. The only statement it carries out is ALTER TABLE t ALTER COLUMN c TEXT(n) on
// a variable-length text column, in Jet 4 and Jet 3 files: the column's 2-byte length field in its
// table-definition page is rewritten in place and flushed, after our own reading of the definition
// (format/tdef.h) and libmdb's agree on every column. A field inside one sector of one page is
// rewritten by one write; a field split over two pages or sectors by one write per changed byte,
// each flushed, in an order that a crash between them leaves safe. Widening reads no row;
// shortening first reads every value and refuses, changing nothing, when any holds more than n
// characters; the same length writes nothing. A column that takes part in a relationship
// (MSysRelationships, either side) is refused as Jet refuses it. A damaged table is refused: its
// definition chain loops or leads to a page of another kind, a cut file no longer holds it whole
// (usage_map.h), or another catalog row leads to its definition too. Everything else is refused
// with a French error and changes nothing.
//
// Other users: while a statement runs the engine holds a write lock on the whole file (file.h),
// and refuses at once, as Jet's "in use", when another process holds any lock on it or on the
// Jet lock file beside it, a BSD lock (flock) included, or a lease on the lock file. Where a
// running Samba shares the file, a workstation that has it or its lock file open refuses the
// statement too (an exclusive open, or an open of the database under a lease, refuses the
// open), named as Samba knows it; where that Samba cannot be asked, the statement is refused
// with what to do (samba.h). "Mode" is honoured: Share Deny None locks
// only during a statement; Share Exclusive holds the lock from open to close and is refused when
// another process holds one; Read refuses every change.
//
// Failures are a base::Status: its kind and the French text the user reads; the database seam
// turns it into a code and a source. Nothing here throws; no libmdb type appears in this header.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/posix/jet/engine/database.h"
#include "platform/posix/jet/engine/samba.h"
#include "platform/posix/jet/engine/statement.h"
#include "platform/posix/jet/format/header.h"

namespace platform {

// The source of the failures found before the file is known to be a Jet database.
inline constexpr char kJetProviderSource[] = "Microsoft.Jet.OLEDB.4.0";
// The source of every failure of the engine on a Jet database.
inline constexpr char kJetEngineSource[] =
    "Moteur de base de données Microsoft.Jet.OLEDB.4.0 (Jet)";

// An open Jet database. Destroying it closes the file and releases its locks.
class JetEngine {
 public:
  // Opens the database at `path`; never creates a file. A missing file, a folder, anything but a
  // regular file, an empty file and a file that is not a Jet database fail with a French
  // description naming the path (source kJetProviderSource). Our own reading of page 0 then
  // decides: a Jet 4 or Jet 3 (Access 97) file opens; an ACE (.accdb) file, a database password,
  // encryption or a truncated header fail. A file that may only be read opens read-only. It also
  // fails while another process holds the whole file locked (opened exclusively), and, in Share
  // Exclusive, while another process holds any lock on it. `out` is set only on success.
  static base::Status Open(const std::string& path, const OpenMode& mode,
                           std::optional<JetEngine>& out);

  JetEngine(JetEngine&&) noexcept = default;
  JetEngine& operator=(JetEngine&&) noexcept = default;

  // The number of parameters of `statement` (always 0: the one statement has none), without
  // running anything; fails as Execute would on a statement the engine refuses to read.
  base::Status CountParameters(const JetStatement& statement, std::size_t& count) const;

  // Runs `statement`, as ParseJetStatement read it. On failure the file is as it was.
  base::Status Execute(const JetStatement& statement);
  // Reads `text` and runs it.
  base::Status Execute(const std::string& text) { return Execute(ParseJetStatement(text)); }

 private:
  JetEngine(JetDatabase db, std::vector<SambaServer> samba);
  // Before a change: another user of the file or of its lock file, seen by the kernel (`inUse`
  // holds errno of what found it) or by a running Samba that shares them, refuses it, naming the
  // workstations Samba knows; so does a Samba that shares them and cannot be asked.
  base::Status CheckOtherUsersNow(const std::string& table, const std::optional<int>& inUse);
  base::Status Alter(const JetAlterColumn& alter);

  JetDatabase db_;
  std::vector<SambaServer> samba_;                      // the running Samba servers, as last found
  std::chrono::steady_clock::time_point sambaFoundAt_;  // when they were found
};

}  // namespace platform
