// Registry, service, device filter and companion applications of the uninstall.
#include "payload/common/FilterDetach.h"
#include "payload/common/ProductNames.h"
#include "payload/common/RegistryView.h"
#include "payload/common/ServiceStop.h"
#include "payload/uninstall/InstalledRegistry.h"
#include "payload/uninstall/RemovalSteps.h"
#include "platform/os_devices.h"
#include "platform/os_files.h"
#include "platform/os_messages.h"
#include "platform/os_process.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"
#include "platform/os_system.h"

#include <cstring>

using os::BOOL, os::BYTE, os::DWORD, os::HANDLE, os::HDEVINFO, os::HKEY, os::LONG, os::REGSAM,
    os::UINT;

namespace removal {

namespace {

HKEY OpenKey(const std::u16string& key, REGSAM access, RemovalReport& report) {
  HKEY handle = nullptr;
  const LONG result =
      os::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, access | payload::kSetupRegistryView, &handle);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
  return result == ERROR_SUCCESS ? handle : nullptr;
}

void DeleteKey(const std::u16string& key, RemovalReport& report) {
  const LONG result = os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, payload::kSetupRegistryView);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
}

// The subkeys of a key, deepest first, as RegDeleteTreeW removes them; false (reported) when
// one cannot be listed or deleted.
bool DeleteSubkeys(const std::u16string& key, RemovalReport& report) {
  HKEY handle = OpenKey(key, KEY_READ, report);
  if (!handle) return false;
  std::vector<std::u16string> names;
  LONG result = ERROR_SUCCESS;
  for (DWORD i = 0; result == ERROR_SUCCESS; ++i) {
    std::u16string name;
    result = os::RegEnumKeyExW(handle, i, &name);
    if (result == ERROR_SUCCESS) names.push_back(name);
  }
  os::RegCloseKey(handle);
  if (result != ERROR_NO_MORE_ITEMS) {
    Fail(report, u"HKLM\\" + key, static_cast<DWORD>(result));
    return false;
  }
  for (const std::u16string& name : names) {
    const std::u16string subkey = key + u"\\" + name;
    if (!DeleteSubkeys(subkey, report)) return false;
    const LONG deleted =
        os::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, subkey, payload::kSetupRegistryView);
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
      Fail(report, u"HKLM\\" + subkey, static_cast<DWORD>(deleted));
      return false;
    }
  }
  return true;
}

// A device's REG_MULTI_SZ or REG_SZ property as a list; empty when absent.
std::vector<std::u16string> DeviceStrings(HDEVINFO set, os::SP_DEVINFO_DATA& device,
                                          DWORD property) {
  std::vector<std::u16string> strings;
  DWORD type = 0, size = 0;
  os::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size);
  if (size == 0 || (type != REG_MULTI_SZ && type != REG_SZ)) return strings;
  std::vector<BYTE> bytes(size, 0);
  if (!os::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, bytes.data(), size,
                                             nullptr))
    return strings;
  // Two spare units: a list whose final terminator is missing still ends inside the buffer.
  std::u16string data(size / 2 + 2, u'\0');
  std::memcpy(data.data(), bytes.data(), size / 2 * 2);
  for (std::size_t at = 0; at < data.size() && data[at];) {
    const std::size_t end = data.find(u'\0', at);
    strings.push_back(data.substr(at, end - at));
    at = end + 1;
  }
  return strings;
}

}  // namespace

void DeleteValue(const std::u16string& key, const std::u16string& name, RemovalReport& report) {
  HKEY handle = OpenKey(key, KEY_SET_VALUE, report);
  if (!handle) return;
  const LONG result = os::RegDeleteValueW(handle, name);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    Fail(report, u"HKLM\\" + key + u" \"" + name + u"\"", static_cast<DWORD>(result));
  os::RegCloseKey(handle);
}

// The key's contents, then the key, all in the view the setup wrote.
void DeleteTree(const std::u16string& key, RemovalReport& report) {
  if (DeleteSubkeys(key, report)) DeleteKey(key, report);
}

void DeleteKeyIfEmpty(const std::u16string& key, RemovalReport& report) {
  HKEY handle = OpenKey(key, KEY_READ, report);
  if (!handle) return;
  DWORD subkeys = 0, values = 0;
  const LONG info = os::RegQueryInfoKeyW(handle, nullptr, &subkeys, &values);
  os::RegCloseKey(handle);
  if (info != ERROR_SUCCESS) return Fail(report, u"HKLM\\" + key, static_cast<DWORD>(info));
  if (subkeys || values) return;  // kept on purpose: not ours alone
  DeleteKey(key, report);
}

