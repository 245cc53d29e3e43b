// The outcome of an operation that can fail: success, or the kind of failure with the text the
// user reads. The Jet engine and the Jet writer say every failure with it; the database seam
// turns it into an error code and a source.
#pragma once

#include <string>
#include <utility>

namespace base {

// What a caller acts on.
enum class StatusKind {
  kOk,
  kNotADatabase,  // refused at open: missing, not a file, not a database this engine opens
  kRefused,       // the request is refused: read-only, a statement the engine does not carry
                  // out, a column it does not change, a bad argument to the writer
  kInUse,         // another user or process holds the database or the table
  kDamaged,       // the file is damaged or cannot be read or written
};

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  static Status Ok() { return Status(); }
  static Status NotADatabase(std::string message) {
    return Status(StatusKind::kNotADatabase, std::move(message));
  }
  static Status Refused(std::string message) {
    return Status(StatusKind::kRefused, std::move(message));
  }
  static Status InUse(std::string message) {
    return Status(StatusKind::kInUse, std::move(message));
  }
  static Status Damaged(std::string message) {
    return Status(StatusKind::kDamaged, std::move(message));
  }

  bool ok() const { return kind_ == StatusKind::kOk; }
  StatusKind kind() const { return kind_; }
  // What the user is told (empty on success).
  const std::string& message() const { return message_; }

 private:
  Status(StatusKind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

  StatusKind kind_ = StatusKind::kOk;
  std::string message_;
};

}  // namespace base
