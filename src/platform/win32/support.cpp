// Windows side: text conversion between the program's UTF-8 and the system's encodings.
#include "platform/win32/support.h"

namespace platform::win32 {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Narrow(const wchar_t* text, int length) {
  if (text == nullptr || length == 0) return {};
  if (length < 0) length = static_cast<int>(wcslen(text));
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

std::string ToAnsi(const std::string& text) {
  const std::wstring wide = Widen(text);
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                       0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), size, nullptr,
                      nullptr);
  return ansi;
}

HRESULT Checked(IUnknown* object, const IID& iid, HRESULT hr) {
  if (SUCCEEDED(hr)) return hr;
  ISupportErrorInfo* support = nullptr;
  bool supported = false;
  if (object != nullptr &&
      SUCCEEDED(
          object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) &&
      support != nullptr) {
    supported = support->InterfaceSupportsErrorInfo(iid) == S_OK;
    support->Release();
  }
  if (!supported) SetErrorInfo(0, nullptr);
  return hr;
}

Bstr::Bstr(const std::string& text) {
  const std::wstring wide = Widen(text);
  b_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace platform::win32
