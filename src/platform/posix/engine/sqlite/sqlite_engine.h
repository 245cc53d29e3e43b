// The Linux side of the database seam: the SQLite engine, the stand-in that makes the sample.
//
// It serves SQLite files behind the provider name "Microsoft.Jet.OLEDB.4.0". Jet's
// ALTER TABLE ... ALTER COLUMN is carried out by the engine itself (alter_column.h); every other
// statement goes to SQLite unchanged.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/engine/engine.h"

struct sqlite3;

namespace platform {

// The source every error of this engine names.
inline constexpr char kEngineSource[] =
    "Moteur de base de données Microsoft.Jet.OLEDB.4.0 (SQLite)";

// Whether `header` (the first bytes of a file) is an SQLite database's.
bool IsSqliteHeader(const unsigned char* header, std::size_t size);

// Opens the SQLite file at `path`; the file exists and is not empty.
EngineStatus OpenSqliteEngine(const std::string& path, const OpenMode& mode,
                              std::unique_ptr<Engine>& out);

// A failure of SQLite on `db` with result code `rc`: `context` (French, without final period)
// followed by SQLite's own message.
EngineStatus SqliteFailure(sqlite3* db, int rc, const std::string& context);

}  // namespace platform
