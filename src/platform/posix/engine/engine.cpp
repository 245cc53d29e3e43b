// The Linux side of the database seam: the engine a file's content asks for.
#include "platform/posix/engine/engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/posix/engine/jet/jet_engine.h"
#include "platform/posix/engine/sqlite/sqlite_engine.h"

namespace platform {

namespace {

std::atomic<int> commandTimeoutMs{0};

// The source of the failures found before any engine was chosen.
constexpr char kOpenSource[] = "Microsoft.Jet.OLEDB.4.0";

EngineStatus OpenFailure(std::string description) {
  return {kFail, std::move(description), kOpenSource};
}

// What no engine can be asked: a missing file, a folder, something other than a file, an empty
// file (SQLite would silently take it for a new database).
EngineStatus CheckDatabaseFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return OpenFailure("Fichier " + QuotedPath(path) + " introuvable.");
  }
  if (S_ISDIR(info.st_mode)) {
    return OpenFailure(QuotedPath(path) + " est un dossier, pas un fichier de base de données.");
  }
  if (!S_ISREG(info.st_mode)) {
    return OpenFailure(QuotedPath(path) + " n'est pas un fichier de base de données.");
  }
  if (info.st_size == 0) {
    return OpenFailure("Format de base de données " + QuotedPath(path) +
                       " non reconnu : le fichier est vide.");
  }
  return {};
}

}  // namespace

void SetCommandTimeoutForTesting(int milliseconds) {
  commandTimeoutMs = milliseconds;
}

int CommandTimeoutMs() {
  int value = commandTimeoutMs;
  return value > 0 ? value : kDefaultCommandTimeoutMs;
}

std::string QuotedPath(const std::string& path) {
  return "« " + path + " »";
}

EngineStatus OpenEngine(const std::string& path, const OpenMode& mode,
                        std::unique_ptr<Engine>& out) {
  if (EngineStatus status = CheckDatabaseFile(path); !status.ok()) return status;

  // The first bytes say which engine reads the file.
  unsigned char header[32] = {};
  ssize_t got = -1;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd >= 0) {
    do {
      got = ::pread(fd, header, sizeof header, 0);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
  }
  if (got < 0) {
    return OpenFailure("Impossible d'ouvrir la base de données " + QuotedPath(path) +
                       " (Accès refusé ou erreur de lecture).");
  }
  const auto size = static_cast<std::size_t>(got);
  if (IsJetHeader(header, size)) return OpenJetEngine(path, mode, out);
  if (IsSqliteHeader(header, size)) return OpenSqliteEngine(path, mode, out);
  return OpenFailure("Format de base de données " + QuotedPath(path) +
                     " non reconnu : le fichier n'est pas une base de données.");
}

}  // namespace platform
