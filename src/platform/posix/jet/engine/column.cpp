// Finding the statement's column and checking that its length may change.
#include "platform/posix/jet/engine/column.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/posix/jet/format/names.h"
#include "platform/posix/jet/format/usage_map.h"

namespace platform {

using base::Status;
using base::StatusKind;

namespace {

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
      const int size = ours.type == kJetTypeBoolean ? 0 : ours.length;
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

}  // namespace

// A definition that two rows of the catalog share would be changed for both tables at once.
Status ColumnSearch::CheckOneCatalogRow() const {
  if (target_.view.tablesOnDefinition <= 1) return {};
  return db_.Damaged(std::to_string(target_.view.tablesOnDefinition) +
                     " tables du catalogue partagent la définition de la table " +
                     text::QuoteName(target_.view.table));
}

// Asks libmdb, in one child, for the table and its columns and, when the statement shortens
// the column, for its values (not when the code page refuses a shortening anyway). Checks the
// table part; the scan part's status is kept for CheckShortening.
Status ColumnSearch::AskLibmdb() {
  const int perCharacter = db_.BytesPerCharacter();
  const bool scan = alter_.textLength && CheckCodePage().ok();
  const LibmdbRequest request{alter_.table, alter_.column,
                              scan ? *alter_.textLength * perCharacter : 0, perCharacter};
  LibmdbAnswer answer =
      ReadWithLibmdb({db_.file.fd(), db_.path, target_.fileSize / db_.header.pageSize}, request);
  target_.view = std::move(answer.view);
  scanStatus_ = std::move(answer.scan);
  const LibmdbView& view = target_.view;
  const Status& read = answer.table;
  if (read.kind() == StatusKind::kRefused) {
    return Status::Refused("La base de données " + text::QuoteName(db_.path) +
                           " n'a pas été lue, car " + read.message() + ". Rien n'a été modifié.");
  }
  if (!read.ok()) return db_.Damaged(read.message());
  if (!view.tableFound) {
    return Status::Refused(
        "La table " + text::QuoteName(alter_.table) +
        " est introuvable. Vérifiez qu'elle existe et que son nom est correctement "
        "orthographié.");
  }
  if (view.systemTable) {
    return Status::Refused("Impossible de modifier la table système " +
                           text::QuoteName(view.table) + ".");
  }
  return CheckOneCatalogRow();
}

// libmdb's column named by the statement, which must be a variable-length text column asked
// for a text length.
Status ColumnSearch::FindLibmdbColumn() {
  const LibmdbColumn* column = nullptr;
  for (const LibmdbColumn& candidate : target_.view.columns) {
    if (SameJetName(candidate.name, alter_.column)) {
      column = &candidate;
      break;
    }
  }
  if (column == nullptr) {
    return Status::Refused("La colonne " + text::QuoteName(alter_.column) +
                           " est introuvable dans la table " + text::QuoteName(target_.view.table) +
                           ".");
  }
  if (column->type != kJetTypeText) {
    return CannotAlterColumn(column->name, std::string("c'est une colonne de type ") +
                                               JetTypeName(column->type) +
                                               " ; ce moteur ne change pas le type d'une colonne, "
                                               "seulement la longueur d'une colonne Texte.");
  }
  if (!alter_.textLength) {
    return CannotAlterColumn(column->name,
                             "ce moteur ne change pas le type d'une colonne (" + alter_.type +
                                 " demandé), seulement la longueur d'une colonne Texte "
                                 "(TEXT(n), n de 1 à 255).");
  }
  if (column->fixed) {
    return CannotAlterColumn(
        column->name,
        "c'est une colonne Texte de longueur fixe ; sa longueur fait partie de "
        "chaque ligne de la table et ne peut pas être changée sur place.");
  }
  target_.theirs = *column;
  return {};
}

// The file's whole pages, read through the engine's descriptor.
JetPages ColumnSearch::Pages() const {
  const JetPageReader read = [&file = db_.file, size = db_.header.pageSize](std::uint32_t page,
                                                                            std::string& bytes) {
    bytes.assign(size, '\0');
    return file.ReadAt(bytes.data(), bytes.size(), static_cast<std::uint64_t>(page) * size);
  };
  return {read, db_.header.version, target_.fileSize / db_.header.pageSize};
}

// A file cut short: its size is not a whole number of pages. Checked before libmdb reads it.
Status ColumnSearch::CheckWholePages() const {
  if (target_.fileSize % db_.header.pageSize == 0) return {};
  return db_.Damaged("sa taille (" + std::to_string(target_.fileSize) +
                     " octets) n'est pas un nombre entier de pages de " +
                     std::to_string(db_.header.pageSize) + " octets : le fichier est tronqué");
}

// Every page the table owns lies inside the file: the pages its usage maps name and its
// indexes' first pages. Only the maps are read (and the map pages of a large table), never the
// pages they name, so this costs the same whatever the number of rows.
Status ColumnSearch::CheckTableInFile() const {
  const JetPages pages = Pages();
  const std::uint64_t pageCount = pages.count;
  const auto cut = [&](std::uint64_t page) {
    return db_.Damaged("la table occupe la page " + std::to_string(page) +
                       ", au-delà de la fin du fichier (" + std::to_string(pageCount) +
                       " pages) : le fichier est tronqué");
  };
  for (const std::uint32_t page : target_.definition.indexPages) {
    if (page >= pageCount) return cut(page);
  }
  for (const std::uint32_t mapRow :
       {target_.definition.usedPagesRow, target_.definition.freePagesRow}) {
    std::uint32_t highest = 0;
    if (const Status read = HighestMappedPage(pages, mapRow, highest); !read.ok()) {
      return db_.Damaged(read.message());
    }
    if (highest >= pageCount) return cut(highest);
  }
  return {};
}

// Our own reading of the table's definition, byte for byte, which must agree with libmdb's.
Status ColumnSearch::ReadOwnDefinition() {
  if (const Status read = ReadTableDefinition(Pages(), target_.view.firstPage, target_.definition);
      !read.ok()) {
    return db_.Damaged(read.message());
  }
  if (!SameColumns(target_.definition, target_.view)) {
    return db_.Damaged("la définition de la table " + text::QuoteName(target_.view.table) +
                       " ne se lit pas de la même façon par libmdb et octet par octet");
  }
  return {};
}

// The one descriptor of the definition with libmdb's name and number for the column, and a
// length a text column can have.
Status ColumnSearch::FindDefinitionColumn() {
  const TdefColumn* found = nullptr;
  for (const TdefColumn& candidate : target_.definition.columns) {
    if (!SameNameAsLibmdbReadsIt(target_.theirs.name, candidate.name) ||
        !SameNumber(target_.theirs, candidate)) {
      continue;
    }
    if (found != nullptr) {
      return db_.Damaged("deux colonnes portent le nom " + text::QuoteName(target_.theirs.name));
    }
    found = &candidate;
  }
  if (found == nullptr) return db_.Damaged("la colonne n'a pas été retrouvée dans sa définition");
  if (found->length > db_.BytesPerCharacter() * kJetMaxTextLength) {
    return db_.Damaged("la colonne " + text::QuoteName(target_.theirs.name) +
                       " annonce une longueur de " + std::to_string(found->length) +
                       " octets, impossible pour une colonne Texte");
  }
  target_.ours = *found;
  return {};
}

// A shortening counts characters; in a Jet 3 file whose code page stores some characters in two
// bytes, libmdb's count of them cannot be trusted, so the shortening is refused.
Status ColumnSearch::CheckCodePage() const {
  if (db_.header.version != JetVersion::kJet3 || !DoubleByteCodePage(db_.header.codePage))
    return {};
  return CannotAlterColumn(target_.theirs.name,
                           "la base de données est au format Access 97 (Jet 3) avec la page "
                           "de codes " +
                               std::to_string(db_.header.codePage) +
                               ", à caractères sur deux octets ; ce moteur ne raccourcit pas "
                               "une colonne Texte d'une telle base, il ne peut que l'allonger.");
}

Status ColumnSearch::CheckRelationships() const {
  if (target_.view.relationships == 0) return {};
  return Status::Refused("Impossible de modifier le champ " + text::QuoteName(target_.theirs.name) +
                         ". Il fait partie d'une ou de plusieurs relations.");
}

Status ColumnSearch::CheckShortening() {
  if (Status status = CheckCodePage(); !status.ok()) return status;
  if (!scanStatus_.ok()) return db_.Damaged(scanStatus_.message());
  const LibmdbScan& view = target_.view.scan;
  if (!view.scanned) return db_.Damaged("les valeurs de la colonne n'ont pas été lues");
  // A row that libmdb skipped could be one too long.
  if (view.rows != target_.definition.rowCount) {
    return db_.Damaged("la table " + text::QuoteName(target_.view.table) + " annonce " +
                       std::to_string(target_.definition.rowCount) + " lignes mais " +
                       std::to_string(view.rows) +
                       " ont pu être lues (un compactage de la base peut la réparer)");
  }
  if (view.tooLong > 0) {
    const bool one = view.tooLong == 1;
    return CannotAlterColumn(target_.theirs.name,
                             std::to_string(view.tooLong) +
                                 (one ? " valeur dépasse " : " valeurs dépassent ") +
                                 std::to_string(*alter_.textLength) + " caractères.");
  }
  return {};
}

Status ColumnSearch::Find() {
  if (!db_.file.Size(target_.fileSize)) return db_.Damaged(std::strerror(errno));
  if (Status status = CheckWholePages(); !status.ok()) return status;
  // A damaged table is refused first, whatever the scan of its values found.
  if (Status status = AskLibmdb(); !status.ok()) return status;
  if (Status status = FindLibmdbColumn(); !status.ok()) return status;
  if (Status status = ReadOwnDefinition(); !status.ok()) return status;
  if (Status status = CheckTableInFile(); !status.ok()) return status;
  return FindDefinitionColumn();
}

}  // namespace platform
