// Linux side of the ui seam: the file chooser of the FLTK front-end and its windows' icon.
#include "platform/posix/frontend/fltk_desktop.h"

#include <FL/Fl.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>
#include <png.h>

#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <memory>

namespace platform::posix {

namespace {

// The PNG decoded to 8-bit RGBA with libpng, or nullptr when it cannot be.
std::unique_ptr<Fl_RGB_Image> DecodePng(const IconPng& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.bytes, png.size)) return nullptr;
  image.format = PNG_FORMAT_RGBA;
  auto pixels = std::make_unique<unsigned char[]>(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr)) {
    png_image_free(&image);
    return nullptr;
  }
  auto rgb = std::make_unique<Fl_RGB_Image>(pixels.release(), static_cast<int>(image.width),
                                            static_cast<int>(image.height), 4);
  rgb->alloc_array = 1;  // the image owns its pixels from here on
  return rgb;
}

}  // namespace

void UseProgramIconOnWindows() {
  // FLTK copies the images it is given.
  std::vector<std::unique_ptr<Fl_RGB_Image>> images;
  std::vector<const Fl_RGB_Image*> list;
  for (const IconPng& png : kProgramIcons) {
    if (std::unique_ptr<Fl_RGB_Image> image = DecodePng(png)) {
      list.push_back(image.get());
      images.push_back(std::move(image));
    }
  }
  if (!list.empty()) Fl_Window::default_icons(list.data(), static_cast<int>(list.size()));
}

std::optional<std::string> ChooseFileOnDisplay(const std::string& title) {
  Fl_Native_File_Chooser chooser(Fl_Native_File_Chooser::BROWSE_FILE);
  chooser.title(title.c_str());
  // The folder the program was started in (a launcher's is the home folder), rather than GTK's
  // list of recent files.
  if (char* folder = ::getcwd(nullptr, 0)) {
    chooser.directory(folder);  // FLTK copies it
    std::free(folder);
  }
  // The file's content decides what it is, not its name: every file can be chosen, Access's
  // own first.
  chooser.filter("Bases Access\t*.{mdb,MDB}\nTous les fichiers\t*");
  const int shown = chooser.show();
  if (shown < 0) {
    const char* why = chooser.errmsg();
    std::cerr << "upgrade405: the file chooser failed: " << (why ? why : "") << "\n";
  }
  if (shown != 0) return std::nullopt;
  const char* path = chooser.filename();
  if (path == nullptr || *path == '\0') return std::nullopt;
  return std::string(path);
}

}  // namespace platform::posix
