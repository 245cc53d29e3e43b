// An open Jet database as a statement sees it: its path, its file, its page 0, how it was opened.
#pragma once

#include <string>

#include "base/status.h"
#include "platform/posix/jet/engine/file.h"
#include "platform/posix/jet/format/header.h"

namespace platform {

// How the connection string's "Mode" asks to share the file: Share Deny None locks only during a
// statement; Share Exclusive holds the lock from open to close and is refused when another
// process holds one; Read refuses every change.
struct OpenMode {
  bool readOnly = false;
  bool exclusive = false;
};

struct JetDatabase {
  std::string path;
  JetFile file;
  JetHeader header;  // page 0, read once at open
  OpenMode mode;     // as the file was opened: a file the user may only read is read-only

  // A text column's bytes per character: two in Jet 4 (UTF-16), one in Jet 3 (the code page).
  int BytesPerCharacter() const { return header.version == JetVersion::kJet3 ? 1 : 2; }
  // The refusal of a statement on a damaged file, saying `why` (French, without final period).
  base::Status Damaged(const std::string& why) const;
};

// The refusal to change `column`, saying `why` (French, with its final period).
base::Status CannotAlterColumn(const std::string& column, const std::string& why);

}  // namespace platform
