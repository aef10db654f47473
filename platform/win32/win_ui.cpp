// Windows: a message box without an owner window (os_ui.h).
#include "platform/os_ui.h"
#include "platform/win32/win_text.h"

#include <windows.h>

namespace os {

int MessageBoxW(const std::u16string& text, const std::u16string& caption, UINT flags) {
  return ::MessageBoxW(nullptr, win::Wide(text), win::Wide(caption), flags);
}

}  // namespace os
