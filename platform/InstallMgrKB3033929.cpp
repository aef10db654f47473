// The update KB3033929 on 64-bit Windows 7: written on every installation, installed through
// its file association when the component store does not list it.
#include "payload/common/ProductNames.h"
#include "platform/InstallMgr.h"
#include "platform/OwnedHandles.h"
#include "platform/PayloadResource.h"
#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_registry.h"
#include "platform/os_shell_execute.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace INSTALL_MGR {

namespace {

constexpr char16_t kCbsKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Component Based Servicing\\";
constexpr char16_t kApplicabilityPackage[] =
    u"Package_for_KB3033929~31bf3856ad364e35~amd64~~6.1.1.1";
// The component store lives in the 64-bit view, which a 32-bit program must ask for.
constexpr os::REGSAM kReadNativeView = KEY_READ | KEY_WOW64_64KEY;

}  // namespace

const void* CInstallMgr::LoadResourceData(std::uint16_t id, std::u16string type,
                                          std::uint32_t& size) {
  return LoadPayloadResource(id, type, size);
}

int CInstallMgr::WriteResourceFile(std::u16string path, const void* data, std::uint32_t size) {
  return WritePayloadFile(path, data, size);
}

int CInstallMgr::CopyWindowPatch(std::uint16_t id, std::u16string type) {
  if (NativeSystemFolderPath.empty()) return 2;  // no system folder: never the drive's root
  std::uint32_t size = 0;
  const void* data = LoadResourceData(id, type, size);
  if (!data) return 1;
  const std::u16string package = NativeSystemFolderPath + payload::kUpdatePackageName;
  if (WriteResourceFile(package, data, size) != 0) return 2;
  os::SetFileAttributesW(package, FILE_ATTRIBUTE_NORMAL);
  return 0;
}

bool KB3033929Applies(std::int32_t is64BitWindows, std::int32_t osClass,
                      std::int32_t servicePackMajor) {
  if (is64BitWindows == 0) {
    trace::Write(u"##### The OS is 32-Bit #####\n");
    return false;
  }
  if (osClass != OS_CLASS_WIN7) {
    trace::Write(u"##### The OS is not Win7 #####\n");
    return false;
  }
  if (servicePackMajor == 0) {
    trace::Write(u"##### The OS is Win7, but not install the service pack! #####\n");
    return false;
  }
  return true;
}

int CInstallMgr::InstallKB3033929() {
  // The manager checks its own facts again: they come from the native system, not the form.
  if (!KB3033929Applies(Is64BitOS, OSClass, ServicePackMajor)) return 0;
  if (IsApplicabilityCached(kApplicabilityPackage)) return 0;
  if (IsPackageInstalled(u"KB3033929")) return 0;
  trace::Write(u"***** Service pack KDB3033929 not EXIST! *****\n");
  if (ShellExecuteAndWait(NativeSystemFolderPath + payload::kUpdatePackageName) != 0) {
    trace::Printf(u"***** InstallKB3033929 *****\n");
    return 1;
  }
  return 0;
}

bool CInstallMgr::IsApplicabilityCached(std::u16string packageName) {
  os::OwnedKey key;
  const std::u16string path =
      std::u16string(kCbsKey) + u"ApplicabilityEvaluationCache\\" + packageName;
  return os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, kReadNativeView, key.Receive()) ==
         ERROR_SUCCESS;
}

bool CInstallMgr::IsPackageInstalled(std::u16string kbName) {
  os::OwnedKey key;
  if (os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, std::u16string(kCbsKey) + u"Packages", 0,
                        kReadNativeView, key.Receive()) != ERROR_SUCCESS)
    return false;
  std::u16string keyClass;
  os::DWORD subKeys = 0;
  if (os::RegQueryInfoKeyW(key.get(), &keyClass, &subKeys, nullptr) != ERROR_SUCCESS ||
      subKeys == 0)
    return false;
  const std::u16string prefix = text::Format(256, u"Package_for_%s~", kbName.c_str());
  for (os::DWORD index = 0; index < subKeys; ++index) {
    std::u16string name;
    if (os::RegEnumKeyExW(key.get(), index, &name) != ERROR_SUCCESS || name.size() < prefix.size())
      continue;
    // Exact characters: a name differing only in letter case is another package.
    if (name.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

int CInstallMgr::ShellExecuteAndWait(std::u16string file) {
  os::ShellExecuteInfo info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.file = file;
  info.nShow = SW_HIDE;
  if (!os::ShellExecuteExW(&info)) return 1;
  // A launch that produced no process (handled by a running program) has nothing to wait for.
  const os::OwnedObject process(info.hProcess);
  if (process) os::WaitForSingleObject(process.get(), INFINITE);
  return 0;
}

}  // namespace INSTALL_MGR
