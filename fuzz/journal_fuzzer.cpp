// Fuzzes the journal's clean-up of messages and its line format, against the in-memory test
// implementation of the host and file seams. The input is a list of entries separated by NUL
// bytes; each entry's first byte picks the level and how far the tick counter moves, the rest is
// the message. Every line the journal writes must end in exactly one CR LF and hold no other CR
// or LF, and the message part must be the message with its line breaks turned into blanks.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fake_platform.h"
#include "fuzz_check.h"
#include "journal/journal.h"

namespace {

constexpr std::size_t kMaxEntries = 24;

// `text` without CR, LF and spaces: what the clean-up must keep, in order.
std::string Kept(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '\r' && c != '\n' && c != ' ') out += c;
  }
  return out;
}

// Checks one written line; returns its message part.
std::string CheckLine(std::string_view line, JournalLevel level) {
  FUZZ_CHECK(line.size() >= 2);
  FUZZ_CHECK(line.substr(line.size() - 2) == "\r\n");
  const std::string_view body = line.substr(0, line.size() - 2);
  FUZZ_CHECK(body.find('\r') == std::string_view::npos);
  FUZZ_CHECK(body.find('\n') == std::string_view::npos);
  const std::string prefix = "[2026-12-07 08:41:54][" + std::string(JournalLevelName(level)) + "] ";
  FUZZ_CHECK(body.substr(0, prefix.size()) == prefix);
  return std::string(body.substr(prefix.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fakes::Reset();
  const std::string path = fakes::Folder() + "upgrade405_2026-12-07.jnl";
  std::string_view input(reinterpret_cast<const char*>(data), size);
  {
    auto journal = std::make_unique<TJournal>(fakes::Folder(), "upgrade405", true, true, false);
    FUZZ_CHECK(journal->HasFile());
    FUZZ_CHECK(journal->GetFileName() == path);
    std::size_t entries = 0;
    std::vector<std::int64_t> starts;  // the running timers, as the journal should keep them
    while (!input.empty() && entries++ < kMaxEntries) {
      const std::size_t cut = input.find('\0');
      std::string_view entry = input.substr(0, cut);
      input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
      if (entry.empty()) continue;
      const auto control = static_cast<unsigned char>(entry[0]);
      const auto level = static_cast<JournalLevel>(control % 9);
      const std::string message(entry.substr(1));
      fakes::Host().ticks += static_cast<std::int64_t>(control) * 7919;

      const std::size_t written = fakes::Files().files[path].size();
      const std::size_t mirrored = journal->GetEntries().size();
      journal->WriteEntry(message, level);
      const std::string line = fakes::Files().files[path].substr(written);
      const std::string part = CheckLine(line, level);

      // The mirror holds the same message part as the file.
      FUZZ_CHECK(journal->GetEntries().size() == mirrored + 1);
      FUZZ_CHECK(journal->GetEntries().back().Message == part);
      FUZZ_CHECK(journal->GetEntries().back().Level == level);

      std::string cleaned = part;
      if (level == JournalLevel::Begin) starts.push_back(fakes::Host().ticks);
      if (level == JournalLevel::End) {
        // The elapsed time since the newest running timer (none: zero) is appended, after a
        // joiner when there is a message.
        std::int64_t elapsed = 0;
        if (!starts.empty()) {
          elapsed = fakes::Host().ticks - starts.back();
          starts.pop_back();
        }
        const std::string suffix = "Temps écoulé: " + TJournal::FormatElapsed(elapsed);
        if (message.empty()) {
          FUZZ_CHECK(part == suffix);
          cleaned.clear();
        } else {
          const std::string joined = " - " + suffix;
          FUZZ_CHECK(part.size() > joined.size());
          FUZZ_CHECK(part.substr(part.size() - joined.size()) == joined);
          cleaned = part.substr(0, part.size() - joined.size());
        }
      }
      FUZZ_CHECK(journal->GetTimers().size() == starts.size());
      // Line breaks become blanks; nothing else is changed, nothing is lost.
      FUZZ_CHECK(Kept(cleaned) == Kept(message));
      FUZZ_CHECK(cleaned.size() <= message.size());
      if (message.find_first_of("\r\n") == std::string::npos) FUZZ_CHECK(cleaned == message);
    }
  }
  // After the end entry, the whole file is lines that each end in one CR LF.
  const std::string& file = fakes::Files().files[path];
  FUZZ_CHECK(file.size() >= 2 && file.substr(file.size() - 2) == "\r\n");
  std::size_t from = 0;
  while (from < file.size()) {
    const std::size_t end = file.find("\r\n", from);
    FUZZ_CHECK(end != std::string::npos);
    const std::string_view line(file.data() + from, end - from);
    FUZZ_CHECK(line.find('\r') == std::string_view::npos);
    FUZZ_CHECK(line.find('\n') == std::string_view::npos);
    from = end + 2;
  }
  FUZZ_CHECK(fakes::Files().OpenCount() == 0);
  return 0;
}
