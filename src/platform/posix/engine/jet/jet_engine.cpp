// The Linux side of the database seam: the native Jet engine, for real Jet 4 (.mdb) files.
#include "platform/posix/engine/jet/jet_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/posix/engine/jet/jet_header.h"
#include "platform/posix/engine/jet/jet_reader.h"
#include "platform/posix/engine/jet/jet_statement.h"
#include "platform/posix/engine/jet/jet_tdef.h"

namespace platform {

namespace {

constexpr char kReadOnlyText[] =
    "Impossible de mettre à jour. La base de données ou l'objet est en lecture seule.";

std::string Guillemets(std::string_view name) {
  return "« " + std::string(name) + " »";
}

int LockCall(int fd, int command, struct flock* lock) {
  return ::fcntl(fd, command, lock);
}

JetFileCalls calls = DefaultJetFileCalls();

EngineStatus Failure(std::string description) {
  return {kFail, std::move(description), kJetEngineSource};
}

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd_;
};

UniqueFd OpenNoCreate(const std::string& path, int access) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), access | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  return UniqueFd(fd);
}

// Reads `size` bytes at `offset`; false on an error or a short read.
bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = calls.pread(fd, static_cast<char*>(buffer) + done, size - done,
                                  static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// An open-file-description lock on the whole file: owned by this descriptor alone, so that no
// other descriptor's close can drop it, and in conflict with every other process's locks.
bool LockWholeFile(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return calls.lock(fd, F_OFD_SETLK, &lock) == 0;
}

// The lock another process holds on `fd`'s file that would conflict with `type`, if any.
bool OtherLock(int fd, short type, struct flock& found) {
  found = {};
  found.l_type = type;
  found.l_whence = SEEK_SET;
  found.l_start = 0;
  found.l_len = 0;
  if (calls.lock(fd, F_OFD_GETLK, &found) != 0) return false;
  return found.l_type != F_UNLCK;
}

// Whether another process holds a lock on the Jet lock file beside the database (its name with
// the extension replaced by ".ldb"). A lock file that nobody locks is a leftover.
bool LockFileInUse(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                               ? path.substr(0, dot)
                               : path;
  for (const char* extension : {".ldb", ".LDB"}) {
    UniqueFd ldb = OpenNoCreate(stem + extension, O_RDONLY | O_NONBLOCK);
    if (!ldb) continue;
    struct flock found {};
    if (OtherLock(ldb.get(), F_WRLCK, found)) return true;
  }
  return false;
}

// A statement's write lock on the whole file, released when it goes out of scope.
class StatementLock {
 public:
  explicit StatementLock(int fd) : fd_(fd) {
    if (!LockWholeFile(fd_, F_WRLCK)) error_ = errno;
  }
  ~StatementLock() {
    if (error_ == 0) LockWholeFile(fd_, F_UNLCK);
  }
  StatementLock(const StatementLock&) = delete;
  StatementLock& operator=(const StatementLock&) = delete;
  // 0 when the lock is held, otherwise why it is not.
  int error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

std::string InUseText(const std::string& table) {
  return "La table " + Guillemets(table) +
         " est déjà utilisée par un autre utilisateur ou processus ; elle ne peut pas être "
         "modifiée maintenant.";
}

class JetEngine final : public Engine {
 public:
  JetEngine(std::string path, UniqueFd fd, JetHeader header, OpenMode mode)
      : path_(std::move(path)), fd_(std::move(fd)), header_(header), mode_(mode) {}

  EngineStatus CountParameters(const std::string& text, std::size_t& count) override {
    count = 0;
    const JetStatement statement = ParseJetStatement(text);
    if (statement.kind == JetStatementKind::kRefused) return Failure(statement.error);
    return {};
  }

  EngineStatus Execute(const std::string& text) override {
    const JetStatement statement = ParseJetStatement(text);
    if (statement.kind == JetStatementKind::kRefused) return Failure(statement.error);
    const JetAlterColumn& alter = statement.alter;
    if (mode_.readOnly) return Failure(kReadOnlyText);
    if (header_.version == JetVersion::kJet3) {
      return Failure("Impossible de modifier la table " + Guillemets(alter.table) +
                     " : la base de données est au format Access 97 (Jet 3), dont ce moteur ne "
                     "modifie pas les tables.");
    }
    // The whole statement runs under the lock: another user of the file fails it at once.
    std::optional<StatementLock> lock;
    if (!mode_.exclusive) {
      lock.emplace(fd_.get());
      if (const int error = lock->error(); error != 0) {
        if (error == EAGAIN || error == EACCES) return Failure(InUseText(alter.table));
        return Failure("Impossible de verrouiller la base de données " + QuotedPath(path_) + " (" +
                       std::strerror(error) + ").");
      }
    }
    if (LockFileInUse(path_)) return Failure(InUseText(alter.table));
    return Alter(alter);
  }

 private:
  EngineStatus Damaged(const std::string& why) const {
    return Failure("La base de données " + QuotedPath(path_) +
                   " est endommagée ou ne peut pas être lue : " + why + ". Rien n'a été modifié.");
  }
  EngineStatus CannotAlter(const std::string& column, const std::string& why) const {
    return Failure("Impossible de modifier la colonne " + Guillemets(column) + " : " + why);
  }

  EngineStatus Alter(const JetAlterColumn& alter);

  std::string path_;
  UniqueFd fd_;
  JetHeader header_;
  OpenMode mode_;
};

const char* TypeName(int type) {
  switch (type) {
    case 0x01:
      return "Oui/Non";
    case 0x02:
      return "Octet";
    case 0x03:
      return "Entier";
    case 0x04:
      return "Entier long";
    case 0x05:
      return "Monétaire";
    case 0x06:
      return "Réel simple";
    case 0x07:
      return "Réel double";
    case 0x08:
      return "Date/Heure";
    case 0x09:
      return "Binaire";
    case kJetTypeText:
      return "Texte";
    case 0x0B:
      return "Objet OLE";
    case kJetTypeMemo:
      return "Mémo";
    case 0x0F:
      return "N° de réplication";
    case 0x10:
      return "Décimal";
    default:
      return "inconnu";
  }
}

// libmdb keeps only the low byte of a stored column number.
bool SameNumber(const LibmdbColumn& theirs, const TdefColumn& ours) {
  return theirs.number == ours.number || theirs.number == (ours.number & 0xFF);
}

// Whether our reading of the definition and libmdb's describe the same columns.
bool SameColumns(const TableDefinition& definition, const LibmdbView& view) {
  if (definition.columns.size() != view.columns.size()) return false;
  std::vector<bool> used(view.columns.size(), false);
  for (const TdefColumn& ours : definition.columns) {
    bool matched = false;
    for (std::size_t k = 0; k < view.columns.size() && !matched; ++k) {
      const LibmdbColumn& theirs = view.columns[k];
      // libmdb gives a Yes/No column no size.
      const int size = ours.type == 0x01 ? 0 : ours.length;
      if (!used[k] && SameNumber(theirs, ours) && theirs.name == ours.name &&
          theirs.type == ours.type && theirs.size == size && theirs.fixed == ours.fixed()) {
        used[k] = true;
        matched = true;
      }
    }
    if (!matched) return false;
  }
  return true;
}

EngineStatus JetEngine::Alter(const JetAlterColumn& alter) {
  struct stat info {};
  if (::fstat(fd_.get(), &info) != 0) return Damaged(std::strerror(errno));
  const auto fileSize = static_cast<std::uint64_t>(info.st_size);
  LibmdbRequest request{alter.table, alter.column, alter.textLength ? *alter.textLength * 2 : 0};
  LibmdbView view;
  std::string why;
  if (!ReadWithLibmdb(fd_.get(), path_, fileSize, request, view, why)) return Damaged(why);
  if (!view.failure.empty()) return Damaged(view.failure);
  if (!view.tableFound) {
    return Failure("La table " + Guillemets(alter.table) +
                   " est introuvable. Vérifiez qu'elle existe et que son nom est correctement "
                   "orthographié.");
  }
  if (view.systemTable) {
    return Failure("Impossible de modifier la table système " + Guillemets(view.table) + ".");
  }
  const LibmdbColumn* column = nullptr;
  for (const LibmdbColumn& candidate : view.columns) {
    if (SameJetName(candidate.name, alter.column)) {
      column = &candidate;
      break;
    }
  }
  if (column == nullptr) {
    return Failure("La colonne " + Guillemets(alter.column) + " est introuvable dans la table " +
                   Guillemets(view.table) + ".");
  }
  if (column->type != kJetTypeText) {
    return CannotAlter(column->name, std::string("c'est une colonne de type ") +
                                         TypeName(column->type) +
                                         " ; ce moteur ne change pas le type d'une colonne, "
                                         "seulement la longueur d'une colonne Texte.");
  }
  if (!alter.textLength) {
    return CannotAlter(column->name, "ce moteur ne change pas le type d'une colonne (" +
                                         alter.type +
                                         " demandé), seulement la longueur d'une colonne Texte "
                                         "(TEXT(n), n de 1 à 255).");
  }
  if (column->fixed) {
    return CannotAlter(column->name,
                       "c'est une colonne Texte de longueur fixe ; sa longueur fait partie de "
                       "chaque ligne de la table et ne peut pas être changée sur place.");
  }

  // Our own reading of the definition, byte for byte, cross-checked against libmdb's.
  TableDefinition definition;
  const int fd = fd_.get();
  const JetPageReader readPage = [fd](std::uint32_t page, std::string& out) {
    out.assign(kJet4PageSize, '\0');
    return ReadAt(fd, out.data(), out.size(), static_cast<std::uint64_t>(page) * kJet4PageSize);
  };
  if (!ReadTableDefinition(readPage, view.firstPage, fileSize / kJet4PageSize, definition, why)) {
    return Damaged(why);
  }
  if (!SameColumns(definition, view)) {
    return Damaged("la définition de la table " + Guillemets(view.table) +
                   " ne se lit pas de la même façon par libmdb et octet par octet");
  }
  // The statement's column: the one descriptor with libmdb's name and number, and no other.
  const TdefColumn* target = nullptr;
  for (const TdefColumn& candidate : definition.columns) {
    if (candidate.name != column->name || !SameNumber(*column, candidate)) continue;
    if (target != nullptr)
      return Damaged("deux colonnes portent le nom " + Guillemets(column->name));
    target = &candidate;
  }
  if (target == nullptr) return Damaged("la colonne n'a pas été retrouvée dans sa définition");

  if (target->length > 2 * kJetMaxTextLength) {
    return Damaged("la colonne " + Guillemets(column->name) + " annonce une longueur de " +
                   std::to_string(target->length) + " octets, impossible pour une colonne Texte");
  }
  const int newLength = *alter.textLength * 2;
  if (newLength == target->length) return {};  // already so: nothing is written
  if (newLength < target->length) {
    if (!view.scanned) return Damaged("les valeurs de la colonne n'ont pas été lues");
    // Every value must have been read: a row that libmdb skipped could be one too long.
    if (view.rows != definition.rowCount) {
      return Damaged("la table " + Guillemets(view.table) + " annonce " +
                     std::to_string(definition.rowCount) + " lignes mais " +
                     std::to_string(view.rows) +
                     " ont pu être lues (un compactage de la base peut la réparer)");
    }
    if (view.tooLong > 0) {
      const bool one = view.tooLong == 1;
      return CannotAlter(column->name, std::to_string(view.tooLong) +
                                           (one ? " valeur dépasse " : " valeurs dépassent ") +
                                           std::to_string(*alter.textLength) + " caractères.");
    }
  }
  if (!LengthFieldInOneSector(*target)) {
    return CannotAlter(column->name,
                       "sa longueur est inscrite à cheval sur deux pages ou deux secteurs du "
                       "fichier ; elle ne peut pas être changée sans risque en une seule écriture. "
                       "Rien n'a été modifié.");
  }
  const std::uint64_t at = target->lengthOffset;
  // The file must still hold what was cross-checked.
  unsigned char current[2] = {};
  if (!ReadAt(fd, current, sizeof current, at)) {
    return Damaged("la longueur de la colonne ne peut pas être relue");
  }
  if ((current[0] | current[1] << 8) != target->length) {
    return Damaged("le fichier a changé pendant l'instruction");
  }
  const unsigned char bytes[2] = {static_cast<unsigned char>(newLength & 0xFF),
                                  static_cast<unsigned char>(newLength >> 8)};
  ssize_t written = -1;
  do {
    written = calls.pwrite(fd, bytes, sizeof bytes, static_cast<off_t>(at));
  } while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(sizeof bytes)) {
    const std::string reason = written < 0 ? std::strerror(errno) : "écriture incomplète";
    return Failure("Erreur d'écriture dans la base de données " + QuotedPath(path_) + " (" +
                   reason + ") : la longueur de la colonne " + Guillemets(column->name) +
                   " n'a peut-être pas été modifiée.");
  }
  if (calls.fsync(fd) != 0) {
    return Failure("Erreur lors de l'écriture sur le disque de la base de données " +
                   QuotedPath(path_) + " (" + std::strerror(errno) +
                   ") : la modification de la colonne " + Guillemets(column->name) +
                   " n'est peut-être pas enregistrée.");
  }
  return {};
}

}  // namespace

