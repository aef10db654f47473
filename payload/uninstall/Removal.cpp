// The uninstaller's removal operations on Windows.
#include <windows.h>
#include <setupapi.h>

#include "payload/common/FilterDetach.h"
#include "payload/common/ProductNames.h"
#include "payload/common/RegistryView.h"
#include "payload/common/RestartRemoval.h"
#include "payload/common/ServiceStop.h"
#include "payload/win/Registry.h"
#include "payload/win/Trust.h"
#include "payload/uninstall/Removal.h"
#include "payload/win/WideText.h"

#include <string>

using payload::ActionKind;
using payload::U;
using payload::W;

namespace {

std::u16string ErrorText(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
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
    auto revert = reinterpret_cast<RevertFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "Wow64RevertWow64FsRedirection")));
    if (revert) revert(old_);
  }

 private:
  void* old_ = nullptr;
  bool active_ = false;
};

bool QueueForRestart(const std::u16string& path, RemovalReport& report) {
  if (!MoveFileExW(W(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
  report.queued.push_back(path);
  return true;
}

// A folder is queued under its own path: if an install fills it again before the restart,
// Windows cannot remove it then and leaves it alone.
void FolderAtRestart(const std::u16string& folder, DWORD error, RemovalReport& report) {
  if (QueueForRestart(folder, report)) report.atRestart.push_back(folder + u"\\");
  else Fail(report, folder, error);
}

// An in-use file is moved aside to a new name in its folder and that name queued, so that an
// install before the restart can put a new file at the path without losing it then.
bool FileAtRestart(const std::u16string& path, RemovalReport& report) {
  const unsigned long long stamp =
      (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    const std::u16string pending = payload::PendingRemovalName(path, stamp + attempt);
    if (!MoveFileExW(W(path), W(pending), 0)) {
      const DWORD error = GetLastError();
      if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) continue;
      Fail(report, path, error);
      return false;
    }
    if (!QueueForRestart(pending, report)) {
      Fail(report, path, GetLastError());
      return false;
    }
    report.atRestart.push_back(path);
    return true;
  }
  Fail(report, path, ERROR_ALREADY_EXISTS);
  return false;
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
    if (Absent(error)) return;
  }
  FileAtRestart(path, report);  // in use: Windows removes it when it restarts
}

void RemoveTree(const std::u16string& folder, RemovalReport& report) {
  const DWORD attributes = GetFileAttributesW(W(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!Absent(GetLastError())) Fail(report, folder, GetLastError());
    return;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The folder itself is a link (a junction someone made): unlink it, never follow it.
    const bool unlinked = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(W(folder))
                                                                  : DeleteFileW(W(folder));
    if (!unlinked) Fail(report, folder, GetLastError());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return RemoveFile(folder, report);
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(W(folder + u"\\*"), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::u16string name = U(entry.cFileName);
      if (name == u"." || name == u"..") continue;
      const std::u16string path = folder + u"\\" + name;
      const bool directory = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      // A linked folder is unlinked, never followed.
      if (directory && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTree(path, report);
      else if (directory && !RemoveDirectoryW(W(path))) Fail(report, path, GetLastError());
      else if (!directory) RemoveFile(path, report);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  SetFileAttributesW(W(folder), FILE_ATTRIBUTE_NORMAL);
  if (RemoveDirectoryW(W(folder))) return;
  const DWORD error = GetLastError();
  if (!Absent(error)) FolderAtRestart(folder, error, report);
}

HKEY OpenKey(const std::u16string& key, REGSAM access, RemovalReport& report, bool& absent) {
  HKEY handle = nullptr;
  const LONG result =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(key), 0, access | payload::kSetupRegistryView, &handle);
  absent = result == ERROR_FILE_NOT_FOUND;
  if (result != ERROR_SUCCESS && !absent) Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
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

void DeleteKey(const std::u16string& key, RemovalReport& report) {
  const LONG result = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, W(key), payload::kSetupRegistryView, 0);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
}

// The key's contents, then the key, all in the view the setup wrote.
void DeleteTree(const std::u16string& key, RemovalReport& report) {
  bool absent = false;
  HKEY handle = OpenKey(key, KEY_READ | KEY_SET_VALUE | DELETE, report, absent);
  if (!handle) return;
  const LONG result = RegDeleteTreeW(handle, nullptr);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
  DeleteKey(key, report);
}

void DeleteKeyIfEmpty(const std::u16string& key, RemovalReport& report) {
  bool absent = false;
  HKEY handle = OpenKey(key, KEY_READ, report, absent);
  if (!handle) return;
  DWORD subkeys = 0, values = 0;
  const LONG info = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                     &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (info != ERROR_SUCCESS || subkeys || values) return;  // kept on purpose: not ours alone
  DeleteKey(key, report);
}

void AskAppsToExit() {
  const UINT message = RegisterWindowMessageW(W(payload::kAppExitMessage));
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 200, &answer);
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
  HANDLE process =
      status.dwProcessId ? OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId) : nullptr;
  // From whatever state it is in: a starting service is stopped once it runs, a paused one
  // at once. The applications are asked to exit first while the service still runs.
  SERVICE_STATUS plain;
  bool stopSent = false;
  for (int poll = 0; poll < 100; ++poll) {
    const payload::StopStep step = payload::NextStopStep(status.dwCurrentState, stopSent);
    if (step == payload::StopStep::Done) break;
    if (step == payload::StopStep::SendStop) {
      if (status.dwCurrentState == SERVICE_RUNNING)
        ControlService(service, payload::kControlAppExit, &plain);
      stopSent = ControlService(service, SERVICE_CONTROL_STOP, &plain) ||
                 GetLastError() != ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    }
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

// A device's REG_MULTI_SZ or REG_SZ property as a list; empty when absent.
std::vector<std::u16string> DeviceStrings(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  std::vector<std::u16string> strings;
  DWORD type = 0, size = 0;
  SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size);
  if (size == 0 || (type != REG_MULTI_SZ && type != REG_SZ)) return strings;
  // Two spare units: a list whose final terminator is missing still ends inside the buffer.
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(data.data()), size, nullptr))
    return strings;
  for (const wchar_t* entry = data.data(); *entry; entry += wcslen(entry) + 1)
    strings.push_back(U(entry));
  return strings;
}

