/* A preloaded library that fails chosen file operations of the journal and of the Jet engine.
 *
 * It counts the operations on files whose path begins with UPGRADE405_SHIM_DIR: open, flock,
 * fstat, lseek, ftruncate, write (write, pwrite), read (read, pread, and fread on a stream from
 * fopen), fsync (fsync, fdatasync) and lock (fcntl's record-lock commands); descriptors and
 * streams are followed from their opening to their closing, and a reopening through
 * /proc/self/fd/N of a followed descriptor is followed too. The count is shared with the
 * processes the program forks (libmdb runs in one), so "the Nth read" numbers the reads of the
 * program and of its children together. The operation numbered UPGRADE405_SHIM_FAIL_AT (from 1; 0
 * or unset: none) fails with the error UPGRADE405_SHIM_ERRNO (EIO by default) without reaching the
 * system; with UPGRADE405_SHIM_MODE=persist every later one fails as well. UPGRADE405_SHIM_ONLY, a
 * comma-separated list of operation names, restricts both the counting and the failing to those
 * operations. Each counted operation appends one line "<number> <name> <fd> <ok|fail>" to the
 * file UPGRADE405_SHIM_LOG, when set (a child's lines through the program's process).
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#define MAX_TRACKED 4096

static char watched[4096];
static size_t watchedLength;
static long failAt;
static int persist;
static int failErrno = EIO;
static char only[256];
static char logPath[4096];
/* Shared with forked children, so that their operations continue the same count. */
static long* counted;
static long localCount;
static unsigned char tracked[MAX_TRACKED];

/* The log's lines, shared with forked children like the count: the engine's libmdb child is
 * confined and may open nothing, so every process appends its lines here, and the process that
 * loaded the library writes them out to UPGRADE405_SHIM_LOG on each of its own operations and
 * when it exits. */
#define LOG_BYTES (16L << 20)
struct SharedLog {
  long used;
  long written;
  char lines[LOG_BYTES];
};
static struct SharedLog* sharedLog;
static pid_t owner;

static int (*realOpen)(const char*, int, ...);
static int (*realOpen64)(const char*, int, ...);
static int (*realOpenat)(int, const char*, int, ...);
static int (*realClose)(int);
static int (*realFlock)(int, int);
static int (*realFstat)(int, struct stat*);
static off_t (*realLseek)(int, off_t, int);
static int (*realFtruncate)(int, off_t);
static ssize_t (*realWrite)(int, const void*, size_t);
static int (*realFsync)(int);
static int (*realFdatasync)(int);
static ssize_t (*realRead)(int, void*, size_t);
static ssize_t (*realPread)(int, void*, size_t, off_t);
static ssize_t (*realPread64)(int, void*, size_t, off_t);
static ssize_t (*realPwrite)(int, const void*, size_t, off_t);
static ssize_t (*realPwrite64)(int, const void*, size_t, off_t);
static int (*realFcntl)(int, int, ...);
static int (*realFcntl64)(int, int, ...);
static FILE* (*realFopen)(const char*, const char*);
static FILE* (*realFopen64)(const char*, const char*);
static int (*realFclose)(FILE*);
static size_t (*realFread)(void*, size_t, size_t, FILE*);

