// libmdb, asked in one child process under limits per statement.
#include "platform/posix/jet/libmdb/client.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <string_view>

#include "platform/posix/jet/format/names.h"
#include "platform/posix/jet/libmdb/queries.h"
#include "platform/posix/jet/libmdb/wire.h"
#include "platform/posix/supervisor.h"

namespace platform {

namespace {

std::atomic<int> timeLimitForTesting{0};
std::atomic<void (*)(int)> childHook{nullptr};
std::atomic<void (*)()> scanHook{nullptr};

// In the child: libmdb's open, the confinement, the table part of the answer, then, when the
// request shortens the column, the progress message and the scan part.
void AnswerInChild(const ChildChannel& channel, const std::string& path,
                   const LibmdbRequest& request) {
  // The very file the engine holds open, even if its name now leads elsewhere, through a
  // read-only description of libmdb's own. Opened before the confinement, which forbids opening
  // anything and closes /proc/self/fd to the child: the open also loads the character-set
  // conversion's tables (iconv's modules).
  const LibmdbFile file(
      (channel.file() >= 0 ? "/proc/self/fd/" + std::to_string(channel.file()) : path).c_str());
  // Name comparisons load their case-folding tables (the C.UTF-8 locale) on first use.
  SameJetName("a", "A");
  channel.Confine(file.fd());
  if (void (*hook)(int) = childHook.load()) hook(file.fd());
  LibmdbQuestions questions(file, request);
  channel.Send(EncodeTablePart(questions.AskTable()));
  if (!questions.ScanWanted()) return;
  const std::uint32_t tablePages = questions.TablePages();
  channel.Progress(EncodeScanStarts(tablePages), LibmdbScanTimeLimitMs(tablePages));
  if (void (*hook)() = scanHook.load()) hook();
  channel.Send(EncodeScanPart(questions.Scan()));
}

// Why the child gave no answer (French, without final period).
std::string NoAnswerText(const ChildResult& result) {
  switch (result.end) {
    case ChildEnd::kNoPipe:
      return "impossible de créer le canal de lecture (" +
             std::string(std::strerror(result.error)) + ")";
    case ChildEnd::kNotStarted:
      return "impossible de lancer le processus de lecture (" +
             std::string(std::strerror(result.error)) + ")";
    case ChildEnd::kTimedOut:
      return std::string(result.progresses > 0
                             ? "la lecture des valeurs de la colonne"
                             : "la lecture du catalogue et de la définition de la table") +
             " par libmdb n'a pas abouti en " + std::to_string(result.limitMs / 1000) + " s";
    case ChildEnd::kNotConfined:
      return "le processus de lecture n'a pas pu être confiné : " +
             SandboxFailureText(result.confinement);
    case ChildEnd::kCrashed:
      if (result.signal == SIGSYS) {
        return "la lecture par libmdb a été arrêtée sur un appel système interdit à son "
               "processus confiné (signal " +
               std::to_string(result.signal) + ")";
      }
      return "la lecture par libmdb s'est arrêtée sur une erreur (signal " +
             std::to_string(result.signal) + ")";
    default:
      return "la lecture par libmdb n'a pas donné de réponse lisible";
  }
}

}  // namespace

int LibmdbCatalogTimeLimitMs() {
  if (const int fixed = timeLimitForTesting.load(); fixed > 0) return fixed;
  // A few pages' work, milliseconds even under a sanitizer: a user facing a damaged file waits
  // three seconds for the error, whatever the file's size.
  return kChildWallMs;
}

int LibmdbScanTimeLimitMs(std::uint64_t tablePages) {
  if (const int fixed = timeLimitForTesting.load(); fixed > 0) return fixed;
  // 10 s, and one more second per 512 pages (2 MB): about 65 s for a table of a million rows.
  const std::uint64_t ms = 10000 + tablePages / 512 * 1000;
  return ms > 3600000 ? 3600000 : static_cast<int>(ms);
}

void SetLibmdbTimeLimitForTesting(int milliseconds) {
  timeLimitForTesting = milliseconds;
}

void SetLibmdbChildHookForTesting(void (*hook)(int file)) {
  childHook = hook;
}

void SetLibmdbScanHookForTesting(void (*hook)()) {
  scanHook = hook;
}

namespace {

// The two parts of the answer in what the child sent before it ended as `result` says.
LibmdbAnswer ReadAnswer(const ChildResult& result) {
  LibmdbAnswer answer;
  if (result.end == ChildEnd::kNotConfined) {
    answer.table = base::Status::Refused(NoAnswerText(result));
    return answer;
  }
  // The table part counts once the child went past it: into the scan, or to a normal end.
  const std::size_t tableLength = DecodeTablePart(result.bytes, answer.view);
  if (tableLength == 0 || (result.end != ChildEnd::kAnswered && result.progresses == 0)) {
    answer.table = base::Status::Damaged(NoAnswerText(result));
    return answer;
  }
  if (!answer.view.failure.empty()) answer.table = base::Status::Damaged(answer.view.failure);
  const std::string_view scanPart = std::string_view(result.bytes).substr(tableLength);
  if (result.end != ChildEnd::kAnswered ||
      (!scanPart.empty() && !DecodeScanPart(scanPart, answer.view.scan))) {
    answer.scan = base::Status::Damaged(NoAnswerText(result));
  } else if (!answer.view.scan.failure.empty()) {
    answer.scan = base::Status::Damaged(answer.view.scan.failure);
  }
  return answer;
}

}  // namespace

LibmdbAnswer ReadWithLibmdb(const LibmdbSource& source, const LibmdbRequest& request) {
  ChildLimits limits;
  limits.wallMs = LibmdbCatalogTimeLimitMs();
  // The progress message follows the table part. The scan's limit, once it starts, is for a
  // table of at most as many pages as the file holds.
  bool scanning = false;
  const ProgressReader progress = [&](std::string& bytes) {
    LibmdbView table;
    const std::size_t tableLength = scanning ? 0 : DecodeTablePart(bytes, table);
    std::uint32_t tablePages = 0;
    const std::size_t length =
        tableLength == 0
            ? 0
            : DecodeScanStarts(std::string_view(bytes).substr(tableLength), tablePages);
    if (length == 0) return 0;
    bytes.erase(tableLength, length);
    scanning = true;
    return LibmdbScanTimeLimitMs(std::min<std::uint64_t>(tablePages, source.pages));
  };
  const ChildResult result = RunInChild(
      limits, source.fd, progress,
      [&](const ChildChannel& channel) { AnswerInChild(channel, source.path, request); });
  return ReadAnswer(result);
}

}  // namespace platform
