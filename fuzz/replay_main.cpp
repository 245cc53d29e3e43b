// Replays fuzz inputs through one fuzz target without libFuzzer: every file named on the command
// line, or found in a folder named there, is handed to LLVMFuzzerTestOneInput once. A broken
// invariant aborts, so the run fails; a folder without any input fails too, so that a replay
// cannot pass over nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR_OR_FILE...\n", argv[0]);
    return 2;
  }
  std::size_t total = 0;
  for (int a = 1; a < argc; ++a) {
    const std::filesystem::path root(argv[a]);
    std::vector<std::filesystem::path> inputs;
    std::error_code ec;
    if (std::filesystem::is_directory(root, ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else if (std::filesystem::is_regular_file(root, ec)) {
      inputs.push_back(root);
    }
    if (inputs.empty()) {
      std::fprintf(stderr, "%s: no input in %s\n", argv[0], argv[a]);
      return 1;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& input : inputs) {
      const std::string bytes = ReadAll(input);
      // A copy of exactly the input's size, so that a read past its end is caught.
      std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
      LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
      ++total;
    }
  }
  std::printf("%zu inputs replayed\n", total);
  return 0;
}
