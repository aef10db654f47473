// Conformance: the life of a service as the setup and the uninstaller lead it: disabled and
// enabled again, reconfigured with bad arguments, deleted while stopped and while running
// (marked for deletion until it stops and its last handle is closed), and registered anew.
#include <string>

#include "platform/ServiceControl.h"
#include "platform/os_files.h"
#include "platform/os_process.h"
#include "platform/os_services.h"
#include "platform/os_system.h"
#include "tests/conformance/conformance.h"

namespace {

constexpr char16_t kService[] = u"ZktTestService";

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

// The manager and the test service opened with `access`; both null when either fails.
struct Opened {
  os::SC_HANDLE manager = nullptr, service = nullptr;
  explicit Opened(os::DWORD access) {
    manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
    service = manager ? os::OpenServiceW(manager, kService, access) : nullptr;
  }
  ~Opened() {
    if (service) os::CloseServiceHandle(service);
    if (manager) os::CloseServiceHandle(manager);
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
};

// "<what>: <ok>, last error <n>" of a service call, the error poisoned before it.
template <typename Call>
void Try(const char* what, Call call) {
  os::SetLastError(conf::kPoison);
  conf::PrintResult(what, call());
}

os::DWORD StateOf(os::SC_HANDLE service) {
  os::SERVICE_STATUS status;
  status.dwCurrentState = 0;
  os::QueryServiceStatus(service, &status);
  return status.dwCurrentState;
}

// Waits (at most ~10 s) until the service is in `state`; the state reached.
os::DWORD WaitFor(os::SC_HANDLE service, os::DWORD state) {
  os::DWORD now = StateOf(service);
  for (int i = 0; i < 100 && now != state; ++i) {
    os::Sleep(100);
    now = StateOf(service);
  }
  return now;
}

// What OpenServiceW says of the test service now: "handle" or its error.
void PrintLookUp(const char* what) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_CONNECT);
  os::SetLastError(conf::kPoison);
  os::SC_HANDLE service =
      manager ? os::OpenServiceW(manager, kService, SERVICE_QUERY_STATUS) : nullptr;
  conf::Line("%s: OpenServiceW %s, last error %lu", what, service ? "handle" : "null",
             U(service ? 0 : os::GetLastError()));
  if (service) os::CloseServiceHandle(service);
  if (manager) os::CloseServiceHandle(manager);
}

// As PrintLookUp, once the service is gone or ~30 s have passed: a stopped service leaves the
// database when the manager has seen its process end too, which may come a moment after the
// last handle is closed.
void PrintLookUpOnceGone(const char* what) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_CONNECT);
  os::SC_HANDLE service = nullptr;
  os::DWORD error = 0;
  for (int i = 0; i < 300 && manager; ++i) {
    os::SetLastError(conf::kPoison);
    service = os::OpenServiceW(manager, kService, SERVICE_QUERY_STATUS);
    error = service ? 0 : os::GetLastError();
    if (!service) break;
    os::CloseServiceHandle(service);
    os::Sleep(100);
  }
  conf::Line("%s: OpenServiceW %s, last error %lu", what, service ? "handle" : "null", U(error));
  if (manager) os::CloseServiceHandle(manager);
}

// Registers the test service again the way the setup does: the program with " /Service".
void Register() {
  const std::u16string program = conf::Fixture(u"zkt_test_service.exe");
  os::STARTUPINFOW startup;
  startup.cb = sizeof(startup);
  os::PROCESS_INFORMATION info;
  if (program.empty() ||
      !os::CreateProcessW(u"", u"\"" + program + u"\" /Service", FALSE, 0, u"", &startup, &info)) {
    conf::Line("registration run did not start");
    return;
  }
  os::WaitForSingleObject(info.hProcess, 100000);
  os::DWORD code = conf::kPoison;
  os::GetExitCodeProcess(info.hProcess, &code);
  conf::Line("registered again: exit code %lu", U(code));
  os::CloseHandle(info.hProcess);
  os::CloseHandle(info.hThread);
}

}  // namespace