// Every device, present or not, that the whitelist serves loses the filter from its lower
// filters, the other entries staying as they are.
void DetachFilter(const std::u16string& filter, const std::u16string& groupKey,
                  RemovalReport& report) {
  const std::vector<std::u16string> whitelist =
      payload::WhitelistFromGroup(payload::ReadRegValues(HKEY_LOCAL_MACHINE, groupKey));
  if (whitelist.empty()) return;  // no device was served
  HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return Fail(report, u"filter " + filter, GetLastError());
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    const std::vector<std::u16string> ids = DeviceStrings(set, device, SPDRP_HARDWAREID);
    if (ids.empty() || !payload::IsServedDevice(ids[0], whitelist)) continue;
    std::vector<std::u16string> rest;
    if (!payload::WithoutFilter(DeviceStrings(set, device, SPDRP_LOWERFILTERS), filter, rest))
      continue;
    std::u16string list;
    for (const std::u16string& entry : rest) list += entry + u'\0';
    list += u'\0';
    // An empty list is written as no property at all, as Windows does.
    const BOOL written = SetupDiSetDeviceRegistryPropertyW(
        set, &device, SPDRP_LOWERFILTERS,
        rest.empty() ? nullptr : reinterpret_cast<const BYTE*>(list.data()),
        rest.empty() ? 0 : static_cast<DWORD>(list.size() * sizeof(char16_t)));
    if (!written) Fail(report, u"filter " + filter + u" of device " + ids[0], GetLastError());
  }
  SetupDiDestroyDeviceInfoList(set);
}

// Every entry still in the folder and its sub-folders, as full paths.
void ListRemaining(const std::u16string& folder, std::vector<std::u16string>& entries) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(W(folder + u"\\*"), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::u16string name = U(entry.cFileName);
    if (name == u"." || name == u"..") continue;
    entries.push_back(folder + u"\\" + name);
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListRemaining(folder + u"\\" + name, entries);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

// A running program cannot delete its own file: it goes at the next restart, and the install
// folder after it when nothing else stays in it (what is in it then goes at the restart too).
void DeleteSelfAfterExit(const std::u16string& self, const std::u16string& folder,
                         RemovalReport& report) {
  if (!FileAtRestart(self, report)) return;
  std::vector<std::u16string> remaining;
  ListRemaining(folder, remaining);
  if (payload::EmptyAfterRestart(remaining, report.queued) && QueueForRestart(folder, report))
    report.atRestart.push_back(folder + u"\\");
}

}  // namespace

void CarryOut(const payload::UninstallAction& action, RemovalReport& report) {
  // A file in a folder that is a link or another user's was not written by the service (it
  // refuses such a folder): it is left alone. The folder itself goes only when empty.
  if (action.trustedFolderOnly && action.kind == ActionKind::RemoveFile &&
      !payload::IsTrustedFolderOnDisk(action.target.substr(0, action.target.find_last_of(u'\\'))))
    return;
  NativeSystemFolder native(action.nativeSystemFolder);
  switch (action.kind) {
    case ActionKind::AskAppsToExit: AskAppsToExit(); break;
    case ActionKind::StopAndDeleteService: StopAndDeleteService(action.target, report); break;
    case ActionKind::DetachFilter: DetachFilter(action.target, action.name, report); break;
    case ActionKind::DeleteRegistryValue: DeleteValue(action.target, action.name, report); break;
    case ActionKind::DeleteRegistryTree: DeleteTree(action.target, report); break;
    case ActionKind::DeleteRegistryKeyIfEmpty: DeleteKeyIfEmpty(action.target, report); break;
    case ActionKind::RemoveFile: RemoveFile(action.target, report); break;
    case ActionKind::DeleteFolderTree: RemoveTree(action.target, report); break;
    case ActionKind::RemoveFolderIfEmpty:
      // A folder that still holds something of the user's stays, without a complaint.
      RemoveDirectoryW(W(action.target));
      break;
    case ActionKind::DeleteSelfAfterExit:
      DeleteSelfAfterExit(action.target, action.name, report);
      break;
  }
}
