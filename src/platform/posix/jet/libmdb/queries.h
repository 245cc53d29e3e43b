// The Linux side of the database seam: the questions asked of libmdb about a Jet file (its
// catalog, the table's definition and columns, the relationships, the values of a column).
//
// They run in the libmdb child (libmdb/client.h), which they know nothing of: libmdb may crash or
// loop here on a damaged file. Only this file and its .cpp know libmdb's types.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/posix/jet/libmdb/client.h"

namespace platform {

// Called once the first step is done, just before every value of a column of a table of
// `tablePages` pages is read.
using ScanStarts = std::function<void(std::uint32_t tablePages)>;

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

// Answers `request` about the file: the table, its columns and the column's relationships,
// then, when the request shortens a variable-length text column, the scan of its values. What
// libmdb cannot read (or open) is the answer's `failure`.
LibmdbView QueryLibmdb(const LibmdbFile& file, const LibmdbRequest& request,
                       const ScanStarts& scanStarts);

}  // namespace platform
