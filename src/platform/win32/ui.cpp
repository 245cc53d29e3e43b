// Windows side of the ui seam: the hidden application window, the upgrade dialog, the notice
// box, the message boxes, the message loop and the clipboard, all in plain Win32.
#include "platform/ui.h"

#include <cstring>
#include <vector>

#include "platform/win32/support.h"
#include "platform/win32/ui_internal.h"

namespace platform {

using win32::Font;
using win32::Narrow;
using win32::ScopedSelect;
using win32::ScreenDc;
using win32::Widen;

namespace {

const wchar_t kApplicationClass[] = L"Upgrade405Application";
const wchar_t kDialogClass[] = L"TForm1";
const wchar_t kNoticeClass[] = L"Upgrade405Notice";
constexpr int kButtonId = 100;  // neither IDOK nor IDCANCEL: Escape must not press it

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

// The program's icon at `size` pixels, or the system's application icon when the module has
// no "MAINICON" (as in the test program).
HICON MainIcon(int size) {
  auto icon = static_cast<HICON>(
      LoadImageW(Instance(), L"MAINICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
  return icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(Instance(), name, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = Instance();
  wc.hIcon = MainIcon(GetSystemMetrics(SM_CXICON));
  wc.hIconSm = MainIcon(GetSystemMetrics(SM_CXSMICON));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

bool KeyDown(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

// The per-window state a window procedure reaches through GWLP_USERDATA, set from the
// creation parameter.
template <class State>
State* StateOf(HWND hwnd, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

Font MakeFont(const FontSpec& font, int height) {
  LOGFONTW lf{};
  lf.lfHeight = -height;  // a character height, internal leading excluded
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  const std::wstring face = Widen(font.face);
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  return Font(CreateFontIndirectW(&lf));
}

int ScreenPixelsPerInch() {
  ScreenDc dc;
  return GetDeviceCaps(dc.Get(), LOGPIXELSY);
}

// Sizes of the window font are given for 96 pixels per inch; the font follows the screen.
int AtScreenResolution(int height) {
  return MulDiv(height, ScreenPixelsPerInch(), 96);
}

// --- the application window ---

HWND applicationWindow = nullptr;
HWND runningDialog = nullptr;
win32::ClipboardFault clipboardFault = win32::ClipboardFault::None;

LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Closing the taskbar entry closes the dialog.
      if (runningDialog != nullptr) PostMessageW(runningDialog, WM_CLOSE, 0, 0);
      return 0;
    case WM_SETFOCUS: {
      // The taskbar entry was chosen: the window the user last worked in takes over.
      HWND popup = GetLastActivePopup(hwnd);
      if (popup != nullptr && popup != hwnd && IsWindowEnabled(popup)) SetFocus(popup);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// Runs messages until `done` is true, letting `window` handle its keyboard navigation.
// `preview` may take a message before anything else does.
template <class Preview>
void RunLoop(HWND window, const bool& done, Preview&& preview) {
  MSG msg;
  while (!done) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside this one
      return;
    }
    if (got < 0) return;
    if (preview(msg)) continue;
    if (IsWindow(window) && IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Disables the thread's enabled, visible top-level windows but `except` for a scope, as a
// modal window does, and enables them again.
class TaskWindowsDisabled {
 public:
  explicit TaskWindowsDisabled(HWND except) : except_(except) {
    EnumThreadWindows(GetCurrentThreadId(), &TaskWindowsDisabled::Visit,
                      reinterpret_cast<LPARAM>(this));
  }
  TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
  TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;
  ~TaskWindowsDisabled() {
    for (HWND hwnd : disabled_) {
      if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    }
  }

 private:
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM self) {
    auto* me = reinterpret_cast<TaskWindowsDisabled*>(self);
    if (hwnd != me->except_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
      EnableWindow(hwnd, FALSE);
      me->disabled_.push_back(hwnd);
    }
    return TRUE;
  }
  HWND except_;
  std::vector<HWND> disabled_;
};

// --- the dialog ---

struct DialogState {
  const std::function<void()>* onPress = nullptr;
  HWND button = nullptr;
  HFONT windowFont = nullptr;
  bool closed = false;
};

LRESULT CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = StateOf<DialogState>(hwnd, message, lParam);
  if (state == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      // Only the button's click runs the handler; Escape's IDCANCEL does nothing.
      if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) (*state->onPress)();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && state->button != nullptr) SetFocus(state->button);
      return 0;
    case WM_SETFOCUS:
      if (state->button != nullptr) SetFocus(state->button);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state->windowFont);
    case DM_GETDEFID:
      // Enter on the focused button presses it.
      return MAKELRESULT(kButtonId, DC_HASDEFID);
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      state->closed = true;
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// --- the notice box ---

struct NoticeState {
  const std::function<void()>* onCopy = nullptr;
  HWND button = nullptr;
  bool done = false;
};

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  NoticeState* state = StateOf<NoticeState>(hwnd, message, lParam);
  if (state == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND:
      // The one button is default and cancel: its click, Enter, Space and Escape dismiss.
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) state->done = true;
      return 0;
    case WM_CLOSE:
      state->done = true;
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && state->button != nullptr) SetFocus(state->button);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// A window (or one of its controls) that CreateWindowEx did not make, with the system's reason.
ShowResult NotCreated() {
  return {false, static_cast<std::uint32_t>(GetLastError())};
}

// Dialog units of `font`: the average character width and the text height.
SIZE DialogUnits(HDC dc) {
  static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE extent{};
  GetTextExtentPoint32W(dc, kAlphabet, 52, &extent);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  return {(extent.cx / 26 + 1) / 2, tm.tmHeight};
}

}  // namespace

namespace win32 {

HWND ApplicationWindowForTesting() {
  return applicationWindow;
}

void SetClipboardFaultForTesting(ClipboardFault fault) {
  clipboardFault = fault;
}

NoticeLayout ComputeNoticeLayout(HFONT font, const std::wstring& text, int screenWidth) {
  ScreenDc dc;
  ScopedSelect select(dc.Get(), font);
  const SIZE units = DialogUnits(dc.Get());
  RECT textRect{0, 0, screenWidth / 2, 0};
  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &textRect,
            DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_LEFT);
  NoticeLayout layout;
  const int horizontalMargin = MulDiv(8, units.cx, 4);
  const int verticalMargin = MulDiv(8, units.cy, 8);
  const int spacing = MulDiv(10, units.cy, 8);
  layout.text = {horizontalMargin, verticalMargin, textRect.right - textRect.left,
                 textRect.bottom - textRect.top};
  const int buttonWidth = MulDiv(50, units.cx, 4);
  const int buttonHeight = MulDiv(14, units.cy, 8);
  const int contentWidth = layout.text.width > buttonWidth ? layout.text.width : buttonWidth;
  layout.clientWidth = contentWidth + 2 * horizontalMargin;
  layout.button = {(layout.clientWidth - buttonWidth) / 2,
                   verticalMargin + layout.text.height + spacing, buttonWidth, buttonHeight};
  layout.clientHeight = layout.button.top + buttonHeight + verticalMargin;
  return layout;
}

}  // namespace win32

void CreateApplicationWindow(const std::string& title) {
  if (applicationWindow != nullptr) return;
  RegisterWindowClass(kApplicationClass, ApplicationProc);
  // A window of no size in the middle of the screen: it is never seen, only its taskbar entry.
  applicationWindow =
      CreateWindowExW(0, kApplicationClass, Widen(title).c_str(),
                      WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                      GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                      nullptr, nullptr, Instance(), nullptr);
  if (applicationWindow == nullptr) return;
  SendMessageW(applicationWindow, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(MainIcon(GetSystemMetrics(SM_CXICON))));
  SendMessageW(applicationWindow, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(MainIcon(GetSystemMetrics(SM_CXSMICON))));
}

void DestroyApplicationWindow() {
  if (applicationWindow == nullptr) return;
  DestroyWindow(applicationWindow);
  applicationWindow = nullptr;
}

ScreenMetrics GetScreenMetrics() {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), ScreenPixelsPerInch()};
}

int GetFontTextHeight(const FontSpec& font, int pixelsPerInch) {
  Font handle = MakeFont(font, MulDiv(font.height, pixelsPerInch, 96));
  if (handle.Get() == nullptr) return 0;
  ScreenDc dc;
  ScopedSelect select(dc.Get(), handle.Get());
  // The system substitutes another face for one it lacks; that is not this font.
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc.Get(), LF_FACESIZE, face);
  if (lstrcmpiW(face, Widen(font.face).c_str()) != 0) return 0;
  TEXTMETRICW tm{};
  if (!GetTextMetricsW(dc.Get(), &tm)) return 0;
  return tm.tmHeight;
}

ShowResult RunDialog(const DialogLayout& layout, const std::function<void()>& onPress) {
  RegisterWindowClass(kDialogClass, DialogProc);
  DialogState state;
  state.onPress = &onPress;
  Font windowFont = MakeFont(layout.windowFont, AtScreenResolution(layout.windowFont.height));
  Font buttonFont = MakeFont(layout.buttonFont, layout.buttonFont.height);
  state.windowFont = windowFont.Get();

  // A dialog frame with the system menu and the close box only, placed as designed.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  win32::Window window(CreateWindowExW(exStyle, kDialogClass, Widen(layout.caption).c_str(), style,
                                       layout.left, layout.top, frame.right - frame.left,
                                       frame.bottom - frame.top, applicationWindow, nullptr,
                                       Instance(), &state));
  if (window.Get() == nullptr) return NotCreated();
  const Rect& b = layout.buttonBounds;
  state.button = CreateWindowExW(
      0, L"BUTTON", Widen(layout.buttonCaption).c_str(),
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, b.left, b.top, b.width, b.height,
      window.Get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), Instance(), nullptr);
  if (state.button == nullptr) return NotCreated();
  SendMessageW(state.button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont.Get()), FALSE);

  runningDialog = window.Get();
  if (applicationWindow != nullptr) ShowWindow(applicationWindow, SW_SHOWNOACTIVATE);
  ShowWindow(window.Get(), SW_SHOW);
  UpdateWindow(window.Get());
  SetForegroundWindow(window.Get());
  SetFocus(state.button);

  RunLoop(window.Get(), state.closed, [](const MSG& msg) {
    // Enter presses the focused button only when no Shift or Ctrl is held.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
        (KeyDown(VK_SHIFT) || KeyDown(VK_CONTROL))) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      return true;
    }
    return false;
  });
  runningDialog = nullptr;
  if (applicationWindow != nullptr) ShowWindow(applicationWindow, SW_HIDE);
  return {};
}

