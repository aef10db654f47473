// The service's log file on Windows.
#include <windows.h>
#include <shlobj.h>

#include "payload/common/ProductNames.h"
#include "payload/service/ServiceLog.h"
#include "payload/win/WideText.h"

#include <cstdarg>
#include <cwchar>
#include <string>

namespace service_log {

namespace {

constexpr LONGLONG kRotateAtBytes = 1024 * 1024;
std::wstring g_folder;
CRITICAL_SECTION g_lock;
bool g_open = false;

void Rotate(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) return;
  const LONGLONG size = (static_cast<LONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size < kRotateAtBytes) return;
  const std::wstring old = g_folder + payload::W(payload::kOldLogFileName);
  MoveFileExW(path.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void Append(const std::wstring& line) {
  OutputDebugStringW(line.c_str());
  if (g_folder.empty()) return;
  const std::wstring path = g_folder + payload::W(payload::kLogFileName);
  Rotate(path);
  // Shared for reading: a support engineer may have the log open while the service runs.
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes : 0, '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0],
                        bytes, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

void Open() {
  InitializeCriticalSection(&g_lock);
  g_open = true;
  wchar_t common[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                              common)))
    return;  // the debugger output still gets every line
  g_folder = std::wstring(common) + L"\\" + payload::W(payload::kLogFolderName);
  CreateDirectoryW(g_folder.c_str(), nullptr);
  g_folder += L"\\";
}

void Write(const wchar_t* format, ...) {
  wchar_t text[1024];
  va_list args;
  va_start(args, format);
  const int length = _vsnwprintf(text, 1023, format, args);
  va_end(args);
  text[1023] = 0;
  if (length < 0) wcscpy(text + 1019, L"...");  // cut, and says so

  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t stamp[64];
  _snwprintf(stamp, 63, L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
             GetCurrentProcessId());
  stamp[63] = 0;
  const std::wstring line = std::wstring(stamp) + text + L"\r\n";
  if (!g_open) {
    OutputDebugStringW(line.c_str());
    return;
  }
  EnterCriticalSection(&g_lock);
  Append(line);
  LeaveCriticalSection(&g_lock);
}

}  // namespace service_log