static void Resolve(void) {
  static int done;
  if (done) return;
  done = 1;
  realOpen = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, "open");
  realOpen64 = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, "open64");
  realOpenat = (int (*)(int, const char*, int, ...))dlsym(RTLD_NEXT, "openat");
  realClose = (int (*)(int))dlsym(RTLD_NEXT, "close");
  realFlock = (int (*)(int, int))dlsym(RTLD_NEXT, "flock");
  realFstat = (int (*)(int, struct stat*))dlsym(RTLD_NEXT, "fstat");
  realLseek = (off_t(*)(int, off_t, int))dlsym(RTLD_NEXT, "lseek");
  realFtruncate = (int (*)(int, off_t))dlsym(RTLD_NEXT, "ftruncate");
  realWrite = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  realFsync = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
  realFdatasync = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
  realRead = (ssize_t(*)(int, void*, size_t))dlsym(RTLD_NEXT, "read");
  realPread = (ssize_t(*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread");
  realPread64 = (ssize_t(*)(int, void*, size_t, off_t))dlsym(RTLD_NEXT, "pread64");
  realPwrite = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
  realPwrite64 = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite64");
  realFcntl = (int (*)(int, int, ...))dlsym(RTLD_NEXT, "fcntl");
  realFcntl64 = (int (*)(int, int, ...))dlsym(RTLD_NEXT, "fcntl64");
  realFopen = (FILE * (*)(const char*, const char*)) dlsym(RTLD_NEXT, "fopen");
  realFopen64 = (FILE * (*)(const char*, const char*)) dlsym(RTLD_NEXT, "fopen64");
  realFclose = (int (*)(FILE*))dlsym(RTLD_NEXT, "fclose");
  realFread = (size_t(*)(void*, size_t, size_t, FILE*))dlsym(RTLD_NEXT, "fread");
  void* shared =
      mmap(NULL, sizeof(long), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  counted = shared != MAP_FAILED ? (long*)shared : &localCount;
  void* lines = mmap(NULL, sizeof(struct SharedLog), PROT_READ | PROT_WRITE,
                     MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  sharedLog = lines != MAP_FAILED ? (struct SharedLog*)lines : NULL;
  owner = getpid();

  const char* dir = getenv("UPGRADE405_SHIM_DIR");
  if (dir != NULL && strlen(dir) < sizeof watched) {
    strcpy(watched, dir);
    watchedLength = strlen(watched);
  }
  const char* at = getenv("UPGRADE405_SHIM_FAIL_AT");
  failAt = at != NULL ? strtol(at, NULL, 10) : 0;
  const char* mode = getenv("UPGRADE405_SHIM_MODE");
  persist = mode != NULL && strcmp(mode, "persist") == 0;
  const char* error = getenv("UPGRADE405_SHIM_ERRNO");
  if (error != NULL && atoi(error) > 0) failErrno = atoi(error);
  const char* names = getenv("UPGRADE405_SHIM_ONLY");
  if (names != NULL && strlen(names) + 2 < sizeof only) {
    only[0] = ',';
    strcpy(only + 1, names);
    strcat(only, ",");
  }
  const char* log = getenv("UPGRADE405_SHIM_LOG");
  if (log != NULL && strlen(log) < sizeof logPath) strcpy(logPath, log);
}

__attribute__((constructor)) static void Load(void) {
  Resolve();
}

static int Tracked(int fd) {
  return fd >= 0 && fd < MAX_TRACKED && tracked[fd];
}

/* A path under the watched folder, or /proc/self/fd/N for a followed descriptor N (how a forked
 * child reopens the very file its parent holds). */
static int Watched(const char* path) {
  static const char proc[] = "/proc/self/fd/";
  if (path != NULL && strncmp(path, proc, sizeof proc - 1) == 0) {
    char* end = NULL;
    const long fd = strtol(path + sizeof proc - 1, &end, 10);
    return end != path + sizeof proc - 1 && *end == '\0' && Tracked((int)fd);
  }
  return watchedLength > 0 && path != NULL && strncmp(path, watched, watchedLength) == 0;
}

static int Selected(const char* name) {
  char item[32];
  if (only[0] == '\0') return 1;
  snprintf(item, sizeof item, ",%s,", name);
  return strstr(only, item) != NULL;
}

static void WriteOut(void) {
  if (sharedLog == NULL || getpid() != owner) return;
  const long used = __atomic_load_n(&sharedLog->used, __ATOMIC_SEQ_CST);
  const long end = used < LOG_BYTES ? used : LOG_BYTES;
  if (end <= sharedLog->written) return;
  const int logFd = realOpen(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (logFd < 0) return;
  (void)!realWrite(logFd, sharedLog->lines + sharedLog->written,
                   (size_t)(end - sharedLog->written));
  realClose(logFd);
  sharedLog->written = end;
}

__attribute__((destructor)) static void Unload(void) {
  WriteOut();
}

static void Log(long number, const char* name, int fd, int failed) {
  char line[96];
  if (logPath[0] == '\0' || realOpen == NULL || sharedLog == NULL) return;
  const int n =
      snprintf(line, sizeof line, "%ld %s %d %s\n", number, name, fd, failed ? "fail" : "ok");
  if (n <= 0 || n >= (int)sizeof line) return;
  const long at = __atomic_fetch_add(&sharedLog->used, n, __ATOMIC_SEQ_CST);
  if (at + n <= LOG_BYTES) memcpy(sharedLog->lines + at, line, (size_t)n);
  WriteOut();
}

/* Counts one operation; true when it must fail. */
static int Fails(const char* name, int fd) {
  if (!Selected(name)) return 0;
  const long number = __atomic_add_fetch(counted, 1, __ATOMIC_SEQ_CST);
  const int fail = failAt > 0 && (number == failAt || (persist && number > failAt));
  Log(number, name, fd, fail);
  if (fail) errno = failErrno;
  return fail;
}

static void Track(int fd) {
  if (fd >= 0 && fd < MAX_TRACKED) tracked[fd] = 1;
}

static int OpenFails(const char* path) {
  Resolve();
  return Watched(path) && Fails("open", -1);
}

int open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, mode_t);
    va_end(args);
  }
  if (OpenFails(path)) return -1;
  const int fd = realOpen(path, flags, mode);
  if (Watched(path)) Track(fd);
  return fd;
}

int open64(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, mode_t);
    va_end(args);
  }
  if (OpenFails(path)) return -1;
  const int fd = realOpen64(path, flags, mode);
  if (Watched(path)) Track(fd);
  return fd;
}

