// The uninstaller's removal operations on Windows.
#include <windows.h>

#include "payload/common/ProductNames.h"
#include "payload/uninstall/Removal.h"
#include "payload/win/WideText.h"

#include <string>

using payload::ActionKind;
using payload::U;
using payload::W;

namespace {

std::u16string ErrorText(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string result = U(std::to_wstring(error).c_str());
  if (text) {
    std::u16string message = U(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                                message.back() == u' ' || message.back() == u'.'))
      message.pop_back();
    result = message + u" (" + result + u")";
    LocalFree(text);
  }
  return result;
}

bool Absent(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_SERVICE_DOES_NOT_EXIST;
}

void Fail(RemovalReport& report, const std::u16string& what, DWORD error) {
  report.failed.push_back(what + u": " + ErrorText(error));
}

// WOW64 file-system redirection off for the native system folder (a 32-bit uninstaller on
// 64-bit Windows); restored on destruction.
class NativeSystemFolder {
 public:
  explicit NativeSystemFolder(bool wanted) {
    BOOL wow64 = FALSE;
    using DisableFn = BOOL(WINAPI*)(void**);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto disable = reinterpret_cast<DisableFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    if (wanted && disable && IsWow64Process(GetCurrentProcess(), &wow64) && wow64)
      active_ = disable(&old_) != FALSE;
  }
  ~NativeSystemFolder() {
    if (!active_) return;
    using RevertFn = BOOL(WINAPI*)(void*);
    auto revert = reinterpret_cast<RevertFn>(reinterpret_cast<void*>(GetProcAddress(
        GetModuleHandleW(L"kernel32.dll"), "Wow64RevertWow64FsRedirection")));
    if (revert) revert(old_);
  }

 private:
  void* old_ = nullptr;
  bool active_ = false;
};

