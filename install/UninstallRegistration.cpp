#include "install/UninstallRegistration.h"

#include "platform/FolderSize.h"
#include "platform/OwnedHandles.h"
#include "platform/os_registry.h"
#include "platform/os_system.h"
#include "platform/text.h"

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

void SetDword(os::HKEY key, const char16_t* name, os::DWORD value) {
  os::RegSetValueExW(key, name, REG_DWORD, &value, sizeof(value));
}

}  // namespace

bool WriteUninstallRegistration(const INSTALL_MGR::_REG_UNINSTALL_INFO& info) {
  os::OwnedKey key;
  // Open, else create, with the rights the key grants (as RegOpenKeyW does): an administrator
  // may be allowed to set values in an existing entry without owning it.
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, info.RegistryKey, 0, MAXIMUM_ALLOWED, key.Receive()) !=
      ERROR_SUCCESS) {
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

bool WriteUninstallDetails(const INSTALL_MGR::_REG_UNINSTALL_INFO& info,
                           const std::u16string& installFolder) {
  os::OwnedKey key;
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, info.RegistryKey, 0, KEY_SET_VALUE, key.Receive()) !=
      ERROR_SUCCESS)
    return false;
  os::SystemTime today;
  os::GetLocalTime(&today);
  SetString(key.get(), u"InstallLocation", installFolder);
  SetString(key.get(), u"InstallDate",
            text::Format(16, u"%04u%02u%02u", static_cast<unsigned>(today.year),
                         static_cast<unsigned>(today.month), static_cast<unsigned>(today.day)));
  // The setup has no change or repair mode: Windows shows only "Uninstall".
  SetDword(key.get(), u"NoModify", 1);
  SetDword(key.get(), u"NoRepair", 1);
  SetString(key.get(), u"QuietUninstallString", Quoted(info.UninstallString) + u" /S");
  key.reset();
  return WriteEstimatedSize(info.RegistryKey, installFolder);
}

bool WriteEstimatedSize(const std::u16string& registryKey, const std::u16string& installFolder) {
  os::OwnedKey key;
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, registryKey, 0, KEY_SET_VALUE, key.Receive()) !=
      ERROR_SUCCESS)
    return false;
  const std::uint64_t kilobytes = (FolderSize(installFolder) + 1023) / 1024;
  SetDword(key.get(), u"EstimatedSize",
           static_cast<os::DWORD>(kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : kilobytes));
  return true;
}
