// How the FLTK front-end's windows are framed and lettered: font slots, fontconfig's families,
// the window manager's hints and activation.
#include "platform/posix/frontend/fltk_frame.h"

#include <FL/Fl.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <set>

namespace platform::posix {

namespace {

// Motif window-manager hints. Most window managers take the functions and decorations from
// them; openbox takes only moving and resizing, and keeps its minimise button.
struct MotifWmHints {
  unsigned long flags, functions, decorations;
  long inputMode;
  unsigned long status;
};
constexpr unsigned long kMwmHintsFunctions = 1, kMwmHintsDecorations = 2;
constexpr unsigned long kMwmFuncMove = 4, kMwmFuncClose = 32;
constexpr unsigned long kMwmDecorBorder = 2, kMwmDecorTitle = 8, kMwmDecorMenu = 16;

}  // namespace

// FLTK keeps the name's pointer and compares with it at the next change, so the names live as
// long as the process.
void SetFontSlot(Fl_Font slot, const FontSpec& font) {
  static std::set<std::string> names;
  const std::string& name = *names.insert((font.bold ? "B" : " ") + font.face).first;
  Fl::set_font(slot, name.c_str());
}

bool HasFontFamily(const std::string& family) {
  std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(FcPatternCreate(),
                                                                  FcPatternDestroy);
  std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(FcObjectSetCreate(),
                                                                      FcObjectSetDestroy);
  if (!pattern || !objects) return false;
  const auto* name = reinterpret_cast<const FcChar8*>(family.c_str());
  if (!FcPatternAddString(pattern.get(), FC_FAMILY, name) ||
      !FcObjectSetAdd(objects.get(), FC_FAMILY)) {
    return false;
  }
  std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
      FcFontList(nullptr, pattern.get(), objects.get()), FcFontSetDestroy);
  return fonts && fonts->nfont > 0;
}

void ActivateWindow(Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;  // the request comes from an application
  event.xclient.data.l[1] = static_cast<long>(fl_event_time);
  XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(fl_display);
}

// FLTK's own hints leave minimising. The window manager reads these properties when it takes
// the window on its map request, and FLTK maps the window inside show(); the server grab keeps
// the window manager from reading them before they are set.
void ShowWithFrame(Fl_Window& window, const FrameRequest& request) {
  fl_open_display();
  XGrabServer(fl_display);
  window.show();
  Window xid = fl_xid(&window);
  if (request.corner) {
    auto [x, y] = *request.corner;
    // North-west gravity puts the frame's corner at the position (FLTK asks for static
    // gravity, which puts the client origin there).
    XSizeHints* hints = XAllocSizeHints();
    if (hints != nullptr) {
      long supplied = 0;
      XGetWMNormalHints(fl_display, xid, hints, &supplied);
      hints->flags |= PWinGravity | USPosition;
      hints->win_gravity = NorthWestGravity;
      hints->x = x;
      hints->y = y;
      XSetWMNormalHints(fl_display, xid, hints);
      XFree(hints);
    }
    // FLTK pulls a window that would stick out of the screen back onto it; this one stays
    // where it was designed to stand.
    XMoveWindow(fl_display, xid, x, y);
  }
  if (!request.owned) XDeleteProperty(fl_display, xid, XA_WM_TRANSIENT_FOR);
  MotifWmHints motif{kMwmHintsFunctions | kMwmHintsDecorations, kMwmFuncMove | kMwmFuncClose,
                     kMwmDecorBorder | kMwmDecorTitle | kMwmDecorMenu, 0, 0};
  Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, xid, atom, atom, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&motif), 5);
  XUngrabServer(fl_display);
  XFlush(fl_display);
}

}  // namespace platform::posix
