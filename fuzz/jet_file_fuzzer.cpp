// Fuzzes the native Jet engine over whole files, as the program uses it: the input is written to
// a temporary file, opened, then asked to widen and to shorten nuv.Filename. Whatever the bytes,
// nothing crashes or hangs, every failure is the engine's French error, a failure leaves the file
// byte-identical, and a success changes at most the two bytes of one length field, inside one
// 512-byte sector.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/posix/jet/engine/engine.h"
#include "platform/posix/jet/libmdb/client.h"

namespace {

std::string folder;

void RemoveFolder() {
  if (folder.empty()) return;
  for (const char* name : {"/fuzz.mdb", "/fuzz.ldb"}) ::unlink((folder + name).c_str());
  ::rmdir(folder.c_str());
}

const std::string& DatabasePath() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/upgrade405-jet-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    folder = pattern;
    std::atexit(RemoveFolder);
    // A damaged file makes libmdb loop now and then: a short limit keeps the fuzzer going.
    platform::SetLibmdbTimeLimitForTesting(3000);
    return folder + "/fuzz.mdb";
  }();
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  FUZZ_CHECK(out.good());
}

// A failure leaves the file as it was; a success changes one length field or nothing.
void CheckOutcome(const base::Status& status, const std::string& before, const std::string& after) {
  FUZZ_CHECK(after.size() == before.size());
  if (!status.ok()) {
    FUZZ_CHECK(status.kind() != base::StatusKind::kNotADatabase);
    FUZZ_CHECK(!status.message().empty());
    FUZZ_CHECK(after == before);
    return;
  }
  std::vector<std::size_t> changed;
  for (std::size_t k = 0; k < before.size(); ++k) {
    if (before[k] != after[k]) changed.push_back(k);
  }
  if (changed.empty()) return;
  FUZZ_CHECK(changed.back() - changed.front() <= 1);
  FUZZ_CHECK(changed.front() / 512 == changed.back() / 512);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = DatabasePath();
  WriteAll(path, data, size);
  std::optional<platform::JetEngine> engine;
  const base::Status opened = platform::JetEngine::Open(path, {}, engine);
  std::string before = ReadAll(path);
  FUZZ_CHECK(before.size() == size);
  if (!opened.ok()) {
    FUZZ_CHECK(!engine);
    FUZZ_CHECK(!opened.message().empty());
    return 0;
  }
  FUZZ_CHECK(engine.has_value());
  for (const char* statement : {"ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)",
                                "ALTER TABLE nuv ALTER COLUMN filename TEXT(20)"}) {
    const base::Status status = engine->Execute(statement);
    const std::string after = ReadAll(path);
    CheckOutcome(status, before, after);
    before = after;
  }
  return 0;
}
