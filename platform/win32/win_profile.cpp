// Windows backend: the profile functions of kernel32.
#include <vector>

#include "platform/os_profile.h"
#include "platform/win32/win_text.h"

#include <windows.h>

namespace os {

using win::Wide;

namespace {}  // namespace

DWORD GetPrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& defaultValue, std::u16string* out,
                               DWORD bufferSize, const std::u16string& file) {
  std::vector<wchar_t> buffer(bufferSize + 1, L'\0');
  const DWORD count = ::GetPrivateProfileStringW(Wide(section), Wide(key), Wide(defaultValue),
                                                 buffer.data(), bufferSize, Wide(file));
  *out = win::Ours(buffer.data());
  return count;
}

BOOL WritePrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                                const std::u16string& value, const std::u16string& file) {
  return ::WritePrivateProfileStringW(Wide(section), Wide(key), Wide(value), Wide(file));
}

}  // namespace os
