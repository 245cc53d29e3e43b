// The application object: its title, and the displays of exceptions that escape an event
// handler (ErrorBox) or the program's entry (FatalErrorBox).
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/ui.h"

// The caption of the notice box, the error box and the taskbar entry.
extern std::string ApplicationTitle;

// The title for an executable at `exePath`: the file name, cut at its first full stop, every
// character but the first lower-cased for the user's locale.
std::string DeriveApplicationTitle(const std::string& exePath);

// The error box's text for an exception message: a full stop is added when the last character
// sorts after "." in byte order.
std::string ErrorBoxText(const std::string& message);

// Shows an exception that escaped an event handler; the program goes on. EAbort shows nothing.
void ErrorBox(const std::exception& e);

// Runs an event handler; whatever escapes it goes to ErrorBox.
template <class Handler>
void RunEventHandler(Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    ErrorBox(e);
  }
}

// The fatal box's text: class, module file name, offset, message and its closing full stop.
std::string FatalErrorText(const std::string& className, const std::string& moduleName,
                           std::uintptr_t offset, const std::string& message);

// Shows an exception that escaped the program's entry.
void FatalErrorBox(const std::exception& e);

// The message of a failed call of the system: "Erreur système. Code : %d." and the system's
// text for the code on a second line, or, without a code, that a call of the system failed.
std::string SystemCallErrorText(std::uint32_t code, const std::string& systemText);

// Raises EOSError when the window the program asked for could not be created, so that the
// failure travels like any other instead of passing for a window the user closed.
void CheckShown(const platform::ShowResult& result);
