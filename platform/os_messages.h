// Registered window messages and their broadcast to every top-level window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os_types.h"

#ifndef HWND_BROADCAST
#define HWND_BROADCAST 0xFFFFu
#endif
#ifndef SMTO_NORMAL
#define SMTO_NORMAL 0x0000u
#define SMTO_BLOCK 0x0001u
#define SMTO_ABORTIFHUNG 0x0002u
#endif

namespace os {

// RegisterWindowMessageW: the same name gives the same message (0xC000..0xFFFF) system-wide;
// 0 on failure.
UINT RegisterWindowMessageW(const std::u16string& name);
// SendMessageTimeoutW(HWND_BROADCAST, ...): waits up to `timeoutMs` for each top-level window.
// Non-zero when the broadcast was delivered.
std::intptr_t BroadcastMessageTimeoutW(UINT msg, std::uintptr_t wParam, std::intptr_t lParam,
                                       UINT flags, UINT timeoutMs);

}  // namespace os
