#ifndef _WIN32
#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace testing_support {

HeldByChild::HeldByChild(const Hold& hold, int holdSeconds) {
  int ready[2], release[2];
  if (pipe(ready) != 0) return;
  if (pipe(release) != 0) {
    close(ready[0]);
    close(ready[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    close(ready[0]);
    close(release[1]);
    const bool held = hold([&] {
      if (write(ready[1], "x", 1) != 1) _exit(3);
      pollfd released{release[0], POLLIN, 0};
      poll(&released, 1, holdSeconds * 1000);
    });
    _exit(held ? 0 : 2);
  }
  close(ready[1]);
  close(release[0]);
  release_ = release[1];
  char byte = 0;
  held_ = pid_ > 0 && read(ready[0], &byte, 1) == 1;
  close(ready[0]);
}

bool HeldByChild::StillHolding() const {
  int status = 0;
  return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
}

void HeldByChild::Release() {
  if (release_ >= 0) close(release_);
  release_ = -1;
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::map<std::string, std::optional<std::string>> WithoutDisplay() {
  return {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}};
}

int StartChild(const std::vector<std::string>& argv, const ChildOptions& options) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  dup2(options.in >= 0 ? options.in : null, 0);
  dup2(options.out >= 0 ? options.out : null, 1);
  dup2(options.err >= 0 ? options.err : null, 2);
  for (const auto& [name, value] : options.env) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
  if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) {
    _exit(126);
  }
  if (options.beforeExec) options.beforeExec();
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

ChildEnd WaitForChild(int pid) {
  int status = 0;
  if (pid <= 0 || waitpid(pid, &status, 0) != pid) return {};
  if (WIFSIGNALED(status)) return {false, -1, WTERMSIG(status)};
  if (!WIFEXITED(status)) return {};
  return {true, WEXITSTATUS(status), 0};
}

int InSecondProcess(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  return WaitForChild(pid).exitCode;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    return {};
  }
  const int pid = StartChild(argv, {.in = in[0],
                                    .out = out[1],
                                    .err = err[1],
                                    .env = options.env,
                                    .workingDirectory = options.workingDirectory,
                                    .beforeExec = {}});
  if (pid < 0) {
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    return {};
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  ProcessResult result;
  std::size_t written = 0;
  int inFd = in[1];
  if (options.input.empty()) {
    close(inFd);
    inFd = -1;
  } else {
    fcntl(inFd, F_SETFL, O_NONBLOCK);
  }
  signal(SIGPIPE, SIG_IGN);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
  int outFd = out[0], errFd = err[0];
  while (outFd >= 0 || errFd >= 0) {
    pollfd fds[3];
    int n = 0;
    if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
    if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
    if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0) {
      kill(pid, SIGKILL);
      result.timedOut = true;
      break;
    }
    if (poll(fds, n, static_cast<int>(left)) < 0) break;
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == inFd) {
        ssize_t w = write(inFd, options.input.data() + written, options.input.size() - written);
        if (w > 0) written += static_cast<std::size_t>(w);
        if (w < 0 || written == options.input.size()) {
          close(inFd);
          inFd = -1;
        }
        continue;
      }
      char buf[4096];
      ssize_t r = read(fds[i].fd, buf, sizeof buf);
      std::string& sink = fds[i].fd == outFd ? result.out : result.err;
      if (r > 0) {
        sink.append(buf, static_cast<std::size_t>(r));
      } else {
        close(fds[i].fd);
        (fds[i].fd == outFd ? outFd : errFd) = -1;
      }
    }
  }
  for (int fd : {inFd, outFd, errFd}) {
    if (fd >= 0) close(fd);
  }
  const ChildEnd end = WaitForChild(pid);
  result.exitCode = end.exitCode;
  result.signal = end.signal;
  return result;
}

}  // namespace testing_support
#endif
