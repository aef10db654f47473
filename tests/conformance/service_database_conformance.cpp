// Conformance: what the service control manager counts as a service, and the status record
// ControlService fills when it refuses a control.
#include <cstdio>
#include <string>

#include "platform/ServiceControl.h"
#include "platform/os_files.h"
#include "platform/os_registry.h"
#include "platform/os_services.h"
#include "platform/os_system.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr os::DWORD kPoison = 0xdeadbeefu;
constexpr char16_t kKeyOnly[] = u"ZktKeyOnlyService";
constexpr char16_t kKeyOnlyPath[] = u"SYSTEM\\CurrentControlSet\\Services\\ZktKeyOnlyService";
constexpr char16_t kService[] = u"ZktTestService";

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

void SetDword(os::HKEY key, const char16_t* name, os::DWORD value) {
  os::RegSetValueExW(key, name, REG_DWORD, &value, 4);
}

// A state as the status record holds it, or "not filled" for anything that is no state.
std::string StateText(os::DWORD state) {
  if (state < SERVICE_STOPPED || state > SERVICE_PAUSED) return "not filled";
  char text[16];
  std::snprintf(text, sizeof text, "%lu", U(state));
  return text;
}

// One ControlService call with a poisoned status record: the answer and, where Windows fills
// the record, the type and state found there.
void PrintControl(const char* what, os::SC_HANDLE service, os::DWORD control) {
  os::SERVICE_STATUS status;
  status.dwServiceType = status.dwCurrentState = kPoison;
  os::SetLastError(kPoison);
  const os::BOOL ok = os::ControlService(service, control, &status);
  const os::DWORD error = ok ? 0 : os::GetLastError();
  if (error == ERROR_INVALID_PARAMETER) {
    conf::Line("%s: ControlService %lu -> 0, error %lu", what, U(control), U(error));
    return;
  }
  conf::Line("%s: ControlService %lu -> %d, error %lu; status type 0x%lx, state %s", what,
             U(control), ok ? 1 : 0, U(error), U(status.dwServiceType),
             StateText(status.dwCurrentState).c_str());
}

// Waits (at most ~10 s) for the service to leave its pending state; the state reached.
os::DWORD Settle(os::SC_HANDLE service) {
  os::SERVICE_STATUS status;
  for (int i = 0; i < 100; ++i) {
    if (!os::QueryServiceStatus(service, &status)) return 0;
    if (status.dwCurrentState != SERVICE_START_PENDING &&
        status.dwCurrentState != SERVICE_STOP_PENDING)
      return status.dwCurrentState;
    os::Sleep(100);
  }
  return status.dwCurrentState;
}

}  // namespace

// The service manager reads its database when Windows starts and changes it only through its
// own calls (CreateServiceW, DeleteService): a key written into the registry afterwards is no
// service, whatever values it holds.
CONFORMANCE_SCENARIO(service_key_alone, 53) {
  os::HKEY key = nullptr;
  os::DWORD disposition = 0;
  const os::LONG created =
      os::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKeyOnlyPath, u"", 0,
                          KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key, &disposition);
  conf::Line("service key written: %ld, disposition %lu", static_cast<long>(created),
             U(disposition));
  if (created != ERROR_SUCCESS) return;
  SetDword(key, u"Type", SERVICE_WIN32_OWN_PROCESS);
  SetDword(key, u"Start", SERVICE_DEMAND_START);
  SetDword(key, u"ErrorControl", 1);
  const std::u16string image = conf::Fixture(u"zkt_test_service.exe");
  os::RegSetValueExW(key, u"ImagePath", REG_EXPAND_SZ, image.c_str(),
                     static_cast<os::DWORD>((image.size() + 1) * 2));
  os::RegCloseKey(key);

  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  os::SetLastError(kPoison);
  os::SC_HANDLE service =
      manager ? os::OpenServiceW(manager, kKeyOnly, SERVICE_ALL_ACCESS) : nullptr;
  conf::Line("OpenServiceW on a key alone: %s, last error %lu", service ? "handle" : "null",
             U(service ? 0 : os::GetLastError()));
  if (service) os::CloseServiceHandle(service);
  if (manager) os::CloseServiceHandle(manager);
  for (std::uint32_t request : {0u, 128u})
    conf::Line("key alone, request %u: SetServiceState %u", request,
               SetServiceState(kKeyOnly, request));
  conf::Line("key removed: %ld", static_cast<long>(os::RegDeleteKeyExW(
                                     HKEY_LOCAL_MACHINE, kKeyOnlyPath, KEY_WOW64_64KEY)));
}

// ControlService fills the status record when it succeeds and when it refuses with 1051, 1052,
// 1061 or 1062 ("ControlService function", Remarks, Microsoft Learn).
CONFORMANCE_SCENARIO(service_status_on_refusal, 54) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  os::SC_HANDLE service =
      manager ? os::OpenServiceW(manager, kService, SERVICE_ALL_ACCESS) : nullptr;
  if (!service) {
    conf::Line("test service not registered");
    if (manager) os::CloseServiceHandle(manager);
    return;
  }
  PrintControl("stopped, stop", service, SERVICE_CONTROL_STOP);
  PrintControl("stopped, code 128", service, 128);
  PrintControl("stopped, interrogate", service, SERVICE_CONTROL_INTERROGATE);
  os::SetLastError(kPoison);
  const os::BOOL started = os::StartServiceW(service, 0, nullptr);
  conf::Line("StartServiceW %d, last error %lu; settled in state %lu", started ? 1 : 0,
             U(started ? 0 : os::GetLastError()), U(Settle(service)));
  os::SetLastError(kPoison);
  const os::BOOL again = os::StartServiceW(service, 0, nullptr);
  conf::Line("StartServiceW on a running service %d, last error %lu", again ? 1 : 0,
             U(again ? 0 : os::GetLastError()));
  PrintControl("running, pause (not accepted)", service, SERVICE_CONTROL_PAUSE);
  PrintControl("running, continue (not accepted)", service, SERVICE_CONTROL_CONTINUE);
  PrintControl("running, code 0", service, 0);
  PrintControl("running, code 256", service, 256);
  // The state right after a stop is pending or already stopped, as the service is quick.
  os::SERVICE_STATUS status;
  const os::BOOL stopped = os::ControlService(service, SERVICE_CONTROL_STOP, &status);
  conf::Line("running, stop: ControlService %d; settled in state %lu", stopped ? 1 : 0,
             U(Settle(service)));
  os::CloseServiceHandle(service);
  os::CloseServiceHandle(manager);
}
