// Shutting Windows down: the privilege it needs and the request itself.
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020u;
constexpr DWORD TOKEN_QUERY = 0x0008u;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002u;
constexpr DWORD EWX_LOGOFF = 0x0u;
constexpr DWORD EWX_SHUTDOWN = 0x1u;
constexpr DWORD EWX_REBOOT = 0x2u;
constexpr DWORD EWX_FORCE = 0x4u;
constexpr long ERROR_PRIVILEGE_NOT_HELD = 1314L;

}  // namespace os
// Portable code writes them by their Windows names.
using os::TOKEN_ADJUST_PRIVILEGES, os::TOKEN_QUERY, os::SE_PRIVILEGE_ENABLED, os::EWX_LOGOFF,
    os::EWX_SHUTDOWN, os::EWX_REBOOT, os::EWX_FORCE, os::ERROR_PRIVILEGE_NOT_HELD;

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
