// Win32 backend: registered window messages and their broadcast.
#include "platform/os_messages.h"

#include <windows.h>

namespace os {

UINT RegisterWindowMessageW(const std::u16string& name) {
  return ::RegisterWindowMessageW(reinterpret_cast<LPCWSTR>(name.c_str()));
}

std::intptr_t BroadcastMessageTimeoutW(UINT msg, std::uintptr_t wParam, std::intptr_t lParam,
                                       UINT flags, UINT timeoutMs) {
  DWORD_PTR result = 0;
  return static_cast<std::intptr_t>(
      ::SendMessageTimeoutW(HWND_BROADCAST, msg, wParam, lParam, flags, timeoutMs, &result));
}

BOOL FindWindowW(const std::u16string& className) {
  return ::FindWindowW(reinterpret_cast<LPCWSTR>(className.c_str()), nullptr) != nullptr;
}

}  // namespace os
