// Starting a program through the shell (ShellExecuteExW).
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

constexpr DWORD SEE_MASK_NOCLOSEPROCESS = 0x00000040u;
constexpr DWORD SEE_MASK_FLAG_NO_UI = 0x00000400u;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;

}  // namespace os
// Portable code writes them by their Windows names.
using os::SEE_MASK_NOCLOSEPROCESS, os::SEE_MASK_FLAG_NO_UI, os::SW_HIDE, os::SW_SHOWNORMAL;

namespace os {

// The fields of SHELLEXECUTEINFOW that the setup fills; empty texts stand for NULL. cbSize is
// that of the 32-bit structure (60).
struct ShellExecuteInfo {
  DWORD cbSize = 60;
  DWORD fMask = 0;
  std::u16string verb;
  std::u16string file;
  std::u16string parameters;
  std::u16string directory;
  int nShow = 0;
  HANDLE hProcess = nullptr;  // out, with SEE_MASK_NOCLOSEPROCESS
};

// ShellExecuteExW without an owner window; FALSE (GetLastError) when nothing was started.
BOOL ShellExecuteExW(ShellExecuteInfo* info);

}  // namespace os
