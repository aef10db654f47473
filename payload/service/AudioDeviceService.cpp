// AudioDeviceService: the device's background service.
//
//   AudioDeviceService.exe /Service   registers the program as the service "AudioDeviceService"
//                                     (or updates the existing service to this image) and ends
//   AudioDeviceService.exe            run by the service control manager
//
// Controls: stop, shutdown, interrogate, and 128, which asks the companion applications to
// exit. At start the service reads the launch-mode values, the device-ID groups and the default
// settings that the setup recorded, and logs what it found.
#include <windows.h>
#include <sddl.h>

#include "payload/common/CommandLine.h"
#include "payload/common/LaunchModes.h"
#include "payload/common/ProductNames.h"
#include "payload/common/Security.h"
#include "payload/service/ServiceLog.h"
#include "payload/win/Registry.h"
#include "payload/win/Trust.h"
#include "payload/win/WideText.h"

#include <string>

using payload::U;
using payload::W;
using service_log::Write;

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
HANDLE g_appExitEvent = nullptr;
HANDLE g_resetTimer = nullptr;
constexpr DWORD kExitSignalMs = 2000;  // how long the exit event stays set
LONG g_checkPoint = 0;                 // the handler and the service thread both report

void Report(DWORD state, DWORD exitCode = NO_ERROR) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  status.dwWin32ExitCode = exitCode;
  const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
  status.dwCheckPoint = pending ? static_cast<DWORD>(InterlockedIncrement(&g_checkPoint)) : 0;
  status.dwWaitHint = pending ? 3000 : 0;
  if (!SetServiceStatus(g_statusHandle, &status))
    Write(L"SetServiceStatus(%lu) failed, error %lu", state, GetLastError());
}

std::wstring OwnPath() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return std::wstring();
  path.resize(length);
  return path;
}

// The exit event reaches applications in every session; only the service may set it. A user
// may have created one of that name first, to set it at will: then it is not used.
HANDLE CreateAppExitEvent() {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(W(payload::kAppExitEventSecurity),
                                                           SDDL_REVISION_1, &descriptor, nullptr))
    attributes.lpSecurityDescriptor = descriptor;
  HANDLE event = CreateEventW(&attributes, TRUE, FALSE, W(payload::kAppExitEventName));
  const DWORD error = GetLastError();
  if (descriptor) LocalFree(descriptor);
  if (!event) {
    Write(L"The application exit event cannot be created, error %lu", error);
  } else if (error == ERROR_ALREADY_EXISTS &&
             !payload::IsTrustedOwner(payload::OwnerOf(event, SE_KERNEL_OBJECT))) {
    Write(L"The application exit event exists already and is not the service's: not used");
    CloseHandle(event);
    event = nullptr;
  }
  return event;
}

void CALLBACK ResetAppExitEvent(void*, BOOLEAN) {
  if (g_appExitEvent) ResetEvent(g_appExitEvent);
}

