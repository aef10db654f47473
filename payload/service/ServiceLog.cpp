// The service's log file on Windows.
#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include "payload/common/ProductNames.h"
#include "payload/common/Security.h"
#include "payload/service/ServiceLog.h"
#include "payload/win/Trust.h"
#include "payload/win/WideText.h"

#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace service_log {

namespace {

constexpr LONGLONG kRotateAtBytes = 1024 * 1024;
std::wstring g_folder;
CRITICAL_SECTION g_lock;
bool g_open = false;

// The log file, opened without following a link; refused unless it is a plain file with one
// name (a hard link would make the service write into another file).
HANDLE OpenLog(const std::wstring& path, DWORD access) {
  HANDLE file =
      CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(file, &info) ||
      !payload::IsPlainLogFile(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT,
                               info.nNumberOfLinks)) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// Above the limit the open log is renamed to the old log through its handle, so that the
// rename moves exactly the file that was checked.
void Rotate(HANDLE file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart < kRotateAtBytes) return;
  const std::wstring old = g_folder + payload::W(payload::kOldLogFileName);
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + old.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(old.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, old.c_str(), old.size() * sizeof(wchar_t));
  SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

void Append(const std::wstring& line) {
  OutputDebugStringW(line.c_str());
  if (g_folder.empty()) return;
  const std::wstring path = g_folder + payload::W(payload::kLogFileName);
  // Shared for reading: a support engineer may have the log open while the service runs.
  HANDLE file = OpenLog(path, FILE_READ_ATTRIBUTES | DELETE);
  if (file != INVALID_HANDLE_VALUE) {
    Rotate(file);
    CloseHandle(file);
  }
  file = OpenLog(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES);
  if (file == INVALID_HANDLE_VALUE) return;
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes : 0, '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], bytes,
                        nullptr, nullptr);
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
}

// The log folder under ProgramData, where any user may create a folder first: made with a
// protected security descriptor; an existing one is used only when it is no link and is ours,
// and then gets that descriptor too (an older version made it with the inherited one).
bool PrepareFolder(const std::wstring& folder) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(payload::W(payload::kLogFolderSecurity),
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return false;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const bool created = CreateDirectoryW(folder.c_str(), &attributes) != FALSE;
  bool usable = payload::IsTrustedFolderOnDisk(payload::U(folder.c_str()));
  if (usable && !created) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    // Only when the folder is ours already; failing leaves it as it was.
    SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, dacl, nullptr);
    usable = payload::IsTrustedFolderOnDisk(payload::U(folder.c_str()));
  }
  LocalFree(descriptor);
  return usable;
}

}  // namespace

void Open() {
  InitializeCriticalSection(&g_lock);
  g_open = true;
  wchar_t common[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)))
    return;  // the debugger output still gets every line
  const std::wstring folder = std::wstring(common) + L"\\" + payload::W(payload::kLogFolderName);
  if (!PrepareFolder(folder)) {
    OutputDebugStringW((folder + L" is a link or another user's folder: the log goes to the "
                                 L"debugger output only\r\n")
                           .c_str());
    return;
  }
  g_folder = folder + L"\\";
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
