// A registry value replaced for one test and put back as it was afterwards.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/system_headers.h"

namespace testing_support {

class ScopedRegistryValue {
 public:
  // Opens `subKey` under `root` for writing; Ok() is false when that is not allowed.
  ScopedRegistryValue(HKEY root, const wchar_t* subKey, const wchar_t* name) : name_(name) {
    if (RegCreateKeyExW(root, subKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      std::vector<BYTE> data(size);
      RegQueryValueExW(key_, name, nullptr, &type, data.data(), &size);
      saved_ = Saved{type, std::move(data)};
    }
  }
  ScopedRegistryValue(const ScopedRegistryValue&) = delete;
  ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;
  ~ScopedRegistryValue() {
    if (key_ == nullptr) return;
    if (saved_) {
      RegSetValueExW(key_, name_.c_str(), 0, saved_->type, saved_->data.data(),
                     static_cast<DWORD>(saved_->data.size()));
    } else {
      RegDeleteValueW(key_, name_.c_str());
    }
    RegCloseKey(key_);
  }

  bool Ok() const { return key_ != nullptr; }
  bool SetText(const std::wstring& text) {
    return RegSetValueExW(key_, name_.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  bool SetNumber(DWORD value) {
    return RegSetValueExW(key_, name_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
  }
  bool Remove() { return RegDeleteValueW(key_, name_.c_str()) == ERROR_SUCCESS; }

 private:
  struct Saved {
    DWORD type;
    std::vector<BYTE> data;
  };
  HKEY key_ = nullptr;
  std::wstring name_;
  std::optional<Saved> saved_;
};

}  // namespace testing_support
