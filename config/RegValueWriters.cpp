#include "config/RegValueWriters.h"

#include "platform/os_registry.h"

namespace {

std::int32_t SetValue(const std::u16string& subKey, const std::u16string& valueName,
                      os::DWORD type, const void* data, os::DWORD size) {
  os::HKEY key = nullptr;
  os::LONG result = os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\" + subKey, u"",
                                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = os::RegSetValueExW(key, valueName, type, data, size);
  os::RegCloseKey(key);
  return result;
}

}  // namespace

std::int32_t SetRegString(const std::u16string& subKey, const std::u16string& valueName,
                          const std::u16string& text) {
  // Stored with its terminating zero.
  return SetValue(subKey, valueName, REG_SZ, text.c_str(),
                  static_cast<os::DWORD>((text.size() + 1) * sizeof(char16_t)));
}

std::int32_t SetRegDword(const std::u16string& subKey, const std::u16string& valueName,
                         std::uint32_t value) {
  const os::DWORD data = value;
  return SetValue(subKey, valueName, REG_DWORD, &data, sizeof(data));
}