int openat(int dirFd, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, mode_t);
    va_end(args);
  }
  if (OpenFails(path)) return -1;
  const int fd = realOpenat(dirFd, path, flags, mode);
  if (Watched(path)) Track(fd);
  return fd;
}

int close(int fd) {
  Resolve();
  if (fd >= 0 && fd < MAX_TRACKED) tracked[fd] = 0;
  return realClose(fd);
}

int flock(int fd, int operation) {
  Resolve();
  if (Tracked(fd) && Fails("flock", fd)) return -1;
  return realFlock(fd, operation);
}

int fstat(int fd, struct stat* info) {
  Resolve();
  if (Tracked(fd) && Fails("fstat", fd)) return -1;
  return realFstat(fd, info);
}

off_t lseek(int fd, off_t offset, int whence) {
  Resolve();
  if (Tracked(fd) && Fails("lseek", fd)) return -1;
  return realLseek(fd, offset, whence);
}

int ftruncate(int fd, off_t length) {
  Resolve();
  if (Tracked(fd) && Fails("ftruncate", fd)) return -1;
  return realFtruncate(fd, length);
}

ssize_t write(int fd, const void* data, size_t size) {
  Resolve();
  if (Tracked(fd) && Fails("write", fd)) return -1;
  return realWrite(fd, data, size);
}

int fsync(int fd) {
  Resolve();
  if (Tracked(fd) && Fails("fsync", fd)) return -1;
  return realFsync(fd);
}

int fdatasync(int fd) {
  Resolve();
  if (Tracked(fd) && Fails("fsync", fd)) return -1;
  return realFdatasync(fd);
}

ssize_t read(int fd, void* data, size_t size) {
  Resolve();
  if (Tracked(fd) && Fails("read", fd)) return -1;
  return realRead(fd, data, size);
}

ssize_t pread(int fd, void* data, size_t size, off_t offset) {
  Resolve();
  if (Tracked(fd) && Fails("read", fd)) return -1;
  return realPread(fd, data, size, offset);
}

ssize_t pread64(int fd, void* data, size_t size, off_t offset) {
  Resolve();
  if (Tracked(fd) && Fails("read", fd)) return -1;
  return realPread64(fd, data, size, offset);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  Resolve();
  if (Tracked(fd) && Fails("write", fd)) return -1;
  return realPwrite(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) {
  Resolve();
  if (Tracked(fd) && Fails("write", fd)) return -1;
  return realPwrite64(fd, data, size, offset);
}

static int IsLockCommand(int command) {
  switch (command) {
    case F_GETLK:
    case F_SETLK:
    case F_SETLKW:
#ifdef F_OFD_GETLK
    case F_OFD_GETLK:
    case F_OFD_SETLK:
    case F_OFD_SETLKW:
#endif
      return 1;
    default:
      return 0;
  }
}

/* fcntl's third argument is an int or a pointer; passing it on as a pointer-sized value
 * serves both on the ABIs this runs on. */
static int Fcntl(int (*real)(int, int, ...), int fd, int command, void* argument) {
  Resolve();
  if (IsLockCommand(command) && Tracked(fd) && Fails("lock", fd)) return -1;
  return real(fd, command, argument);
}

int fcntl(int fd, int command, ...) {
  va_list args;
  va_start(args, command);
  void* argument = va_arg(args, void*);
  va_end(args);
  Resolve();
  return Fcntl(realFcntl, fd, command, argument);
}

int fcntl64(int fd, int command, ...) {
  va_list args;
  va_start(args, command);
  void* argument = va_arg(args, void*);
  va_end(args);
  Resolve();
  return Fcntl(realFcntl64 != NULL ? realFcntl64 : realFcntl, fd, command, argument);
}

static FILE* Fopen(FILE* (*real)(const char*, const char*), const char* path, const char* mode) {
  Resolve();
  if (OpenFails(path)) return NULL;
  FILE* stream = real(path, mode);
  if (stream != NULL && Watched(path)) Track(fileno(stream));
  return stream;
}

FILE* fopen(const char* path, const char* mode) {
  Resolve();
  return Fopen(realFopen, path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
  Resolve();
  return Fopen(realFopen64 != NULL ? realFopen64 : realFopen, path, mode);
}

int fclose(FILE* stream) {
  Resolve();
  const int fd = stream != NULL ? fileno(stream) : -1;
  if (fd >= 0 && fd < MAX_TRACKED) tracked[fd] = 0;
  return realFclose(stream);
}

/* A failed fread reads nothing, as a read error on the first block would. */
size_t fread(void* data, size_t size, size_t count, FILE* stream) {
  Resolve();
  if (stream != NULL && Tracked(fileno(stream)) && Fails("read", fileno(stream))) return 0;
  return realFread(data, size, count, stream);
}