void AskAppsToExit() {
  const UINT message = RegisterWindowMessageW(W(payload::kAppExitMessage));
  // Posted: the control handler must not wait for windows that do not answer.
  if (!message || !PostMessageW(HWND_BROADCAST, message, 0, 0))
    Write(L"Broadcast of %ls failed, error %lu", W(payload::kAppExitMessage), GetLastError());
  if (!g_appExitEvent) return;
  if (!SetEvent(g_appExitEvent)) {
    Write(L"The application exit event cannot be set, error %lu", GetLastError());
    return;
  }
  // Reset once the running applications have seen it, so that later starts do not end at once.
  if (g_resetTimer) DeleteTimerQueueTimer(nullptr, g_resetTimer, nullptr);
  g_resetTimer = nullptr;
  if (!CreateTimerQueueTimer(&g_resetTimer, nullptr, ResetAppExitEvent, nullptr, kExitSignalMs, 0,
                             WT_EXECUTEONLYONCE)) {
    Write(L"The application exit event cannot be reset later, error %lu", GetLastError());
    g_resetTimer = nullptr;
  }
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      Write(control == SERVICE_CONTROL_STOP ? L"Stop requested" : L"System shutdown");
      Report(SERVICE_STOP_PENDING);
      SetEvent(g_stopEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    case payload::kControlAppExit:
      Write(L"Control %u: asking the companion applications to exit", payload::kControlAppExit);
      AskAppsToExit();
      return NO_ERROR;
    default: Write(L"Control %lu is not supported", control); return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void LogLaunchModes() {
  int usable = 0;
  for (const payload::LaunchModeName& mode : payload::LaunchModeNames()) {
    std::u16string data;
    if (!payload::ReadRegString(HKEY_LOCAL_MACHINE, payload::kProductKey, mode.name, data)) {
      Write(L"Launch mode %ls: not set", W(mode.name));
      continue;
    }
    const payload::LaunchLine line = payload::CheckLaunchValue(mode, data);
    if (!line.ok) {
      Write(L"Launch mode %ls: \"%ls\" is not usable: %ls", W(mode.name), W(data), W(line.problem));
      continue;
    }
    const bool present = GetFileAttributesW(W(line.path)) != INVALID_FILE_ATTRIBUTES;
    Write(L"Launch mode %ls: %ls %ls (%ls)", W(mode.name), W(line.path), W(line.argument),
          present ? L"file present" : L"file not found");
    ++usable;
  }
  Write(L"%d of 15 launch modes are usable", usable);
}

void LogValues(const char16_t* key, const wchar_t* what) {
  const auto values = payload::ReadRegValues(HKEY_LOCAL_MACHINE, key);
  if (values.empty()) Write(L"%ls: none (HKLM\\%ls)", what, W(key));
  for (const auto& value : values) Write(L"%ls %ls = %ls", what, W(value.first), W(value.second));
}

void ReadConfiguration() {
  LogLaunchModes();
  LogValues(payload::kUsbGroupKey, L"USB device ID");
  LogValues(payload::kHidGroupKey, L"HID device ID");
  for (const char16_t* name : payload::kDefaultSettingNames) {
    DWORD value = 0;
    if (payload::ReadRegDword(HKEY_LOCAL_MACHINE, payload::kProductKey, name, value))
      Write(L"Default setting %ls = %lu", W(name), value);
    else Write(L"Default setting %ls: not set", W(name));
  }
  LogValues(payload::kLevelTableKey, L"Level");
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  g_statusHandle = RegisterServiceCtrlHandlerExW(W(payload::kServiceName), Handler, nullptr);
  if (!g_statusHandle) {
    Write(L"RegisterServiceCtrlHandlerEx failed, error %lu", GetLastError());
    return;
  }
  Report(SERVICE_START_PENDING);
  g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!g_stopEvent) {
    const DWORD error = GetLastError();  // before the log's own calls change it
    Write(L"Cannot create the stop event, error %lu", error);
    Report(SERVICE_STOPPED, error);
    return;
  }
  g_appExitEvent = CreateAppExitEvent();
  // A request of an earlier run is over once the service runs again.
  if (g_appExitEvent) ResetEvent(g_appExitEvent);
  Write(L"Service starting: %ls", OwnPath().c_str());
  ReadConfiguration();
  Report(SERVICE_RUNNING);
  Write(L"Service running");
  WaitForSingleObject(g_stopEvent, INFINITE);
  if (g_resetTimer) DeleteTimerQueueTimer(nullptr, g_resetTimer, INVALID_HANDLE_VALUE);
  Write(L"Service stopped");
  Report(SERVICE_STOPPED);
}

// Users may query the service and nothing more; it keeps only the privilege its work needs.
void Harden(SC_HANDLE service) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          W(payload::kServiceSecurity), SDDL_REVISION_1, &descriptor, nullptr) ||
      !SetServiceObjectSecurity(service, DACL_SECURITY_INFORMATION, descriptor))
    Write(L"Registration: the service's security was not set, error %lu", GetLastError());
  if (descriptor) LocalFree(descriptor);
  SERVICE_REQUIRED_PRIVILEGES_INFOW privileges = {
      const_cast<wchar_t*>(W(payload::kServicePrivileges))};
  if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, &privileges))
    Write(L"Registration: the service's privileges were not set, error %lu", GetLastError());
}

