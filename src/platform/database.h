// The database layer: ADO's connection and command objects, operation for operation.
//
// Every operation returns an HResult; a negative value is a failure, and the layer may then
// leave error information for the calling thread (TakeErrorInfo). After a failure, the
// information there is that failure's own or none: what an earlier call left is never given out
// as the description of a later one. Nothing here throws: turning failures into the program's
// exceptions is the components' job. Text is UTF-8; the Windows side converts to wide text at
// its edge.
//
// Objects are owned by whoever created them (std::unique_ptr). A command refers to its active
// connection without owning the component; the layer keeps the underlying connection alive for
// as long as a command uses it, as COM reference counting does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using HResult = std::int32_t;

constexpr HResult kOk = 0;
constexpr HResult kFalse = 1;
constexpr HResult kFail = static_cast<HResult>(0x80004005);                // E_FAIL
constexpr HResult kNotImplemented = static_cast<HResult>(0x80004001);      // E_NOTIMPL
constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);          // E_INVALIDARG
constexpr HResult kClassNotRegistered = static_cast<HResult>(0x80040154);  // REGDB_E_CLASSNOTREG
constexpr HResult kParamNotFound = static_cast<HResult>(0x80020004);       // DISP_E_PARAMNOTFOUND

inline bool Failed(HResult hr) {
  return hr < 0;
}

// ADO enumeration values the program uses.
constexpr std::int32_t kAdUseClient = 3;
constexpr std::int32_t kAdStateClosed = 0;
constexpr std::int32_t kAdStateOpen = 1;
constexpr std::int32_t kAdStateConnecting = 2;
constexpr std::int32_t kAdConnectUnspecified = -1;
constexpr std::int32_t kAdCmdText = 1;

// What a failed call left behind, as COM's error object carries it. Any field may be empty.
struct ErrorInfo {
  std::string description;
  std::string source;
  std::string helpFile;
  std::int32_t helpContext = 0;
};

// Takes the error information the last failed call left on this thread, if any; clears it.
bool TakeErrorInfo(ErrorInfo& info);

// The platform's own text for an error code, or "" when it has none.
std::string SystemErrorText(HResult code);

// The connection object (ADODB.Connection).
class DbConnection {
 public:
  // Creates the object. kClassNotRegistered when the database layer is not installed.
  static HResult Create(std::unique_ptr<DbConnection>& out);
  ~DbConnection();
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;

  // Subscribes to / ends the subscription to the connection's event notifications.
  HResult Advise();
  HResult Unadvise();

  HResult SetCursorLocation(std::int32_t location);
  HResult GetConnectionString(std::string& out);
  HResult SetConnectionString(const std::string& value);
  HResult GetProvider(std::string& out);
  HResult SetProvider(const std::string& value);
  HResult GetState(std::int32_t& state);
  HResult Open(const std::string& connectionString, const std::string& userId,
               const std::string& password, std::int32_t options);
  HResult Close();

  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  explicit DbConnection(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The result set a command returns; released by destroying it.
class DbRecordset {
 public:
  struct Impl;
  explicit DbRecordset(std::unique_ptr<Impl> impl);
  ~DbRecordset();
  DbRecordset(const DbRecordset&) = delete;
  DbRecordset& operator=(const DbRecordset&) = delete;

 private:
  std::unique_ptr<Impl> impl_;
};

// The command object (ADODB.Command).
class DbCommand {
 public:
  static HResult Create(std::unique_ptr<DbCommand>& out);
  ~DbCommand();
  DbCommand(const DbCommand&) = delete;
  DbCommand& operator=(const DbCommand&) = delete;

  HResult SetCommandType(std::int32_t type);
  HResult GetCommandType(std::int32_t& type);
  HResult SetCommandText(const std::string& text);
  // The connection object the command runs on; nullptr when none is set.
  HResult GetActiveConnection(DbConnection*& out);
  HResult SetActiveConnection(DbConnection& connection);

  // The parameter information of the underlying OLE DB command: clear it, prepare the command
  // where the provider supports preparation, read it back.
  HResult ClearParameterInfo();
  HResult Prepare(std::uint32_t expectedRuns);
  HResult GetParameterCount(std::size_t& count);

  // Runs the command with no parameter values (the missing-argument marker) and the given
  // options; the number of records affected is dropped. On success `result` holds the
  // (possibly closed) result set.
  HResult Execute(std::int32_t options, std::unique_ptr<DbRecordset>& result);

  struct Impl;

 private:
  explicit DbCommand(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// COM for the calling thread, apartment model.
void InitializeCom();
void UninitializeCom();

}  // namespace platform