ShowResult ShowNoticeBox(const std::string& caption, const std::string& text,
                         const std::string& buttonCaption, const std::function<void()>& onCopy) {
  RegisterWindowClass(kNoticeClass, NoticeProc);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  Font font(CreateFontIndirectW(&metrics.lfMessageFont));
  const std::wstring wideText = Widen(text);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const win32::NoticeLayout layout = win32::ComputeNoticeLayout(font.Get(), wideText, screenWidth);

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;

  NoticeState state;
  state.onCopy = &onCopy;
  win32::Window window(CreateWindowExW(exStyle, kNoticeClass, Widen(caption).c_str(), style,
                                       (screenWidth - width) / 2,
                                       (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                       applicationWindow, nullptr, Instance(), &state));
  if (window.Get() == nullptr) return NotCreated();
  // A static control draws its text as DrawText does: wrapped, '&' marking a mnemonic.
  HWND label = CreateWindowExW(0, L"STATIC", wideText.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT,
                               layout.text.left, layout.text.top, layout.text.width,
                               layout.text.height, window.Get(), nullptr, Instance(), nullptr);
  if (label == nullptr) return NotCreated();
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
  const Rect& b = layout.button;
  state.button = CreateWindowExW(
      0, L"BUTTON", Widen(buttonCaption).c_str(),
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, b.left, b.top, b.width, b.height,
      window.Get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), Instance(), nullptr);
  if (state.button == nullptr) return NotCreated();
  SendMessageW(state.button, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);

  HWND previouslyActive = GetActiveWindow();
  {
    TaskWindowsDisabled modal(window.Get());
    ShowWindow(window.Get(), SW_SHOW);
    SetForegroundWindow(window.Get());
    SetFocus(state.button);
    RunLoop(window.Get(), state.done, [&](const MSG& msg) {
      // Ctrl+C, with Ctrl alone held, copies the box.
      if (msg.message == WM_KEYDOWN && msg.wParam == 'C' && KeyDown(VK_CONTROL) &&
          !KeyDown(VK_SHIFT) && !KeyDown(VK_MENU)) {
        onCopy();
        return true;
      }
      return false;
    });
  }
  // The other windows are enabled again before this one goes, so activation returns to them.
  window.Reset();
  if (previouslyActive != nullptr && IsWindow(previouslyActive)) {
    SetActiveWindow(previouslyActive);
  }
  return {};
}

