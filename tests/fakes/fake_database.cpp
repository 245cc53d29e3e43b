// Test side of the database seam: connections and commands that record what they are asked in
// fakes::Files().log, with the behaviour fakes::Database() sets.
#include <algorithm>

#include "fake_platform.h"
#include "platform/database.h"

namespace platform {

namespace {

constexpr HResult kNotInitialized = static_cast<HResult>(0x800401F0);  // CO_E_NOTINITIALIZED

void Log(const std::string& entry) {
  fakes::Files().log.push_back(entry);
}

// Whether an object of `progId` can be made now, as CoCreateInstance decides.
HResult CanCreate(const std::string& progId) {
  const auto& unregistered = fakes::Database().unregistered;
  if (fakes::Database().comInitializations <= 0) return kNotInitialized;
  if (std::find(unregistered.begin(), unregistered.end(), progId) != unregistered.end()) {
    return kClassNotRegistered;
  }
  return kOk;
}

}  // namespace

struct DbConnection::Impl {
  std::string connectionString;
  std::string provider;
  bool open = false;
};

struct DbRecordset::Impl {};

struct DbCommand::Impl {
  DbConnection* active = nullptr;
  std::int32_t type = 0;
  std::string text;
};

bool TakeErrorInfo(ErrorInfo&) {
  return false;
}

std::string SystemErrorText(HResult) {
  return "";
}

void InitializeCom() {
  Log("com-init");
  ++fakes::Database().comInitializations;
}

void UninitializeCom() {
  Log("com-uninit");
  --fakes::Database().comInitializations;
}

DbConnection::DbConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

DbConnection::~DbConnection() {
  Log("connection-release");
  --fakes::Database().liveObjects;
}

HResult DbConnection::Create(std::unique_ptr<DbConnection>& out) {
  if (HResult hr = CanCreate("ADODB.Connection"); Failed(hr)) {
    Log("connection-create refused");
    return hr;
  }
  Log("connection-create");
  ++fakes::Database().liveObjects;
  out.reset(new DbConnection(std::make_unique<Impl>()));
  return kOk;
}

HResult DbConnection::Advise() {
  return kOk;
}
HResult DbConnection::Unadvise() {
  return kOk;
}
HResult DbConnection::SetCursorLocation(std::int32_t) {
  return kOk;
}
HResult DbConnection::GetConnectionString(std::string& out) {
  out = impl_->connectionString;
  return kOk;
}
HResult DbConnection::SetConnectionString(const std::string& value) {
  impl_->connectionString = value;
  return kOk;
}
HResult DbConnection::GetProvider(std::string& out) {
  out = impl_->provider;
  return kOk;
}
HResult DbConnection::SetProvider(const std::string& value) {
  impl_->provider = value;
  return kOk;
}
HResult DbConnection::GetState(std::int32_t& state) {
  state = impl_->open ? kAdStateOpen : kAdStateClosed;
  return kOk;
}

HResult DbConnection::Open(const std::string& connectionString, const std::string&,
                           const std::string&, std::int32_t) {
  if (fakes::Database().openFails) {
    Log("connection-open refused");
    return kFail;
  }
  Log("connection-open " + connectionString);
  impl_->open = true;
  return kOk;
}

HResult DbConnection::Close() {
  Log("connection-close");
  impl_->open = false;
  return kOk;
}

DbRecordset::DbRecordset(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DbRecordset::~DbRecordset() = default;

DbCommand::DbCommand(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

DbCommand::~DbCommand() {
  Log("command-release");
  --fakes::Database().liveObjects;
}

HResult DbCommand::Create(std::unique_ptr<DbCommand>& out) {
  if (HResult hr = CanCreate("ADODB.Command"); Failed(hr)) {
    Log("command-create refused");
    return hr;
  }
  Log("command-create");
  ++fakes::Database().liveObjects;
  out.reset(new DbCommand(std::make_unique<Impl>()));
  return kOk;
}

HResult DbCommand::SetCommandType(std::int32_t type) {
  impl_->type = type;
  return kOk;
}
HResult DbCommand::GetCommandType(std::int32_t& type) {
  type = impl_->type;
  return kOk;
}
HResult DbCommand::SetCommandText(const std::string& text) {
  impl_->text = text;
  return kOk;
}
HResult DbCommand::GetActiveConnection(DbConnection*& out) {
  out = impl_->active;
  return kOk;
}
HResult DbCommand::SetActiveConnection(DbConnection& connection) {
  impl_->active = &connection;
  return kOk;
}
HResult DbCommand::ClearParameterInfo() {
  return kOk;
}
HResult DbCommand::Prepare(std::uint32_t) {
  return kOk;
}
HResult DbCommand::GetParameterCount(std::size_t& count) {
  count = 0;
  return kOk;
}

HResult DbCommand::Execute(std::int32_t, std::unique_ptr<DbRecordset>& result) {
  Log("command-execute " + impl_->text);
  result = std::make_unique<DbRecordset>(std::make_unique<DbRecordset::Impl>());
  return kOk;
}

}  // namespace platform
