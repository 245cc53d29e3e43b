// What a check found: nothing wrong, or what is wrong, in words for a message.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace jet_writer {

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(); }
  static Status Wrong(std::string what) {
    Status s;
    s.wrong_ = std::move(what);
    return s;
  }
  bool ok() const { return !wrong_.has_value(); }
  // What is wrong; only when !ok().
  const std::string& what() const { return *wrong_; }

 private:
  std::optional<std::string> wrong_;
};

}  // namespace jet_writer
