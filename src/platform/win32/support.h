// Windows side: text conversion at the edge of the seam and owners for the system's handles.
// Private to src/platform/win32 (and its tests); nothing here leaves the platform folder.
#pragma once

#include <string>
#include <utility>

#include "platform/win32/system_headers.h"

namespace platform::win32 {

// UTF-8 to UTF-16 and back; invalid input comes out with the system's replacement character.
std::wstring Widen(const std::string& text);
std::string Narrow(const wchar_t* text, int length = -1);
inline std::string Narrow(const std::wstring& text) {
  return Narrow(text.c_str(), static_cast<int>(text.size()));
}
// UTF-8 to the process's ANSI code page.
std::string ToAnsi(const std::string& text);

// The result of a call of `object` through its interface `iid`. The error information a failed
// call leaves on the thread is its own only when the object says that the interface supports
// error information; anything found there otherwise was left by an earlier call, and is cleared
// so that it is not given out as this failure's. `object` may be null (no object was reached).
HRESULT Checked(IUnknown* object, const IID& iid, HRESULT hr);

// Owns one reference to a COM interface.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller already holds.
  static ComPtr Attach(T* p) noexcept {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  void Reset() noexcept {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }
  // For out-parameters: releases what is held and gives the slot.
  T** Receive() noexcept {
    Reset();
    return &p_;
  }
  void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(Receive()); }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  template <class U>
  HRESULT As(const IID& iid, ComPtr<U>& out) const noexcept {
    if (p_ == nullptr) return E_POINTER;
    return p_->QueryInterface(iid, out.ReceiveVoid());
  }

 private:
  T* p_ = nullptr;
};

// Owns a BSTR.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(const std::string& text);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }

  BSTR Get() const noexcept { return b_; }
  BSTR* Receive() noexcept {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  // The text as UTF-8; a null BSTR is the empty text, as COM defines it.
  std::string Text() const { return b_ == nullptr ? std::string() : Narrow(b_, SysStringLen(b_)); }

 private:
  BSTR b_ = nullptr;
};

// Owns a VARIANT: cleared on destruction.
class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&v_); }
  VARIANT* Ptr() noexcept { return &v_; }
  VARIANT& Get() noexcept { return v_; }

 private:
  VARIANT v_;
};

// Owns one handle of type H, given back by Close (a stateless function object) on destruction
// unless it is null; movable, not copyable.
template <class H, class Close>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(H h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle other) noexcept {
    std::swap(h_, other.h_);
    return *this;
  }
  ~UniqueHandle() { Reset(); }
  void Reset() noexcept {
    H h = std::exchange(h_, nullptr);
    if (h != nullptr) Close{}(h);
  }
  H Get() const noexcept { return h_; }
  // For out-parameters: gives back what is held and gives the slot.
  H* Receive() noexcept {
    Reset();
    return &h_;
  }

 private:
  H h_ = nullptr;
};

struct CloseRegistryKey {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
// A window may be gone already (its owner destroyed it, or the user closed it).
struct DestroyLiveWindow {
  void operator()(HWND hwnd) const noexcept {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
};

using RegistryKey = UniqueHandle<HKEY, CloseRegistryKey>;
// A GDI object (font, brush).
template <class H>
using GdiObject = UniqueHandle<H, DeleteGdiObject>;
using Font = GdiObject<HFONT>;
// A window: destroyed with the object unless it is gone already.
using Window = UniqueHandle<HWND, DestroyLiveWindow>;

// A device context of the screen, released on destruction.
class ScreenDc {
 public:
  ScreenDc() noexcept : dc_(GetDC(nullptr)) {}
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  HDC Get() const noexcept { return dc_; }

 private:
  HDC dc_;
};

// Selects a GDI object into a device context for a scope.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;
  ~ScopedSelect() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace platform::win32
