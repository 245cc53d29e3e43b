// The benchmarks' shared parts: child processes, medians, the collector and the report's numbers.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "bench.h"

extern char** environ;

namespace bench {

fs::path dataDir;
std::vector<int> sizes = {1000, 100000, 1000000};
std::string self;
std::string jetMissing;

// --- processes ---

int Spawn(const std::vector<std::string>& argv, const std::string& input, struct rusage* usage) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
  posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.emplace_back(*e);
  }
  env.emplace_back("DISPLAY=");
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[0]);
  if (rc != 0) {
    close(pipeFds[1]);
    throw std::runtime_error("cannot start " + argv[0]);
  }
  if (!input.empty() && write(pipeFds[1], input.data(), input.size()) < 0) {
    close(pipeFds[1]);
    throw std::runtime_error("cannot write to " + argv[0]);
  }
  close(pipeFds[1]);
  int status = 0;
  struct rusage own {};
  if (wait4(pid, &status, 0, usage != nullptr ? usage : &own) != pid) {
    throw std::runtime_error("wait4");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

long JetPeak(const std::vector<std::string>& program) {
  const fs::path report = dataDir / "jet_peak.txt";
  const fs::path input = dataDir / "press.txt";
  std::ofstream(input) << "enter\n\n";
  fs::remove(report);
  std::vector<std::string> argv{UPGRADE405_PEAK_RUN_EXE, report.string(), input.string()};
  argv.insert(argv.end(), program.begin(), program.end());
  if (Spawn(argv, "") != 0) throw std::runtime_error(program[0] + " failed");
  std::ifstream in(report);
  long kilobytes = 0;
  if (!(in >> kilobytes) || kilobytes <= 0) throw std::runtime_error("no peak reported");
  return kilobytes;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// --- the figures ---

void Collector::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred) failures.push_back(run.benchmark_name() + ": " + run.error_message);
    std::string key = run.run_name.function_name;
    if (!run.run_name.args.empty()) key += "/" + run.run_name.args;
    for (const auto& [name, counter] : run.counters) values[key][name] = counter.value;
  }
  ConsoleReporter::ReportRuns(runs);
}

double Collector::Get(const std::string& key, const std::string& way) const {
  auto found = values.find(key);
  if (found == values.end()) return 0;
  auto value = found->second.find(way);
  return value == found->second.end() ? 0 : value->second;
}

std::string Fixed(double value, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, value);
  return buf;
}

std::string Ratio(double a, double b, int digits) {
  return b > 0 ? Fixed(a / b, digits) : "-";
}

const char* Verdict(bool met) {
  return met ? "met" : "NOT met";
}

}  // namespace bench