// "/Service": create the service, or point the existing one at this image with our settings.
int Register() {
  const std::wstring path = OwnPath();
  if (path.empty()) {
    Write(L"Registration: the program's own path cannot be read, error %lu", GetLastError());
    return 1;
  }
  // Registered only from the system folder, where the setup puts it: an image anywhere else
  // could be replaced by whoever can write there, and would then run as a service.
  wchar_t system[MAX_PATH] = L"";
  const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
  if (!systemLength || systemLength >= MAX_PATH ||
      !payload::IsDirectlyIn(U(path.c_str()), U(system))) {
    Write(L"Registration refused: %ls is not in the system folder %ls", path.c_str(), system);
    return ERROR_BAD_PATHNAME;
  }
  // Quoted, so that Windows never tries a shorter path at a space.
  const std::wstring image = L"\"" + path + L"\"";
  Write(L"Registration of %ls as %ls", image.c_str(), W(payload::kServiceName));
  SC_HANDLE manager =
      OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
  if (!manager) {
    const DWORD error = GetLastError();
    Write(L"Registration: the service control manager cannot be opened, error %lu", error);
    return static_cast<int>(error);
  }
  SC_HANDLE service =
      CreateServiceW(manager, W(payload::kServiceName), W(payload::kServiceDisplayName),
                     SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG | WRITE_DAC,
                     SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                     image.c_str(), nullptr, nullptr, nullptr, W(payload::kServiceAccount), L"");
  DWORD error = service ? NO_ERROR : GetLastError();
  if (service) {
    Write(L"Registration: service created");
  } else if (error == ERROR_SERVICE_EXISTS) {
    service = OpenServiceW(manager, W(payload::kServiceName),
                           SERVICE_CHANGE_CONFIG | SERVICE_QUERY_CONFIG | WRITE_DAC);
    if (!service) {
      error = GetLastError();
      Write(L"Registration: the existing service cannot be opened, error %lu", error);
    } else if (!ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                     SERVICE_ERROR_NORMAL, image.c_str(), nullptr, nullptr, nullptr,
                                     W(payload::kServiceAccount), L"",
                                     W(payload::kServiceDisplayName))) {
      error = GetLastError();
      Write(L"Registration: the existing service cannot be updated, error %lu", error);
      CloseServiceHandle(service);
      service = nullptr;
    } else {
      error = NO_ERROR;
      Write(L"Registration: existing service updated");
    }
  } else {
    Write(L"Registration: the service cannot be created, error %lu%ls", error,
          error == ERROR_SERVICE_MARKED_FOR_DELETE
              ? L" (an earlier copy is still being removed; restart Windows and run the setup "
                L"again)"
              : L"");
  }
  if (service) {
    SERVICE_DESCRIPTIONW description = {const_cast<wchar_t*>(W(payload::kServiceDescription))};
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description))
      Write(L"Registration: the description was not set, error %lu", GetLastError());
    Harden(service);
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return static_cast<int>(error);
}

void Explain(const wchar_t* text) {
  MessageBoxW(nullptr, text, W(payload::kServiceName), MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  service_log::Open();
  const payload::ServiceCommand command =
      payload::ParseServiceArguments(payload::Arguments(argc, argv));
  switch (command.mode) {
    case payload::ServiceMode::Register: return Register();
    case payload::ServiceMode::Help:
      Explain(
          L"AudioDeviceService.exe /Service\tregisters this program as the service "
          L"AudioDeviceService\n\nWithout arguments the program runs only when the "
          L"service control manager starts it.");
      return 0;
    case payload::ServiceMode::BadArguments:
      Write(L"Unknown argument \"%ls\"", W(command.error));
      Explain((L"Unknown argument \"" + std::wstring(W(command.error)) +
               L"\".\n\nUse /Service to register the service.")
                  .c_str());
      return ERROR_INVALID_PARAMETER;
    case payload::ServiceMode::RunAsService: break;
  }
  SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(W(payload::kServiceName)), ServiceMain},
                                  {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherW(table)) return 0;
  const DWORD error = GetLastError();
  if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
    Explain(
        L"AudioDeviceService is a Windows service: the service control manager starts it. "
        L"Use /Service to register it.");
    return 0;
  }
  Write(L"StartServiceCtrlDispatcher failed, error %lu", error);
  return static_cast<int>(error);
}
