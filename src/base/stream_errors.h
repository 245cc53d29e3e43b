// The file stream's exceptions: raised by the file seam (platform/files.h) and caught only
// where the journal's rules say so.
#pragma once

#include <cstdint>
#include <string>

#include "base/exceptions.h"

// A failed file operation, with the platform's error code (errno, or GetLastError on Windows;
// 0 when there is none).
class EStreamError : public Exception {
 public:
  [[gnu::noinline]] EStreamError(std::string message, std::int32_t systemCode)
      : Exception(std::move(message), __builtin_return_address(0)), systemCode_(systemCode) {}
  std::int32_t SystemCode() const { return systemCode_; }
  const char* ClassName() const override { return "EStreamError"; }

 protected:
  EStreamError(std::string message, std::int32_t systemCode, const void* address)
      : Exception(std::move(message), address), systemCode_(systemCode) {}

 private:
  std::int32_t systemCode_;
};

// The file could not be created (or truncated).
class EFCreateError : public EStreamError {
 public:
  [[gnu::noinline]] EFCreateError(std::string message, std::int32_t systemCode)
      : EStreamError(std::move(message), systemCode, __builtin_return_address(0)) {}
  const char* ClassName() const override { return "EFCreateError"; }
};

// The file could not be opened: missing, no right, or held by another writer.
class EFOpenError : public EStreamError {
 public:
  [[gnu::noinline]] EFOpenError(std::string message, std::int32_t systemCode)
      : EStreamError(std::move(message), systemCode, __builtin_return_address(0)) {}
  const char* ClassName() const override { return "EFOpenError"; }
};

// Not every byte could be written.
class EWriteError : public EStreamError {
 public:
  [[gnu::noinline]] EWriteError(std::string message, std::int32_t systemCode)
      : EStreamError(std::move(message), systemCode, __builtin_return_address(0)) {}
  const char* ClassName() const override { return "EWriteError"; }
};
