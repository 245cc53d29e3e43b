// The Win32 windows of the program, shown for real (on wine's X display here) and driven from a
// timer inside their own message loop: what they look like, where they are, and how they answer
// the keyboard and the mouse.
#include "platform/ui.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/exceptions.h"
#include "components/application.h"
#include "components/notice_box.h"
#include "main.h"
#include "platform/database.h"
#include "platform/win32/support.h"
#include "platform/win32/ui_internal.h"

namespace {

using platform::win32::ApplicationWindowForTesting;
using platform::win32::Narrow;
using platform::win32::Widen;

std::string ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return Narrow(name);
}

std::string TextOf(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

struct WindowSearch {
  std::string name;
  HWND found = nullptr;
};

BOOL CALLBACK MatchVisibleClass(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (IsWindowVisible(hwnd) && ClassOf(hwnd) == search->name) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The visible top-level window of this thread with the class `name`, or nullptr.
HWND FindThreadWindow(const std::string& name) {
  WindowSearch search{name};
  EnumThreadWindows(GetCurrentThreadId(), &MatchVisibleClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

BOOL CALLBACK DismissWindow(HWND hwnd, LPARAM) {
  PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, &CollectWindow, reinterpret_cast<LPARAM>(&children));
  return children;
}

HWND ChildOfClass(HWND parent, const std::string& name) {
  for (HWND child : ChildrenOf(parent)) {
    if (lstrcmpiW(Widen(ClassOf(child)).c_str(), Widen(name).c_str()) == 0) return child;
  }
  return nullptr;
}

// Holds Ctrl (and Shift) down in this thread's keyboard state, as GetKeyState reports it.
void SetModifiers(bool control, bool shift) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = control ? 0x80 : 0;
  keys[VK_LCONTROL] = control ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  keys[VK_LSHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
}

void PostKey(HWND target, WPARAM key) {
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

// Runs `step` from the thread's message loop every 30 ms until it returns true. After about
// ten seconds it gives up, records a failure and closes what this thread shows.
class Script {
 public:
  explicit Script(std::function<bool()> step) : step_(std::move(step)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 30, &Script::Tick);
  }
  Script(const Script&) = delete;
  Script& operator=(const Script&) = delete;
  ~Script() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool Finished() const { return finished_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* self = current_;
    if (self == nullptr || self->finished_ || self->running_) return;
    self->running_ = true;
    if (self->step_()) {
      self->finished_ = true;
    } else if (++self->ticks_ > 330) {
      self->finished_ = true;
      ADD_FAILURE() << "the script did not finish";
      EnumThreadWindows(GetCurrentThreadId(), &DismissWindow, 0);
    }
    self->running_ = false;
  }

  static inline Script* current_ = nullptr;
  std::function<bool()> step_;
  UINT_PTR timer_ = 0;
  int ticks_ = 0;
  bool running_ = false;
  bool finished_ = false;
};

// Refuses, for as long as it lives, the creation of this thread's windows of the class `name`:
// a CBT hook that answers "no" makes CreateWindowEx fail as it does when the system cannot make
// the window.
class ScopedWindowCreationRefused {
 public:
  explicit ScopedWindowCreationRefused(std::wstring name) {
    refusedClass_ = std::move(name);
    hook_ = SetWindowsHookExW(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
  }
  ScopedWindowCreationRefused(const ScopedWindowCreationRefused&) = delete;
  ScopedWindowCreationRefused& operator=(const ScopedWindowCreationRefused&) = delete;
  ~ScopedWindowCreationRefused() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  }
  bool active() const { return hook_ != nullptr; }
  static int refusals() { return refusals_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      wchar_t name[64] = {};
      GetClassNameW(reinterpret_cast<HWND>(wParam), name, 64);
      if (lstrcmpiW(name, refusedClass_.c_str()) == 0) {
        ++refusals_;
        return 1;
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  static inline std::wstring refusedClass_;
  static inline int refusals_ = 0;
  HHOOK hook_ = nullptr;
};

class Windows : public ::testing::Test {
 protected:
  void SetUp() override { platform::CreateApplicationWindow("Upgrade405"); }
  void TearDown() override {
    SetModifiers(false, false);
    platform::DestroyApplicationWindow();
  }
};

using UpgradeDialog = Windows;

TEST_F(UpgradeDialog, IsTheDesignedDialogAtItsDesignedPlace) {
  struct Seen {
    std::string caption, buttonClass, buttonText;
    RECT window{}, client{}, button{};
    LONG_PTR style = 0, exStyle = 0, buttonStyle = 0;
    HWND owner = nullptr, focus = nullptr, buttonHwnd = nullptr;
    LOGFONTW buttonFont{};
    LONG_PTR background = 0;
    bool applicationShown = false;
  } seen;
  HWND application = ApplicationWindowForTesting();
  ASSERT_NE(application, nullptr);
  int presses = 0;
  Script script([&] {
    HWND dialog = FindThreadWindow("TForm1");
    if (dialog == nullptr) return false;
    seen.caption = TextOf(dialog);
    GetWindowRect(dialog, &seen.window);
    GetClientRect(dialog, &seen.client);
    seen.style = GetWindowLongPtrW(dialog, GWL_STYLE);
    seen.exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    seen.owner = GetWindow(dialog, GW_OWNER);
    seen.background = static_cast<LONG_PTR>(GetClassLongPtrW(dialog, GCLP_HBRBACKGROUND));
    seen.applicationShown = IsWindowVisible(application) != FALSE;
    seen.buttonHwnd = ChildOfClass(dialog, "Button");
    if (seen.buttonHwnd != nullptr) {
      seen.buttonClass = ClassOf(seen.buttonHwnd);
      seen.buttonText = TextOf(seen.buttonHwnd);
      GetWindowRect(seen.buttonHwnd, &seen.button);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&seen.button), 2);
      seen.buttonStyle = GetWindowLongPtrW(seen.buttonHwnd, GWL_STYLE);
      auto font = reinterpret_cast<HFONT>(SendMessageW(seen.buttonHwnd, WM_GETFONT, 0, 0));
      GetObjectW(font, sizeof seen.buttonFont, &seen.buttonFont);
    }
    seen.focus = GetFocus();
    PostMessageW(dialog, WM_CLOSE, 0, 0);  // the close box
    return true;
  });
  platform::RunDialog(BuildDialogLayout(13), [&] { ++presses; });
  ASSERT_TRUE(script.Finished());

  EXPECT_EQ(seen.caption,
            "Mise-\xC3\xA0-jour base de donn\xC3\xA9"
            "e 4.04 -> 4.05");
  EXPECT_EQ(seen.window.left, 337);
  EXPECT_EQ(seen.window.top, 137);
  EXPECT_EQ(seen.client.right - seen.client.left, 289);
  EXPECT_EQ(seen.client.bottom - seen.client.top, 89);
  EXPECT_TRUE((seen.style & WS_CAPTION) == WS_CAPTION);
  EXPECT_TRUE(seen.style & WS_SYSMENU);
  EXPECT_FALSE(seen.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(seen.exStyle & WS_EX_DLGMODALFRAME);
  EXPECT_EQ(seen.owner, application);
  EXPECT_TRUE(seen.applicationShown);
  EXPECT_EQ(seen.background, static_cast<LONG_PTR>(COLOR_BTNFACE + 1));

  ASSERT_NE(seen.buttonHwnd, nullptr);
  EXPECT_EQ(seen.buttonText, "Mise-\xC3\xA0-jour");
  EXPECT_EQ(seen.buttonStyle & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(seen.button.left, 0);
  EXPECT_EQ(seen.button.top, 0);
  EXPECT_EQ(seen.button.right, 289);
  EXPECT_EQ(seen.button.bottom, 89);
  EXPECT_EQ(Narrow(seen.buttonFont.lfFaceName), "Arial");
  EXPECT_EQ(seen.buttonFont.lfHeight, -40);
  EXPECT_EQ(seen.buttonFont.lfWeight, FW_BOLD);
  EXPECT_EQ(seen.focus, seen.buttonHwnd);
  EXPECT_EQ(presses, 0);
  EXPECT_FALSE(IsWindowVisible(application));  // the taskbar entry goes with the dialog
}

TEST_F(UpgradeDialog, ClickSpaceAndEnterPressEscapeAndModifiedEnterDoNot) {
  int presses = 0;
  std::vector<int> seen;
  int step = 0;
  bool alive = false;
  Script script([&] {
    HWND dialog = FindThreadWindow("TForm1");
    if (dialog == nullptr) return false;
    HWND button = ChildOfClass(dialog, "Button");
    seen.push_back(presses);
    switch (step++) {
      case 0:
        SendMessageW(button, BM_CLICK, 0, 0);
        return false;
      case 1:
        PostKey(button, VK_SPACE);
        return false;
      case 2:
        PostKey(button, VK_RETURN);
        return false;
      case 3:
        PostKey(button, VK_ESCAPE);
        return false;
      case 4:
        SetModifiers(true, false);
        PostKey(button, VK_RETURN);
        return false;
      case 5:
        SetModifiers(false, false);
        alive = IsWindowVisible(dialog) != FALSE;
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
        return true;
      default:
        return true;
    }
  });
  platform::RunDialog(BuildDialogLayout(13), [&] { ++presses; });
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 3, 3}));
  EXPECT_TRUE(alive);  // Escape did not close it
  EXPECT_EQ(presses, 3);
}

TEST_F(UpgradeDialog, ErrorBoxFromAPressDisablesItAndGivesTheFocusBack) {
  bool dialogDisabled = false, focusBack = false, activeBack = false, boxSeen = false;
  int step = 0;
  Script script([&] {
    HWND dialog = FindThreadWindow("TForm1");
    if (dialog == nullptr) return false;
    HWND button = ChildOfClass(dialog, "Button");
    switch (step) {
      case 0:
        PostMessageW(button, BM_CLICK, 0, 0);  // handled by the loop, not inside this tick
        ++step;
        return false;
      case 1: {
        HWND box = FindThreadWindow("#32770");
        if (box == nullptr) return false;
        boxSeen = true;
        dialogDisabled = !IsWindowEnabled(dialog);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ++step;
        return false;
      }
      default:
        if (FindThreadWindow("#32770") != nullptr) return false;
        focusBack = GetFocus() == button;
        activeBack = GetActiveWindow() == dialog;
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        return true;
    }
  });
  platform::RunDialog(BuildDialogLayout(13), [] {
    platform::ShowMessageBox(platform::MessageBoxKind::Error, "Upgrade405", "Erreur.");
  });
  ASSERT_TRUE(script.Finished());
  EXPECT_TRUE(boxSeen);
  EXPECT_TRUE(dialogDisabled);
  EXPECT_TRUE(focusBack);
  EXPECT_TRUE(activeBack);
}

TEST_F(UpgradeDialog, ScaledLayoutsGrowTheClientAreaAndTheButtonFont) {
  RECT client{};
  LOGFONTW font{};
  Script script([&] {
    HWND dialog = FindThreadWindow("TForm1");
    if (dialog == nullptr) return false;
    GetClientRect(dialog, &client);
    auto handle =
        reinterpret_cast<HFONT>(SendMessageW(ChildOfClass(dialog, "Button"), WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof font, &font);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    return true;
  });
  platform::RunDialog(BuildDialogLayout(16), [] {});
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(client.right, 356);
  EXPECT_EQ(client.bottom, 110);
  EXPECT_EQ(font.lfHeight, -49);
}

TEST_F(UpgradeDialog, ADialogThatCannotBeCreatedFailsTheRunInsteadOfEndingIt) {
  struct Com {
    Com() { platform::InitializeCom(); }
    ~Com() { platform::UninitializeCom(); }
  } com;
  TForm1 form;  // the components, on wine's ADO; the database is never opened
  ScopedWindowCreationRefused refused(L"TForm1");
  ASSERT_TRUE(refused.active());
  const int before = ScopedWindowCreationRefused::refusals();
  try {
    form.ShowAndRun();
    ADD_FAILURE() << "the run ended as if the user had closed the dialog";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EOSError") << e.what();
    EXPECT_NE(e.Message(), "");
  }
  EXPECT_EQ(ScopedWindowCreationRefused::refusals(), before + 1);
  EXPECT_EQ(FindThreadWindow("TForm1"), nullptr);
  EXPECT_FALSE(IsWindowVisible(ApplicationWindowForTesting()));
}

using NoticeBox = Windows;

TEST_F(NoticeBox, ABoxThatCannotBeCreatedRaisesTheSystemsError) {
  ScopedWindowCreationRefused refused(L"Upgrade405Notice");
  ASSERT_TRUE(refused.active());
  try {
    ::NoticeBox(
        "Mise \xC3\xA0 jour effetu\xC3\xA9"
        "e.");
    ADD_FAILURE() << "the notice was taken for shown and dismissed";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EOSError") << e.what();
  }
  EXPECT_EQ(FindThreadWindow("Upgrade405Notice"), nullptr);
}

TEST_F(NoticeBox, ShowsTheTextAboveOneCentredDefaultButton) {
  const std::string text =
      "Base de donn\xC3\xA9"
      "e non trouv\xC3\xA9"
      "e dans :\n\rC:\\R&D\\NUV.MDB";
  struct Seen {
    std::string caption, label, button;
    LONG_PTR buttonStyle = 0;
    RECT window{}, labelRect{};
    bool focusOnButton = false, otherDisabled = false, hasOwner = false;
  } seen;
  // Another window of the program, which the box disables while it is shown.
  platform::win32::Window other(CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0,
                                                50, 50, nullptr, nullptr, nullptr, nullptr));
  int copies = 0;
  int step = 0;
  Script script([&] {
    HWND box = FindThreadWindow("Upgrade405Notice");
    if (box == nullptr) return false;
    HWND button = ChildOfClass(box, "Button");
    switch (step++) {
      case 0: {
        seen.caption = TextOf(box);
        HWND label = ChildOfClass(box, "Static");
        seen.label = TextOf(label);
        GetWindowRect(label, &seen.labelRect);
        seen.button = TextOf(button);
        seen.buttonStyle = GetWindowLongPtrW(button, GWL_STYLE);
        GetWindowRect(box, &seen.window);
        seen.focusOnButton = GetFocus() == button;
        seen.otherDisabled = !IsWindowEnabled(other.Get());
        seen.hasOwner = GetWindow(box, GW_OWNER) == ApplicationWindowForTesting();
        SetModifiers(true, false);
        PostKey(button, 'C');
        return false;
      }
      case 1:
        EXPECT_EQ(copies, 1);
        SetModifiers(true, true);  // Ctrl+Shift+C is not the copy key
        PostKey(button, 'C');
        return false;
      case 2:
        SetModifiers(false, false);
        PostKey(button, 'C');
        return false;
      default:
        EXPECT_EQ(copies, 1);
        PostKey(button, VK_ESCAPE);
        return true;
    }
  });
  platform::ShowNoticeBox("Upgrade405", text, "OK", [&] { ++copies; });
  ASSERT_TRUE(script.Finished());

  EXPECT_EQ(seen.caption, "Upgrade405");
  EXPECT_EQ(seen.label, text);  // drawn by the static control, mnemonic and all
  EXPECT_EQ(seen.button, "OK");
  EXPECT_EQ(seen.buttonStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(seen.focusOnButton);
  EXPECT_TRUE(seen.otherDisabled);
  EXPECT_TRUE(seen.hasOwner);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_LE(seen.labelRect.right - seen.labelRect.left, screenWidth / 2);
  EXPECT_NEAR(seen.window.left + seen.window.right, screenWidth, 1);
  EXPECT_NEAR(seen.window.top + seen.window.bottom, screenHeight, 1);
  EXPECT_EQ(copies, 1);
  EXPECT_TRUE(IsWindowEnabled(other.Get()));
}

class NoticeDismissal : public Windows, public ::testing::WithParamInterface<int> {};

TEST_P(NoticeDismissal, EnterSpaceEscapeCloseAndClickEachDismissIt) {
  bool sent = false;
  Script script([&] {
    HWND box = FindThreadWindow("Upgrade405Notice");
    if (box == nullptr) return false;
    HWND button = ChildOfClass(box, "Button");
    switch (GetParam()) {
      case 0:
        PostKey(button, VK_RETURN);
        break;
      case 1:
        PostKey(button, VK_SPACE);
        break;
      case 2:
        PostKey(button, VK_ESCAPE);
        break;
      case 3:
        PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      default:
        SendMessageW(button, BM_CLICK, 0, 0);
        break;
    }
    sent = true;
    return true;
  });
  platform::ShowNoticeBox("Upgrade405",
                          "Mise \xC3\xA0 jour effetu\xC3\xA9"
                          "e.",
                          "OK", [] {});
  EXPECT_TRUE(sent);
  EXPECT_EQ(FindThreadWindow("Upgrade405Notice"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Ways, NoticeDismissal, ::testing::Values(0, 1, 2, 3, 4));

TEST(NoticeLayout, LongTextWrapsAtHalfTheScreenAndTheButtonIsCentredBelow) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  platform::win32::Font font(CreateFontIndirectW(&metrics.lfMessageFont));
  std::wstring longText;
  for (int i = 0; i < 60; ++i) longText += L"mot ";
  const auto wide = platform::win32::ComputeNoticeLayout(font.Get(), longText, 800);
  const auto narrow = platform::win32::ComputeNoticeLayout(font.Get(), L"OK?", 800);

  EXPECT_LE(wide.text.width, 400);
  EXPECT_GT(wide.text.height, narrow.text.height);  // wrapped onto several lines
  EXPECT_GE(wide.button.top, wide.text.top + wide.text.height);
  EXPECT_LE(wide.button.top + wide.button.height, wide.clientHeight);
  EXPECT_NEAR(2 * wide.button.left + wide.button.width, wide.clientWidth, 1);
  // A short text still leaves room for the whole button.
  EXPECT_GE(narrow.clientWidth, narrow.button.width);
  EXPECT_NEAR(2 * narrow.button.left + narrow.button.width, narrow.clientWidth, 1);
}

using MessageBoxes = Windows;

struct BoxSeen {
  std::string caption, text;
  HWND owner = nullptr;
  bool applicationDisabled = false;
};

BoxSeen ShowAndRead(platform::MessageBoxKind kind) {
  BoxSeen seen;
  Script script([&] {
    HWND box = FindThreadWindow("#32770");
    if (box == nullptr) return false;
    seen.caption = TextOf(box);
    for (HWND child : ChildrenOf(box)) {
      if (ClassOf(child) == "Static" && GetWindowTextLengthW(child) > 0) seen.text = TextOf(child);
    }
    seen.owner = GetWindow(box, GW_OWNER);
    seen.applicationDisabled = !IsWindowEnabled(ApplicationWindowForTesting());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  platform::ShowMessageBox(kind, "Upgrade405", "Table nuv introuvable.");
  EXPECT_TRUE(script.Finished());
  return seen;
}

TEST_F(MessageBoxes, ErrorBoxIsOwnedByTheApplicationWindow) {
  const BoxSeen seen = ShowAndRead(platform::MessageBoxKind::Error);
  EXPECT_EQ(seen.caption, "Upgrade405");
  EXPECT_EQ(seen.text, "Table nuv introuvable.");
  EXPECT_EQ(seen.owner, ApplicationWindowForTesting());
  EXPECT_TRUE(seen.applicationDisabled);
  EXPECT_TRUE(IsWindowEnabled(ApplicationWindowForTesting()));
}

TEST_F(MessageBoxes, FatalBoxHasNoOwner) {
  const BoxSeen seen = ShowAndRead(platform::MessageBoxKind::Fatal);
  EXPECT_EQ(seen.text, "Table nuv introuvable.");
  EXPECT_EQ(seen.owner, nullptr);
}

TEST_F(MessageBoxes, FatalErrorBoxNamesThisModuleAndTheOffsetOfTheRaise) {
  BoxSeen seen;
  Script script([&] {
    HWND box = FindThreadWindow("#32770");
    if (box == nullptr) return false;
    seen.caption = TextOf(box);
    for (HWND child : ChildrenOf(box)) {
      if (ClassOf(child) == "Static" && GetWindowTextLengthW(child) > 0) seen.text = TextOf(child);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  try {
    throw Exception(
        "Erreur \xC3\xA0 la cr\xC3\xA9"
        "ation de l'objet");
  } catch (const Exception& e) {
    FatalErrorBox(e);
  }
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(seen.caption, "Erreur d'application");
  const std::string first = "Exception Exception dans le module upgrade405_tests.exe dans ";
  ASSERT_EQ(seen.text.substr(0, first.size()), first) << seen.text;
  const std::string offset = seen.text.substr(first.size(), 8);
  EXPECT_EQ(offset.find_first_not_of("0123456789ABCDEF"), std::string::npos) << offset;
  // The offset lies inside this module's image.
  const auto* image = reinterpret_cast<const IMAGE_DOS_HEADER*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(image) +
                                                             image->e_lfanew);
  EXPECT_LT(std::stoul(offset, nullptr, 16), nt->OptionalHeader.SizeOfImage);
  EXPECT_EQ(seen.text.substr(first.size() + 8),
            ".\r\nErreur \xC3\xA0 la cr\xC3\xA9"
            "ation de l'objet.\r\n");
}

TEST(Clipboard, HoldsTheTextAsUnicode) {
  const std::string text =
      "---\r\nUpgrade405\r\nBase de donn\xC3\xA9"
      "e\r\n";
  ASSERT_TRUE(platform::SetClipboardText(text));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::string back;
  if (data != nullptr) {
    back = Narrow(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  EXPECT_EQ(back, text);
}

// The copy fails when the system cannot give the memory for the text, or when the clipboard does
// not take it. Without the memory, the clipboard keeps what it held.
class ClipboardFault : public ::testing::TestWithParam<platform::win32::ClipboardFault> {
 protected:
  void TearDown() override {
    platform::win32::SetClipboardFaultForTesting(platform::win32::ClipboardFault::None);
  }
};

TEST_P(ClipboardFault, IsReportedAsACopyThatFailed) {
  ASSERT_TRUE(platform::SetClipboardText("avant"));
  platform::win32::SetClipboardFaultForTesting(GetParam());
  EXPECT_FALSE(platform::SetClipboardText("apr\xC3\xA8s"));
  platform::win32::SetClipboardFaultForTesting(platform::win32::ClipboardFault::None);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::string held;
  if (data != nullptr) {
    held = Narrow(static_cast<const wchar_t*>(GlobalLock(data)));
    GlobalUnlock(data);
  }
  CloseClipboard();
  if (GetParam() == platform::win32::ClipboardFault::Allocation) {
    EXPECT_EQ(held, "avant");
  }
}

INSTANTIATE_TEST_SUITE_P(Causes, ClipboardFault,
                         ::testing::Values(platform::win32::ClipboardFault::Allocation,
                                           platform::win32::ClipboardFault::Handover),
                         [](const ::testing::TestParamInfo<platform::win32::ClipboardFault>& info) {
                           return info.param == platform::win32::ClipboardFault::Allocation
                                      ? std::string("MemoryCannotBeHad")
                                      : std::string("ClipboardRefusesTheMemory");
                         });

TEST_F(NoticeBox, ACopyThatFailsIsShownInTheErrorBox) {
  std::string errorText;
  int step = 0;
  Script script([&] {
    switch (step) {
      case 0: {
        HWND box = FindThreadWindow("Upgrade405Notice");
        if (box == nullptr) return false;
        SetModifiers(true, false);
        PostKey(ChildOfClass(box, "Button"), 'C');
        ++step;
        return false;
      }
      case 1: {
        HWND error = FindThreadWindow("#32770");
        if (error == nullptr) return false;
        SetModifiers(false, false);
        for (HWND child : ChildrenOf(error)) {
          if (ClassOf(child) == "Static" && GetWindowTextLengthW(child) > 0) {
            errorText = TextOf(child);
          }
        }
        PostMessageW(error, WM_COMMAND, IDOK, 0);
        ++step;
        return false;
      }
      default: {
        if (FindThreadWindow("#32770") != nullptr) return false;
        HWND box = FindThreadWindow("Upgrade405Notice");
        if (box != nullptr) PostKey(ChildOfClass(box, "Button"), VK_ESCAPE);
        return true;
      }
    }
  });
  ApplicationTitle = "Upgrade405";
  platform::win32::SetClipboardFaultForTesting(platform::win32::ClipboardFault::Handover);
  ::NoticeBox(
      "Base de donn\xC3\xA9"
      "e non trouv\xC3\xA9"
      "e");
  platform::win32::SetClipboardFaultForTesting(platform::win32::ClipboardFault::None);
  ASSERT_TRUE(script.Finished());
  EXPECT_EQ(errorText, "Impossible d'ouvrir le Presse-papiers.");
}

TEST(Clipboard, ReportsWhenAnotherWindowHoldsItOpen) {
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    // Another thread's window holds the clipboard open.
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    const BOOL held = OpenClipboard(window);
    SetEvent(opened);
    WaitForSingleObject(release, 10000);
    if (held) CloseClipboard();
    DestroyWindow(window);
  });
  WaitForSingleObject(opened, 10000);
  EXPECT_FALSE(platform::SetClipboardText("x"));
  SetEvent(release);
  holder.join();
  CloseHandle(opened);
  CloseHandle(release);
  EXPECT_TRUE(platform::SetClipboardText("x"));
}

TEST(Screen, FontsAreMeasuredOnlyWhenTheSystemHasThem) {
  EXPECT_EQ(platform::GetFontTextHeight({"No Such Face 405", 11, false}, 96), 0);
  // A face this system certainly has: the one its stock dialog font really uses.
  platform::win32::ScreenDc dc;
  wchar_t face[LF_FACESIZE] = {};
  {
    platform::win32::ScopedSelect select(dc.Get(), GetStockObject(DEFAULT_GUI_FONT));
    GetTextFaceW(dc.Get(), LF_FACESIZE, face);
  }
  const int small = platform::GetFontTextHeight({Narrow(face), 11, false}, 96);
  const int large = platform::GetFontTextHeight({Narrow(face), 22, true}, 96);
  EXPECT_GT(small, 11);  // the character height plus internal leading
  EXPECT_GT(large, small);
  // Measured for a screen of twice the resolution, the character height doubles.
  EXPECT_EQ(platform::GetFontTextHeight({Narrow(face), 11, false}, 192),
            platform::GetFontTextHeight({Narrow(face), 22, false}, 96));
}

}  // namespace
