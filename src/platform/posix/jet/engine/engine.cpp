// The Linux side of the database seam: the Jet engine behind the provider
// "Microsoft.Jet.OLEDB.4.0", on real Jet (.mdb) files.
#include "platform/posix/jet/engine/engine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "base/text.h"
#include "platform/posix/jet/engine/samba.h"
#include "platform/posix/jet/engine/statement.h"
#include "platform/posix/jet/format/tdef.h"
#include "platform/posix/jet/format/usage_map.h"
#include "platform/posix/jet/libmdb/client.h"

namespace platform {

using base::Status;
using base::StatusKind;

namespace {

constexpr char kReadOnlyText[] =
    "Impossible de mettre à jour. La base de données ou l'objet est en lecture seule.";

Status Damaged(const std::string& path, const std::string& why) {
  return Status::Damaged("La base de données " + text::QuoteName(path) +
                         " est endommagée ou ne peut pas être lue : " + why +
                         ". Rien n'a été modifié.");
}

Status CannotAlter(const std::string& column, const std::string& why) {
  return Status::Refused("Impossible de modifier la colonne " + text::QuoteName(column) + " : " +
                         why);
}

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

// Opens the file for reading and, unless `mode` says read-only, writing. A file the user may
// only read opens read-only, as Jet opens it, and `mode` says so: changes are then refused.
Status OpenFile(const std::string& path, OpenMode& mode, JetFile& out) {
  out = JetFile::Open(path, mode.readOnly ? JetAccess::kRead : JetAccess::kReadWrite);
  if (!out && !mode.readOnly && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    out = JetFile::Open(path, JetAccess::kRead);
    mode.readOnly = true;
  }
  // Held under a lease: by a Samba client that has it open, treated as an exclusive holder.
  if (!out && OpenRefusedInUse(errno)) return Status::InUse(HeldExclusivelyText(path));
  if (!out) return Status::Damaged(CannotOpenText(path) + " (" + std::strerror(errno) + ").");
  if (!out.IsRegular()) {
    return Status::Refused(CannotOpenText(path) + " : ce n'est pas un fichier.");
  }
  return {};
}

// Reads page 0, once, and decides whether the file is a Jet database this engine opens.
Status ReadHeader(const JetFile& file, const std::string& path, JetHeader& out) {
  unsigned char page[kJet4PageSize] = {};
  const ssize_t got = file.ReadUpTo(page, sizeof page, 0);
  if (got < 0) return Status::Damaged(CannotOpenText(path) + " (" + std::strerror(errno) + ").");
  const Status check = CheckJetHeader(page, static_cast<std::size_t>(got), out);
  if (check.ok()) return {};
  const std::string text = "Format de base de données " + text::QuoteName(path) +
                           " non reconnu : " + check.message() + ".";
  return check.kind() == StatusKind::kNotADatabase ? Status::NotADatabase(text)
                                                   : Status::Refused(text);
}

// In Share Exclusive, takes the lock held until the file is closed; otherwise checks that no
// other process holds the whole file for itself (has opened it exclusively).
Status CheckOtherUsers(JetFile& file, const std::string& path, const OpenMode& mode) {
  if (mode.exclusive) {
    if (file.OtherBsdLock(JetLock::kExclusive) ||
        !file.LockWhole(mode.readOnly ? JetLock::kShared : JetLock::kExclusive) ||
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
Status CheckSambaAtOpen(const std::vector<SambaServer>& servers, const std::string& path,
                        const OpenMode& mode) {
  if (servers.empty()) return {};
  const SambaAnswer answer = AskSamba(servers, SharedFiles(path));
  for (const SambaClient& client : answer.clients) {
    if (client.exclusive || mode.exclusive) {
      return Status::InUse(HeldExclusivelyText(path) + " " + SambaClientsText(answer.clients));
    }
  }
  return {};
}

// Before a change: another user of the file or of its lock file, seen by the kernel (`inUse`)
// or by a running Samba that shares them, refuses it, naming the workstations Samba knows; so
// does a Samba that shares them and cannot be asked.
Status CheckOtherUsersNow(const std::vector<SambaServer>& servers, const std::string& path,
                          const std::string& table, const std::optional<int>& inUse) {
  const SambaAnswer answer = servers.empty() ? SambaAnswer{} : AskSamba(servers, SharedFiles(path));
  if (inUse || !answer.clients.empty()) {
    return Status::InUse(InUseText(table) +
                         (answer.clients.empty() ? "" : " " + SambaClientsText(answer.clients)));
  }
  if (answer.verdict == SambaVerdict::kCannotAsk) {
    return Status::Refused(SambaCannotTellText(path, answer.status.message()));
  }
  return {};
}

// --- ALTER TABLE t ALTER COLUMN c TEXT(n) ---

// A column type's name as Access shows it.
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
      if (!used[k] && SameNumber(theirs, ours) && SameNameAsLibmdbReadsIt(theirs.name, ours.name) &&
          theirs.type == ours.type && theirs.size == size && theirs.fixed == ours.fixed()) {
        used[k] = true;
        matched = true;
      }
    }
    if (!matched) return false;
  }
  return true;
}

// The statement's column, as libmdb sees it and as our own reading of the table's definition
// finds it, the two in agreement on every column of the table.
struct TargetColumn {
  std::uint64_t fileSize = 0;
  LibmdbView view;  // the table, and the scan of the column's values when shortening
  TableDefinition definition;
  LibmdbColumn theirs;
  TdefColumn ours;  // where its length field lies
};

// A text column's bytes per character: two in Jet 4 (UTF-16), one in Jet 3 (the code page).
int BytesPerCharacter(const JetHeader& header) {
  return header.version == JetVersion::kJet3 ? 1 : 2;
}

// A definition that two rows of the catalog share would be changed for both tables at once.
Status CheckOneCatalogRow(const std::string& path, const LibmdbView& view) {
  if (view.tablesOnDefinition <= 1) return {};
  return Damaged(path, std::to_string(view.tablesOnDefinition) +
                           " tables du catalogue partagent la définition de la table " +
                           text::QuoteName(view.table));
}

// Asks libmdb (in its child) for the table and its columns and, when `scan` is set and the
// statement shortens the column, for its values.
Status AskLibmdb(const JetFile& file, const std::string& path, std::uint64_t fileSize,
                 const JetHeader& header, const JetAlterColumn& alter, bool scan,
                 LibmdbView& view) {
  const int perCharacter = BytesPerCharacter(header);
  const LibmdbRequest request{alter.table, alter.column,
                              scan && alter.textLength ? *alter.textLength * perCharacter : 0,
                              perCharacter};
  const Status read = ReadWithLibmdb(file.fd(), path, fileSize / header.pageSize, request, view);
  if (read.kind() == StatusKind::kRefused) {
    return Status::Refused("La base de données " + text::QuoteName(path) +
                           " n'a pas été lue, car " + read.message() + ". Rien n'a été modifié.");
  }
  if (!read.ok()) return Damaged(path, read.message());
  if (!view.tableFound) {
    return Status::Refused(
        "La table " + text::QuoteName(alter.table) +
        " est introuvable. Vérifiez qu'elle existe et que son nom est correctement "
        "orthographié.");
  }
  if (view.systemTable) {
    return Status::Refused("Impossible de modifier la table système " +
                           text::QuoteName(view.table) + ".");
  }
  return CheckOneCatalogRow(path, view);
}

// libmdb's column named by the statement, which must be a variable-length text column asked
// for a text length.
Status FindLibmdbColumn(const LibmdbView& view, const JetAlterColumn& alter, LibmdbColumn& out) {
  const LibmdbColumn* column = nullptr;
  for (const LibmdbColumn& candidate : view.columns) {
    if (SameJetName(candidate.name, alter.column)) {
      column = &candidate;
      break;
    }
  }
  if (column == nullptr) {
    return Status::Refused("La colonne " + text::QuoteName(alter.column) +
                           " est introuvable dans la table " + text::QuoteName(view.table) + ".");
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
  out = *column;
  return {};
}

// Reads whole pages of the file through `file`.
JetPageReader PageReader(const JetFile& file, const JetHeader& header) {
  return [&file, size = header.pageSize](std::uint32_t page, std::string& bytes) {
    bytes.assign(size, '\0');
    return file.ReadAt(bytes.data(), bytes.size(), static_cast<std::uint64_t>(page) * size);
  };
}

// A file cut short: its size is not a whole number of pages. Checked before libmdb reads it.
Status CheckWholePages(const std::string& path, std::uint64_t fileSize, const JetHeader& header) {
  if (fileSize % header.pageSize == 0) return {};
  return Damaged(path, "sa taille (" + std::to_string(fileSize) +
                           " octets) n'est pas un nombre entier de pages de " +
                           std::to_string(header.pageSize) + " octets : le fichier est tronqué");
}

// Every page the table owns lies inside the file: the pages its usage maps name and its
// indexes' first pages. Only the maps are read (and the map pages of a large table), never the
// pages they name, so this costs the same whatever the number of rows.
Status CheckTableInFile(const JetFile& file, const std::string& path, std::uint64_t fileSize,
                        const JetHeader& header, const TableDefinition& definition) {
  const std::uint64_t pageCount = fileSize / header.pageSize;
  const auto cut = [&](std::uint64_t page) {
    return Damaged(path, "la table occupe la page " + std::to_string(page) +
                             ", au-delà de la fin du fichier (" + std::to_string(pageCount) +
                             " pages) : le fichier est tronqué");
  };
  for (const std::uint32_t page : definition.indexPages) {
    if (page >= pageCount) return cut(page);
  }
  for (const std::uint32_t mapRow : {definition.usedPagesRow, definition.freePagesRow}) {
    std::uint32_t highest = 0;
    std::string why;
    if (!HighestMappedPage(PageReader(file, header), header.version, mapRow, pageCount, highest,
                           why)) {
      return Damaged(path, why);
    }
    if (highest >= pageCount) return cut(highest);
  }
  return {};
}

// Our own reading of the table's definition, byte for byte, which must agree with libmdb's.
Status ReadOwnDefinition(const JetFile& file, const std::string& path, std::uint64_t fileSize,
                         const JetHeader& header, const LibmdbView& view, TableDefinition& out) {
  std::string why;
  if (!ReadTableDefinition(PageReader(file, header), header.version, view.firstPage,
                           fileSize / header.pageSize, out, why)) {
    return Damaged(path, why);
  }
  if (!SameColumns(out, view)) {
    return Damaged(path, "la définition de la table " + text::QuoteName(view.table) +
                             " ne se lit pas de la même façon par libmdb et octet par octet");
  }
  return {};
}

// The one descriptor of the definition with libmdb's name and number for the column, and a
// length a text column can have.
Status FindDefinitionColumn(const std::string& path, const JetHeader& header,
                            const TableDefinition& definition, const LibmdbColumn& theirs,
                            TdefColumn& out) {
  const TdefColumn* found = nullptr;
  for (const TdefColumn& candidate : definition.columns) {
    if (!SameNameAsLibmdbReadsIt(theirs.name, candidate.name) || !SameNumber(theirs, candidate)) {
      continue;
    }
    if (found != nullptr) {
      return Damaged(path, "deux colonnes portent le nom " + text::QuoteName(theirs.name));
    }
    found = &candidate;
  }
  if (found == nullptr) return Damaged(path, "la colonne n'a pas été retrouvée dans sa définition");
  if (found->length > BytesPerCharacter(header) * kJetMaxTextLength) {
    return Damaged(path, "la colonne " + text::QuoteName(theirs.name) +
                             " annonce une longueur de " + std::to_string(found->length) +
                             " octets, impossible pour une colonne Texte");
  }
  out = *found;
  return {};
}

// Finds the statement's column: libmdb's view of it, checked against our own reading of the
// table's definition, which gives where its length field lies.
Status FindColumn(const JetFile& file, const std::string& path, const JetHeader& header,
                  const JetAlterColumn& alter, TargetColumn& out) {
  std::uint64_t fileSize = 0;
  if (!file.Size(fileSize)) return Damaged(path, std::strerror(errno));
  if (Status status = CheckWholePages(path, fileSize, header); !status.ok()) return status;
  out.fileSize = fileSize;
  // No value is read yet: a damaged table is refused first, without reading its rows.
  if (Status status = AskLibmdb(file, path, fileSize, header, alter, false, out.view);
      !status.ok()) {
    return status;
  }
  if (Status status = FindLibmdbColumn(out.view, alter, out.theirs); !status.ok()) {
    return status;
  }
  if (Status status = ReadOwnDefinition(file, path, fileSize, header, out.view, out.definition);
      !status.ok()) {
    return status;
  }
  if (Status status = CheckTableInFile(file, path, fileSize, header, out.definition);
      !status.ok()) {
    return status;
  }
  return FindDefinitionColumn(path, header, out.definition, out.theirs, out.ours);
}

// A shorter length: libmdb reads every row of the sound table found, and no value is longer
// than the new length.
Status CheckShortening(const JetFile& file, const std::string& path, const JetHeader& header,
                       const JetAlterColumn& alter, TargetColumn& target) {
  LibmdbView& view = target.view;
  if (Status status = AskLibmdb(file, path, target.fileSize, header, alter, true, view);
      !status.ok()) {
    return status;
  }
  if (view.firstPage != target.definition.pages.front()) {
    return Damaged(path, "libmdb ne retrouve pas la même définition de la table");
  }
  if (!view.scanned) return Damaged(path, "les valeurs de la colonne n'ont pas été lues");
  // A row that libmdb skipped could be one too long.
  if (view.rows != target.definition.rowCount) {
    return Damaged(path, "la table " + text::QuoteName(view.table) + " annonce " +
                             std::to_string(target.definition.rowCount) + " lignes mais " +
                             std::to_string(view.rows) +
                             " ont pu être lues (un compactage de la base peut la réparer)");
  }
  if (view.tooLong > 0) {
    const bool one = view.tooLong == 1;
    return CannotAlter(target.theirs.name, std::to_string(view.tooLong) +
                                               (one ? " valeur dépasse " : " valeurs dépassent ") +
                                               std::to_string(*alter.textLength) + " caractères.");
  }
  return {};
}

// One byte of a length field to write, and the length the field holds once it is written.
struct LengthByte {
  std::uint64_t offset;
  unsigned char value;
  int lengthAfter;
};

// The writes that take a length field split over two pages or two 512-byte sectors from `from`
// to `to`: only the bytes that change, in an order such that a crash between two writes leaves
// a length every stored value fits in (never below the old length when widening, never below
// the new one when shortening) and that Jet allows (at most `largest`). The field is
// little-endian: L = 256 h + l. When one byte changes there is one write and nothing in
// between. When both change, with the other byte still old in between:
//   widening, to > from, so the new high byte is above the old one: writing the high byte first
//     leaves 256 h' + l >= 256 (h + 1) > from;
//   shortening, to < from, so the new high byte is below the old one: writing the low byte first
//     leaves 256 h + l' >= 256 (h' + 1) > to.
// So a safe order always exists for the bound; each candidate is still checked against both
// bounds, and an empty plan (no safe order) is refused by the caller.
std::vector<LengthByte> PlanSplitWrite(const TdefColumn& field, int from, int to, int largest) {
  const int oldLow = from & 0xFF, oldHigh = (from >> 8) & 0xFF;
  const int newLow = to & 0xFF, newHigh = (to >> 8) & 0xFF;
  const LengthByte low{field.lengthOffset, static_cast<unsigned char>(newLow),
                       oldHigh << 8 | newLow};
  const LengthByte high{field.lengthSecondOffset, static_cast<unsigned char>(newHigh),
                        newHigh << 8 | oldLow};
  if (oldHigh == newHigh) return {{low.offset, low.value, to}};
  if (oldLow == newLow) return {{high.offset, high.value, to}};
  const int safe = std::min(from, to);  // every stored value fits in it
  for (const auto& [first, second] : {std::pair{high, low}, std::pair{low, high}}) {
    if (first.lengthAfter >= safe && first.lengthAfter <= largest) {
      return {first, {second.offset, second.value, to}};
    }
  }
  return {};
}

// The length field still holds the length that was read: nothing changed the file since.
Status CheckLengthOnDisk(const JetFile& file, const std::string& path, const TdefColumn& target) {
  unsigned char current[2] = {};
  if (!file.ReadAt(&current[0], 1, target.lengthOffset) ||
      !file.ReadAt(&current[1], 1, target.lengthSecondOffset)) {
    return Damaged(path, "la longueur de la colonne ne peut pas être relue");
  }
  if ((current[0] | current[1] << 8) != target.length) {
    return Damaged(path, "le fichier a changé pendant l'instruction");
  }
  return {};
}

// The writes that take the field to `newLength`: both bytes together when the field lies
// inside one sector of one page; otherwise as PlanSplitWrite orders them (empty: no safe order).
std::vector<LengthByte> PlanLengthWrites(const JetHeader& header, const TdefColumn& target,
                                         int newLength) {
  if (LengthFieldInOneSector(target, header.pageSize)) {
    return {{target.lengthOffset, static_cast<unsigned char>(newLength & 0xFF), newLength},
            {target.lengthSecondOffset, static_cast<unsigned char>(newLength >> 8), newLength}};
  }
  return PlanSplitWrite(target, target.length, newLength,
                        BytesPerCharacter(header) * kJetMaxTextLength);
}

// Carries out `writes` on a field holding `oldLength`, each followed by a flush. A pair of
// adjacent bytes that both give the new length is written whole, in one write that a crash
// cannot tear.
Status ApplyLengthWrites(JetFile& file, const std::string& path, const std::string& column,
                         int oldLength, const std::vector<LengthByte>& writes, int newLength) {
  const bool whole = writes.size() == 2 && writes[1].offset == writes[0].offset + 1 &&
                     writes[0].lengthAfter == newLength;
  int onDisk = oldLength;
  for (std::size_t k = 0; k < writes.size(); k += whole ? 2 : 1) {
    const unsigned char bytes[2] = {writes[k].value,
                                    whole ? writes[k + 1].value : static_cast<unsigned char>(0)};
    const std::string left = onDisk == oldLength
                                 ? " n'a peut-être pas été modifiée."
                                 : " est restée à " + std::to_string(onDisk) +
                                       " octets, une longueur que toutes ses valeurs respectent.";
    if (const Status written = file.WriteAt(bytes, whole ? 2 : 1, writes[k].offset);
        !written.ok()) {
      return Status::Damaged("Erreur d'écriture dans la base de données " + text::QuoteName(path) +
                             " (" + written.message() + ") : la longueur de la colonne " +
                             text::QuoteName(column) + left);
    }
    if (!file.Flush()) {
      return Status::Damaged("Erreur lors de l'écriture sur le disque de la base de données " +
                             text::QuoteName(path) + " (" + std::strerror(errno) +
                             ") : la modification de la colonne " + text::QuoteName(column) +
                             " n'est peut-être pas enregistrée.");
    }
    onDisk = writes[k].lengthAfter;
  }
  return {};
}

// Writes one byte or both of the length field and flushes after each write, after checking
// that the file still holds what was read.
Status WriteLength(JetFile& file, const std::string& path, const JetHeader& header,
                   const std::string& column, const TdefColumn& target, int newLength) {
  if (Status status = CheckLengthOnDisk(file, path, target); !status.ok()) return status;
  const std::vector<LengthByte> writes = PlanLengthWrites(header, target, newLength);
  if (writes.empty()) {
    return CannotAlter(column,
                       "sa longueur est inscrite à cheval sur deux pages ou deux secteurs du "
                       "fichier, et aucun ordre d'écriture ne la garde sûre en cas d'arrêt. "
                       "Rien n'a été modifié.");
  }
  return ApplyLengthWrites(file, path, column, target.length, writes, newLength);
}

// A shortening counts characters; in a Jet 3 file whose code page stores some characters in two
// bytes, libmdb's count of them cannot be trusted, so the shortening is refused.
Status CheckCodePage(const JetHeader& header, const std::string& column) {
  if (header.version != JetVersion::kJet3 || !DoubleByteCodePage(header.codePage)) return {};
  return CannotAlter(column,
                     "la base de données est au format Access 97 (Jet 3) avec la page "
                     "de codes " +
                         std::to_string(header.codePage) +
                         ", à caractères sur deux octets ; ce moteur ne raccourcit pas "
                         "une colonne Texte d'une telle base, il ne peut que l'allonger.");
}

// Jet changes no column that takes part in a relationship, as the foreign key or as the key it
// references, whatever the relationship's flags.
Status CheckRelationships(const TargetColumn& target) {
  if (target.view.relationships == 0) return {};
  return Status::Refused("Impossible de modifier le champ " + text::QuoteName(target.theirs.name) +
                         ". Il fait partie d'une ou de plusieurs relations.");
}

// Finds the column, checks a shortening, writes the length field.
Status Alter(JetFile& file, const std::string& path, const JetHeader& header,
             const JetAlterColumn& alter) {
  TargetColumn target;
  if (Status status = FindColumn(file, path, header, alter, target); !status.ok()) {
    return status;
  }
  if (Status status = CheckRelationships(target); !status.ok()) return status;
  const int newLength = *alter.textLength * BytesPerCharacter(header);
  if (newLength == target.ours.length) return {};  // already so: nothing is written
  if (newLength < target.ours.length) {
    if (Status status = CheckCodePage(header, target.theirs.name); !status.ok()) {
      return status;
    }
    if (Status status = CheckShortening(file, path, header, alter, target); !status.ok()) {
      return status;
    }
  }
  return WriteLength(file, path, header, target.theirs.name, target.ours, newLength);
}

}  // namespace

Status JetEngine::Open(const std::string& path, const OpenMode& mode,
                       std::optional<JetEngine>& out) {
  if (Status status = CheckDatabaseFile(path); !status.ok()) return status;
  OpenMode actual = mode;
  JetFile file;
  if (Status status = OpenFile(path, actual, file); !status.ok()) return status;
  JetHeader header;
  if (Status status = ReadHeader(file, path, header); !status.ok()) return status;
  if (Status status = CheckOtherUsers(file, path, actual); !status.ok()) return status;
  std::vector<SambaServer> samba = FindSambaServers();
  if (Status status = CheckSambaAtOpen(samba, path, actual); !status.ok()) return status;
  out.emplace(JetEngine(path, std::move(file), header, actual, std::move(samba)));
  return {};
}

JetEngine::JetEngine(std::string path, JetFile file, JetHeader header, OpenMode mode,
                     std::vector<SambaServer> samba)
    : path_(std::move(path)),
      file_(std::move(file)),
      header_(header),
      mode_(mode),
      samba_(std::move(samba)),
      sambaFoundAt_(std::chrono::steady_clock::now()) {}

Status JetEngine::CountParameters(const JetStatement& statement, std::size_t& count) const {
  count = 0;
  if (statement.kind == JetStatementKind::kRefused) return statement.status;
  return {};
}

Status JetEngine::Execute(const JetStatement& statement) {
  if (statement.kind == JetStatementKind::kRefused) return statement.status;
  const JetAlterColumn& alter = statement.alter;
  if (mode_.readOnly) return Status::Refused(kReadOnlyText);
  // The whole statement runs under the lock: another user of the file fails it at once. In
  // Share Exclusive the lock is already held. `inUse` holds errno of what found another user.
  std::optional<StatementLock> lock;
  std::optional<int> inUse;
  if (!mode_.exclusive) {
    // Before our own lock, which flock carried out as a POSIX lock would conflict with.
    if (file_.OtherBsdLock(JetLock::kExclusive)) {
      inUse = EWOULDBLOCK;
    } else if (const int error = lock.emplace(file_).error(); error == EAGAIN || error == EACCES) {
      inUse = error;
    } else if (error != 0) {
      return Status::Damaged("Impossible de verrouiller la base de données " +
                             text::QuoteName(path_) + " (" + std::strerror(error) + ").");
    }
  }
  if (!inUse && LockFileInUse(path_)) inUse = EWOULDBLOCK;
  // Samba is asked each time: a workstation may have opened the file since. The running
  // servers are found again unless they were found within the last second (a statement right
  // after the open), since a scan of every process is what costs.
  const auto now = std::chrono::steady_clock::now();
  if (now - sambaFoundAt_ > std::chrono::seconds(1)) {
    samba_ = FindSambaServers(samba_);
    sambaFoundAt_ = now;
  }
  if (Status status = CheckOtherUsersNow(samba_, path_, alter.table, inUse); !status.ok()) {
    return status;
  }
  return Alter(file_, path_, header_, alter);
}

}  // namespace platform
