// The Linux side of the database seam: libmdb, asked in a child process with limits.
#include "platform/posix/jet/libmdb.h"

#include <fcntl.h>
#include <mdbtools.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "base/text.h"
#include "platform/host.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/jet/statement.h"

// Present only in a build with a sanitizer.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace platform {

namespace {

constexpr char kMagic[] = "JETVIEW1";
constexpr char kEnd[] = "END.";
// What the child sends before it reads every value of a column: the marker, then the number of
// pages the table owns (4 bytes).
constexpr char kScanStarts[] = "SCAN";
constexpr std::size_t kScanStartsSize = 8;
// A table's pages are counted up to this: more than a file of 16 GiB holds.
constexpr std::uint32_t kMaxCountedPages = 1u << 22;
constexpr std::size_t kMaxAnswer = 8u << 20;
constexpr std::size_t kMaxName = 4096;
constexpr std::uint32_t kMaxColumns = 4096;
// The child's address space beyond what it inherits.
constexpr rlim_t kChildMemory = rlim_t{1} << 30;

std::atomic<int> timeLimitForTesting{0};
std::atomic<void (*)()> childHook{nullptr};

// --- the answer's encoding ---

void PutU32(std::string& out, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
}
void PutU64(std::string& out, std::uint64_t v) {
  PutU32(out, static_cast<std::uint32_t>(v));
  PutU32(out, static_cast<std::uint32_t>(v >> 32));
}
void PutString(std::string& out, const std::string& s) {
  PutU32(out, static_cast<std::uint32_t>(s.size()));
  out += s;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool U32(std::uint32_t& v) {
    if (bytes_.size() - at_ < 4) return false;
    v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes_[at_ + k]);
    at_ += 4;
    return true;
  }
  bool U64(std::uint64_t& v) {
    std::uint32_t low = 0, high = 0;
    if (!U32(low) || !U32(high)) return false;
    v = static_cast<std::uint64_t>(high) << 32 | low;
    return true;
  }
  bool Int(int& v) {
    std::uint32_t u = 0;
    if (!U32(u)) return false;
    v = static_cast<int>(static_cast<std::int32_t>(u));
    return true;
  }
  bool Flag(bool& v) {
    std::uint32_t u = 0;
    if (!U32(u) || u > 1) return false;
    v = u == 1;
    return true;
  }
  bool String(std::string& s) {
    std::uint32_t length = 0;
    if (!U32(length) || length > kMaxName || bytes_.size() - at_ < length) return false;
    s.assign(bytes_.substr(at_, length));
    at_ += length;
    return true;
  }
  bool Literal(std::string_view text) {
    if (bytes_.substr(at_, text.size()) != text) return false;
    at_ += text.size();
    return true;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

// --- the child ---

struct MdbCloser {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
  void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

bool IsSystemEntry(const MdbCatalogEntry* entry) {
  return (static_cast<unsigned>(entry->flags) & 0x80000002u) != 0 ||
         SameJetName(std::string_view(entry->object_name).substr(0, 4), "MSys");
}

// The user tables of the catalog whose definition starts at `page`.
std::uint32_t TablesOnDefinition(MdbHandle* mdb, unsigned long page) {
  std::uint32_t count = 0;
  for (unsigned k = 0; k < mdb->num_catalog; ++k) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, k));
    if (entry != nullptr && entry->object_type == MDB_TABLE && !IsSystemEntry(entry) &&
        entry->table_pg == page) {
      ++count;
    }
  }
  return count;
}

// libmdb's 1-based number of the column of `table` named `name`, or 0.
int ColumnIndex(MdbTableDef* table, const char* name) {
  for (unsigned k = 0; k < table->columns->len; ++k) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
    if (SameJetName(column->name, name)) return static_cast<int>(k) + 1;
  }
  return 0;
}

