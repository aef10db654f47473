// Windows: message boxes (os_ui.h), forwarded to user32.
#include <windows.h>

#include "platform/os_ui.h"

namespace os {

int MessageBoxW(const std::u16string& text, const std::u16string& caption, UINT flags) {
  return ::MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()),
                       reinterpret_cast<const wchar_t*>(caption.c_str()), flags);
}

}  // namespace os
