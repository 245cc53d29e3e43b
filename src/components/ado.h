// The connection and command components over the platform's database layer. Every failed
// platform call becomes an EOleException; failing to create an object becomes an Exception
// (the layer is not installed) or an EOleSysError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"

class TADOCommand;

// The message of an EOleException: the provider's description, else the platform's text for
// the code, else "Erreur OLE" and the code; trailing full stops and control characters removed.
std::string OleErrorMessage(std::int32_t code, const std::string& description,
                            const std::string& systemText);

// Raises the EOleException for a failed `hr`; does nothing on success.
void OleCheck(platform::HResult hr);

class TADOConnection {
 public:
  // Creates the platform connection, subscribes to its events, sets the client cursor location.
  TADOConnection();
  // Closes the connection when it is open, detaches the registered commands, ends the
  // subscription and releases the object.
  ~TADOConnection();
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  // The connection string as the platform connection holds it.
  std::string ConnectionString();
  // Forwarded to the platform connection only when it differs from what it holds.
  void SetConnectionString(const std::string& value);
  void SetLoginPrompt(bool value) { loginPrompt_ = value; }
  // Forwarded only when it differs from the platform connection's provider.
  void SetProvider(const std::string& value);

  bool Connected();
  // True opens the platform connection with the connection string read back from it and tells
  // the registered clients; false closes it.
  void SetConnected(bool value);

  platform::DbConnection& ConnectionObject() { return *connection_; }

  void RegisterClient(TADOCommand* client);
  void UnRegisterClient(TADOCommand* client);

 private:
  void DoConnect();
  void DoDisconnect();
  std::int32_t State();

  std::unique_ptr<platform::DbConnection> connection_;
  bool advised_ = false;
  bool loginPrompt_ = true;
  std::int32_t connectOptions_ = platform::kAdConnectUnspecified;
  std::vector<TADOCommand*> clients_;
};

class TADOCommand {
 public:
  // Creates the platform command and makes it a text command.
  TADOCommand();
  ~TADOCommand();
  TADOCommand(const TADOCommand&) = delete;
  TADOCommand& operator=(const TADOCommand&) = delete;

  // The connection component the command runs on; nullptr when none.
  TADOConnection* Connection() const { return connection_; }
  void SetConnection(TADOConnection* connection);
  // Scans the text for parameters, hands it to the platform command, and asks the provider for
  // its parameter information (that last step swallows every failure, and clears the error
  // information its failures left).
  void SetCommandText(const std::string& text);

  // Runs the command with the options CommandType plus ExecuteOptions; returns the result set.
  std::unique_ptr<platform::DbRecordset> Execute();

  // Told by the connection when it has opened; the command needs nothing then.
  void ConnectionOpened() {}

 private:
  void EnsureActiveConnection();

  std::unique_ptr<platform::DbCommand> command_;
  TADOConnection* connection_ = nullptr;
  bool paramCheck_ = true;
  std::int32_t executeOptions_ = 0;
};

// The command-text scan: names introduced by a colon, outside quoted literals, become "?"
// markers and are returned in order; "::" stands for one colon. Text without markers comes back
// unchanged.
std::string ParseCommandParameters(const std::string& text, std::vector<std::string>& names);