// Counts the rows of MSysRelationships in which `table`.`column` is the foreign key (szObject,
// szColumn) or the key it references (szReferencedObject, szReferencedColumn). A file without
// MSysRelationships has none; one that cannot be read gives a failure.
bool CountRelationships(MdbHandle* mdb, const std::string& table, const std::string& column,
                        std::uint32_t& count, std::string& failure) {
  count = 0;
  // Found here rather than by mdb_read_table_by_name, which reads the catalog again and so frees
  // the entry of the table being asked about.
  MdbCatalogEntry* found = nullptr;
  for (unsigned k = 0; k < mdb->num_catalog && found == nullptr; ++k) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, k));
    if (entry != nullptr && entry->object_type == MDB_TABLE &&
        SameJetName(entry->object_name, "MSysRelationships")) {
      found = entry;
    }
  }
  if (found == nullptr) return true;
  failure = "la table des relations MSysRelationships est illisible";
  std::unique_ptr<MdbTableDef, TableFreer> relations(mdb_read_table(found));
  if (!relations || mdb_read_columns(relations.get()) == nullptr) return false;
  const char* names[4] = {"szObject", "szColumn", "szReferencedObject", "szReferencedColumn"};
  std::vector<std::vector<char>> values(4, std::vector<char>(MDB_BIND_SIZE + 16, '\0'));
  int lengths[4] = {};
  mdb_set_bind_size(mdb, MDB_BIND_SIZE);
  for (int k = 0; k < 4; ++k) {
    const int index = ColumnIndex(relations.get(), names[k]);
    if (index == 0 || mdb_bind_column(relations.get(), index, values[k].data(), &lengths[k]) < 0) {
      return false;
    }
  }
  if (mdb_rewind_table(relations.get()) < 0) return false;
  const auto value = [&](int k) {
    const std::size_t bytes =
        lengths[k] > 0 ? std::min<std::size_t>(static_cast<std::size_t>(lengths[k]), MDB_BIND_SIZE)
                       : 0;
    return std::string_view(values[k].data(), bytes);
  };
  while (mdb_fetch_row(relations.get())) {
    if ((SameJetName(value(0), table) && SameJetName(value(1), column)) ||
        (SameJetName(value(2), table) && SameJetName(value(3), column))) {
      ++count;
    }
  }
  failure.clear();
  return true;
}

// The pages the table's usage map gives it.
std::uint32_t TablePages(MdbHandle* mdb, MdbTableDef* table) {
  std::uint32_t count = 0;
  guint32 page = 0;
  while (count < kMaxCountedPages) {
    const gint32 next = mdb_map_find_next(mdb, table->usage_map, table->map_sz, page);
    if (next <= 0 || static_cast<guint32>(next) <= page) break;
    page = static_cast<guint32>(next);
    ++count;
  }
  return count;
}

// Tells the parent that the first step is done and the scan of a table of `pages` pages starts.
void ReportScanStarts(int progressFd, std::uint32_t pages);

LibmdbView AskLibmdb(const char* file, const LibmdbRequest& request, int progressFd) {
  LibmdbView view;
  std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(file, MDB_NOFLAGS));
  if (!mdb) {
    view.failure = "libmdb ne peut pas ouvrir le fichier";
    return view;
  }
  if (mdb_read_catalog(mdb.get(), MDB_TABLE) == nullptr) {
    view.failure = "le catalogue des tables est illisible";
    return view;
  }
  MdbCatalogEntry* found = nullptr;
  for (unsigned k = 0; k < mdb->num_catalog; ++k) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, k));
    if (entry == nullptr || entry->object_type != MDB_TABLE) continue;
    if (SameJetName(entry->object_name, request.table)) {
      found = entry;
      break;
    }
  }
  if (found == nullptr) return view;
  view.tableFound = true;
  view.table = found->object_name;
  view.firstPage = static_cast<std::uint32_t>(found->table_pg);
  view.systemTable = IsSystemEntry(found);
  view.tablesOnDefinition = TablesOnDefinition(mdb.get(), found->table_pg);
  std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(found));
  if (!table) {
    view.failure = "la définition de la table " + text::QuoteName(view.table) + " est illisible";
    return view;
  }
  if (mdb_read_columns(table.get()) == nullptr) {
    view.failure = "les colonnes de la table " + text::QuoteName(view.table) + " sont illisibles";
    return view;
  }
  int target = 0;  // libmdb's 1-based index of the statement's column
  for (unsigned k = 0; k < table->columns->len; ++k) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, k));
    view.columns.push_back(
        {column->name, column->col_num, column->col_type, column->col_size, column->is_fixed != 0});
    if (target == 0 && SameJetName(column->name, request.column)) target = static_cast<int>(k) + 1;
  }
  if (target == 0) return view;
  const LibmdbColumn& column = view.columns[static_cast<std::size_t>(target - 1)];
  if (!CountRelationships(mdb.get(), view.table, column.name, view.relationships, view.failure)) {
    return view;
  }
  if (column.type != MDB_TEXT || column.fixed || request.newLengthBytes <= 0 ||
      request.newLengthBytes >= column.size) {
    return view;
  }
  // Every value of the column, overflow rows included, as libmdb hands it over: UTF-8.
  const std::size_t maxCharacters =
      static_cast<std::size_t>(request.newLengthBytes / std::max(request.bytesPerCharacter, 1));
  mdb_set_bind_size(mdb.get(), MDB_BIND_SIZE);
  std::vector<char> value(MDB_BIND_SIZE + 16, '\0');
  int length = 0;
  ReportScanStarts(progressFd, TablePages(mdb.get(), table.get()));
  if (mdb_bind_column(table.get(), target, value.data(), &length) < 0 ||
      mdb_rewind_table(table.get()) < 0) {
    view.failure = "les valeurs de la colonne " + text::QuoteName(column.name) + " sont illisibles";
    return view;
  }
  while (mdb_fetch_row(table.get())) {
    ++view.rows;
    const std::size_t bytes =
        length > 0 ? std::min(static_cast<std::size_t>(length), value.size()) : 0;
    if (JetCharacterCount(std::string_view(value.data(), bytes)) > maxCharacters) ++view.tooLong;
  }
  view.scanned = true;
  return view;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void ReportScanStarts(int progressFd, std::uint32_t pages) {
  std::string message = kScanStarts;
  PutU32(message, pages);
  WriteAll(progressFd, message);
  // The CPU limit set for the first step now covers the scan too.
  rusage used{};
  ::getrusage(RUSAGE_SELF, &used);
  const rlim_t seconds = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                         static_cast<rlim_t>(LibmdbScanTimeLimitMs(pages) / 1000 + 2);
  const rlimit cpu{seconds, seconds};
  ::setrlimit(RLIMIT_CPU, &cpu);
}

