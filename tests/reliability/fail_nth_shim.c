/* A preloaded library that fails chosen file operations of the journal.
 *
 * It counts the operations on files whose path begins with UPGRADE405_SHIM_DIR: open, flock,
 * fstat, lseek, ftruncate, write and fsync (descriptors are followed from their open to their
 * close). The operation numbered UPGRADE405_SHIM_FAIL_AT (from 1; 0 or unset: none) fails with
 * the error UPGRADE405_SHIM_ERRNO (EIO by default) without reaching the system; with
 * UPGRADE405_SHIM_MODE=persist every later one fails as well. UPGRADE405_SHIM_ONLY, a
 * comma-separated list of operation names, restricts both the counting and the failing to those
 * operations. Each counted operation appends one line "<number> <name> <fd> <ok|fail>" to the
 * file UPGRADE405_SHIM_LOG, when set.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define MAX_TRACKED 4096

static char watched[4096];
static size_t watchedLength;
static long failAt;
static int persist;
static int failErrno = EIO;
static char only[256];
static int logFd = -1;
static long counted;
static unsigned char tracked[MAX_TRACKED];

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
  if (log != NULL && realOpen != NULL) {
    logFd = realOpen(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }
}

__attribute__((constructor)) static void Load(void) {
  Resolve();
}

static int Watched(const char* path) {
  return watchedLength > 0 && path != NULL && strncmp(path, watched, watchedLength) == 0;
}

static int Tracked(int fd) {
  return fd >= 0 && fd < MAX_TRACKED && tracked[fd];
}

static int Selected(const char* name) {
  char item[32];
  if (only[0] == '\0') return 1;
  snprintf(item, sizeof item, ",%s,", name);
  return strstr(only, item) != NULL;
}

static void Log(const char* name, int fd, int failed) {
  char line[96];
  if (logFd < 0) return;
  int n = snprintf(line, sizeof line, "%ld %s %d %s\n", counted, name, fd, failed ? "fail" : "ok");
  if (n > 0) (void)!realWrite(logFd, line, (size_t)n);
}

/* Counts one operation; true when it must fail. */
static int Fails(const char* name, int fd) {
  if (!Selected(name)) return 0;
  ++counted;
  const int fail = failAt > 0 && (counted == failAt || (persist && counted > failAt));
  Log(name, fd, fail);
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
