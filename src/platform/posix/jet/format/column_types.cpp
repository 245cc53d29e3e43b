// The names of Jet's column types as Access shows them.
#include "platform/posix/jet/format/column_types.h"

namespace platform {

const char* JetTypeName(int type) {
  switch (type) {
    case kJetTypeBoolean:
      return "Oui/Non";
    case kJetTypeByte:
      return "Octet";
    case kJetTypeInteger:
      return "Entier";
    case kJetTypeLong:
      return "Entier long";
    case kJetTypeCurrency:
      return "Monétaire";
    case kJetTypeSingle:
      return "Réel simple";
    case kJetTypeDouble:
      return "Réel double";
    case kJetTypeDateTime:
      return "Date/Heure";
    case kJetTypeBinary:
      return "Binaire";
    case kJetTypeText:
      return "Texte";
    case kJetTypeOle:
      return "Objet OLE";
    case kJetTypeMemo:
      return "Mémo";
    case kJetTypeReplicationId:
      return "N° de réplication";
    case kJetTypeDecimal:
      return "Décimal";
    default:
      return "inconnu";
  }
}

}  // namespace platform
