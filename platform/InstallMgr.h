// The install manager: native bitness, OS class and the native system folder, gathered once
// when the wizard is created, and the device and update operations that need them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/VersionInfoMgr.h"

namespace INSTALL_MGR {

class CInstallMgr {
 public:
  CInstallMgr();
  ~CInstallMgr();
  CInstallMgr(const CInstallMgr&) = delete;
  CInstallMgr& operator=(const CInstallMgr&) = delete;

  std::int32_t Is64BitOS = 0;
  std::int32_t OSClass = 0;
  std::int32_t OSVersionCode = 0;
  std::int32_t ServicePackMajor = 0;
  std::u16string NativeSystemFolderPath;  // with a trailing backslash
  VERSIONINFO_MGR::CVersionInfoMgr VersionInfoMgr;

 private:
  // The manager's own copy of the redirection pair.
  bool DisableWow64Redirection(void** cookie);
  bool RevertWow64Redirection(void* cookie);
};

}  // namespace INSTALL_MGR
