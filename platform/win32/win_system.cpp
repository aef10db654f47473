// Windows: system facts, folders, version resources, time and the debugger channel
// (os_system.h), each forwarded to the same-named API.
#include <vector>

#include "platform/os_system.h"
#include "platform/win32/win_text.h"

#include <windows.h>
#include <shlobj.h>

namespace os {

using win::Ours;
using win::Wide;

namespace {

// A looked-up export as its real type (through void(*)(), the generic function pointer).
template <typename Fn>
Fn As(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

FARPROC Proc(const wchar_t* module, const char* name) {
  const HMODULE handle = ::GetModuleHandleW(module);
  return handle ? ::GetProcAddress(handle, name) : nullptr;
}

// version.dll is not loaded by every process and is no KnownDLL: it is loaded at run time from
// the system folder only, never from the program's own folder.
HMODULE VersionDll() {
  static const HMODULE module = [] {
    HMODULE loaded = ::LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!loaded && ::GetLastError() == ERROR_INVALID_PARAMETER) {
      // Windows 7 without KB2533623 lacks the search flag: name the system folder instead.
      wchar_t system[MAX_PATH];
      const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
      if (length > 0 && length < MAX_PATH - 13) {
        std::wstring path(system, length);
        path += L"\\version.dll";
        loaded = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      }
    }
    return loaded;
  }();
  return module;
}

FARPROC VersionProc(const char* name) {
  const HMODULE module = VersionDll();
  return module ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace

bool ProcAvailable(const std::u16string& moduleName, const char* procName) {
  return Proc(Wide(moduleName), procName) != nullptr;
}

NTSTATUS RtlGetVersion(OsVersionInfo* info) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  const auto get = As<RtlGetVersionFn>(Proc(L"ntdll.dll", "RtlGetVersion"));
  if (!get) return static_cast<NTSTATUS>(0xC0000002u);  // STATUS_NOT_IMPLEMENTED
  OSVERSIONINFOEXW native{};
  native.dwOSVersionInfoSize = sizeof native;  // 284: the extended record
  const LONG status = get(&native);
  if (status == 0) {
    info->majorVersion = native.dwMajorVersion;
    info->minorVersion = native.dwMinorVersion;
    info->buildNumber = native.dwBuildNumber;
    info->servicePackMajor = native.wServicePackMajor;
    info->servicePackMinor = native.wServicePackMinor;
  }
  return status;
}

WORD GetNativeProcessorArchitecture() {
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture;
}

WORD GetProcessorArchitecture() {
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  return info.wProcessorArchitecture;
}

BOOL IsWow64Process(BOOL* isWow64) {
  using IsWow64ProcessFn = ::BOOL(WINAPI*)(::HANDLE, ::BOOL*);
  const auto query = As<IsWow64ProcessFn>(Proc(L"kernel32", "IsWow64Process"));
  if (!query) return FALSE;
  ::BOOL flag = *isWow64;
  const ::BOOL ok = query(::GetCurrentProcess(), &flag);
  *isWow64 = flag;
  return ok;
}

UINT GetSystemDirectoryW(std::u16string* path) {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) *path = Ours(buffer);
  return length;
}

UINT GetWindowsDirectoryW(std::u16string* path) {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) *path = Ours(buffer);
  return length;
}

std::u16string GetModuleFileNameW() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return u"";
    if (length < buffer.size()) return Ours(buffer.data());
    buffer.resize(buffer.size() * 2);  // cut to the buffer: try a larger one
  }
}

BOOL SHGetSpecialFolderPathW(std::u16string* path, int csidl, BOOL create) {
  wchar_t buffer[MAX_PATH] = {};
  const ::BOOL ok = ::SHGetSpecialFolderPathW(nullptr, buffer, csidl, create);
  if (ok) *path = Ours(buffer);
  return ok;
}

bool GetEnvironmentVariableW(const std::u16string& name, std::u16string* value) {
  ::SetLastError(ERROR_SUCCESS);
  const DWORD needed = ::GetEnvironmentVariableW(Wide(name), nullptr, 0);
  if (needed == 0) {
    if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
    value->clear();  // set, but empty
    return true;
  }
  std::vector<wchar_t> buffer(needed);
  const DWORD length = ::GetEnvironmentVariableW(Wide(name), buffer.data(), needed);
  if (length == 0 || length >= needed) return false;  // changed or removed in between
  *value = Ours(buffer.data());
  return true;
}

void GetLocalTime(SystemTime* time) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  *time = SystemTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                     now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

DWORD GetTempPathW(std::u16string* path) {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return 0;
  *path = Ours(buffer);
  return length;
}

int GetScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN); }
int GetScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN); }

int GetScreenDpi() {
  // shcore.dll (Windows 8.1 and later) knows each monitor's DPI; it is loaded by its full
  // path in the system folder, and Windows 7 has none.
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  wchar_t system[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  if (length > 0 && length < MAX_PATH - 12) {
    const std::wstring path = std::wstring(system, length) + L"\\shcore.dll";
    if (HMODULE shcore = ::LoadLibraryW(path.c_str())) {
      auto getDpi = reinterpret_cast<GetDpiForMonitorFn>(
          reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")));
      UINT dpiX = 0, dpiY = 0;
      const HMONITOR primary = ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
      const bool known = getDpi && getDpi(primary, kEffectiveDpi, &dpiX, &dpiY) == S_OK && dpiY > 0;
      ::FreeLibrary(shcore);
      if (known) return static_cast<int>(dpiY);
    }
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

DWORD GetFileVersionInfoSizeW(const std::u16string& path, DWORD* handle) {
  using SizeFn = ::DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  const auto size = As<SizeFn>(VersionProc("GetFileVersionInfoSizeW"));
  if (!size) return 0;
  ::DWORD native = 0;
  const ::DWORD result = size(Wide(path), &native);
  if (handle) *handle = native;
  return result;
}

BOOL GetFileVersionInfoW(const std::u16string& path, DWORD handle, DWORD size, void* block) {
  using InfoFn = ::BOOL(WINAPI*)(LPCWSTR, ::DWORD, ::DWORD, LPVOID);
  const auto info = As<InfoFn>(VersionProc("GetFileVersionInfoW"));
  return info ? info(Wide(path), handle, size, block) : FALSE;
}

BOOL VerQueryValueW(const void* block, const std::u16string& subBlock, const void** value,
                    UINT* length) {
  using QueryFn = ::BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  const auto query = As<QueryFn>(VersionProc("VerQueryValueW"));
  if (!query) return FALSE;
  void* found = nullptr;
  ::UINT foundLength = 0;
  const ::BOOL ok = query(block, Wide(subBlock), &found, &foundLength);
  if (ok) {
    *value = found;
    if (length) *length = foundLength;
  }
  return ok;
}

std::uint64_t GetTickCount64() { return ::GetTickCount64(); }
DWORD GetCurrentProcessId() { return ::GetCurrentProcessId(); }

std::u16string FormatSystemMessageW(DWORD error) {
  wchar_t* text = nullptr;
  ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const std::u16string result = Ours(text);
  if (text) ::LocalFree(text);
  return result;
}

void Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }
BOOL Beep(DWORD frequency, DWORD duration) { return ::Beep(frequency, duration); }
void OutputDebugStringW(const std::u16string& text) { ::OutputDebugStringW(Wide(text)); }

}  // namespace os
