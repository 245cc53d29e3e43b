// Windows side: the parts of the Win32 user interface that its tests look at directly.
#pragma once

#include <string>

#include "platform/ui.h"
#include "platform/win32/system_headers.h"

namespace platform::win32 {

// The hidden application window, or nullptr before it is created.
HWND ApplicationWindowForTesting();

// Test-only: makes the clipboard copies that follow fail as they do when memory runs out: the
// memory for the text cannot be had (GlobalAlloc), or the clipboard does not take it
// (SetClipboardData). None puts the real calls back.
enum class ClipboardFault { None, Allocation, Handover };
void SetClipboardFaultForTesting(ClipboardFault fault);

// Where the notice box puts its text and its button, in client coordinates.
struct NoticeLayout {
  Rect text;
  Rect button;
  int clientWidth = 0;
  int clientHeight = 0;
};
// The text wrapped at half `screenWidth` in `font`, the button centred below it, margins in
// dialog units of the font.
NoticeLayout ComputeNoticeLayout(HFONT font, const std::wstring& text, int screenWidth);

}  // namespace platform::win32
