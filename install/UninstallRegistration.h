// The product's entry in the list of installed programs.
#pragma once

#include "install/RegUninstallInfo.h"

// Writes DisplayName, UninstallString, DisplayIcon, DisplayVersion and Publisher under
// HKLM\<info.RegistryKey>. False when the key can be neither opened nor created.
bool WriteUninstallRegistration(const INSTALL_MGR::_REG_UNINSTALL_INFO& info);

// The values that complete the entry in the list of installed programs beside the five above:
// InstallLocation, InstallDate (yyyymmdd), NoModify and NoRepair (1), QuietUninstallString (the
// quoted uninstaller with "/S") and EstimatedSize. False when the key cannot be opened.
bool WriteUninstallDetails(const INSTALL_MGR::_REG_UNINSTALL_INFO& info,
                           const std::u16string& installFolder);
// EstimatedSize: the install folder's size in KB, rounded up. Written again when the steps
// after the uninstaller's have filled the folder.
bool WriteEstimatedSize(const std::u16string& registryKey, const std::u16string& installFolder);
