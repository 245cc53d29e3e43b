// The Linux side of the database seam: the libmdb child's messages on its pipe, described once
// and used both ways (encoded in the child, decoded in the parent).
//
// The child sends at most one progress message, then its answer:
//   progress: "SCAN", then the number of pages the table owns (4 bytes), sent when the first
//     step (catalog, definition, relationships) is done and every value of a column is read;
//   answer:   "JETVIEW1", the LibmdbView's fields in their declared order, then "END.".
// Numbers are little-endian, 4 bytes (8 for the scan's counts); a flag is a number 0 or 1; a
// text is its byte count (4 bytes), then its bytes. Decoding is total and bounds-checked: false
// for anything that is not a whole, well-formed message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/jet/libmdb/client.h"

namespace platform {

std::string EncodeLibmdbView(const LibmdbView& view);
bool DecodeLibmdbView(std::string_view bytes, LibmdbView& out);

std::string EncodeScanStarts(std::uint32_t tablePages);
// When `bytes` start with a whole progress message: its page count into `tablePages`, and the
// message's length; otherwise 0.
std::size_t DecodeScanStarts(std::string_view bytes, std::uint32_t& tablePages);

}  // namespace platform
