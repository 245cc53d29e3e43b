// The questions asked of libmdb about a Jet file, in its child.
//
// They run in the libmdb child (libmdb/client.h), which they know nothing of: libmdb may crash or
// loop here on a damaged file. Only this file and its .cpp know libmdb's types.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/posix/jet/libmdb/client.h"

namespace platform {

// libmdb's handle on a Jet file: its open reads page 0 alone (which the engine has checked) and
// loads the character-set conversion, so that what follows reads the file and nothing else.
class LibmdbFile {
 public:
  // Opens `path` read-only with libmdb; not open when libmdb could not.
  explicit LibmdbFile(const char* path);
  // The descriptor libmdb reads, or -1.
  int fd() const;
  void* handle() const { return handle_.get(); }

 private:
  std::unique_ptr<void, void (*)(void*)> handle_;
};

// The questions of one request about `file`, asked in two steps: the table, then the scan.
class LibmdbQuestions {
 public:
  LibmdbQuestions(const LibmdbFile& file, const LibmdbRequest& request);
  ~LibmdbQuestions();
  LibmdbQuestions(const LibmdbQuestions&) = delete;
  LibmdbQuestions& operator=(const LibmdbQuestions&) = delete;

  // The table, its columns and the column's relationships. What libmdb cannot read (or open)
  // is the view's `failure`.
  LibmdbView AskTable();
  // Whether the request shortens a variable-length text column that the table has, with no
  // failure and no relationship (a change that is refused whatever its values).
  bool ScanWanted() const;
  // The pages the table's usage map gives it.
  std::uint32_t TablePages() const;
  // Reads every value of the column, overflow rows included, as libmdb hands it over (UTF-8),
  // and counts those longer than the new length.
  LibmdbScan Scan();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
