#include "components/ado.h"

#include <algorithm>

#include "base/char_classes.h"
#include "base/exceptions.h"
#include "base/text.h"
#include "platform/ui.h"

namespace {

const char kCreateError[] =
    "Erreur à la création de l'objet.  Vérifiez que les composants Microsoft Data Access 2.1 "
    "(ou supérieur) ont été correctement installés";

std::string SysErrorMessage(platform::HResult code) {
  return OleErrorMessage(code, "", platform::SystemErrorText(code));
}

// Creates one object of the database layer.
template <class Object>
std::unique_ptr<Object> CreateADOObject() {
  std::unique_ptr<Object> object;
  platform::HResult hr = Object::Create(object);
  if (hr == platform::kClassNotRegistered) throw Exception(kCreateError);
  if (platform::Failed(hr)) throw EOleSysError(SysErrorMessage(hr), hr);
  return object;
}

}  // namespace

std::string OleErrorMessage(std::int32_t code, const std::string& description,
                            const std::string& systemText) {
  std::string message = text::TrimTrailingDotsAndControls(description);
  if (message.empty()) message = text::TrimTrailingDotsAndControls(systemText);
  if (message.empty()) message = text::Format("Erreur OLE %.8X", {std::int64_t{code}});
  return message;
}

void OleCheck(platform::HResult hr) {
  if (!platform::Failed(hr)) return;
  platform::ErrorInfo info;
  platform::TakeErrorInfo(info);
  std::string systemText = platform::SystemErrorText(hr);
  throw EOleException(OleErrorMessage(hr, info.description, systemText), hr, info.source,
                      info.helpFile, info.helpContext);
}

// --- TADOConnection ---

TADOConnection::TADOConnection() : connection_(CreateADOObject<platform::DbConnection>()) {
  OleCheck(connection_->Advise());
  advised_ = true;
  OleCheck(connection_->SetCursorLocation(platform::kAdUseClient));
}

TADOConnection::~TADOConnection() {
  // Destruction must not throw: a failed close is as good as closed here.
  try {
    if (Connected()) DoDisconnect();
  } catch (const Exception&) {
  }
  // A command that outlives this component must not keep a pointer to it.
  for (TADOCommand* client : std::vector<TADOCommand*>(clients_)) client->SetConnection(nullptr);
  if (advised_) connection_->Unadvise();
}

std::string TADOConnection::ConnectionString() {
  std::string value;
  OleCheck(connection_->GetConnectionString(value));
  return value;
}

void TADOConnection::SetConnectionString(const std::string& value) {
  if (ConnectionString() != value) OleCheck(connection_->SetConnectionString(value));
}

void TADOConnection::SetProvider(const std::string& value) {
  std::string current;
  OleCheck(connection_->GetProvider(current));
  if (current != value) OleCheck(connection_->SetProvider(value));
}

std::int32_t TADOConnection::State() {
  std::int32_t state = platform::kAdStateClosed;
  OleCheck(connection_->GetState(state));
  while (state == platform::kAdStateConnecting) {
    platform::ProcessPendingMessages();
    OleCheck(connection_->GetState(state));
  }
  return state;
}

bool TADOConnection::Connected() {
  return (State() & platform::kAdStateOpen) != 0;
}

void TADOConnection::SetConnected(bool value) {
  if (value == Connected()) return;
  if (value) {
    DoConnect();
    for (TADOCommand* client : clients_) client->ConnectionOpened();
  } else {
    DoDisconnect();
  }
}

void TADOConnection::DoConnect() {
  // The string passed is the one the platform connection gives back, not a cached copy.
  OleCheck(connection_->Open(ConnectionString(), "", "", connectOptions_));
}

void TADOConnection::DoDisconnect() {
  OleCheck(connection_->Close());
}

void TADOConnection::RegisterClient(TADOCommand* client) {
  if (std::find(clients_.begin(), clients_.end(), client) == clients_.end()) {
    clients_.push_back(client);
  }
}

void TADOConnection::UnRegisterClient(TADOCommand* client) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

// --- TADOCommand ---

TADOCommand::TADOCommand() : command_(CreateADOObject<platform::DbCommand>()) {
  OleCheck(command_->SetCommandType(platform::kAdCmdText));
}

TADOCommand::~TADOCommand() {
  if (connection_ != nullptr) connection_->UnRegisterClient(this);
}

void TADOCommand::SetConnection(TADOConnection* connection) {
  if (connection_ != nullptr) connection_->UnRegisterClient(this);
  connection_ = connection;
  if (connection_ != nullptr) connection_->RegisterClient(this);
}

void TADOCommand::EnsureActiveConnection() {
  if (connection_ == nullptr) return;
  platform::DbConnection* active = nullptr;
  OleCheck(command_->GetActiveConnection(active));
  if (active != &connection_->ConnectionObject()) {
    OleCheck(command_->SetActiveConnection(connection_->ConnectionObject()));
  }
}

void TADOCommand::SetCommandText(const std::string& text) {
  std::vector<std::string> names;
  std::string sent = paramCheck_ ? ParseCommandParameters(text, names) : text;
  OleCheck(command_->SetCommandText(sent));
  // The provider's view of the parameters is only advisory: nothing here may fail the call.
  try {
    EnsureActiveConnection();
    command_->ClearParameterInfo();
    command_->Prepare(0);
    std::size_t count = 0;
    command_->GetParameterCount(count);
  } catch (const Exception&) {
  }
  // Nor may what it left behind be read as the error of a later call.
  platform::ErrorInfo ignored;
  platform::TakeErrorInfo(ignored);
}

std::unique_ptr<platform::DbRecordset> TADOCommand::Execute() {
  EnsureActiveConnection();
  std::int32_t type = 0;
  OleCheck(command_->GetCommandType(type));
  std::unique_ptr<platform::DbRecordset> result;
  OleCheck(command_->Execute(type + executeOptions_, result));
  return result;
}

std::string ParseCommandParameters(const std::string& text, std::vector<std::string>& names) {
  std::string out;
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
      out += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      out += c;
    } else if (c == ':' && i + 1 < text.size() && text[i + 1] == ':') {
      out += ':';
      ++i;
    } else if (c == ':' && i + 1 < text.size() && text::IsNameChar(text[i + 1])) {
      std::size_t end = i + 1;
      while (end < text.size() && text::IsNameChar(text[end])) ++end;
      names.push_back(text.substr(i + 1, end - i - 1));
      out += '?';
      i = end - 1;
    } else {
      out += c;
    }
  }
  return out;
}
