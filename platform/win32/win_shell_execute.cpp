// Windows: ShellExecuteExW (os_shell_execute.h), forwarded to shell32.
#include <windows.h>
#include <shellapi.h>

#include "platform/os_shell_execute.h"

namespace os {

namespace {
const wchar_t* OrNull(const std::u16string& s) {
  return s.empty() ? nullptr : reinterpret_cast<const wchar_t*>(s.c_str());
}
}  // namespace

BOOL ShellExecuteExW(ShellExecuteInfo* info) {
  ::SHELLEXECUTEINFOW sei{};
  // The caller states the 32-bit size; the structure of this build is what Windows checks.
  sei.cbSize = sizeof(sei);
  sei.fMask = info->fMask;
  sei.hwnd = nullptr;
  sei.lpVerb = OrNull(info->verb);
  sei.lpFile = OrNull(info->file);
  sei.lpParameters = OrNull(info->parameters);
  sei.lpDirectory = OrNull(info->directory);
  sei.nShow = info->nShow;
  const BOOL ok = ::ShellExecuteExW(&sei);
  info->hProcess = reinterpret_cast<HANDLE>(sei.hProcess);
  return ok;
}

}  // namespace os
