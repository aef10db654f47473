// Registered window messages and their broadcast to every top-level window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os_types.h"

namespace os {

constexpr DWORD HWND_BROADCAST = 0xFFFFu;
constexpr DWORD SMTO_NORMAL = 0x0000u;
constexpr DWORD SMTO_BLOCK = 0x0001u;
constexpr DWORD SMTO_ABORTIFHUNG = 0x0002u;

}  // namespace os
// Portable code writes them by their Windows names.
using os::HWND_BROADCAST, os::SMTO_NORMAL, os::SMTO_BLOCK, os::SMTO_ABORTIFHUNG;

namespace os {

// RegisterWindowMessageW: the same name gives the same message (0xC000..0xFFFF) system-wide;
// 0 on failure.
UINT RegisterWindowMessageW(const std::u16string& name);
// SendMessageTimeoutW(HWND_BROADCAST, ...): waits up to `timeoutMs` for each top-level window.
// Non-zero when the broadcast was delivered.
std::intptr_t BroadcastMessageTimeoutW(UINT msg, std::uintptr_t wParam, std::intptr_t lParam,
                                       UINT flags, UINT timeoutMs);
// FindWindowW(className, NULL) != NULL: a top-level window of the class exists.
BOOL FindWindowW(const std::u16string& className);

}  // namespace os
