// Windows: the shutdown privilege and ExitWindowsEx (os_shutdown.h), forwarded to advapi32
// and user32.
#include "platform/os_shutdown.h"
#include "platform/win32/win_text.h"

#include <windows.h>

namespace os {

HANDLE OpenProcessToken(DWORD access) {
  ::HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), access, &token)) return nullptr;
  return reinterpret_cast<HANDLE>(token);
}

BOOL LookupPrivilegeValueW(const std::u16string& name, Luid* luid) {
  ::LUID value{};
  if (!::LookupPrivilegeValueW(nullptr, win::Wide(name), &value)) return FALSE;
  luid->lowPart = value.LowPart;
  luid->highPart = value.HighPart;
  return TRUE;
}

BOOL AdjustTokenPrivilege(HANDLE token, const Luid& luid, DWORD attributes) {
  ::TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid.LowPart = luid.lowPart;
  privileges.Privileges[0].Luid.HighPart = luid.highPart;
  privileges.Privileges[0].Attributes = attributes;
  return ::AdjustTokenPrivileges(reinterpret_cast<::HANDLE>(token), FALSE, &privileges, 0, nullptr,
                                 nullptr);
}

BOOL CloseTokenHandle(HANDLE token) { return ::CloseHandle(reinterpret_cast<::HANDLE>(token)); }

BOOL ExitWindowsEx(UINT flags, DWORD reason) { return ::ExitWindowsEx(flags, reason); }

}  // namespace os
