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
HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, const std::u16string& enumerator,
                              DWORD flags);
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

#ifndef DIGCF_PRESENT
#define DIGCF_DEFAULT 0x1u
#define DIGCF_PRESENT 0x2u
#define DIGCF_ALLCLASSES 0x4u
#define DIGCF_PROFILE 0x8u
#define DIGCF_DEVICEINTERFACE 0x10u
#endif
#ifndef SPDRP_HARDWAREID
#define SPDRP_DEVICEDESC 0x0u
#define SPDRP_HARDWAREID 0x1u
#define SPDRP_COMPATIBLEIDS 0x2u
#define SPDRP_CLASS 0x7u
#define SPDRP_UPPERFILTERS 0x11u
#define SPDRP_LOWERFILTERS 0x12u
#define SPDRP_MAXIMUM_PROPERTY 0x25u
#endif
#ifndef DIF_PROPERTYCHANGE
#define DIF_PROPERTYCHANGE 0x12u
#endif
#ifndef DICS_ENABLE
#define DICS_ENABLE 1u
#define DICS_DISABLE 2u
#define DICS_PROPCHANGE 3u
#endif
#ifndef DICS_FLAG_GLOBAL
#define DICS_FLAG_GLOBAL 1u
#define DICS_FLAG_CONFIGSPECIFIC 2u
#endif
#ifndef DI_NEEDREBOOT
#define DI_NEEDRESTART 0x80u
#define DI_NEEDREBOOT 0x100u
#endif
#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif
#ifndef ERROR_GEN_FAILURE
#define ERROR_GEN_FAILURE 31L
#endif
#ifndef ERROR_INVALID_USER_BUFFER
#define ERROR_INVALID_USER_BUFFER 1784L
#endif
#ifndef ERROR_NO_SUCH_DEVINST
#define ERROR_INVALID_REG_PROPERTY 0xE0000209u
#define ERROR_NO_SUCH_DEVINST 0xE000020Bu
#define ERROR_INVALID_CLASS_INSTALLER 0xE000020Du
#define ERROR_NOT_DISABLEABLE 0xE0000231u
#endif
