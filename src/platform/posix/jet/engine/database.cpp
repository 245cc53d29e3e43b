// The refusals every part of a statement on an open Jet database words the same way.
#include "platform/posix/jet/engine/database.h"

#include "base/text.h"

namespace platform {

base::Status JetDatabase::Damaged(const std::string& why) const {
  return base::Status::Damaged("La base de données " + text::QuoteName(path) +
                               " est endommagée ou ne peut pas être lue : " + why +
                               ". Rien n'a été modifié.");
}

base::Status CannotAlterColumn(const std::string& column, const std::string& why) {
  return base::Status::Refused("Impossible de modifier la colonne " + text::QuoteName(column) +
                               " : " + why);
}

}  // namespace platform
