// Windows side of the database seam: ADO's Connection and Command objects through COM.
//
// The objects are asked for by the interface IDs of ADO 2.x (system_headers.h selects them):
// every ADO accepts those, wine's included.
#include "platform/database.h"

#include "platform/win32/support.h"

namespace platform {

using win32::Bstr;
using win32::ComPtr;
using win32::Narrow;
using win32::Variant;

namespace {

constexpr GUID AdoGuid(unsigned long first) {
  return {first, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
}

constexpr GUID kConnectionClass = AdoGuid(0x00000514);
constexpr GUID kCommandClass = AdoGuid(0x00000507);
constexpr GUID kConnectionInterface = AdoGuid(0x00000550);
constexpr GUID kCommandInterface = {
    0xB08400BD, 0xF9D1, 0x4D02, {0xB8, 0x56, 0x71, 0xD5, 0xDB, 0xA1, 0x23, 0xE9}};
constexpr GUID kCommandConstruction = AdoGuid(0x00000517);
constexpr GUID kConnectionEvents = AdoGuid(0x00000400);
constexpr GUID kConnectionEventsVt = AdoGuid(0x00000402);

constexpr DWORD kServers = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

// The listener on the connection's events: it accepts every notification and does nothing, as
// the program handles none of them. It serves both forms ADO offers, the vtable interface and the
// dispatch interface. Reference counted; it deletes itself with its last release.
class ConnectionListener final : public ConnectionEventsVt, public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kConnectionEventsVt)) {
      *out = static_cast<ConnectionEventsVt*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kConnectionEvents)) {
      *out = static_cast<IDispatch*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // ConnectionEventsVt
  HRESULT STDMETHODCALLTYPE InfoMessage(ADOError*, EventStatusEnum*, _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BeginTransComplete(LONG, ADOError*, EventStatusEnum*,
                                               _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CommitTransComplete(ADOError*, EventStatusEnum*,
                                                _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RollbackTransComplete(ADOError*, EventStatusEnum*,
                                                  _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WillExecute(BSTR*, CursorTypeEnum*, LockTypeEnum*, long*,
                                        EventStatusEnum*, _ADOCommand*, _ADORecordset*,
                                        _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ExecuteComplete(LONG, ADOError*, EventStatusEnum*, _ADOCommand*,
                                            _ADORecordset*, _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WillConnect(BSTR*, BSTR*, BSTR*, long*, EventStatusEnum*,
                                        _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ConnectComplete(ADOError*, EventStatusEnum*, _ADOConnection*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Disconnect(EventStatusEnum*, _ADOConnection*) override { return S_OK; }

  // IDispatch, for ConnectionEvents
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count != nullptr) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (result != nullptr) VariantInit(result);
    return S_OK;
  }

 private:
  ~ConnectionListener() = default;
  LONG references_ = 1;
};

}  // namespace

struct DbConnection::Impl {
  ComPtr<_ADOConnection> connection;
  ComPtr<IConnectionPoint> events;
  DWORD cookie = 0;
};

struct DbRecordset::Impl {
  ComPtr<_ADORecordset> recordset;
};

struct DbCommand::Impl {
  ComPtr<_ADOCommand> command;
  // The connection last made active, and the COM identity it was set with.
  DbConnection* active = nullptr;
  ComPtr<IUnknown> activeIdentity;

  // The OLE DB command under the ADO command, asked for `iid`.
  template <class T>
  HRESULT OleDbCommand(const IID& iid, ComPtr<T>& out) {
    ComPtr<ADOCommandConstruction> construction;
    HRESULT hr = command.As(kCommandConstruction, construction);
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> oleDb;
    hr = construction->get_OLEDBCommand(oleDb.Receive());
    if (FAILED(hr)) return hr;
    if (!oleDb) return E_NOINTERFACE;
    return oleDb.As(iid, out);
  }
};

namespace {

ComPtr<IUnknown> Identity(IUnknown* object) {
  ComPtr<IUnknown> identity;
  if (object != nullptr) object->QueryInterface(IID_IUnknown, identity.ReceiveVoid());
  return identity;
}

}  // namespace

// --- errors and COM ---

bool TakeErrorInfo(ErrorInfo& info) {
  ComPtr<IErrorInfo> error;
  if (GetErrorInfo(0, error.Receive()) != S_OK || !error) return false;
  Bstr description, source, helpFile;
  DWORD helpContext = 0;
  error->GetDescription(description.Receive());
  error->GetSource(source.Receive());
  error->GetHelpFile(helpFile.Receive());
  error->GetHelpContext(&helpContext);
  info.description = description.Text();
  info.source = source.Text();
  info.helpFile = helpFile.Text();
  info.helpContext = static_cast<std::int32_t>(helpContext);
  return true;
}

std::string SystemErrorText(HResult code) {
  wchar_t buffer[1024] = {};
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, static_cast<DWORD>(code), 0, buffer, 1024, nullptr);
  return Narrow(buffer, static_cast<int>(n));
}

void InitializeCom() {
  CoInitialize(nullptr);
}
void UninitializeCom() {
  CoUninitialize();
}

// --- DbConnection ---

namespace {

using win32::Checked;

// A failure before any object could be asked: no error information of its own.
HRESULT WithoutErrorInfo(HRESULT hr) {
  return Checked(nullptr, IID_NULL, hr);
}

}  // namespace

DbConnection::DbConnection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

DbConnection::~DbConnection() {
  Unadvise();
}

HResult DbConnection::Create(std::unique_ptr<DbConnection>& out) {
  auto impl = std::make_unique<Impl>();
  const HRESULT hr = CoCreateInstance(kConnectionClass, nullptr, kServers, kConnectionInterface,
                                      impl->connection.ReceiveVoid());
  if (FAILED(hr)) return WithoutErrorInfo(hr);
  out.reset(new DbConnection(std::move(impl)));
  return S_OK;
}

HResult DbConnection::Advise() {
  ComPtr<IConnectionPointContainer> container;
  HRESULT hr = impl_->connection.As(IID_IConnectionPointContainer, container);
  if (FAILED(hr)) return WithoutErrorInfo(hr);
  // The vtable form where the connection offers it, else the dispatch form.
  ComPtr<IConnectionPoint> point;
  hr = container->FindConnectionPoint(kConnectionEventsVt, point.Receive());
  if (FAILED(hr)) hr = container->FindConnectionPoint(kConnectionEvents, point.Receive());
  if (FAILED(hr)) return Checked(container.Get(), IID_IConnectionPointContainer, hr);
  auto listener = ComPtr<ConnectionEventsVt>::Attach(new ConnectionListener());
  DWORD cookie = 0;
  hr = point->Advise(listener.Get(), &cookie);
  if (FAILED(hr)) return Checked(point.Get(), IID_IConnectionPoint, hr);
  Unadvise();
  impl_->events = point;
  impl_->cookie = cookie;
  return S_OK;
}

HResult DbConnection::Unadvise() {
  if (!impl_->events) return S_FALSE;
  const HRESULT hr =
      Checked(impl_->events.Get(), IID_IConnectionPoint, impl_->events->Unadvise(impl_->cookie));
  impl_->events.Reset();
  impl_->cookie = 0;
  return hr;
}

HResult DbConnection::SetCursorLocation(std::int32_t location) {
  return Checked(impl_->connection.Get(), kConnectionInterface,
                 impl_->connection->put_CursorLocation(static_cast<CursorLocationEnum>(location)));
}

HResult DbConnection::GetConnectionString(std::string& out) {
  Bstr value;
  const HRESULT hr = impl_->connection->get_ConnectionString(value.Receive());
  if (SUCCEEDED(hr)) out = value.Text();
  return Checked(impl_->connection.Get(), kConnectionInterface, hr);
}

HResult DbConnection::SetConnectionString(const std::string& value) {
  return Checked(impl_->connection.Get(), kConnectionInterface,
                 impl_->connection->put_ConnectionString(Bstr(value).Get()));
}

HResult DbConnection::GetProvider(std::string& out) {
  Bstr value;
  const HRESULT hr = impl_->connection->get_Provider(value.Receive());
  if (SUCCEEDED(hr)) out = value.Text();
  return Checked(impl_->connection.Get(), kConnectionInterface, hr);
}

HResult DbConnection::SetProvider(const std::string& value) {
  return Checked(impl_->connection.Get(), kConnectionInterface,
                 impl_->connection->put_Provider(Bstr(value).Get()));
}

HResult DbConnection::GetState(std::int32_t& state) {
  LONG value = 0;
  const HRESULT hr = impl_->connection->get_State(&value);
  if (SUCCEEDED(hr)) state = static_cast<std::int32_t>(value);
  return Checked(impl_->connection.Get(), kConnectionInterface, hr);
}

HResult DbConnection::Open(const std::string& connectionString, const std::string& userId,
                           const std::string& password, std::int32_t options) {
  return Checked(impl_->connection.Get(), kConnectionInterface,
                 impl_->connection->Open(Bstr(connectionString).Get(), Bstr(userId).Get(),
                                         Bstr(password).Get(), options));
}

HResult DbConnection::Close() {
  return Checked(impl_->connection.Get(), kConnectionInterface, impl_->connection->Close());
}

// --- DbRecordset ---

DbRecordset::DbRecordset(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DbRecordset::~DbRecordset() = default;

// --- DbCommand ---

DbCommand::DbCommand(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
DbCommand::~DbCommand() = default;

HResult DbCommand::Create(std::unique_ptr<DbCommand>& out) {
  auto impl = std::make_unique<Impl>();
  const HRESULT hr = CoCreateInstance(kCommandClass, nullptr, kServers, kCommandInterface,
                                      impl->command.ReceiveVoid());
  if (FAILED(hr)) return WithoutErrorInfo(hr);
  out.reset(new DbCommand(std::move(impl)));
  return S_OK;
}

HResult DbCommand::SetCommandType(std::int32_t type) {
  return Checked(impl_->command.Get(), kCommandInterface,
                 impl_->command->put_CommandType(static_cast<CommandTypeEnum>(type)));
}

HResult DbCommand::GetCommandType(std::int32_t& type) {
  CommandTypeEnum value = adCmdUnspecified;
  const HRESULT hr = impl_->command->get_CommandType(&value);
  if (SUCCEEDED(hr)) type = static_cast<std::int32_t>(value);
  return Checked(impl_->command.Get(), kCommandInterface, hr);
}

HResult DbCommand::SetCommandText(const std::string& text) {
  return Checked(impl_->command.Get(), kCommandInterface,
                 impl_->command->put_CommandText(Bstr(text).Get()));
}

HResult DbCommand::GetActiveConnection(DbConnection*& out) {
  ComPtr<_ADOConnection> current;
  const HRESULT hr = impl_->command->get_ActiveConnection(current.Receive());
  if (FAILED(hr)) return Checked(impl_->command.Get(), kCommandInterface, hr);
  // Only the connection this side set is known by its object; any other is none of ours.
  ComPtr<IUnknown> identity = Identity(current.Get());
  out = identity && identity.Get() == impl_->activeIdentity.Get() ? impl_->active : nullptr;
  return hr;
}

HResult DbCommand::SetActiveConnection(DbConnection& connection) {
  _ADOConnection* object = connection.impl().connection.Get();
  const HRESULT hr = impl_->command->putref_ActiveConnection(object);
  if (FAILED(hr)) return Checked(impl_->command.Get(), kCommandInterface, hr);
  impl_->active = &connection;
  impl_->activeIdentity = Identity(object);
  return hr;
}

HResult DbCommand::ClearParameterInfo() {
  ComPtr<ICommandWithParameters> parameters;
  HRESULT hr = impl_->OleDbCommand(IID_ICommandWithParameters, parameters);
  if (FAILED(hr)) return WithoutErrorInfo(hr);
  return Checked(parameters.Get(), IID_ICommandWithParameters,
                 parameters->SetParameterInfo(0, nullptr, nullptr));
}

HResult DbCommand::Prepare(std::uint32_t expectedRuns) {
  ComPtr<ICommandPrepare> prepare;
  HRESULT hr = impl_->OleDbCommand(IID_ICommandPrepare, prepare);
  if (FAILED(hr)) return WithoutErrorInfo(hr);  // the provider does not prepare commands
  return Checked(prepare.Get(), IID_ICommandPrepare, prepare->Prepare(expectedRuns));
}

HResult DbCommand::GetParameterCount(std::size_t& count) {
  ComPtr<ICommandWithParameters> parameters;
  HRESULT hr = impl_->OleDbCommand(IID_ICommandWithParameters, parameters);
  if (FAILED(hr)) return WithoutErrorInfo(hr);
  DB_UPARAMS n = 0;
  DBPARAMINFO* info = nullptr;
  OLECHAR* names = nullptr;
  hr = parameters->GetParameterInfo(&n, &info, &names);
  CoTaskMemFree(info);
  CoTaskMemFree(names);
  if (SUCCEEDED(hr)) count = static_cast<std::size_t>(n);
  return Checked(parameters.Get(), IID_ICommandWithParameters, hr);
}

HResult DbCommand::Execute(std::int32_t options, std::unique_ptr<DbRecordset>& result) {
  Variant recordsAffected;
  Variant parameters;  // no parameter values: the missing-argument marker
  parameters.Get().vt = VT_ERROR;
  parameters.Get().scode = DISP_E_PARAMNOTFOUND;
  auto impl = std::make_unique<DbRecordset::Impl>();
  const HRESULT hr = impl_->command->Execute(recordsAffected.Ptr(), parameters.Ptr(), options,
                                             impl->recordset.Receive());
  if (FAILED(hr)) return Checked(impl_->command.Get(), kCommandInterface, hr);
  result = std::make_unique<DbRecordset>(std::move(impl));
  return hr;
}

}  // namespace platform