void DeleteAtRestart(const std::u16string& path, DWORD error, RemovalReport& report) {
  if (MoveFileExW(W(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    report.atRestart.push_back(path);
  else
    Fail(report, path, error);
}

void RemoveFile(const std::u16string& path, RemovalReport& report) {
  if (DeleteFileW(W(path))) return;
  DWORD error = GetLastError();
  if (Absent(error)) return;
  if (error == ERROR_ACCESS_DENIED) {
    // A read-only copy: clear the attribute and try once more.
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(W(path))) return;
    error = GetLastError();
  }
  DeleteAtRestart(path, error, report);  // in use: Windows removes it when it restarts
}

void RemoveTree(const std::u16string& folder, RemovalReport& report) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(W(folder + u"\\*"), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (Absent(error)) return;
  } else {
    do {
      const std::u16string name = U(entry.cFileName);
      if (name == u"." || name == u"..") continue;
      const std::u16string path = folder + u"\\" + name;
      const bool directory = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      // A linked folder is unlinked, never followed.
      if (directory && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(path, report);
      else if (directory && !RemoveDirectoryW(W(path)))
        Fail(report, path, GetLastError());
      else if (!directory)
        RemoveFile(path, report);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  SetFileAttributesW(W(folder), FILE_ATTRIBUTE_NORMAL);
  if (RemoveDirectoryW(W(folder))) return;
  const DWORD error = GetLastError();
  if (!Absent(error)) DeleteAtRestart(folder, error, report);
}

HKEY OpenKey(const std::u16string& key, REGSAM access, RemovalReport& report, bool& absent) {
  HKEY handle = nullptr;
  const LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(key), 0, access, &handle);
  absent = result == ERROR_FILE_NOT_FOUND;
  if (result != ERROR_SUCCESS && !absent)
    Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
  return result == ERROR_SUCCESS ? handle : nullptr;
}

void DeleteValue(const std::u16string& key, const std::u16string& name, RemovalReport& report) {
  bool absent = false;
  HKEY handle = OpenKey(key, KEY_SET_VALUE, report, absent);
  if (!handle) return;
  const LONG result = RegDeleteValueW(handle, W(name));
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    Fail(report, u"HKLM\\" + key + u" \"" + name + u"\"", static_cast<DWORD>(result));
  RegCloseKey(handle);
}

void DeleteTree(const std::u16string& key, RemovalReport& report) {
  const LONG result = RegDeleteTreeW(HKEY_LOCAL_MACHINE, W(key));
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
}

void DeleteKeyIfEmpty(const std::u16string& key, RemovalReport& report) {
  bool absent = false;
  HKEY handle = OpenKey(key, KEY_READ, report, absent);
  if (!handle) return;
  DWORD subkeys = 0, values = 0;
  const LONG info = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                     nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (info != ERROR_SUCCESS || subkeys || values) return;  // kept on purpose: not ours alone
  const LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, W(key));
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
}

void AskAppsToExit() {
  const UINT message = RegisterWindowMessageW(W(payload::kAppExitMessage));
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 200,
                      &answer);
  // Give the applications a moment to close their windows and end.
  for (int poll = 0; poll < 50; ++poll) {
    bool running = false;
    for (const char16_t* windowClass : payload::kAppWindowClasses)
      running |= FindWindowW(W(windowClass), nullptr) != nullptr;
    if (!running) break;
    Sleep(100);
  }
}

void StopAndDeleteService(const std::u16string& name, RemovalReport& report) {
  const std::u16string what = u"service " + name;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return Fail(report, what, GetLastError());
  SC_HANDLE service =
      OpenServiceW(manager, W(name),
                   SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_USER_DEFINED_CONTROL | DELETE);
  if (!service) {
    const DWORD error = GetLastError();
    if (!Absent(error)) Fail(report, what, error);
    CloseServiceHandle(manager);
    return;
  }
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                       sizeof status, &needed);
  HANDLE process = status.dwProcessId
                       ? OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId)
                       : nullptr;
  SERVICE_STATUS plain;
  if (status.dwCurrentState == SERVICE_RUNNING) {
    ControlService(service, payload::kControlAppExit, &plain);  // the applications first
    ControlService(service, SERVICE_CONTROL_STOP, &plain);
  }
  for (int poll = 0; poll < 100 && status.dwCurrentState != SERVICE_STOPPED; ++poll) {
    Sleep(300);
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed))
      break;
  }
  if (status.dwCurrentState != SERVICE_STOPPED)
    report.failed.push_back(what + u": it did not stop");
  // The image can be deleted only once the process has ended.
  if (process) {
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  if (!DeleteService(service) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
    Fail(report, what, GetLastError());
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
}

// The folder holds nothing but the given file (the uninstaller).
bool OnlyEntryIs(const std::u16string& folder, const std::u16string& file) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(W(folder + u"\\*"), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool only = true;
  do {
    const std::u16string name = U(entry.cFileName);
    if (name != u"." && name != u".." &&
        lstrcmpiW(W(folder + u"\\" + name), W(file)) != 0)
      only = false;
  } while (only && FindNextFileW(find, &entry));
  FindClose(find);
  return only;
}

}  // namespace

void CarryOut(const payload::UninstallAction& action, RemovalReport& report) {
  NativeSystemFolder native(action.nativeSystemFolder);
  switch (action.kind) {
    case ActionKind::AskAppsToExit:
      AskAppsToExit();
      break;
    case ActionKind::StopAndDeleteService:
      StopAndDeleteService(action.target, report);
      break;
    case ActionKind::DeleteRegistryValue:
      DeleteValue(action.target, action.name, report);
      break;
    case ActionKind::DeleteRegistryTree:
      DeleteTree(action.target, report);
      break;
    case ActionKind::DeleteRegistryKeyIfEmpty:
      DeleteKeyIfEmpty(action.target, report);
      break;
    case ActionKind::RemoveFile:
      RemoveFile(action.target, report);
      break;
    case ActionKind::DeleteFolderTree:
      RemoveTree(action.target, report);
      break;
    case ActionKind::RemoveFolderIfEmpty:
      // A folder that still holds something of the user's stays, without a complaint.
      RemoveDirectoryW(W(action.target));
      break;
    case ActionKind::DeleteSelfAfterExit:
      // A running program cannot delete its own file: Windows does it at the next restart,
      // then the folder, which is empty by then unless the user put something there.
      DeleteAtRestart(action.target, GetLastError(), report);
      if (OnlyEntryIs(action.name, action.target) &&
          MoveFileExW(W(action.name), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        report.atRestart.push_back(action.name + u"\\");
      break;
  }
}
