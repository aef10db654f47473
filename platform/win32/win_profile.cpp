// Windows backend: the profile functions of kernel32.
#include <windows.h>

#include <vector>

#include "platform/os_profile.h"

namespace os {

namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

DWORD GetPrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& defaultValue, std::u16string* out,
                               DWORD bufferSize, const std::u16string& file) {
  std::vector<wchar_t> buffer(bufferSize + 1, L'\0');
  const DWORD count = ::GetPrivateProfileStringW(W(section), W(key), W(defaultValue),
                                                 buffer.data(), bufferSize, W(file));
  out->assign(reinterpret_cast<const char16_t*>(buffer.data()));
  return count;
}

BOOL WritePrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                                const std::u16string& value, const std::u16string& file) {
  return ::WritePrivateProfileStringW(W(section), W(key), W(value), W(file));
}

}  // namespace os