void ShowMessageBox(MessageBoxKind kind, const std::string& caption, const std::string& text) {
  const std::wstring wideCaption = Widen(caption);
  const std::wstring wideText = Widen(text);
  if (kind == MessageBoxKind::Fatal) {
    MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(),
                MB_OK | MB_TASKMODAL | MB_ICONERROR);
    return;
  }
  // Modal for the program's windows; the active window and the focused control get them back.
  HWND active = GetActiveWindow();
  HWND focus = GetFocus();
  {
    TaskWindowsDisabled modal(nullptr);
    MessageBoxW(applicationWindow, wideText.c_str(), wideCaption.c_str(), MB_OK | MB_ICONSTOP);
  }
  if (active != nullptr && IsWindow(active)) SetActiveWindow(active);
  if (focus != nullptr && IsWindow(focus)) SetFocus(focus);
}

// The Windows product names its database on the command line only.
DatabaseChoice ChooseDatabaseIfAsked(const std::string&, std::string&) {
  return DatabaseChoice::NotAsked;
}

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Beep() {
  MessageBeep(0);
}

bool SetClipboardText(const std::string& text) {
  // The text's memory first, so that a copy that cannot have it leaves the clipboard as it was.
  const std::wstring wide = Widen(text);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = clipboardFault == win32::ClipboardFault::Allocation
                       ? nullptr
                       : GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory == nullptr) return false;
  void* target = GlobalLock(memory);
  if (target == nullptr) {
    GlobalFree(memory);
    return false;
  }
  std::memcpy(target, wide.c_str(), bytes);
  GlobalUnlock(memory);
  if (!OpenClipboard(applicationWindow)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  // The clipboard owns the memory once it has taken it; what it refused is still ours.
  const bool placed = clipboardFault != win32::ClipboardFault::Handover &&
                      SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!placed) GlobalFree(memory);
  CloseClipboard();
  return placed;
}

}  // namespace platform
