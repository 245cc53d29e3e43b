#include "reliability/reliability.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace reliability {

bool FullMode() {
  const char* full = std::getenv("UPGRADE405_FULL");
  return full != nullptr && std::string(full) == "1";
}

long EnvNumber(const char* name, long fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  char* end = nullptr;
  const long n = std::strtol(value, &end, 10);
  return *end == '\0' ? n : fallback;
}

int StartUpgrade(const std::string& path) {
  int in[2];
  if (pipe2(in, O_CLOEXEC) != 0) return -1;
  const int pid = testing_support::StartChild(
      {UPGRADE405_EXE, "/db=" + path}, {.in = in[0], .env = testing_support::WithoutDisplay()});
  close(in[0]);
  const char input[] = "enter\n\nclose\n";
  if (write(in[1], input, sizeof input - 1) != static_cast<ssize_t>(sizeof input - 1)) {
    kill(pid, SIGKILL);
  }
  close(in[1]);
  return pid;
}

bool EndedNormally(int pid) {
  return testing_support::WaitForChild(pid).exitCode == 0;
}

testing_support::ProcessResult RunUpgrade(const std::vector<std::string>& args,
                                          const std::string& input, const Env& env,
                                          const std::string& exe, int timeoutSeconds) {
  testing_support::ProcessOptions options;
  options.input = input;
  options.env = env;
  options.env["DISPLAY"] = std::nullopt;
  options.env["WAYLAND_DISPLAY"] = std::nullopt;
  options.timeoutSeconds = timeoutSeconds;
  std::vector<std::string> argv{exe};
  argv.insert(argv.end(), args.begin(), args.end());
  return testing_support::RunProcess(argv, options);
}

const char kTitle[] = "upgrade405";

std::string DialogBlock() {
  return "=== Dialog\nCaption: Mise-à-jour base de donnée 4.04 -> 4.05\nButtons: [Mise-à-jour]\n";
}

std::string DoneBlock(const std::string& title) {
  return "=== NoticeBox\nCaption: " + title + "\nText: Mise à jour effetuée.\nButtons: [OK]\n";
}

std::string NotFoundBlock(const std::string& path, const std::string& title) {
  return "=== NoticeBox\nCaption: " + title +
         "\nText: " + Shown("Base de donnée non trouvée dans :\n\r" + path) + "\nButtons: [OK]\n";
}

std::string Shown(const std::string& text) {
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && ++i >= text.size()) break;
    shown += text[i];
  }
  return shown;
}

Outcome ClassifyPress(const std::string& out, const std::string& path, std::string* errorText) {
  if (out == NotFoundBlock(path)) return Outcome::kNotFound;
  if (out == DialogBlock() + DoneBlock()) return Outcome::kConfirmed;
  const std::string head = DialogBlock() + "=== ErrorBox\nCaption: " + kTitle + "\nText: ";
  const std::string tail = "\nButtons: [OK]\n";
  if (out.size() > head.size() + tail.size() && out.compare(0, head.size(), head) == 0 &&
      out.compare(out.size() - tail.size(), tail.size(), tail) == 0) {
    const std::string text = out.substr(head.size(), out.size() - head.size() - tail.size());
    if (text.find("\n=== ") != std::string::npos) return Outcome::kUnexpected;
    if (errorText != nullptr) *errorText = text;
    return Outcome::kError;
  }
  return Outcome::kUnexpected;
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kNotFound:
      return "not found";
    case Outcome::kConfirmed:
      return "confirmed";
    case Outcome::kError:
      return "error box";
    case Outcome::kUnexpected:
      break;
  }
  return "unexpected output";
}

void CopyFile(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

}  // namespace reliability
