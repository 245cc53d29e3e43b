// The Linux side of the database seam: the native Jet engine, for real Jet 4 (.mdb) files.
//
// It reads with libmdb and writes nothing but what a statement changes. The only statement it
// carries out is ALTER TABLE t ALTER COLUMN c TEXT(n) on a variable-length text column: the
// column's 2-byte length field in its table-definition page is rewritten in place, then flushed.
// Everything else is refused with a French error and changes nothing.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/posix/engine/engine.h"

namespace platform {

// The source every error of this engine names.
inline constexpr char kJetEngineSource[] =
    "Moteur de base de données Microsoft.Jet.OLEDB.4.0 (Jet)";

// Whether `header` (the first bytes of a file) carries the Jet or ACE signature.
bool IsJetHeader(const unsigned char* header, std::size_t size);

// Opens the Jet file at `path`; the file exists and is not empty.
EngineStatus OpenJetEngine(const std::string& path, const OpenMode& mode,
                           std::unique_ptr<Engine>& out);

}  // namespace platform
