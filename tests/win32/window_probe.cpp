// Reports what a top-level window shows, for tests that drive a program from outside:
//
//   zkt_window_probe.exe [--post-close] CAPTION-PREFIX
//
// (--post-close first posts WM_CLOSE to the window, as a close request from outside would) and
// prints "window", then one line per child window in Z order: "<class> <visible|hidden>
// <enabled|disabled> <text>", and "close-box <enabled|disabled|unknown>" from the window menu's
// Close item. Exit code 3 when the window closed on the request, 2 when no visible top-level
// window's caption starts with CAPTION-PREFIX.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
  const wchar_t* prefix;
  HWND found;
};

std::string Utf8(const std::wstring& text) {
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1)
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
  return out;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  ::GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!::IsWindowVisible(hwnd)) return TRUE;
  if (TextOf(hwnd).rfind(search->prefix, 0) != 0) return TRUE;
  search->found = hwnd;
  return FALSE;
}

BOOL CALLBACK PrintChild(HWND hwnd, LPARAM) {
  wchar_t cls[64] = {};
  ::GetClassNameW(hwnd, cls, 64);
  std::printf("%s %s %s %s\n", Utf8(cls).c_str(), ::IsWindowVisible(hwnd) ? "visible" : "hidden",
              ::IsWindowEnabled(hwnd) ? "enabled" : "disabled", Utf8(TextOf(hwnd)).c_str());
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const bool postClose = argc == 3 && std::wcscmp(argv[1], L"--post-close") == 0;
  if (argc != 2 && !postClose) {
    std::fputs("usage: zkt_window_probe [--post-close] CAPTION-PREFIX\n", stderr);
    return 1;
  }
  Search search{argv[argc - 1], nullptr};
  ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return 2;
  if (postClose) {
    ::PostMessageW(search.found, WM_CLOSE, 0, 0);
    ::Sleep(1000);  // time for the window to act on it
    if (!::IsWindow(search.found) || !::IsWindowVisible(search.found)) {
      std::puts("closed");
      return 3;
    }
  }
  std::puts("window");
  ::EnumChildWindows(search.found, PrintChild, 0);
  // Wine 8 keeps menus per process: another process's window menu reads as none there.
  const HMENU menu = ::GetSystemMenu(search.found, FALSE);
  const UINT state = menu ? ::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) : 0xFFFFFFFFu;
  std::printf("close-box %s\n", state == 0xFFFFFFFFu                ? "unknown"
                                : state & (MF_GRAYED | MF_DISABLED) ? "disabled"
                                                                    : "enabled");
  return 0;
}
