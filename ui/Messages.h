// Window messages the framework and the forms use (same values as Windows).
#pragma once

#include <cstdint>

#include "platform/os_types.h"

namespace ui {

constexpr os::UINT WM_CLOSE = 0x0010u;
constexpr os::UINT WM_QUIT = 0x0012u;
constexpr os::UINT WM_USER = 0x0400u;

}  // namespace ui
// Portable code writes them by their Windows names.
using ui::WM_CLOSE, ui::WM_QUIT, ui::WM_USER;

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
