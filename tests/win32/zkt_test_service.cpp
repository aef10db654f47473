// A real Win32 service for the conformance test of service control under wine64.
//
//   zkt_test_service.exe /Service   registers itself as "ZktTestService" (demand start) and ends
//   zkt_test_service.exe            run by the service control manager: reports running, accepts
//                                   stop and the service-defined code 128, refuses other codes
#include <windows.h>

#include <cwchar>

namespace {

wchar_t kName[] = L"ZktTestService";
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;

void Report(DWORD state) {
  SERVICE_STATUS status = {};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 2000;
  SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      Report(SERVICE_STOP_PENDING);
      SetEvent(g_stopEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
    case 128: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  // The event exists before the handler can be called: a stop that arrives at once is kept.
  g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!g_stopEvent) return;
  g_statusHandle = RegisterServiceCtrlHandlerExW(kName, Handler, nullptr);
  if (!g_statusHandle) return;
  Report(SERVICE_RUNNING);
  WaitForSingleObject(g_stopEvent, INFINITE);
  Report(SERVICE_STOPPED);
}

// What the setup's service program does with " /Service": register, or update the image.
int Register() {
  wchar_t path[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return 1;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) return 1;
  SC_HANDLE service = CreateServiceW(
      manager, kName, kName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
      SERVICE_ERROR_NORMAL, path, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
    service = OpenServiceW(manager, kName, SERVICE_ALL_ACCESS);
    if (service &&
        !ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                              path, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
      CloseServiceHandle(service);
      service = nullptr;
    }
  }
  const int result = service ? 0 : 1;
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && _wcsicmp(argv[1], L"/Service") == 0) return Register();
  SERVICE_TABLE_ENTRYW table[] = {{kName, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
