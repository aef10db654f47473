#include "config/RegValueWriters.h"
#include "platform/OwnedHandles.h"

#include "platform/os_registry.h"

namespace {

std::int32_t SetValue(const std::u16string& subKey, const std::u16string& valueName, os::DWORD type,
                      const void* data, os::DWORD size) {
  os::OwnedKey key;
  const os::LONG result =
      os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\" + subKey, u"", REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, key.Receive(), nullptr);
  if (result != ERROR_SUCCESS) return result;
  return os::RegSetValueExW(key.get(), valueName, type, data, size);
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
