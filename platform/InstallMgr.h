// The install manager: native bitness, OS class and the native system folder, gathered once
// when the wizard is created, and the device and update operations that need them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/DeviceFilter.h"
#include "platform/DeviceIdMatcher.h"
#include "platform/VersionInfoMgr.h"
#include "platform/os_devices.h"

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

  // Device filter detach (InstallMgrDevices.cpp): devices are those whose first hardware ID
  // has `idLength` characters and matches `ids`; the class GUID does not narrow the set.
  void RemoveFilterAndRestart(const os::GUID& classGuid, std::uint32_t idLength,
                              const DeviceIdMatcher& ids, std::u16string filterName,
                              std::uint32_t property);
  // 0 done, 1 the device set could not be created.
  int RemoveFilterFromDevices(const os::GUID& classGuid, std::uint32_t idLength,
                              const DeviceIdMatcher& ids, std::u16string filterName,
                              std::uint32_t property);
  int RestartMatchingDevices(const os::GUID& classGuid, std::uint32_t idLength,
                             const DeviceIdMatcher& ids);
  PropertyBlock GetMultiSzProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device,
                                   std::uint32_t property);
  // Characters of a multi-string including the final empty string; 0 for an empty list.
  static std::uint32_t GetMultiSzLength(const char16_t* multiSz);
  bool RemoveFilterFromProperty(os::HDEVINFO set, os::SP_DEVINFO_DATA* device,
                                const std::u16string& filterName, std::uint32_t property);

  // Payload access with the contracts of LoadPayloadResource and WritePayloadFile.
  const void* LoadResourceData(std::uint16_t id, std::u16string type, std::uint32_t& size);
  int WriteResourceFile(std::u16string path, const void* data, std::uint32_t size);

  // The Windows 7 x64 update KB3033929 (InstallMgrKB3033929.cpp).
  // 0 written; 1 payload missing or empty; 2 the package file was not written.
  int CopyWindowPatch(std::uint16_t id, std::u16string type);
  // 0 nothing needed or the update installer ran; 1 the package could not be launched.
  int InstallKB3033929();
  bool IsApplicabilityCached(std::u16string packageName);
  bool IsPackageInstalled(std::u16string kbName);
  // 0 launched and ended; 1 ShellExecuteExW failed.
  int ShellExecuteAndWait(std::u16string file);

 private:
  // The manager's own copy of the redirection pair.
  bool DisableWow64Redirection(void** cookie);
  bool RevertWow64Redirection(void* cookie);
};

// The update applies to 64-bit Windows 7 with a service pack only; otherwise traces why not.
bool KB3033929Applies(std::int32_t is64BitWindows, std::int32_t osClass,
                      std::int32_t servicePackMajor);

}  // namespace INSTALL_MGR
