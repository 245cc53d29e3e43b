// Files, for the journal: create or truncate, open for writing with others allowed only to read,
// size, seek to end, write, flush to disk, close.
//
// One opaque class, defined once per target (posix/files.cpp, win32/files.cpp). Paths and text
// are UTF-8. Failures are thrown as the stream exceptions of components/stream_errors.h, each
// carrying the platform's error code; FileExists, FlushToDisk, Close and the destructor never
// throw. The Win32 side maps 1:1: CreateFile (CREATE_ALWAYS / OPEN_EXISTING, GENERIC_WRITE,
// FILE_SHARE_READ), GetFileSize, SetFilePointer(FILE_END), WriteFile, FlushFileBuffers,
// CloseHandle; the POSIX side uses open, an exclusive non-blocking flock held while the file is
// open, fstat, lseek, write, fsync, close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "base/stream_errors.h"

namespace platform {

// `text` (UTF-8) as the bytes a text file holds on this platform: unchanged on POSIX, converted
// to the ANSI code page on Windows (where "\xC3\xA9" becomes the one byte 0xE9). Never throws;
// a character the code page lacks becomes the system's default character.
std::string ToFileText(const std::string& text);

// True when `path` names an existing file (or anything else the system can stat).
bool FileExists(const std::string& path) noexcept;

// An open file, or none. Owns its handle: moving hands it over, destruction closes it.
class File {
 public:
  // No file.
  File() noexcept = default;
  File(File&& other) noexcept
      : handle_(std::exchange(other.handle_, kNoHandle)),
        unflushed_(std::exchange(other.unflushed_, false)),
        lastFlushOk_(std::exchange(other.lastFlushOk_, true)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, kNoHandle);
      unflushed_ = std::exchange(other.unflushed_, false);
      lastFlushOk_ = std::exchange(other.lastFlushOk_, true);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  // Closes the file if one is open; a failure to close is ignored.
  ~File();

  // Creates `path`, or truncates the existing file to zero bytes, and returns it open for
  // writing, closed to other writers. Does not create folders. Fails (EFCreateError) when the
  // folder is missing, rights forbid it, or another process holds the file open for writing.
  static File CreateOrTruncate(const std::string& path);

  // Opens the existing file `path` for writing only, at position 0. Other openers may read it
  // but not write it for as long as it stays open. Fails (EFOpenError) when the file is
  // missing, rights forbid it, or another process already holds it open for writing.
  static File OpenWriteSharedForRead(const std::string& path);

  bool IsOpen() const noexcept { return handle_ != kNoHandle; }

  // The size of the file in bytes. EStreamError on failure or when no file is open.
  std::int64_t Size() const;

  // Moves the position to the end of the file. EStreamError on failure or when no file is open.
  void SeekToEnd();

  // Writes all `size` bytes at the position, in one call where the system allows it.
  // EWriteError when not every byte could be written or when no file is open.
  void Write(const void* data, std::size_t size);

  // Asks the system to put the file's buffers on disk (not only the process's own buffers).
  // Without new bytes since the last flush, returns that flush's result without asking again.
  // Returns false on failure; callers may ignore it. Does nothing without a file.
  bool FlushToDisk() noexcept;

  // Closes the file (releasing its hold on other writers); afterwards IsOpen() is false.
  // Does nothing without a file; a failure to close is ignored.
  void Close() noexcept;

 private:
  // A file descriptor on POSIX, a HANDLE on Windows (where -1 is INVALID_HANDLE_VALUE).
  using Handle = std::intptr_t;
  static constexpr Handle kNoHandle = -1;
  explicit File(Handle handle) noexcept : handle_(handle) {}

  Handle handle_ = kNoHandle;
  // Bytes written since the last flush, and how that flush ended: a flush with nothing new to
  // put on disk reports the last result again instead of asking the system once more, so a
  // failed flush is never retried (a retry may report success for data that was lost).
  bool unflushed_ = false;
  bool lastFlushOk_ = true;
};

}  // namespace platform
