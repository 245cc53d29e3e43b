// The program's exception classes. Failures travel as these; they are caught only around opening
// the database, inside the journal, and at the two outer levels of the application.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// The root of the program's exceptions. Each records the code address where it was raised, so
// the fatal error box can name the module and the offset.
class Exception : public std::exception {
 public:
  [[gnu::noinline]] explicit Exception(std::string message)
      : message_(std::move(message)), address_(__builtin_return_address(0)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }
  const void* RaiseAddress() const { return address_; }
  virtual const char* ClassName() const { return "Exception"; }

 protected:
  Exception(std::string message, const void* address)
      : message_(std::move(message)), address_(address) {}

 private:
  std::string message_;
  const void* address_;
};

// A silent exception: the application drops it without a box.
class EAbort : public Exception {
 public:
  [[gnu::noinline]] explicit EAbort(std::string message = "Operation aborted")
      : Exception(std::move(message), __builtin_return_address(0)) {}
  const char* ClassName() const override { return "EAbort"; }
};

// A failed call of the operating system, with the system's error code (0 when it gave none).
class EOSError : public Exception {
 public:
  [[gnu::noinline]] EOSError(std::string message, std::uint32_t errorCode)
      : Exception(std::move(message), __builtin_return_address(0)), errorCode_(errorCode) {}
  std::uint32_t ErrorCode() const { return errorCode_; }
  const char* ClassName() const override { return "EOSError"; }

 private:
  std::uint32_t errorCode_;
};

// A failed platform call with its error code.
class EOleSysError : public Exception {
 public:
  [[gnu::noinline]] EOleSysError(std::string message, std::int32_t errorCode)
      : Exception(std::move(message), __builtin_return_address(0)), errorCode_(errorCode) {}
  std::int32_t ErrorCode() const { return errorCode_; }
  const char* ClassName() const override { return "EOleSysError"; }

 protected:
  EOleSysError(std::string message, std::int32_t errorCode, const void* address)
      : Exception(std::move(message), address), errorCode_(errorCode) {}

 private:
  std::int32_t errorCode_;
};

// An error of the database layer, with what its error object carried.
class EOleException : public EOleSysError {
 public:
  [[gnu::noinline]] EOleException(std::string message, std::int32_t errorCode, std::string source,
                                  std::string helpFile, std::int32_t helpContext)
      : EOleSysError(std::move(message), errorCode, __builtin_return_address(0)),
        source_(std::move(source)),
        helpFile_(std::move(helpFile)),
        helpContext_(helpContext) {}
  const std::string& Source() const { return source_; }
  const std::string& HelpFile() const { return helpFile_; }
  std::int32_t HelpContext() const { return helpContext_; }
  const char* ClassName() const override { return "EOleException"; }

 private:
  std::string source_;
  std::string helpFile_;
  std::int32_t helpContext_;
};

// Ends the program at once with `code`, through the shutdown that runs the shared unit first.
// Not an Exception: no handler of the program's errors catches it.
struct THalt {
  int code;
};
