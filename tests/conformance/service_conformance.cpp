// Conformance: service control on a real service (tests/win32/zkt_test_service.cpp).
//
// The scenario registers the test service itself, the way the setup registers its own: it
// runs the fixture program with " /Service" and waits for it. Under wine the program calls
// CreateServiceW; on the simulated machine tests/conformance/fixtures/machine.ini describes
// the same program and service. Then SetServiceState starts it, sends 128, stops it, and asks
// for a service that does not exist; the raw manager calls print their answers and errors.
#include "platform/ServiceControl.h"
#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_services.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr os::DWORD kPoison = 0xdeadbeefu;
constexpr char16_t kService[] = u"ZktTestService";

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

// The current state, or 0 when the status cannot be read.
os::DWORD StateOf(const std::u16string& name) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_CONNECT);
  if (!manager) return 0;
  os::SC_HANDLE service = os::OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
  os::SERVICE_STATUS status;
  status.dwCurrentState = 0;
  if (service) {
    os::QueryServiceStatus(service, &status);
    os::CloseServiceHandle(service);
  }
  os::CloseServiceHandle(manager);
  return status.dwCurrentState;
}

void PrintRequest(const char* what, const std::u16string& name, std::uint32_t request) {
  const std::uint32_t result = SetServiceState(name, request);
  conf::Line("%s: SetServiceState %u, state now %lu", what, result, U(StateOf(name)));
}

// One raw ControlService call on the test service; `compareAnswer` false prints only the
// service's state afterwards.
void PrintControl(const char* what, os::DWORD control, bool compareAnswer = true) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  os::SC_HANDLE service =
      manager ? os::OpenServiceW(manager, kService, SERVICE_ALL_ACCESS) : nullptr;
  os::SERVICE_STATUS status;
  os::SetLastError(kPoison);
  const os::BOOL ok = service ? os::ControlService(service, control, &status) : FALSE;
  const os::DWORD error = os::GetLastError();
  if (compareAnswer)
    conf::Line("%s: ControlService %lu -> %d, last error %lu", what, U(control), ok ? 1 : 0,
               U(ok ? 0 : error));
  else
    conf::Line("%s: ControlService %lu sent, state now %lu", what, U(control),
               U(StateOf(kService)));
  if (service) os::CloseServiceHandle(service);
  if (manager) os::CloseServiceHandle(manager);
}

}  // namespace

CONFORMANCE_SCENARIO(service_registration, 50) {
  const std::u16string program = conf::Fixture(u"zkt_test_service.exe");
  if (program.empty()) {
    conf::Line("test service missing: run through scripts/test.d/20-windows.sh");
    return;
  }
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION info;
  const os::BOOL started = os::CreateProcessW(u"", u"\"" + program + u"\" /Service", TRUE,
                                              HIGH_PRIORITY_CLASS, u"", &startup, &info);
  conf::Line("registration run: CreateProcessW %d", started ? 1 : 0);
  if (!started) return;
  conf::Line("registration run: wait %lu", U(os::WaitForSingleObject(info.hProcess, 100000)));
  os::DWORD code = kPoison;
  os::GetExitCodeProcess(info.hProcess, &code);
  conf::Line("registration run: exit code %lu", U(code));
  os::CloseHandle(info.hProcess);
  os::CloseHandle(info.hThread);
  conf::Line("registered: state %lu", U(StateOf(kService)));
}

CONFORMANCE_SCENARIO(service_control, 51) {
  PrintRequest("stop a stopped service", kService, 1);
  PrintControl("code 128 to a stopped service", 128);
  PrintRequest("start", kService, 0);
  PrintRequest("start a running service", kService, 0);
  PrintRequest("code 128", kService, 128);
  PrintControl("code 128", 128);
  // Known wine difference: its service manager reports success whatever the service's handler
  // answers, where Windows (and the simulated machine) pass the handler's
  // ERROR_CALL_NOT_IMPLEMENTED back; SetServiceState gives 0 either way.
  PrintControl("code 129, not handled by the service", 129, false);
  PrintRequest("code 129", kService, 129);
  PrintRequest("stop", kService, 1);
  PrintControl("stop a stopped service", SERVICE_CONTROL_STOP);
}

CONFORMANCE_SCENARIO(service_missing, 52) {
  for (std::uint32_t request : {0u, 1u, 128u})
    conf::Line("missing service, request %u: SetServiceState %u", request,
               SetServiceState(u"ZktNoSuchService", request));
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  conf::Line("OpenSCManagerW: %s", manager ? "handle" : "null");
  os::SetLastError(kPoison);
  os::SC_HANDLE service = os::OpenServiceW(manager, u"ZktNoSuchService", SERVICE_ALL_ACCESS);
  conf::Line("OpenServiceW missing: %s, last error %lu", service ? "handle" : "null",
             U(os::GetLastError()));
  if (service) os::CloseServiceHandle(service);
  if (manager) os::CloseServiceHandle(manager);
}