// The child's address space now, in bytes (0 when unknown).
rlim_t AddressSpaceInUse() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  unsigned long pages = 0;
  const int got = std::fscanf(statm, "%lu", &pages);
  std::fclose(statm);
  return got == 1 ? static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) : 0;
}

// Closes every descriptor from `first` on, except `keepA` and `keepB`.
void CloseDescriptorsExcept(int first, int keepA, int keepB) {
  const int low = std::min(keepA, keepB), high = std::max(keepA, keepB);
  auto closeRange = [](int from, int to) {
    if (from <= to) ::close_range(static_cast<unsigned>(from), static_cast<unsigned>(to), 0);
  };
  closeRange(first, low - 1);
  closeRange(low + 1, high - 1);
  closeRange(high + 1, std::numeric_limits<int>::max());
}

[[noreturn]] void RunChild(pid_t parent, int fd, const std::string& path,
                           const LibmdbRequest& request, int answerFd) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // A parent that died before the line above would leave this child running on its own.
  if (::getppid() != parent) ::_exit(1);
  // The child reads through a description of its own and drops every one it inherited: the
  // engine's descriptor carries the statement's lock (an open-file-description lock), which
  // must end with the engine, never linger in a child that outlives it.
  const std::string inherited = "/proc/self/fd/" + std::to_string(fd);
  const int own = ::open(inherited.c_str(), O_RDONLY | O_CLOEXEC);
  CloseDescriptorsExcept(STDERR_FILENO + 1, answerFd, own);
  // A fault in libmdb ends the child and nothing else: no handler of the parent's (a crash
  // reporter, or a sanitizer's or fuzzer's death callback in tests) runs in its place.
  for (int fatal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGXCPU}) {
    ::signal(fatal, SIG_DFL);
  }
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(nullptr);
  const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devnull >= 0) {
    ::dup2(devnull, STDIN_FILENO);
    ::dup2(devnull, STDOUT_FILENO);
    ::dup2(devnull, STDERR_FILENO);
  }
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  // Only the soft limit: the scan raises it (ReportScanStarts).
  const rlim_t cpuSeconds = static_cast<rlim_t>(LibmdbCatalogTimeLimitMs() / 1000 + 2);
  const rlimit cpu{cpuSeconds, RLIM_INFINITY};
  ::setrlimit(RLIMIT_CPU, &cpu);
  if (const rlim_t inUse = AddressSpaceInUse(); inUse != 0) {
    const rlimit memory{inUse + kChildMemory, inUse + kChildMemory};
    ::setrlimit(RLIMIT_AS, &memory);
  }
  if (void (*hook)() = childHook.load()) hook();
  // The very file the engine holds open, even if its name now leads elsewhere.
  const std::string file = own >= 0 ? "/proc/self/fd/" + std::to_string(own) : path;
  const LibmdbView view = AskLibmdb(file.c_str(), request, answerFd);
  WriteAll(answerFd, EncodeLibmdbView(view));
  ::_exit(0);
}

}  // namespace

