#include "platform/RegistryHelpers.h"

#include "payload/common/ProductNames.h"
#include "platform/OwnedHandles.h"
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
  os::OwnedKey key;
  os::DWORD disposition = 0;
  if (os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, driverName, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, key.Receive(), &disposition) != ERROR_SUCCESS)
    return 1;
  // The value writes are not examined: the key itself is the registration.
  SetDword(key.get(), u"ErrorControl", 1);
  SetDword(key.get(), u"Start", 3);
  SetDword(key.get(), u"Type", 1);
  SetString(key.get(), u"ImagePath", REG_EXPAND_SZ, imagePath);
  os::RegFlushKey(key.get());
  return 0;
}

int SetRunValue(std::u16string valueName, std::u16string commandLine) {
  os::OwnedKey key;
  os::DWORD disposition = 0;
  if (os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, payload::kRunKey, u"", REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, key.Receive(), &disposition) != ERROR_SUCCESS)
    return 1;
  SetString(key.get(), valueName, REG_SZ, commandLine);
  return 0;
}
