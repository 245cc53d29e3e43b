// The Jet engine behind the provider "Microsoft.Jet.OLEDB.4.0", on real Jet (.mdb) files.
//
// It carries out one statement, ALTER TABLE t ALTER COLUMN c TEXT(n) on a variable-length text
// column of a Jet 4 or Jet 3 file, and refuses everything else; the README says how. A
// statement that fails leaves the file as it was. While a statement runs the engine holds the
// file locked and refuses, as Jet's "in use", when another process or a workstation served by
// a running Samba uses it. Failures are a base::Status: its kind and the French text the user
// reads. Nothing here throws; no libmdb type appears in this header.
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

// The source the database seam gives a failure of kind kNotADatabase: found before the file is
// known to be a Jet database.
inline constexpr char kJetProviderSource[] = "Microsoft.Jet.OLEDB.4.0";
// The source it gives every other failure of the engine.
inline constexpr char kJetEngineSource[] =
    "Moteur de base de données Microsoft.Jet.OLEDB.4.0 (Jet)";

// An open Jet database. Destroying it closes the file and releases its locks.
class JetEngine {
 public:
  // Opens the database at `path`; never creates a file. A missing file, a folder, anything but a
  // regular file, an empty file and a file that is not a Jet database fail with a French
  // description naming the path (kNotADatabase). Our own reading of page 0 then
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
