// The companion applications: the main application, the effect application and the
// sound-effect application, one source built three times (ZKT_APP_ROLE 0, 1, 2).
//
// Each shows the product's name, why it was started (" -boot", " -servicestart",
// " -serviceboot" or by the user) and the default audio settings the setup recorded, and closes
// when "WM_ZKT72xxAPP_EXIT" is broadcast or the service sets its exit event. A second start
// brings the running window to the front instead.
#include <windows.h>
#include <shellapi.h>

#include "payload/common/CommandLine.h"
#include "payload/common/ProductNames.h"
#include "payload/common/SingleInstance.h"
#include "payload/win/Registry.h"
#include "payload/win/Trust.h"
#include "payload/win/WideText.h"

#include <string>
#include <vector>

#ifndef ZKT_APP_ROLE
#error "ZKT_APP_ROLE selects the application: 0 main, 1 effect, 2 sound effect"
#endif

using payload::U;
using payload::W;

namespace {

struct Role {
  const wchar_t* title;
  const wchar_t* windowClass;
  const wchar_t* instanceMutex;
};
const Role kRoles[] = {
    {L"Audio Control", W(payload::kAppWindowClasses[0]), L"Local\\ZKT72xxMainApp"},
    {L"Effect", W(payload::kAppWindowClasses[1]), L"Local\\ZKT72xxEffectApp"},
    {L"Sound Effect", W(payload::kAppWindowClasses[2]), L"Local\\ZKT72xxSoundEffectApp"},
};
const Role& kRole = kRoles[ZKT_APP_ROLE];
constexpr UINT_PTR kEventRetryTimer = 1;

UINT g_exitMessage = 0;
HANDLE g_exitEvent = nullptr;
std::wstring g_text;

// The installed AudioConfig.cfg: beside the main application, two levels up from a plug-in.
std::wstring FindConfig() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  std::wstring folder(path);
  for (int level = 0; level < 3; ++level) {
    const std::size_t slash = folder.find_last_of(L'\\');
    if (slash == std::wstring::npos) break;
    folder.resize(slash);
    const std::wstring config = folder + L"\\" + W(payload::kConfigFileName);
    if (GetFileAttributesW(config.c_str()) != INVALID_FILE_ATTRIBUTES) return config;
  }
  return std::wstring();
}

std::wstring ProductName() {
  const std::wstring config = FindConfig();
  wchar_t name[256] = L"";
  if (!config.empty())
    GetPrivateProfileStringW(L"Uninstall", L"UninstallDisplayName", L"", name, 256, config.c_str());
  return name[0] ? name : L"ZKT 72xx USB Audio";
}

std::wstring Describe(const payload::AppCommand& command) {
  std::wstring text = ProductName() + L"\r\n" + kRole.title + L": " +
                      W(payload::LaunchReasonText(command.reason)) + L"\r\n\r\n";
  text += L"Default audio settings (HKLM\\" + std::wstring(W(payload::kProductKey)) + L"):\r\n";
  for (const char16_t* name : payload::kDefaultSettingNames) {
    DWORD value = 0;
    text += L"    " + std::wstring(W(name)) + L" = ";
    text += payload::ReadRegDword(HKEY_LOCAL_MACHINE, payload::kProductKey, name, value)
                ? std::to_wstring(value)
                : std::wstring(L"(not set)");
    text += L"\r\n";
  }
  text += L"Levels:\r\n";
  const auto levels = payload::ReadRegValues(HKEY_LOCAL_MACHINE, payload::kLevelTableKey);
  if (levels.empty()) text += L"    (none)\r\n";
  for (const auto& level : levels)
    text += L"    " + std::wstring(W(level.first)) + L" = " + W(level.second) + L"\r\n";
  if (!command.ignored.empty()) {
    text += L"\r\nArguments not used:";
    for (const std::u16string& arg : command.ignored) text += L" " + std::wstring(W(arg));
    text += L"\r\n";
  }
  return text;
}

void OpenExitEvent(HWND window) {
  // The service creates the event; until it runs, try again now and then. One that a user
  // created first is not the service's and is not listened to.
  HANDLE event = OpenEventW(SYNCHRONIZE | READ_CONTROL, FALSE, W(payload::kAppExitEventName));
  if (!event) return;
  KillTimer(window, kEventRetryTimer);
  if (payload::IsTrustedOwner(payload::OwnerOf(event, SE_KERNEL_OBJECT))) g_exitEvent = event;
  else CloseHandle(event);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == g_exitMessage && g_exitMessage != 0) {
    // Answer the broadcast at once; close afterwards.
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      InflateRect(&area, -12, -12);
      HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, g_text.c_str(), -1, &area, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
      SelectObject(dc, oldFont);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kEventRetryTimer) OpenExitEvent(window);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool BringFirstInstanceToFront() {
  HWND first = FindWindowW(kRole.windowClass, nullptr);
  if (!first) return false;
  if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
  ShowWindow(first, SW_SHOW);
  SetForegroundWindow(first);
  return true;
}

payload::AppCommand ReadCommand() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  payload::AppCommand command;
  if (argv) {
    command = payload::ParseAppArguments(payload::Arguments(argc, argv));
    LocalFree(argv);
  }
  return command;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kRole.instanceMutex);
  if (payload::ClassifyInstanceMutex(mutex != nullptr, GetLastError()) ==
      payload::InstanceStart::Second) {
    // The first instance may still be creating its window.
    for (int attempt = 0; attempt < 20 && !BringFirstInstanceToFront(); ++attempt) Sleep(100);
    if (mutex) CloseHandle(mutex);
    return 0;
  }
  const payload::AppCommand command = ReadCommand();
  g_exitMessage = RegisterWindowMessageW(W(payload::kAppExitMessage));
  g_text = Describe(command);

  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kRole.windowClass;
  if (!RegisterClassExW(&windowClass)) return 1;
  const std::wstring title = ProductName() + L" - " + kRole.title;
  HWND window =
      CreateWindowExW(0, kRole.windowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 480, 360, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  // A broadcast from an elevated setup reaches us even when we run without elevation.
  ChangeWindowMessageFilterEx(window, g_exitMessage, MSGFLT_ALLOW, nullptr);
  SetTimer(window, kEventRetryTimer, 5000, nullptr);
  OpenExitEvent(window);

  // The first ShowWindow takes the starter's choice (the setup's Finish asks for a hidden
  // window); the second one shows the window as this start calls for.
  const int show = payload::StartsMinimised(command.reason) ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL;
  ShowWindow(window, show);
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  for (;;) {
    const DWORD count = g_exitEvent ? 1 : 0;
    const DWORD wait = MsgWaitForMultipleObjects(count, count ? &g_exitEvent : nullptr, FALSE,
                                                 INFINITE, QS_ALLINPUT);
    if (count && wait == WAIT_OBJECT_0) {
      DestroyWindow(window);  // the service asked us to exit
      CloseHandle(g_exitEvent);
      g_exitEvent = nullptr;
    }
    bool quit = false;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        break;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (quit) break;
  }
  if (g_exitEvent) CloseHandle(g_exitEvent);
  CloseHandle(mutex);
  return static_cast<int>(message.wParam);
}
