// Linux side of the ui seam: what the FLTK front-end takes from the desktop around it, the file
// chooser and the program's icon on its windows.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform::posix {

// One size of the program's icon, as PNG bytes.
struct IconPng {
  const unsigned char* bytes;
  std::size_t size;
};
// The sizes the windows offer the window manager (made by the build from data/icons).
extern const std::vector<IconPng> kProgramIcons;

// Makes the program's icon the one every FLTK window shown from now on carries. Sizes that
// cannot be decoded are left out; without any, the windows keep the window manager's own.
void UseProgramIconOnWindows();

// Asks for an existing file with the desktop's file chooser (GTK's when it is installed, FLTK's
// own otherwise), titled `title`, starting in the current folder: its path, or nothing when the
// user cancels.
std::optional<std::string> ChooseFileOnDisplay(const std::string& title);

}  // namespace platform::posix
