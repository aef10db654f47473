// Windows: the SetupAPI calls (os_devices.h), each forwarded to the same API.
#include "platform/os_devices.h"
#include "platform/win32/win_text.h"

#include <windows.h>
#include <setupapi.h>

namespace os {

namespace {

// Our records are Windows' own, field for field, so pointers pass straight through.
static_assert(sizeof(os::GUID) == sizeof(::GUID), "same record");
static_assert(sizeof(os::SP_DEVINFO_DATA) == sizeof(::SP_DEVINFO_DATA), "same record");
static_assert(sizeof(os::SP_CLASSINSTALL_HEADER) == sizeof(::SP_CLASSINSTALL_HEADER), "same");
static_assert(sizeof(os::SP_PROPCHANGE_PARAMS) == sizeof(::SP_PROPCHANGE_PARAMS), "same");
static_assert(sizeof(os::SP_DEVINSTALL_PARAMS_W) == sizeof(::SP_DEVINSTALL_PARAMS_W), "same");
#ifndef _WIN64
static_assert(sizeof(::SP_DEVINFO_DATA) == 28 && sizeof(::SP_DEVINSTALL_PARAMS_W) == 556 &&
                  sizeof(::SP_PROPCHANGE_PARAMS) == 20,
              "the 32-bit sizes the setup relies on");
#endif

::HDEVINFO Native(HDEVINFO set) { return reinterpret_cast<::HDEVINFO>(set); }
::PSP_DEVINFO_DATA Native(SP_DEVINFO_DATA* d) { return reinterpret_cast<::PSP_DEVINFO_DATA>(d); }

}  // namespace

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, const std::u16string& enumerator,
                              DWORD flags) {
  return reinterpret_cast<HDEVINFO>(::SetupDiGetClassDevsW(
      reinterpret_cast<const ::GUID*>(classGuid), win::WideOrNull(enumerator), nullptr, flags));
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device) {
  return ::SetupDiEnumDeviceInfo(Native(set), index, Native(device));
}

BOOL SetupDiGetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                       DWORD* type, BYTE* buffer, DWORD bufferSize,
                                       DWORD* requiredSize) {
  ::DWORD nativeType = 0, nativeRequired = 0;
  const BOOL ok = ::SetupDiGetDeviceRegistryPropertyW(
      Native(set), Native(device), property, type ? &nativeType : nullptr, buffer, bufferSize,
      requiredSize ? &nativeRequired : nullptr);
  const ::DWORD error = ::GetLastError();
  if (type) *type = nativeType;
  if (requiredSize) *requiredSize = nativeRequired;
  ::SetLastError(error);
  return ok;
}

BOOL SetupDiSetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                       const BYTE* buffer, DWORD size) {
  return ::SetupDiSetDeviceRegistryPropertyW(Native(set), Native(device), property, buffer, size);
}

BOOL SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                   SP_CLASSINSTALL_HEADER* params, DWORD size) {
  return ::SetupDiSetClassInstallParamsW(Native(set), Native(device),
                                         reinterpret_cast<::PSP_CLASSINSTALL_HEADER>(params), size);
}

BOOL SetupDiCallClassInstaller(UINT installFunction, HDEVINFO set, SP_DEVINFO_DATA* device) {
  return ::SetupDiCallClassInstaller(installFunction, Native(set), Native(device));
}

BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                    SP_DEVINSTALL_PARAMS_W* params) {
  return ::SetupDiGetDeviceInstallParamsW(Native(set), Native(device),
                                          reinterpret_cast<::PSP_DEVINSTALL_PARAMS_W>(params));
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  return ::SetupDiDestroyDeviceInfoList(Native(set));
}

}  // namespace os
