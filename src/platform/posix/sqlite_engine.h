// The Linux side of the database seam: what the engine's parts share (errors, the timeout).
//
// The engine serves the provider name "Microsoft.Jet.OLEDB.4.0" on the system's SQLite library.
// Its failures are an HRESULT-style code and a French description.
#pragma once

#include <string>

#include "platform/database.h"

struct sqlite3;

namespace platform {

// The source every error of the engine names.
inline constexpr char kEngineSource[] =
    "Moteur de base de données Microsoft.Jet.OLEDB.4.0 (SQLite)";

// ADO's default CommandTimeout (30 s): how long a statement waits for another process's lock.
inline constexpr int kDefaultCommandTimeoutMs = 30000;

// The wait every connection opened from now on uses; 0 restores the default.
void SetCommandTimeoutForTesting(int milliseconds);
int CommandTimeoutMs();

// The outcome of an engine operation: kOk, or a failure code with its French description.
struct EngineStatus {
  HResult code = kOk;
  std::string description;
  bool ok() const { return !Failed(code); }
};

// A failure of SQLite on `db` with result code `rc`: `context` (French, without final period)
// followed by SQLite's own message.
EngineStatus SqliteFailure(sqlite3* db, int rc, const std::string& context);

}  // namespace platform
