// Runs a program and prints its peak resident set size in KiB, its children's included: the
// largest ru_maxrss that wait4 reports for it, which covers the processes it forked and waited
// for. This launcher stays small, so that the child it forks starts from a small high-water
// mark (a child forked from a large process would inherit that process's mark at exec).
//
//   peak_run REPORT_FILE INPUT_FILE PROGRAM [ARGUMENTS...]
//
// The program's standard input is INPUT_FILE, its output is discarded, and DISPLAY is removed.
// The peak is written to REPORT_FILE. Exits with the program's exit status.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s REPORT_FILE INPUT_FILE PROGRAM [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  const pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    const int in = open(argv[2], O_RDONLY);
    const int null = open("/dev/null", O_WRONLY);
    if (in < 0 || null < 0) _exit(126);
    dup2(in, 0);
    dup2(null, 1);
    dup2(null, 2);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    execv(argv[3], argv + 3);
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return 2;
  std::FILE* report = std::fopen(argv[1], "w");
  if (report == nullptr) return 2;
  std::fprintf(report, "%ld\n", usage.ru_maxrss);
  std::fclose(report);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
