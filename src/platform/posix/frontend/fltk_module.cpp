// Linux side of the ui seam: loads the FLTK front-end module on demand.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "platform/host.h"
#include "platform/posix/frontend/frontend.h"

namespace platform::posix {

namespace {

constexpr char kModuleName[] = "upgrade405-fltk.so";
constexpr char kEntryName[] = "upgrade405_create_fltk_frontend";

// Where an installed program keeps its module, relative to the executable's folder (the install
// rules set it from the installation's layout: bin/ and lib/upgrade405/ by default).
#ifndef UPGRADE405_MODULE_DIR_FROM_BIN
#define UPGRADE405_MODULE_DIR_FROM_BIN "../lib/upgrade405"
#endif

// The module beside the executable (the build tree, or the two files copied together), else
// where the installation puts it. Beside comes first so that a build tree never loads the module
// of an installed copy; an installed bin/ holds no module. "" when neither exists.
std::string ModulePath() {
  const std::string exe = GetExecutablePath();
  const std::size_t slash = exe.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
  for (const std::string& path :
       {dir + "/" + kModuleName, dir + "/" UPGRADE405_MODULE_DIR_FROM_BIN "/" + kModuleName}) {
    if (::access(path.c_str(), F_OK) == 0) return path;
  }
  return "";
}

}  // namespace

std::unique_ptr<Frontend> LoadFltkFrontend() {
  // Without DISPLAY no X display can open: the terminal draws the windows, and FLTK, X11 and
  // fontconfig are never loaded.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  const std::string path = ModulePath();
  if (path.empty()) {
    std::cerr << "upgrade405: the windows are drawn on the terminal: no " << kModuleName
              << " beside the program nor in " UPGRADE405_MODULE_DIR_FROM_BIN " from it\n";
    return nullptr;
  }
  // Never unloaded: the front-end's code must outlive every window it made.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = ::dlerror();
    std::cerr << "upgrade405: the windows are drawn on the terminal: " << (why ? why : path)
              << "\n";
    return nullptr;
  }
  auto* create = reinterpret_cast<Frontend* (*)()>(::dlsym(module, kEntryName));
  if (create == nullptr) {
    std::cerr << "upgrade405: the windows are drawn on the terminal: " << path << " has no "
              << kEntryName << "\n";
    return nullptr;
  }
  return std::unique_ptr<Frontend>(create());
}

}  // namespace platform::posix
