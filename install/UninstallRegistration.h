// The product's entry in the list of installed programs.
#pragma once

#include "install/RegUninstallInfo.h"

// Writes DisplayName, UninstallString, DisplayIcon, DisplayVersion and Publisher under
// HKLM\<info.RegistryKey>. False when the key can be neither opened nor created.
bool WriteUninstallRegistration(const INSTALL_MGR::_REG_UNINSTALL_INFO& info);
