// The writer's only contact with the disk: a new file written page by page.
//
// The constructor creates the file and refuses an existing one (the writer only creates). Pages
// are numbered in the order Allocate hands them out, and may be written in any order, each once:
// pages that follow one another are gathered in a buffer of at most kWriteRunPages pages and go
// to the disk in one write when the buffer is full or a page that does not follow arrives, so
// memory stays flat whatever the file's size. Pages are not on the disk until their run is
// written; Finish writes the last run and closes the file.
//
// Failures throw JetWriterError naming the file and the system's reason: refused for "<path>:
// the file already exists"; damaged for "<path>: cannot create: ...", "<path>: cannot write: ..."
// (from the Write or Finish that writes the run, not necessarily the page's own Write) and "<path>:
// cannot close: ...". A PageFile destroyed before Finish has returned (a throw anywhere while the
// database is written) removes its file, so no partial database is left behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jet_format.h"

namespace jet_writer {

class PageFile {
 public:
  // Pages gathered before one write: few enough that the buffer of a large table costs no more
  // memory than that of a small one, many enough that a million rows take a few hundred writes.
  static constexpr std::size_t kWriteRunPages = 32;

  // Creates `path` for pages of `pageSize` bytes (at most format::kPageSize).
  PageFile(const std::string& path, std::size_t pageSize);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  // Hands out the next page's number, from 0; next() is how many have been handed out.
  std::uint32_t Allocate() { return next_++; }
  std::uint32_t next() const { return next_; }

  // Writes the first pageSize bytes of `data` as page `page`, one that Allocate gave.
  void Write(std::uint32_t page, const format::Page& data);

  // Writes what is buffered and closes the file, which is then kept.
  void Finish();

 private:
  void Flush();
  [[noreturn]] void Fail(const char* what);

  std::string path_;
  std::size_t pageSize_;
  int fd_ = -1;
  bool finished_ = false;
  std::uint32_t next_ = 0;
  std::uint32_t runStart_ = 0;
  std::vector<unsigned char> run_;
};

}  // namespace jet_writer