CONFORMANCE_SCENARIO(service_disabled, 57) {
  Opened s(SERVICE_ALL_ACCESS);
  if (!s.service) return conf::Line("test service not registered");
  Try("disable", [&] {
    return os::ChangeServiceConfigW(s.service, SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                    SERVICE_NO_CHANGE, u"", u"");
  });
  Try("StartServiceW of the disabled service",
      [&] { return os::StartServiceW(s.service, 0, nullptr); });
  conf::Line("SetServiceState start: %u, state %lu", SetServiceState(kService, 0),
             U(StateOf(s.service)));
  Try("enable on demand", [&] {
    return os::ChangeServiceConfigW(s.service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                    SERVICE_NO_CHANGE, u"", u"");
  });
  Try("StartServiceW", [&] { return os::StartServiceW(s.service, 0, nullptr); });
  conf::Line("  running: state %lu", U(WaitFor(s.service, SERVICE_RUNNING)));
  // A running service can be disabled: it keeps running, and only the next start is refused.
  Try("disable the running service", [&] {
    return os::ChangeServiceConfigW(s.service, SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                    SERVICE_NO_CHANGE, u"", u"");
  });
  conf::Line("  state %lu", U(StateOf(s.service)));
  os::SERVICE_STATUS status;
  Try("stop it", [&] { return os::ControlService(s.service, SERVICE_CONTROL_STOP, &status); });
  conf::Line("  stopped: state %lu", U(WaitFor(s.service, SERVICE_STOPPED)));
  Try("StartServiceW after the stop", [&] { return os::StartServiceW(s.service, 0, nullptr); });
  Try("enable on demand again", [&] {
    return os::ChangeServiceConfigW(s.service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                    SERVICE_NO_CHANGE, u"", u"");
  });
}

CONFORMANCE_SCENARIO(service_config_arguments, 57) {
  {
    Opened s(SERVICE_ALL_ACCESS);
    if (!s.service) return conf::Line("test service not registered");
    const struct {
      const char* what;
      os::DWORD type, start, errorControl;
    } cases[] = {
        {"start type 5", SERVICE_NO_CHANGE, 5, SERVICE_NO_CHANGE},
        {"boot start for a program", SERVICE_NO_CHANGE, SERVICE_BOOT_START, SERVICE_NO_CHANGE},
        {"system start for a program", SERVICE_NO_CHANGE, SERVICE_SYSTEM_START, SERVICE_NO_CHANGE},
        {"error control 4", SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, 4},
        {"type 0x1234", 0x1234, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE},
        {"nothing changed", SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE}};
    for (const auto& c : cases)
      Try(c.what, [&] {
        return os::ChangeServiceConfigW(s.service, c.type, c.start, c.errorControl, u"", u"");
      });
  }
  Opened readOnly(SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
  Try("through a handle without SERVICE_CHANGE_CONFIG", [&] {
    return os::ChangeServiceConfigW(readOnly.service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                    SERVICE_NO_CHANGE, u"", u"");
  });
  Try("DeleteService through a handle without DELETE",
      [&] { return os::DeleteService(readOnly.service); });
}

CONFORMANCE_SCENARIO(service_delete_stopped, 58) {
  {
    Opened s(SERVICE_ALL_ACCESS);
    if (!s.service) return conf::Line("test service not registered");
    conf::Line("state before: %lu", U(StateOf(s.service)));
    Try("DeleteService", [&] { return os::DeleteService(s.service); });
    os::SERVICE_STATUS status;
    status.dwCurrentState = 0;
    Try("QueryServiceStatus through the open handle",
        [&] { return os::QueryServiceStatus(s.service, &status); });
    conf::Line("  state %lu", U(status.dwCurrentState));
    Try("DeleteService again", [&] { return os::DeleteService(s.service); });
    os::SetLastError(conf::kPoison);
    const os::BOOL started = os::StartServiceW(s.service, 0, nullptr);
    conf::PrintResult("StartServiceW", started);
    if (started) {  // refused by Windows; where it ran, it must stop to be deleted as below
      os::SERVICE_STATUS status;
      WaitFor(s.service, SERVICE_RUNNING);
      os::ControlService(s.service, SERVICE_CONTROL_STOP, &status);
      WaitFor(s.service, SERVICE_STOPPED);
    }
    Try("ChangeServiceConfigW", [&] {
      return os::ChangeServiceConfigW(s.service, SERVICE_NO_CHANGE, SERVICE_DEMAND_START,
                                      SERVICE_NO_CHANGE, u"", u"");
    });
  }
  // Where the start above was allowed, the stopped process ends a moment after the last handle.
  PrintLookUpOnceGone("after the last handle closed");
  conf::Line("SetServiceState start: %u", SetServiceState(kService, 0));
  Register();
  PrintLookUp("after the registration");
}

CONFORMANCE_SCENARIO(service_delete_running, 59) {
  {
    Opened s(SERVICE_ALL_ACCESS);
    if (!s.service) return conf::Line("test service not registered");
    Try("StartServiceW", [&] { return os::StartServiceW(s.service, 0, nullptr); });
    conf::Line("  running: state %lu", U(WaitFor(s.service, SERVICE_RUNNING)));
    Try("DeleteService of the running service", [&] { return os::DeleteService(s.service); });
    conf::Line("  state %lu", U(StateOf(s.service)));
    os::SERVICE_STATUS status;
    Try("code 128", [&] { return os::ControlService(s.service, 128, &status); });
    Try("stop", [&] { return os::ControlService(s.service, SERVICE_CONTROL_STOP, &status); });
    conf::Line("  stopped: state %lu", U(WaitFor(s.service, SERVICE_STOPPED)));
  }
  PrintLookUpOnceGone("stopped, every handle closed");
  for (std::uint32_t request : {0u, 1u, 128u})
    conf::Line("deleted service, request %u: SetServiceState %u", request,
               SetServiceState(kService, request));
}

// Handles of the wrong kind or closed ones are refused with ERROR_INVALID_HANDLE.
CONFORMANCE_SCENARIO(service_handle_misuse, 57) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  if (!manager) return conf::Line("no service manager");
  os::SERVICE_STATUS status;
  Try("QueryServiceStatus of the manager",
      [&] { return os::QueryServiceStatus(manager, &status); });
  Try("ControlService of the manager",
      [&] { return os::ControlService(manager, SERVICE_CONTROL_INTERROGATE, &status); });
  Try("StartServiceW of the manager", [&] { return os::StartServiceW(manager, 0, nullptr); });
  Try("DeleteService of the manager", [&] { return os::DeleteService(manager); });
  os::SC_HANDLE service = os::OpenServiceW(manager, kService, SERVICE_QUERY_STATUS);
  os::SetLastError(conf::kPoison);
  os::SC_HANDLE nested =
      service ? os::OpenServiceW(service, kService, SERVICE_QUERY_STATUS) : nullptr;
  conf::Line("OpenServiceW with a service handle as manager: %s, last error %lu",
             nested ? "handle" : "null", U(nested ? 0 : os::GetLastError()));
  if (nested) os::CloseServiceHandle(nested);
  if (service) os::CloseServiceHandle(service);
  Try("CloseServiceHandle", [&] { return os::CloseServiceHandle(manager); });
  Try("CloseServiceHandle again", [&] { return os::CloseServiceHandle(manager); });
}

