#include "install/UninstallRegistration.h"
#include "platform/OwnedHandles.h"

#include "platform/os_registry.h"

namespace {

void SetString(os::HKEY key, const char16_t* name, const std::u16string& value) {
  os::RegSetValueExW(key, name, REG_SZ, value.c_str(),
                     static_cast<os::DWORD>((value.size() + 1) * sizeof(char16_t)));
}

// Windows runs UninstallString as a command line: an unquoted path with spaces would be tried
// as "C:\Program.exe" first, so the path is quoted (once).
std::u16string Quoted(const std::u16string& path) {
  if (path.size() >= 2 && path.front() == u'"' && path.back() == u'"') return path;
  return u"\"" + path + u"\"";
}

}  // namespace

bool WriteUninstallRegistration(const INSTALL_MGR::_REG_UNINSTALL_INFO& info) {
  os::OwnedKey key;
  // Open, else create, with the rights the key grants (as RegOpenKeyW does): an administrator
  // may be allowed to set values in an existing entry without owning it.
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, info.RegistryKey, 0, MAXIMUM_ALLOWED,
                        key.Receive()) != ERROR_SUCCESS) {
    os::DWORD disposition = 0;
    if (os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, info.RegistryKey, u"", REG_OPTION_NON_VOLATILE,
                            MAXIMUM_ALLOWED, key.Receive(), &disposition) != ERROR_SUCCESS)
      return false;
  }
  SetString(key.get(), u"DisplayName", info.DisplayName);
  SetString(key.get(), u"UninstallString", Quoted(info.UninstallString));
  SetString(key.get(), u"DisplayIcon", info.DisplayIcon);
  SetString(key.get(), u"DisplayVersion", info.DisplayVersion);
  SetString(key.get(), u"Publisher", info.Publisher);
  return true;
}
