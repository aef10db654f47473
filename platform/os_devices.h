// The device installation calls (SetupAPI) of the setup, one per Windows function, same
// contracts: BOOL results, failure reasons through GetLastError (os_files.h). Property data
// travels as raw bytes with sizes in bytes, exactly as Windows hands it over.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os_types.h"

namespace os {

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {};
};

// A device information set; INVALID_HANDLE_VALUE when it could not be created.
using HDEVINFO = HANDLE;

// The records below have the fields, order and sizes of Windows' own (SP_DEVINFO_DATA is 28
// bytes, SP_DEVINSTALL_PARAMS_W 556 bytes in a 32-bit program); callers set cbSize to their
// size before use, and a wrong size is refused as on Windows.
struct SP_DEVINFO_DATA {
  DWORD cbSize = 0;
  GUID ClassGuid;
  DWORD DevInst = 0;
  std::uintptr_t Reserved = 0;
};

struct SP_CLASSINSTALL_HEADER {
  DWORD cbSize = 0;
  UINT InstallFunction = 0;
};

struct SP_PROPCHANGE_PARAMS {
  SP_CLASSINSTALL_HEADER ClassInstallHeader;
  DWORD StateChange = 0;
  DWORD Scope = 0;
  DWORD HwProfile = 0;
};

struct SP_DEVINSTALL_PARAMS_W {
  DWORD cbSize = 0;
  DWORD Flags = 0;
  DWORD FlagsEx = 0;
  void* hwndParent = nullptr;
  void* InstallMsgHandler = nullptr;
  void* InstallMsgHandlerContext = nullptr;
  void* FileQueue = nullptr;
  std::uintptr_t ClassInstallReserved = 0;
  DWORD Reserved = 0;
  char16_t DriverPath[MAX_PATH] = {};
};

// No parent window: the setup never passes one. An empty enumerator stands for NULL.
HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, const std::u16string& enumerator, DWORD flags);
BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* device);
// `buffer` may be null with `bufferSize` 0 to ask for the size; then the call fails with
// ERROR_INSUFFICIENT_BUFFER and `*requiredSize` holds the size. `type` and `requiredSize`
// may be null.
BOOL SetupDiGetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                       DWORD* type, BYTE* buffer, DWORD bufferSize,
                                       DWORD* requiredSize);
// A null buffer with size 0 deletes the property.
BOOL SetupDiSetDeviceRegistryPropertyW(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                       const BYTE* buffer, DWORD size);
BOOL SetupDiSetClassInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                   SP_CLASSINSTALL_HEADER* params, DWORD size);
BOOL SetupDiCallClassInstaller(UINT installFunction, HDEVINFO set, SP_DEVINFO_DATA* device);
BOOL SetupDiGetDeviceInstallParamsW(HDEVINFO set, SP_DEVINFO_DATA* device,
                                    SP_DEVINSTALL_PARAMS_W* params);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);

}  // namespace os

namespace os {

constexpr DWORD DIGCF_DEFAULT = 0x1u;
constexpr DWORD DIGCF_PRESENT = 0x2u;
constexpr DWORD DIGCF_ALLCLASSES = 0x4u;
constexpr DWORD DIGCF_PROFILE = 0x8u;
constexpr DWORD DIGCF_DEVICEINTERFACE = 0x10u;
constexpr DWORD SPDRP_DEVICEDESC = 0x0u;
constexpr DWORD SPDRP_HARDWAREID = 0x1u;
constexpr DWORD SPDRP_COMPATIBLEIDS = 0x2u;
constexpr DWORD SPDRP_CLASS = 0x7u;
constexpr DWORD SPDRP_UPPERFILTERS = 0x11u;
constexpr DWORD SPDRP_LOWERFILTERS = 0x12u;
constexpr DWORD SPDRP_MAXIMUM_PROPERTY = 0x24u;
constexpr DWORD DIF_PROPERTYCHANGE = 0x12u;
constexpr DWORD DICS_ENABLE = 1u;
constexpr DWORD DICS_DISABLE = 2u;
constexpr DWORD DICS_PROPCHANGE = 3u;
constexpr DWORD DICS_FLAG_GLOBAL = 1u;
constexpr DWORD DICS_FLAG_CONFIGSPECIFIC = 2u;
constexpr DWORD DI_NEEDRESTART = 0x80u;
constexpr DWORD DI_NEEDREBOOT = 0x100u;
constexpr long ERROR_INVALID_FLAGS = 1004L;
constexpr long ERROR_GEN_FAILURE = 31L;
constexpr long ERROR_INVALID_USER_BUFFER = 1784L;
constexpr DWORD ERROR_INVALID_REG_PROPERTY = 0xE0000209u;
constexpr DWORD ERROR_NO_SUCH_DEVINST = 0xE000020Bu;
constexpr DWORD ERROR_INVALID_CLASS_INSTALLER = 0xE000020Du;
constexpr DWORD ERROR_NOT_DISABLEABLE = 0xE0000231u;

}  // namespace os
// Portable code writes them by their Windows names.
using os::DIGCF_DEFAULT, os::DIGCF_PRESENT, os::DIGCF_ALLCLASSES, os::DIGCF_PROFILE,
    os::DIGCF_DEVICEINTERFACE, os::SPDRP_DEVICEDESC, os::SPDRP_HARDWAREID, os::SPDRP_COMPATIBLEIDS,
    os::SPDRP_CLASS, os::SPDRP_UPPERFILTERS, os::SPDRP_LOWERFILTERS, os::SPDRP_MAXIMUM_PROPERTY,
    os::DIF_PROPERTYCHANGE, os::DICS_ENABLE, os::DICS_DISABLE, os::DICS_PROPCHANGE,
    os::DICS_FLAG_GLOBAL, os::DICS_FLAG_CONFIGSPECIFIC, os::DI_NEEDRESTART, os::DI_NEEDREBOOT,
    os::ERROR_INVALID_FLAGS, os::ERROR_GEN_FAILURE, os::ERROR_INVALID_USER_BUFFER,
    os::ERROR_INVALID_REG_PROPERTY, os::ERROR_NO_SUCH_DEVINST, os::ERROR_INVALID_CLASS_INSTALLER,
    os::ERROR_NOT_DISABLEABLE;
