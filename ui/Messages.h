// Window messages the framework and the forms use (same values as Windows).
#pragma once

#include <cstdint>

#include "platform/os_types.h"

#ifndef WM_CLOSE
#define WM_CLOSE 0x0010u
#endif
#ifndef WM_QUIT
#define WM_QUIT 0x0012u
#endif
#ifndef WM_USER
#define WM_USER 0x0400u
#endif

namespace ui {

// Message parameters wide enough for a pointer, as WPARAM and LPARAM are.
using WParam = std::uintptr_t;
using LParam = std::intptr_t;

struct Message {
  os::UINT msg = 0;
  WParam wParam = 0;
  LParam lParam = 0;
  LParam result = 0;
};

}  // namespace ui
