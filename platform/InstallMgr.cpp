#include "platform/InstallMgr.h"

#include "platform/SystemFolder.h"
#include "platform/Wow64Redirection.h"
#include "platform/os_system.h"
#include "platform/trace.h"

namespace INSTALL_MGR {

CInstallMgr::CInstallMgr() {
  GetNativeOSBits(&Is64BitOS);  // an unknown architecture leaves 0: counted as 32-bit

  {
    const Wow64RedirectionOff redirection(Is64BitOS == 1);
    NativeSystemFolderPath = SystemFolderPath();
    // The folder came through a buffer of MAX_PATH characters.
    if (NativeSystemFolderPath.size() > MAX_PATH) {
      NativeSystemFolderPath.resize(MAX_PATH - 1);
      NativeSystemFolderPath += u'\\';
    }
  }

  if (VersionInfoMgr.GetWindowsVersion(&OSClass, &OSVersionCode, &ServicePackMajor) != 0)
    trace::Write(u"CInstallMgr::CInstallMgr ***** GetWindowsVersion FAIL! *****\n");
  VersionInfoMgr.TraceWindowsVersion(&OSClass, &OSVersionCode, &ServicePackMajor);
}

CInstallMgr::~CInstallMgr() = default;

bool CInstallMgr::DisableWow64Redirection(void** cookie) {
  return ::DisableWow64Redirection(cookie);
}

bool CInstallMgr::RevertWow64Redirection(void* cookie) { return ::RevertWow64Redirection(cookie); }

}  // namespace INSTALL_MGR
