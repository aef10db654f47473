// Windows: ShellExecuteExW (os_shell_execute.h), forwarded to shell32.
#include "platform/os_shell_execute.h"
#include "platform/win32/win_text.h"

#include <windows.h>
#include <shellapi.h>

namespace os {

namespace {}  // namespace

BOOL ShellExecuteExW(ShellExecuteInfo* info) {
  ::SHELLEXECUTEINFOW sei{};
  // The caller states the 32-bit size; the structure of this build is what Windows checks.
  sei.cbSize = sizeof(sei);
  sei.fMask = info->fMask;
  sei.hwnd = nullptr;
  sei.lpVerb = win::WideOrNull(info->verb);
  sei.lpFile = win::WideOrNull(info->file);
  sei.lpParameters = win::WideOrNull(info->parameters);
  sei.lpDirectory = win::WideOrNull(info->directory);
  sei.nShow = info->nShow;
  const BOOL ok = ::ShellExecuteExW(&sei);
  info->hProcess = reinterpret_cast<HANDLE>(sei.hProcess);
  return ok;
}

}  // namespace os
