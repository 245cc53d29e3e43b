// Linux side of the host seam: the process, its parameters and its modules.
#include <dlfcn.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "platform/host.h"
#include "platform/posix/descriptor.h"

namespace platform {

const char kPathSeparator = '/';

std::string GetExecutablePath() {
  std::vector<char> buf(PATH_MAX + 1);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return "";
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::vector<std::string> GetCommandLineParameters() {
  // argv as the shell split it.
  std::vector<std::string> args = ReadProcessArguments("self");
  if (!args.empty()) args.erase(args.begin());
  return args;
}

bool FindModuleOfAddress(const void* address, std::string& modulePath, std::uintptr_t& loadBase) {
  Dl_info target{};
  if (address == nullptr || dladdr(address, &target) == 0 || target.dli_fbase == nullptr) {
    return false;
  }
  loadBase = reinterpret_cast<std::uintptr_t>(target.dli_fbase);
  // The loader names the main program as it was started; its real path is clearer.
  Dl_info self{};
  bool inExecutable = dladdr(reinterpret_cast<const void*>(&GetExecutablePath), &self) != 0 &&
                      self.dli_fbase == target.dli_fbase;
  modulePath = inExecutable ? GetExecutablePath() : (target.dli_fname ? target.dli_fname : "");
  return true;
}

namespace {

// The load base of the module that holds `address`, or 0.
ModuleHandle LoadBaseOf(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0) return 0;
  return reinterpret_cast<ModuleHandle>(info.dli_fbase);
}

// An address inside the module this code is linked into: the one that holds the journal.
const void* AddressInThisModule() {
  return reinterpret_cast<const void*>(&AddressInThisModule);
}

}  // namespace

std::string GetModulePath() {
  std::string path;
  std::uintptr_t base = 0;
  return FindModuleOfAddress(AddressInThisModule(), path, base) ? path : "";
}

ModuleHandle GetMainModuleHandle() {
  // The program headers of the main program, as the kernel mapped them.
  return LoadBaseOf(reinterpret_cast<const void*>(getauxval(AT_PHDR)));
}

ModuleHandle GetJournalModuleHandle() {
  return LoadBaseOf(AddressInThisModule());
}

}  // namespace platform
