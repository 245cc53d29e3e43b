// The Linux side of the database seam: ADO's connection and command objects over the Jet engine.
#include "platform/database.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "base/char_classes.h"
#include "base/text.h"
#include "platform/posix/ado/connection_string.h"
#include "platform/posix/jet/engine/engine.h"

namespace platform {

namespace {

constexpr char kJetProvider[] = "Microsoft.Jet.OLEDB.4.0";
constexpr char kDefaultProvider[] = "MSDASQL";  // ADO's default provider
constexpr std::int32_t kAdUseServer = 2;
constexpr std::int32_t kAdExecuteNoRecords = 0x80;

// COM's and ADO's codes for the failures the layer reports itself.
constexpr HResult kNotInitialized = static_cast<HResult>(0x800401F0);     // CO_E_NOTINITIALIZED
constexpr HResult kNoConnection = static_cast<HResult>(0x80040200);       // CONNECT_E_NOCONNECTION
constexpr HResult kNoCommand = static_cast<HResult>(0x80040E0C);          // DB_E_NOCOMMAND
constexpr HResult kAdInvalidArgument = static_cast<HResult>(0x800A0BB9);  // adErrInvalidArgument
constexpr HResult kAdObjectClosed = static_cast<HResult>(0x800A0E78);     // adErrObjectClosed
constexpr HResult kAdObjectOpen = static_cast<HResult>(0x800A0E79);       // adErrObjectOpen
constexpr HResult kAdProviderNotFound = static_cast<HResult>(0x800A0E7A);
constexpr HResult kAdInvalidConnection = static_cast<HResult>(0x800A0E7D);

constexpr char kAdoSource[] = "ADODB.Connection";
constexpr char kAdoCommandSource[] = "ADODB.Command";
constexpr char kObjectOpenText[] = "L'opération n'est pas autorisée si l'objet est ouvert.";
constexpr char kObjectClosedText[] = "L'opération n'est pas autorisée si l'objet est fermé.";
constexpr char kInvalidArgumentText[] =
    "Les arguments sont incorrects, en dehors des limites autorisées ou en conflit.";

thread_local int comInitCount = 0;
thread_local std::optional<ErrorInfo> pendingError;

HResult Fail(HResult code, std::string description, std::string source = kJetProviderSource) {
  ErrorInfo info;
  info.description = std::move(description);
  info.source = std::move(source);
  pendingError = std::move(info);
  return code;
}

// The engine's failure as ADO reports it: what is refused before the file is known to be a
// Jet database names the provider, every other failure the engine.
HResult Fail(const base::Status& status) {
  return Fail(
      kFail, status.message(),
      status.kind() == base::StatusKind::kNotADatabase ? kJetProviderSource : kJetEngineSource);
}

// The Linux stand-in for an uninstalled database layer: the class names listed in
// UPGRADE405_UNREGISTERED_CLASSES (comma-separated, blanks around a name trimmed as in a
// connection string) are not registered.
bool IsClassUnregistered(std::string_view progId) {
  const char* list = std::getenv("UPGRADE405_UNREGISTERED_CLASSES");
  if (list == nullptr) return false;
  std::string_view rest(list);
  while (!rest.empty()) {
    std::size_t comma = rest.find(',');
    if (AsciiEqualsIgnoreCase(text::TrimConnectionStringBlanks(rest.substr(0, comma)), progId)) {
      return true;
    }
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return false;
}

// Creation fails as CoCreateInstance does: with a code and no error information of its own.
HResult CheckCreate(std::string_view progId) {
  HResult hr = kOk;
  if (comInitCount <= 0) {
    hr = kNotInitialized;
  } else if (IsClassUnregistered(progId)) {
    hr = kClassNotRegistered;
  }
  if (Failed(hr)) pendingError.reset();
  return hr;
}

// Reads "Mode" as OLE DB writes it: names joined by "|" (or a number, DBPROP_INIT_MODE's bits),
// each trimmed of the blanks of the connection string it comes from.
bool ParseMode(const std::string& value, OpenMode& mode) {
  constexpr int kRead = 1, kWrite = 2, kDenyRead = 4, kDenyWrite = 8, kDenyNone = 16;
  int bits = 0;
  std::string_view rest(value);
  bool any = false;
  while (true) {
    std::size_t bar = rest.find('|');
    std::string name = text::AsciiLower(text::TrimConnectionStringBlanks(rest.substr(0, bar)));
    if (name.empty() && bar == std::string_view::npos && !any) break;  // "Mode=" as absent
    any = true;
    if (name == "read") {
      bits |= kRead;
    } else if (name == "write") {
      bits |= kWrite;
    } else if (name == "readwrite") {
      bits |= kRead | kWrite;
    } else if (name == "share deny none") {
      bits |= kDenyNone;
    } else if (name == "share deny read") {
      bits |= kDenyRead;
    } else if (name == "share deny write") {
      bits |= kDenyWrite;
    } else if (name == "share exclusive") {
      bits |= kDenyRead | kDenyWrite;
    } else if (!name.empty() && name.size() <= 6 &&
               name.find_first_not_of("0123456789") == std::string::npos) {
      bits |= std::stoi(name);
    } else {
      return false;
    }
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  mode.readOnly = (bits & kRead) != 0 && (bits & kWrite) == 0;
  mode.exclusive = (bits & (kDenyRead | kDenyWrite)) != 0;
  return true;
}

}  // namespace

// --- errors ---

bool TakeErrorInfo(ErrorInfo& info) {
  if (!pendingError) return false;
  info = std::move(*pendingError);
  pendingError.reset();
  return true;
}

std::string SystemErrorText(HResult code) {
  switch (static_cast<std::uint32_t>(code)) {
    case 0x80004005u:
      return "Erreur non spécifiée";
    case 0x80004001u:
      return "Non implémenté";
    case 0x80070057u:
      return "Paramètre incorrect.";
    case 0x8007000Eu:
      return "Mémoire insuffisante pour mener à bien cette opération.";
    case 0x80004002u:
      return "Interface non prise en charge";
    case 0x80004003u:
      return "Pointeur non valide";
    case 0x8000FFFFu:
      return "Défaillance irrémédiable";
    case 0x80070005u:
      return "Accès refusé.";
    case 0x800401F0u:
      return "CoInitialize n'a pas été appelé.";
    case 0x80040154u:
      return "Classe non enregistrée";
    case 0x80020004u:
      return "Paramètre introuvable.";
    case 0x80020005u:
      return "Le type ne correspond pas.";
    case 0x80040200u:
      return "Cette connexion n'existe pas.";
    default:
      return "";
  }
}

// --- COM ---

void InitializeCom() {
  ++comInitCount;
}

void UninitializeCom() {
  if (comInitCount > 0) --comInitCount;
}

// --- the connection ---

// The open engine connection. Commands share it, so it outlives a destroyed connection object
// as long as a command still uses it, as a COM reference would.
struct EngineConnection {
  std::optional<JetEngine> db;
  DbConnection* owner = nullptr;  // the connection object, nullptr once it is destroyed
};

struct DbConnection::Impl {
  std::string connectionString;
  std::string provider = kDefaultProvider;
  std::int32_t cursorLocation = kAdUseServer;
  int subscriptions = 0;
  std::shared_ptr<EngineConnection> engine = std::make_shared<EngineConnection>();
};

HResult DbConnection::Create(std::unique_ptr<DbConnection>& out) {
  HResult hr = CheckCreate("ADODB.Connection");
  if (Failed(hr)) return hr;
  // The constructor is private to the class, out of std::make_unique's reach; the object is
  // owned the moment it exists.
  out.reset(new DbConnection(std::make_unique<Impl>()));
  out->impl_->engine->owner = out.get();
  return kOk;
}

DbConnection::DbConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

DbConnection::~DbConnection() {
  impl_->engine->owner = nullptr;
}

HResult DbConnection::Advise() {
  ++impl_->subscriptions;
  return kOk;
}

HResult DbConnection::Unadvise() {
  if (impl_->subscriptions == 0) {
    return Fail(kNoConnection, "Aucun abonnement aux événements de la connexion n'est en cours.",
                kAdoSource);
  }
  --impl_->subscriptions;
  return kOk;
}

HResult DbConnection::SetCursorLocation(std::int32_t location) {
  if (location < 1 || location > kAdUseClient) {
    return Fail(kAdInvalidArgument, kInvalidArgumentText, kAdoSource);
  }
  impl_->cursorLocation = location;
  return kOk;
}

HResult DbConnection::GetConnectionString(std::string& out) {
  out = impl_->connectionString;
  return kOk;
}

HResult DbConnection::SetConnectionString(const std::string& value) {
  if (impl_->engine->db) return Fail(kAdObjectOpen, kObjectOpenText, kAdoSource);
  impl_->connectionString = value;
  // As ADO does, a Provider named in the string becomes the Provider property.
  ConnectionString parsed;
  std::string error;
  if (ParseConnectionString(value, parsed, error)) {
    if (auto provider = parsed.Find("Provider")) impl_->provider = *provider;
  }
  return kOk;
}

HResult DbConnection::GetProvider(std::string& out) {
  out = impl_->provider;
  return kOk;
}

HResult DbConnection::SetProvider(const std::string& value) {
  if (impl_->engine->db) return Fail(kAdObjectOpen, kObjectOpenText, kAdoSource);
  impl_->provider = value;
  return kOk;
}

HResult DbConnection::GetState(std::int32_t& state) {
  state = impl_->engine->db ? kAdStateOpen : kAdStateClosed;
  return kOk;
}

HResult DbConnection::Open(const std::string& connectionString, const std::string& /*userId*/,
                           const std::string& /*password*/, std::int32_t /*options*/) {
  if (impl_->engine->db) return Fail(kAdObjectOpen, kObjectOpenText, kAdoSource);
  // The string passed counts; an empty one means the ConnectionString property, as in ADO.
  const std::string& text = connectionString.empty() ? impl_->connectionString : connectionString;
  ConnectionString parsed;
  std::string error;
  if (!ParseConnectionString(text, parsed, error)) return Fail(kFail, error);

  std::string provider = parsed.Find("Provider").value_or(impl_->provider);
  if (!AsciiEqualsIgnoreCase(provider, kJetProvider)) {
    return Fail(kAdProviderNotFound,
                "Fournisseur introuvable. Il se peut qu'il ne soit pas installé correctement.",
                kAdoSource);
  }
  std::optional<std::string> path = parsed.Find("Data Source");
  if (!path || path->empty()) {
    return Fail(kFail, "Aucun fichier de base de données n'est indiqué (mot clé « Data Source »).");
  }
  if (path->find('\0') != std::string::npos) {
    return Fail(kFail,
                "Nom de fichier de base de données incorrect : " + text::QuoteName(*path) + ".");
  }
  OpenMode mode;
  if (auto modeText = parsed.Find("Mode"); modeText && !ParseMode(*modeText, mode)) {
    return Fail(kFail,
                "Valeur incorrecte pour le mot clé « Mode » : " + text::QuoteName(*modeText) + ".");
  }
  if (base::Status status = JetEngine::Open(*path, mode, impl_->engine->db); !status.ok()) {
    return Fail(status);
  }
  return kOk;
}

HResult DbConnection::Close() {
  if (!impl_->engine->db) return Fail(kAdObjectClosed, kObjectClosedText, kAdoSource);
  impl_->engine->db.reset();
  return kOk;
}

// --- the record set ---

struct DbRecordset::Impl {};

DbRecordset::DbRecordset(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DbRecordset::~DbRecordset() = default;

// --- the command ---

struct DbCommand::Impl {
  std::int32_t commandType = 8;  // adCmdUnknown, ADO's default
  std::string text;
  JetStatement statement;  // the text as the engine reads it, read once when the text is set
  std::shared_ptr<EngineConnection> engine;
  std::optional<std::size_t> parameterCount;
};

HResult DbCommand::Create(std::unique_ptr<DbCommand>& out) {
  HResult hr = CheckCreate("ADODB.Command");
  if (Failed(hr)) return hr;
  out.reset(new DbCommand(std::make_unique<Impl>()));  // owned at once, as above
  return kOk;
}

DbCommand::DbCommand(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DbCommand::~DbCommand() = default;

HResult DbCommand::SetCommandType(std::int32_t type) {
  impl_->commandType = type;
  return kOk;
}

HResult DbCommand::GetCommandType(std::int32_t& type) {
  type = impl_->commandType;
  return kOk;
}

HResult DbCommand::SetCommandText(const std::string& text) {
  impl_->text = text;
  impl_->statement = ParseJetStatement(text);
  impl_->parameterCount.reset();
  return kOk;
}

HResult DbCommand::GetActiveConnection(DbConnection*& out) {
  out = impl_->engine ? impl_->engine->owner : nullptr;
  return kOk;
}

HResult DbCommand::SetActiveConnection(DbConnection& connection) {
  impl_->engine = connection.impl().engine;
  impl_->parameterCount.reset();
  return kOk;
}

namespace {

HResult NeedOpenConnection(const std::shared_ptr<EngineConnection>& engine) {
  if (engine && engine->db) return kOk;
  return Fail(kAdInvalidConnection,
              "La connexion ne peut pas être utilisée pour effectuer cette opération. Elle est "
              "soit fermée, soit non valide dans ce contexte.",
              kAdoCommandSource);
}

HResult NeedText(const std::string& text) {
  if (!text.empty()) return kOk;
  return Fail(kNoCommand, "Le texte de la commande n'a pas été défini pour l'objet commande.");
}

}  // namespace

HResult DbCommand::ClearParameterInfo() {
  impl_->parameterCount.reset();
  return kOk;
}

HResult DbCommand::Prepare(std::uint32_t /*expectedRuns*/) {
  if (HResult hr = NeedOpenConnection(impl_->engine); Failed(hr)) return hr;
  if (HResult hr = NeedText(impl_->text); Failed(hr)) return hr;
  std::size_t count = 0;
  if (base::Status status = impl_->engine->db->CountParameters(impl_->statement, count);
      !status.ok()) {
    return Fail(status);
  }
  impl_->parameterCount = count;
  return kOk;
}

HResult DbCommand::GetParameterCount(std::size_t& count) {
  if (!impl_->parameterCount) {
    // Not prepared: ask the provider, as ADO's Parameters.Refresh does.
    if (HResult hr = Prepare(0); Failed(hr)) return hr;
  }
  count = *impl_->parameterCount;
  return kOk;
}

HResult DbCommand::Execute(std::int32_t options, std::unique_ptr<DbRecordset>& result) {
  if ((options & ~kAdExecuteNoRecords) != kAdCmdText) {
    return Fail(kAdInvalidArgument, kInvalidArgumentText, kAdoCommandSource);
  }
  if (HResult hr = NeedOpenConnection(impl_->engine); Failed(hr)) return hr;
  if (HResult hr = NeedText(impl_->text); Failed(hr)) return hr;
  if (base::Status status = impl_->engine->db->Execute(impl_->statement); !status.ok()) {
    return Fail(status);
  }
  result = std::make_unique<DbRecordset>(std::make_unique<DbRecordset::Impl>());
  return kOk;
}

}  // namespace platform
