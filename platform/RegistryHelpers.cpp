#include "platform/RegistryHelpers.h"

#include "payload/common/ProductNames.h"
#include "platform/os_registry.h"

namespace {

void SetDword(os::HKEY key, const char16_t* name, os::DWORD value) {
  os::RegSetValueExW(key, name, REG_DWORD, &value, sizeof value);
}

// String values are stored with their terminating zero.
void SetString(os::HKEY key, const std::u16string& name, os::DWORD type,
               const std::u16string& value) {
  os::RegSetValueExW(key, name, type, value.c_str(),
                     static_cast<os::DWORD>((value.size() + 1) * sizeof(char16_t)));
}

}  // namespace

int RegisterDriverService(std::u16string driverName) {
  const std::u16string keyPath = u"SYSTEM\\CurrentControlSet\\Services\\" + driverName;
  const std::u16string imagePath = u"System32\\DRIVERS\\" + driverName + u".sys";
  os::HKEY key = nullptr;
  os::DWORD disposition = 0;
  if (os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, driverName, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, &key, &disposition) != ERROR_SUCCESS)
    return 1;
  // The value writes are not examined: the key itself is the registration.
  SetDword(key, u"ErrorControl", 1);
  SetDword(key, u"Start", 3);
  SetDword(key, u"Type", 1);
  SetString(key, u"ImagePath", REG_EXPAND_SZ, imagePath);
  os::RegFlushKey(key);
  os::RegCloseKey(key);
  return 0;
}

int SetRunValue(std::u16string valueName, std::u16string commandLine) {
  os::HKEY key = nullptr;
  os::DWORD disposition = 0;
  if (os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, payload::kRunKey, u"", REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, &key, &disposition) != ERROR_SUCCESS)
    return 1;
  SetString(key, valueName, REG_SZ, commandLine);
  os::RegCloseKey(key);
  return 0;
}