void AskAppsToExit() {
  const UINT message = os::RegisterWindowMessageW(payload::kAppExitMessage);
  if (message) os::BroadcastMessageTimeoutW(message, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 200);
  // Give the applications a moment to close their windows and end.
  for (int poll = 0; poll < 50; ++poll) {
    bool running = false;
    for (const char16_t* windowClass : payload::kAppWindowClasses)
      running |= os::FindWindowW(windowClass) != FALSE;
    if (!running) break;
    os::Sleep(100);
  }
}

void StopAndDeleteService(const std::u16string& name, RemovalReport& report) {
  const std::u16string what = u"service " + name;
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_CONNECT);
  if (!manager) return Fail(report, what, os::GetLastError());
  os::SC_HANDLE service = os::OpenServiceW(
      manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_USER_DEFINED_CONTROL | DELETE);
  if (!service) {
    const DWORD error = os::GetLastError();
    if (!Absent(error)) Fail(report, what, error);
    os::CloseServiceHandle(manager);
    return;
  }
  os::SERVICE_STATUS_PROCESS current;
  os::QueryServiceStatusEx(service, &current);
  const os::SERVICE_STATUS& status = current.status;
  const HANDLE process =
      current.dwProcessId ? os::OpenProcess(SYNCHRONIZE, current.dwProcessId) : nullptr;
  // From whatever state it is in: a starting service is stopped once it runs, a paused one
  // at once. The applications are asked to exit first while the service still runs.
  os::SERVICE_STATUS plain;
  bool stopSent = false;
  for (int poll = 0; poll < 100; ++poll) {
    const payload::StopStep step = payload::NextStopStep(status.dwCurrentState, stopSent);
    if (step == payload::StopStep::Done) break;
    if (step == payload::StopStep::SendStop) {
      if (status.dwCurrentState == SERVICE_RUNNING)
        os::ControlService(service, payload::kControlAppExit, &plain);
      stopSent = os::ControlService(service, SERVICE_CONTROL_STOP, &plain) ||
                 os::GetLastError() != ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    }
    os::Sleep(300);
    if (!os::QueryServiceStatusEx(service, &current)) break;
  }
  if (status.dwCurrentState != SERVICE_STOPPED)
    report.failed.push_back(what + u": it did not stop");
  // The image can be deleted only once the process has ended.
  if (process) {
    os::WaitForSingleObject(process, 10000);
    os::CloseHandle(process);
  }
  if (!os::DeleteService(service) && os::GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
    Fail(report, what, os::GetLastError());
  os::CloseServiceHandle(service);
  os::CloseServiceHandle(manager);
}

// Every device, present or not, that the whitelist serves loses the filter from its lower
// filters, the other entries staying as they are.
void DetachFilter(const std::u16string& filter, const std::u16string& groupKey,
                  RemovalReport& report) {
  const std::vector<std::u16string> whitelist =
      payload::WhitelistFromGroup(uninstall::ReadMachineValues(groupKey));
  if (whitelist.empty()) return;  // no device was served
  const HDEVINFO set = os::SetupDiGetClassDevsW(nullptr, u"", DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return Fail(report, u"filter " + filter, os::GetLastError());
  os::SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  for (DWORD index = 0; os::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    const std::vector<std::u16string> ids = DeviceStrings(set, device, SPDRP_HARDWAREID);
    if (ids.empty() || !payload::IsServedDevice(ids[0], whitelist)) continue;
    std::vector<std::u16string> rest;
    if (!payload::WithoutFilter(DeviceStrings(set, device, SPDRP_LOWERFILTERS), filter, rest))
      continue;
    std::u16string list;
    for (const std::u16string& entry : rest) list += entry + u'\0';
    list += u'\0';
    // An empty list is written as no property at all, as Windows does.
    const BOOL written = os::SetupDiSetDeviceRegistryPropertyW(
        set, &device, SPDRP_LOWERFILTERS,
        rest.empty() ? nullptr : reinterpret_cast<const BYTE*>(list.data()),
        rest.empty() ? 0 : static_cast<DWORD>(list.size() * sizeof(char16_t)));
    if (!written) Fail(report, u"filter " + filter + u" of device " + ids[0], os::GetLastError());
  }
  os::SetupDiDestroyDeviceInfoList(set);
}

}  // namespace removal
