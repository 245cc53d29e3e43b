#include "components/application.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "base/exceptions.h"
#include "base/text.h"
#include "base/utf8.h"
#include "platform/database.h"
#include "platform/host.h"
#include "platform/ui.h"

std::string ApplicationTitle;

namespace {

std::string FileNameOf(const std::string& path) {
  std::size_t cut = path.find_last_of(platform::kPathSeparator);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The class name of an exception the program did not raise itself.
std::string ForeignClassName(const std::exception& e) {
  const char* mangled = typeid(e).name();
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  return status == 0 && demangled ? demangled.get() : mangled;
}

}  // namespace

std::string DeriveApplicationTitle(const std::string& exePath) {
  std::string name = FileNameOf(exePath);
  name = name.substr(0, name.find('.'));
  if (name.empty()) return name;
  const std::size_t first = utf8::DecodeAt(name, 0).length;
  return name.substr(0, first) + platform::LowerCaseForLocale(name.substr(first));
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void ErrorBox(const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e) != nullptr) return;
  platform::ShowMessageBox(platform::MessageBoxKind::Error, ApplicationTitle,
                           ErrorBoxText(e.what()));
}

std::string FatalErrorText(const std::string& className, const std::string& moduleName,
                           std::uintptr_t offset, const std::string& message) {
  std::string stop = !message.empty() && message.back() != '.' ? "." : "";
  return text::Format("Exception %s dans le module %s dans %.8X.\r\n%s%s\r\n",
                      {className, moduleName, static_cast<std::int64_t>(offset), message, stop});
}

void FatalErrorBox(const std::exception& e) {
  const auto* own = dynamic_cast<const Exception*>(&e);
  std::string className = own != nullptr ? own->ClassName() : ForeignClassName(e);
  const void* address = own != nullptr ? own->RaiseAddress() : nullptr;
  std::string modulePath;
  std::uintptr_t base = 0;
  std::uintptr_t offset;
  if (address != nullptr && platform::FindModuleOfAddress(address, modulePath, base)) {
    offset = reinterpret_cast<std::uintptr_t>(address) - base;
  } else {
    // An address in no module: the program's own name and the address less one page.
    modulePath = platform::GetExecutablePath();
    offset = reinterpret_cast<std::uintptr_t>(address) - 4096;
  }
  platform::ShowMessageBox(platform::MessageBoxKind::Fatal, "Erreur d'application",
                           FatalErrorText(className, FileNameOf(modulePath), offset, e.what()));
}

std::string SystemCallErrorText(std::uint32_t code, const std::string& systemText) {
  if (code == 0) return "Un appel à une fonction du système d'exploitation a échoué";
  return text::Format("Erreur système. Code : %d.\r\n%s",
                      {std::int64_t{code}, text::TrimTrailingDotsAndControls(systemText)});
}

void CheckShown(const platform::ShowResult& result) {
  if (result.shown) return;
  const auto code = static_cast<platform::HResult>(result.systemError);
  throw EOSError(SystemCallErrorText(result.systemError, platform::SystemErrorText(code)),
                 result.systemError);
}
