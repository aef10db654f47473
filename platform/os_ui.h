// Message boxes: buttons, icons, default buttons and answers. The wizard shows its boxes through
// the ui framework's backends; a program without windows (the uninstaller) through MessageBoxW.
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

// MessageBoxW without an owner window: the button pressed (IDOK, IDYES ...), or 0 when the box
// could not be shown (GetLastError).
int MessageBoxW(const std::u16string& text, const std::u16string& caption, UINT flags);

}  // namespace os

// Buttons, icons, default buttons and answers (same values as Windows).
namespace os {

constexpr DWORD MB_OK = 0x00000000u;
constexpr DWORD MB_OKCANCEL = 0x00000001u;
constexpr DWORD MB_ABORTRETRYIGNORE = 0x00000002u;
constexpr DWORD MB_YESNOCANCEL = 0x00000003u;
constexpr DWORD MB_YESNO = 0x00000004u;
constexpr DWORD MB_RETRYCANCEL = 0x00000005u;
constexpr DWORD MB_CANCELTRYCONTINUE = 0x00000006u;
constexpr DWORD MB_TYPEMASK = 0x0000000Fu;
constexpr DWORD MB_ICONERROR = 0x00000010u;
constexpr DWORD MB_ICONQUESTION = 0x00000020u;
constexpr DWORD MB_ICONWARNING = 0x00000030u;
constexpr DWORD MB_ICONINFORMATION = 0x00000040u;
constexpr DWORD MB_ICONMASK = 0x000000F0u;
constexpr DWORD MB_DEFBUTTON1 = 0x00000000u;
constexpr DWORD MB_DEFBUTTON2 = 0x00000100u;
constexpr DWORD MB_DEFBUTTON3 = 0x00000200u;
constexpr DWORD MB_DEFMASK = 0x00000F00u;
constexpr DWORD MB_SETFOREGROUND = 0x00010000u;
constexpr DWORD MB_TOPMOST = 0x00040000u;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

}  // namespace os
// Portable code writes them by their Windows names.
using os::MB_OK, os::MB_OKCANCEL, os::MB_ABORTRETRYIGNORE, os::MB_YESNOCANCEL, os::MB_YESNO,
    os::MB_RETRYCANCEL, os::MB_CANCELTRYCONTINUE, os::MB_TYPEMASK, os::MB_ICONERROR,
    os::MB_ICONQUESTION, os::MB_ICONWARNING, os::MB_ICONINFORMATION, os::MB_ICONMASK,
    os::MB_DEFBUTTON1, os::MB_DEFBUTTON2, os::MB_DEFBUTTON3, os::MB_DEFMASK, os::MB_SETFOREGROUND,
    os::MB_TOPMOST, os::IDOK, os::IDCANCEL, os::IDABORT, os::IDRETRY, os::IDIGNORE, os::IDYES,
    os::IDNO, os::IDTRYAGAIN, os::IDCONTINUE;
