// Writing a column's new length: the order of the byte writes, and the writes, each flushed.
#include "platform/posix/jet/engine/length_write.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"

namespace platform {

using base::Status;

namespace {

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

// One statement's write of `field`'s new length, in `db`'s file.
class LengthWriter {
 public:
  LengthWriter(JetDatabase& db, const TargetColumn& target, int newLength)
      : db_(db), column_(target.theirs.name), field_(target.ours), newLength_(newLength) {}

  // Writes one byte or both of the length field and flushes after each write, after checking
  // that the file still holds what was read.
  Status Write() {
    if (Status status = CheckOnDisk(); !status.ok()) return status;
    const std::vector<LengthByte> writes = Plan();
    if (writes.empty()) {
      return CannotAlterColumn(
          column_,
          "sa longueur est inscrite à cheval sur deux pages ou deux secteurs du "
          "fichier, et aucun ordre d'écriture ne la garde sûre en cas d'arrêt. "
          "Rien n'a été modifié.");
    }
    return Apply(writes);
  }

 private:
  // The length field still holds the length that was read: nothing changed the file since.
  Status CheckOnDisk() const {
    unsigned char current[2] = {};
    if (!db_.file.ReadAt(&current[0], 1, field_.lengthOffset) ||
        !db_.file.ReadAt(&current[1], 1, field_.lengthSecondOffset)) {
      return db_.Damaged("la longueur de la colonne ne peut pas être relue");
    }
    if ((current[0] | current[1] << 8) != field_.length) {
      return db_.Damaged("le fichier a changé pendant l'instruction");
    }
    return {};
  }

  // The writes that take the field to the new length: both bytes together when the field lies
  // inside one sector of one page; otherwise as PlanSplitWrite orders them (empty: no safe order).
  std::vector<LengthByte> Plan() const {
    if (LengthFieldInOneSector(field_, db_.header.pageSize)) {
      return {{field_.lengthOffset, static_cast<unsigned char>(newLength_ & 0xFF), newLength_},
              {field_.lengthSecondOffset, static_cast<unsigned char>(newLength_ >> 8), newLength_}};
    }
    return PlanSplitWrite(field_, field_.length, newLength_,
                          db_.BytesPerCharacter() * kJetMaxTextLength);
  }

  // Carries out `writes` on the field as it was read, each followed by a flush. A pair of
  // adjacent bytes that both give the new length is written whole, in one write that a crash
  // cannot tear.
  Status Apply(const std::vector<LengthByte>& writes) {
    const bool whole = writes.size() == 2 && writes[1].offset == writes[0].offset + 1 &&
                       writes[0].lengthAfter == newLength_;
    int onDisk = field_.length;
    for (std::size_t k = 0; k < writes.size(); k += whole ? 2 : 1) {
      const unsigned char bytes[2] = {writes[k].value,
                                      whole ? writes[k + 1].value : static_cast<unsigned char>(0)};
      const std::string left = onDisk == field_.length
                                   ? " n'a peut-être pas été modifiée."
                                   : " est restée à " + std::to_string(onDisk) +
                                         " octets, une longueur que toutes ses valeurs respectent.";
      if (const Status written = db_.file.WriteAt(bytes, whole ? 2 : 1, writes[k].offset);
          !written.ok()) {
        return Status::Damaged("Erreur d'écriture dans la base de données " +
                               text::QuoteName(db_.path) + " (" + written.message() +
                               ") : la longueur de la colonne " + text::QuoteName(column_) + left);
      }
      if (!db_.file.Flush()) {
        return Status::Damaged("Erreur lors de l'écriture sur le disque de la base de données " +
                               text::QuoteName(db_.path) + " (" + std::strerror(errno) +
                               ") : la modification de la colonne " + text::QuoteName(column_) +
                               " n'est peut-être pas enregistrée.");
      }
      onDisk = writes[k].lengthAfter;
    }
    return {};
  }

  JetDatabase& db_;
  const std::string& column_;
  const TdefColumn& field_;
  const int newLength_;
};

}  // namespace

Status WriteLength(JetDatabase& db, const TargetColumn& target, int newLength) {
  return LengthWriter(db, target, newLength).Write();
}

}  // namespace platform
