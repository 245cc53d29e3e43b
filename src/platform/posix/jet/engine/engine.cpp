// The Jet engine: opening a database and running a statement on it.
#include "platform/posix/jet/engine/engine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "base/text.h"
#include "platform/posix/jet/engine/column.h"
#include "platform/posix/jet/engine/length_write.h"
#include "platform/posix/jet/engine/samba.h"
#include "platform/posix/jet/engine/statement.h"

namespace platform {

using base::Status;
using base::StatusKind;

namespace {

constexpr char kReadOnlyText[] =
    "Impossible de mettre à jour. La base de données ou l'objet est en lecture seule.";

std::string InUseText(const std::string& table) {
  return "La table " + text::QuoteName(table) +
         " est déjà utilisée par un autre utilisateur ou processus ; elle ne peut pas être "
         "modifiée maintenant.";
}

// --- opening ---

// What is not a file to open: a missing file, a folder, something other than a regular file
// (opening a pipe would block), an empty file.
Status CheckDatabaseFile(const std::string& path) {
  switch (InspectPath(path)) {
    case JetPathKind::kMissing:
      return Status::NotADatabase("Fichier " + text::QuoteName(path) + " introuvable.");
    case JetPathKind::kFolder:
      return Status::NotADatabase(text::QuoteName(path) +
                                  " est un dossier, pas un fichier de base de données.");
    case JetPathKind::kOther:
      return Status::NotADatabase(text::QuoteName(path) +
                                  " n'est pas un fichier de base de données.");
    case JetPathKind::kEmpty:
      return Status::NotADatabase("Format de base de données " + text::QuoteName(path) +
                                  " non reconnu : le fichier est vide.");
    case JetPathKind::kRegular:
      break;
  }
  return {};
}

std::string CannotOpenText(const std::string& path) {
  return "Impossible d'ouvrir la base de données " + text::QuoteName(path);
}

std::string HeldExclusivelyText(const std::string& path) {
  return CannotOpenText(path) +
         " : elle est déjà utilisée en mode exclusif par un autre utilisateur ou processus.";
}

// Opens the file for reading and, unless its mode says read-only, writing. A file the user may
// only read opens read-only, as Jet opens it, and the mode says so: changes are then refused.
Status OpenFile(JetDatabase& db) {
  OpenMode& mode = db.mode;
  JetFile& out = db.file;
  out = JetFile::Open(db.path, mode.readOnly ? JetAccess::kRead : JetAccess::kReadWrite);
  if (!out && !mode.readOnly && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    out = JetFile::Open(db.path, JetAccess::kRead);
    mode.readOnly = true;
  }
  // Held under a lease: by a Samba client that has it open, treated as an exclusive holder.
  if (!out && OpenRefusedInUse(errno)) return Status::InUse(HeldExclusivelyText(db.path));
  if (!out) return Status::Damaged(CannotOpenText(db.path) + " (" + std::strerror(errno) + ").");
  if (!out.IsRegular()) {
    return Status::Refused(CannotOpenText(db.path) + " : ce n'est pas un fichier.");
  }
  return {};
}

// Reads page 0, once, and decides whether the file is a Jet database this engine opens.
Status ReadHeader(JetDatabase& db) {
  unsigned char page[kJet4PageSize] = {};
  const ssize_t got = db.file.ReadUpTo(page, sizeof page, 0);
  if (got < 0) {
    return Status::Damaged(CannotOpenText(db.path) + " (" + std::strerror(errno) + ").");
  }
  const Status check = CheckJetHeader(page, static_cast<std::size_t>(got), db.header);
  if (check.ok()) return {};
  const std::string text = "Format de base de données " + text::QuoteName(db.path) +
                           " non reconnu : " + check.message() + ".";
  return check.kind() == StatusKind::kNotADatabase ? Status::NotADatabase(text)
                                                   : Status::Refused(text);
}

// In Share Exclusive, takes the lock held until the file is closed; otherwise checks that no
// other process holds the whole file for itself (has opened it exclusively).
Status CheckOtherUsers(JetDatabase& db) {
  JetFile& file = db.file;
  const std::string& path = db.path;
  if (db.mode.exclusive) {
    if (file.OtherBsdLock(JetLock::kExclusive) ||
        !file.LockWhole(db.mode.readOnly ? JetLock::kShared : JetLock::kExclusive) ||
        LockFileInUse(path)) {
      return Status::InUse(CannotOpenText(path) +
                           " en mode exclusif : elle est déjà utilisée par un autre "
                           "utilisateur ou processus.");
    }
    return {};
  }
  // A BSD lock is on the whole file: an exclusive one holds the file as a whole-file write lock.
  if (file.OtherWholeFileWriteLock() || file.OtherBsdLock(JetLock::kShared)) {
    return Status::InUse(HeldExclusivelyText(path));
  }
  return {};
}

// The database and the lock files beside it, whose opens Samba is asked about.
std::vector<std::string> SharedFiles(const std::string& path) {
  std::vector<std::string> files = LockFilePaths(path);
  files.insert(files.begin(), path);
  return files;
}

// At open: a workstation's exclusive open through Samba (any open, in Share Exclusive) is
// treated as a local exclusive holder. A Samba that cannot be asked is left to the statement,
// which refuses with the reason.
Status CheckSambaAtOpen(const std::vector<SambaServer>& servers, const JetDatabase& db) {
  if (servers.empty()) return {};
  const SambaAnswer answer = AskSamba(servers, SharedFiles(db.path));
  for (const SambaClient& client : answer.clients) {
    if (client.exclusive || db.mode.exclusive) {
      return Status::InUse(HeldExclusivelyText(db.path) + " " + SambaClientsText(answer.clients));
    }
  }
  return {};
}

}  // namespace

Status JetEngine::CheckOtherUsersNow(const std::string& table, const std::optional<int>& inUse) {
  const SambaAnswer answer =
      samba_.empty() ? SambaAnswer{} : AskSamba(samba_, SharedFiles(db_.path));
  if (inUse || !answer.clients.empty()) {
    return Status::InUse(InUseText(table) +
                         (answer.clients.empty() ? "" : " " + SambaClientsText(answer.clients)));
  }
  if (answer.verdict == SambaVerdict::kCannotAsk) {
    return Status::Refused(SambaCannotTellText(db_.path, answer.status.message()));
  }
  return {};
}

Status JetEngine::Open(const std::string& path, const OpenMode& mode,
                       std::optional<JetEngine>& out) {
  if (Status status = CheckDatabaseFile(path); !status.ok()) return status;
  JetDatabase db{path, JetFile(), JetHeader(), mode};
  if (Status status = OpenFile(db); !status.ok()) return status;
  if (Status status = ReadHeader(db); !status.ok()) return status;
  if (Status status = CheckOtherUsers(db); !status.ok()) return status;
  std::vector<SambaServer> samba = FindSambaServers();
  if (Status status = CheckSambaAtOpen(samba, db); !status.ok()) return status;
  out.emplace(JetEngine(std::move(db), std::move(samba)));
  return {};
}

JetEngine::JetEngine(JetDatabase db, std::vector<SambaServer> samba)
    : db_(std::move(db)),
      samba_(std::move(samba)),
      sambaFoundAt_(std::chrono::steady_clock::now()) {}

Status JetEngine::CountParameters(const JetStatement& statement, std::size_t& count) const {
  count = 0;
  if (statement.kind == JetStatementKind::kRefused) return statement.status;
  return {};
}

Status JetEngine::Execute(const JetStatement& statement) {
  if (statement.kind == JetStatementKind::kRefused) return statement.status;
  if (db_.mode.readOnly) return Status::Refused(kReadOnlyText);
  // The whole statement runs under the lock: another user of the file fails it at once. In
  // Share Exclusive the lock is already held. `inUse` holds errno of what found another user.
  std::optional<StatementLock> lock;
  std::optional<int> inUse;
  if (!db_.mode.exclusive) {
    // Before our own lock, which flock carried out as a POSIX lock would conflict with.
    if (db_.file.OtherBsdLock(JetLock::kExclusive)) {
      inUse = EWOULDBLOCK;
    } else if (const int error = lock.emplace(db_.file).error();
               error == EAGAIN || error == EACCES) {
      inUse = error;
    } else if (error != 0) {
      return Status::Damaged("Impossible de verrouiller la base de données " +
                             text::QuoteName(db_.path) + " (" + std::strerror(error) + ").");
    }
  }
  if (!inUse && LockFileInUse(db_.path)) inUse = EWOULDBLOCK;
  // Samba is asked each time: a workstation may have opened the file since. The running
  // servers are found again unless they were found within the last second (a statement right
  // after the open), since a scan of every process is what costs.
  const auto now = std::chrono::steady_clock::now();
  if (now - sambaFoundAt_ > std::chrono::seconds(1)) {
    samba_ = FindSambaServers(samba_);
    sambaFoundAt_ = now;
  }
  if (Status status = CheckOtherUsersNow(statement.alter.table, inUse); !status.ok()) {
    return status;
  }
  return Alter(statement.alter);
}

// Finds the column, checks a shortening, writes the length field.
Status JetEngine::Alter(const JetAlterColumn& alter) {
  ColumnSearch search(db_, alter);
  if (Status status = search.Find(); !status.ok()) return status;
  if (Status status = search.CheckRelationships(); !status.ok()) return status;
  const TargetColumn& target = search.target();
  const int newLength = *alter.textLength * db_.BytesPerCharacter();
  if (newLength == target.ours.length) return {};  // already so: nothing is written
  if (newLength < target.ours.length) {
    if (Status status = search.CheckShortening(); !status.ok()) return status;
  }
  return WriteLength(db_, target, newLength);
}

}  // namespace platform
