// Linux side of the ui seam: loads the FLTK front-end module on demand.
#include <dlfcn.h>

#include <cstdlib>
#include <iostream>

#include "platform/host.h"
#include "platform/posix/frontend/frontend.h"

namespace platform::posix {

namespace {

constexpr char kModuleName[] = "upgrade405-fltk.so";
constexpr char kEntryName[] = "upgrade405_create_fltk_frontend";

std::string ModulePath() {
  const std::string exe = GetExecutablePath();
  const std::size_t slash = exe.rfind('/');
  return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/" + kModuleName;
}

}  // namespace

std::unique_ptr<Frontend> MakeFltkFrontend() {
  // Without DISPLAY no X display can open: the terminal draws the windows, and FLTK, X11 and
  // fontconfig are never loaded.
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  const std::string path = ModulePath();
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
