// The libmdb child's messages on its pipe, each field listed once for both directions.
//
// The child answers in two parts, with a progress message between them when it scans:
//   table part: "JETVIEW1", the LibmdbView's table fields, then "END.", sent as soon as the
//     catalog, the table's definition and the relationships are read;
//   progress:   "SCAN", then the number of pages the table owns (4 bytes), sent just before every
//     value of a column is read;
//   scan part:  "JETSCAN1", the LibmdbScan's fields, then "END.", sent once the values are read.
// Numbers are little-endian, 4 bytes (8 for the scan's counts); a flag is a number 0 or 1; a
// text is its byte count (4 bytes), then its bytes. The fields and their order are written once
// (wire.cpp's TableFields and ScanFields), so that encoding and decoding cannot disagree.
// Decoding is total and bounds-checked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/posix/jet/libmdb/client.h"

namespace platform {

std::string EncodeTablePart(const LibmdbView& view);
// When `bytes` start with a whole, well-formed table part: its fields into `out` (the scan
// left alone) and the part's length; otherwise 0.
std::size_t DecodeTablePart(std::string_view bytes, LibmdbView& out);

std::string EncodeScanPart(const LibmdbScan& scan);
// Whether `bytes` are exactly one whole, well-formed scan part, whose fields go into `out`.
bool DecodeScanPart(std::string_view bytes, LibmdbScan& out);

std::string EncodeScanStarts(std::uint32_t tablePages);
// When `bytes` start with a whole progress message: its page count into `tablePages`, and the
// message's length; otherwise 0.
std::size_t DecodeScanStarts(std::string_view bytes, std::uint32_t& tablePages);

}  // namespace platform
