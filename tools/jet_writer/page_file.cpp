// The writer's output file: POSIX calls behind PageFile.
#include "page_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet_writer.h"

namespace jet_writer {

PageFile::PageFile(const std::string& path, std::size_t pageSize)
    : path_(path), pageSize_(pageSize) {
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    if (errno == EEXIST) throw JetWriterError::Refused(path + ": the file already exists");
    throw JetWriterError(base::Status::Damaged(path + ": cannot create: " + std::strerror(errno)));
  }
  run_.reserve(kWriteRunPages * pageSize_);
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!finished_) ::unlink(path_.c_str());
}

void PageFile::Write(std::uint32_t page, const format::Page& data) {
  if (run_.empty() || page != runStart_ + run_.size() / pageSize_) {
    Flush();
    runStart_ = page;
  }
  run_.insert(run_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(pageSize_));
  if (run_.size() >= kWriteRunPages * pageSize_) Flush();
}

void PageFile::Finish() {
  Flush();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail("cannot close");
  finished_ = true;
}

// Writes the run at its place, the rest of it again after a short write or an interruption.
void PageFile::Flush() {
  const unsigned char* at = run_.data();
  std::size_t left = run_.size();
  off_t offset = static_cast<off_t>(runStart_) * static_cast<off_t>(pageSize_);
  while (left > 0) {
    const ssize_t n = ::pwrite(fd_, at, left, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("cannot write");
    at += n;
    left -= static_cast<std::size_t>(n);
    offset += n;
  }
  run_.clear();
}

void PageFile::Fail(const char* what) {
  throw JetWriterError(base::Status::Damaged(path_ + ": " + what + ": " + std::strerror(errno)));
}

}  // namespace jet_writer