std::string EncodeLibmdbView(const LibmdbView& view) {
  std::string out = kMagic;
  PutString(out, view.failure);
  PutU32(out, view.tableFound ? 1 : 0);
  PutString(out, view.table);
  PutU32(out, view.firstPage);
  PutU32(out, view.systemTable ? 1 : 0);
  PutU32(out, view.tablesOnDefinition);
  PutU32(out, static_cast<std::uint32_t>(view.columns.size()));
  for (const LibmdbColumn& column : view.columns) {
    PutString(out, column.name);
    PutU32(out, static_cast<std::uint32_t>(column.number));
    PutU32(out, static_cast<std::uint32_t>(column.type));
    PutU32(out, static_cast<std::uint32_t>(column.size));
    PutU32(out, column.fixed ? 1 : 0);
  }
  PutU32(out, view.relationships);
  PutU32(out, view.scanned ? 1 : 0);
  PutU64(out, view.rows);
  PutU64(out, view.tooLong);
  out += kEnd;
  return out;
}

bool DecodeLibmdbView(std::string_view bytes, LibmdbView& out) {
  Reader in(bytes);
  LibmdbView view;
  std::uint32_t columns = 0;
  if (!in.Literal(kMagic) || !in.String(view.failure) || !in.Flag(view.tableFound) ||
      !in.String(view.table) || !in.U32(view.firstPage) || !in.Flag(view.systemTable) ||
      !in.U32(view.tablesOnDefinition) || !in.U32(columns) || columns > kMaxColumns) {
    return false;
  }
  for (std::uint32_t k = 0; k < columns; ++k) {
    LibmdbColumn column;
    if (!in.String(column.name) || !in.Int(column.number) || !in.Int(column.type) ||
        !in.Int(column.size) || !in.Flag(column.fixed)) {
      return false;
    }
    view.columns.push_back(std::move(column));
  }
  if (!in.U32(view.relationships) || !in.Flag(view.scanned) || !in.U64(view.rows) ||
      !in.U64(view.tooLong) || !in.Literal(kEnd) || !in.AtEnd()) {
    return false;
  }
  out = std::move(view);
  return true;
}

int LibmdbCatalogTimeLimitMs() {
  if (const int fixed = timeLimitForTesting.load(); fixed > 0) return fixed;
  // A few pages' work, milliseconds even under a sanitizer: a user facing a damaged file waits
  // three seconds for the error, whatever the file's size.
  return 3000;
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

void SetLibmdbChildHookForTesting(void (*hook)()) {
  childHook = hook;
}

bool ReadWithLibmdb(int fd, const std::string& path, std::uint64_t fileSize,
                    const LibmdbRequest& request, LibmdbView& out, std::string& why) {
  int ends[2] = {-1, -1};
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    why = "impossible de créer le canal de lecture (" + std::string(std::strerror(errno)) + ")";
    return false;
  }
  UniqueFd answerRead(ends[0]), answerWrite(ends[1]);
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) {
    why =
        "impossible de lancer le processus de lecture (" + std::string(std::strerror(errno)) + ")";
    return false;
  }
  if (child == 0) RunChild(parent, fd, path, request, answerWrite.Get());
  answerWrite.Reset();

  // The first step's limit, until the child says that the scan starts; then the scan's, for a
  // table of at most as many pages as the file holds.
  std::string bytes;
  bool timedOut = false, tooLarge = false, scanning = false;
  int limitMs = LibmdbCatalogTimeLimitMs();
  std::int64_t deadline = GetTickCount() + limitMs;
  char buffer[65536];
  while (true) {
    if (!scanning && bytes.size() >= kScanStartsSize && bytes.compare(0, 4, kScanStarts, 4) == 0) {
      Reader progress(std::string_view(bytes).substr(4, 4));
      std::uint32_t pages = 0;
      progress.U32(pages);
      limitMs = LibmdbScanTimeLimitMs(std::min<std::uint64_t>(pages, fileSize / 4096));
      deadline = GetTickCount() + limitMs;
      bytes.erase(0, kScanStartsSize);
      scanning = true;
    }
    const std::int64_t left = deadline - GetTickCount();
    if (left <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{answerRead.Get(), POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;  // the deadline is checked above
    const ssize_t n = ::read(answerRead.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > kMaxAnswer) {
      tooLarge = true;
      break;
    }
  }
  if (timedOut || tooLarge) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut) {
    why = std::string(scanning ? "la lecture des valeurs de la colonne"
                               : "la lecture du catalogue et de la définition de la table") +
          " par libmdb n'a pas abouti en " + std::to_string(limitMs / 1000) + " s";
    return false;
  }
  if (WIFSIGNALED(status)) {
    why = "la lecture par libmdb s'est arrêtée sur une erreur (signal " +
          std::to_string(WTERMSIG(status)) + ")";
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || tooLarge || !DecodeLibmdbView(bytes, out)) {
    why = "la lecture par libmdb n'a pas donné de réponse lisible";
    return false;
  }
  return true;
}

}  // namespace platform
