// The Linux side's owner of a file descriptor, and whole reads through one.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Owns one file descriptor (or none, -1) and closes it when it goes. Move-only.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() { return std::exchange(fd_, -1); }
  // Closes the descriptor held, if any, and holds `fd` instead.
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Opens `path` for reading (close-on-exec, retried on EINTR); not open when that fails.
UniqueFd OpenForReading(const std::string& path);

// Reads `size` bytes at `offset`; false when the file is shorter or cannot be read.
bool ReadAt(int fd, std::uint64_t offset, void* out, std::size_t size);

// The whole content from the current position, up to `limit` bytes; false when it cannot be
// read or is longer.
bool ReadAll(int fd, std::string& content, std::size_t limit);

// The arguments of the process `pid` ("self" for this one), argv[0] first, as /proc keeps them
// (NUL-separated); none when the process has ended or they cannot be read.
std::vector<std::string> ReadProcessArguments(const std::string& pid);

}  // namespace platform
