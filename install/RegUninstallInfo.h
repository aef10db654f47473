// The uninstall registration record, filled when the wizard is created and written by the
// uninstaller step.
#pragma once

#include <string>

namespace INSTALL_MGR {

struct _REG_UNINSTALL_INFO {
  std::u16string RegistryKey;  // under HKEY_LOCAL_MACHINE
  std::u16string DisplayName;
  std::u16string UninstallString;
  std::u16string DisplayIcon;
  std::u16string DisplayVersion;
  std::u16string Publisher;
};

}  // namespace INSTALL_MGR
