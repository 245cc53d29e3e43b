// The Linux side of the database seam: the engines behind the provider "Microsoft.Jet.OLEDB.4.0".
//
// ADO's objects (ado/) hand a statement to the engine that the file's content chose when the
// connection opened: the native Jet engine for Jet 4 files (jet/), SQLite for the sample
// database (sqlite/). Both live in one binary, so this is a runtime interface. No engine type
// from a library (libmdb, SQLite) appears in this header.
//
// Failures are an EngineStatus: an HRESULT-style code, a French description and the source that
// names the engine. Nothing here throws.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/database.h"

namespace platform {

// ADO's default CommandTimeout (30 s): how long a statement waits for another process's lock.
inline constexpr int kDefaultCommandTimeoutMs = 30000;

// The wait every connection opened from now on uses; 0 restores the default.
void SetCommandTimeoutForTesting(int milliseconds);
int CommandTimeoutMs();

// The outcome of an engine operation: kOk, or a failure code with its French description and
// the source that names the engine which failed.
struct EngineStatus {
  HResult code = kOk;
  std::string description;
  std::string source;
  bool ok() const { return !Failed(code); }
};

// How the connection string's "Mode" asks to share the file.
struct OpenMode {
  bool readOnly = false;
  bool exclusive = false;
};

// An open database. Destroying it closes the file and releases whatever it holds.
class Engine {
 public:
  virtual ~Engine() = default;

  // The number of parameters of `text`, without running anything.
  virtual EngineStatus CountParameters(const std::string& text, std::size_t& count) = 0;

  // Runs `text`. On failure the file is as it was.
  virtual EngineStatus Execute(const std::string& text) = 0;
};

// Opens the database at `path` with the engine its content asks for. Never creates a file. A
// missing file, a folder, an empty file and a file that no engine reads fail with a French
// description naming the path.
EngineStatus OpenEngine(const std::string& path, const OpenMode& mode,
                        std::unique_ptr<Engine>& out);

// The path as the engines' messages quote it.
std::string QuotedPath(const std::string& path);

}  // namespace platform
