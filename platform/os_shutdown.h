// Shutting Windows down: the privilege it needs and the request itself.
#pragma once

#include <string>

#include "platform/os_types.h"

#ifndef TOKEN_ADJUST_PRIVILEGES
#define TOKEN_ADJUST_PRIVILEGES 0x0020u
#define TOKEN_QUERY 0x0008u
#endif
#ifndef SE_PRIVILEGE_ENABLED
#define SE_PRIVILEGE_ENABLED 0x00000002u
#endif
#ifndef EWX_REBOOT
#define EWX_LOGOFF 0x0u
#define EWX_SHUTDOWN 0x1u
#define EWX_REBOOT 0x2u
#define EWX_FORCE 0x4u
#endif
#ifndef ERROR_PRIVILEGE_NOT_HELD
#define ERROR_PRIVILEGE_NOT_HELD 1314L
#endif

namespace os {

// A locally unique identifier (LUID) of a privilege.
struct Luid {
  DWORD lowPart = 0;
  LONG highPart = 0;
};

// OpenProcessToken(GetCurrentProcess(), access): the token, or nullptr (GetLastError).
HANDLE OpenProcessToken(DWORD access);
// LookupPrivilegeValueW on the local system (NULL system name).
BOOL LookupPrivilegeValueW(const std::u16string& name, Luid* luid);
// AdjustTokenPrivileges with one privilege and no previous state requested.
BOOL AdjustTokenPrivilege(HANDLE token, const Luid& luid, DWORD attributes);
// CloseHandle of a token from OpenProcessToken.
BOOL CloseTokenHandle(HANDLE token);
BOOL ExitWindowsEx(UINT flags, DWORD reason);

}  // namespace os