// The whole status record of the test service once it has settled, stopped and running.
CONFORMANCE_SCENARIO(service_status_fields, 57) {
  Opened s(SERVICE_ALL_ACCESS);
  if (!s.service) return conf::Line("test service not registered");
  auto print = [&](const char* what) {
    os::SERVICE_STATUS st;
    st.dwServiceType = st.dwCurrentState = st.dwControlsAccepted = st.dwWin32ExitCode =
        st.dwServiceSpecificExitCode = st.dwCheckPoint = st.dwWaitHint = conf::kPoison;
    const os::BOOL ok = os::QueryServiceStatus(s.service, &st);
    conf::Line(
        "%s: %d, type 0x%lx, state %lu, accepts 0x%lx, exit code %lu, specific %lu, "
        "check point %lu, wait hint %lu",
        what, ok ? 1 : 0, U(st.dwServiceType), U(st.dwCurrentState), U(st.dwControlsAccepted),
        U(st.dwWin32ExitCode), U(st.dwServiceSpecificExitCode), U(st.dwCheckPoint),
        U(st.dwWaitHint));
  };
  print("stopped");
  const char16_t* args[] = {u"one", u"two"};
  Try("StartServiceW with two arguments", [&] { return os::StartServiceW(s.service, 2, args); });
  WaitFor(s.service, SERVICE_RUNNING);
  print("running");
  os::SERVICE_STATUS status;
  os::ControlService(s.service, SERVICE_CONTROL_STOP, &status);
  WaitFor(s.service, SERVICE_STOPPED);
  print("stopped again");
}