JetFileCalls DefaultJetFileCalls() {
  return {::pread, ::pwrite, ::fsync, LockCall};
}

void SetJetFileCallsForTesting(const JetFileCalls& replacement) {
  calls = replacement;
}

bool IsJetHeader(const unsigned char* header, std::size_t size) {
  static constexpr unsigned char kPageType[] = {0x00, 0x01, 0x00, 0x00};
  if (size < 19 || std::memcmp(header, kPageType, sizeof kPageType) != 0) return false;
  return std::memcmp(header + 4, "Standard Jet DB", 15) == 0 ||
         std::memcmp(header + 4, "Standard ACE DB", 15) == 0;
}

EngineStatus OpenJetEngine(const std::string& path, const OpenMode& mode,
                           std::unique_ptr<Engine>& out) {
  const std::string cannotOpen = "Impossible d'ouvrir la base de données " + QuotedPath(path);
  OpenMode actual = mode;
  UniqueFd fd = OpenNoCreate(path, mode.readOnly ? O_RDONLY : O_RDWR);
  if (!fd && !mode.readOnly && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    // A file the user may only read opens read-only, as Jet opens it; changes are refused.
    fd = OpenNoCreate(path, O_RDONLY);
    actual.readOnly = true;
  }
  if (!fd) return Failure(cannotOpen + " (" + std::strerror(errno) + ").");
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return Failure(cannotOpen + " : ce n'est pas un fichier.");
  }
  unsigned char page[kJet4PageSize] = {};
  std::size_t got = 0;
  while (got < sizeof page) {
    const ssize_t n = calls.pread(fd.get(), page + got, sizeof page - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failure(cannotOpen + " (" + std::strerror(errno) + ").");
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  JetHeader header;
  std::string why;
  if (!CheckJetHeader(page, got, header, why)) {
    return Failure("Format de base de données " + QuotedPath(path) + " non reconnu : " + why + ".");
  }
  const std::string inUse = cannotOpen +
                            " : elle est déjà utilisée en mode exclusif par un autre "
                            "utilisateur ou processus.";
  if (actual.exclusive) {
    // Held from now until the engine closes the file.
    if (!LockWholeFile(fd.get(), actual.readOnly ? F_RDLCK : F_WRLCK) || LockFileInUse(path)) {
      return Failure(cannotOpen +
                     " en mode exclusif : elle est déjà utilisée par un autre "
                     "utilisateur ou processus.");
    }
  } else {
    // Another process that holds the whole file for itself has opened it exclusively.
    struct flock found {};
    if (OtherLock(fd.get(), F_RDLCK, found) && found.l_start == 0 && found.l_len == 0) {
      return Failure(inUse);
    }
  }
  out = std::make_unique<JetEngine>(path, std::move(fd), header, actual);
  return {};
}

}  // namespace platform
