// Conformance: what the service control manager checks before it acts: the rights of a
// handle, the manager's own arguments, service names (case, invalid characters), and handles
// of the wrong kind. Runs on the test service that service_registration registered.
#include <string>

#include "platform/os_files.h"
#include "platform/os_services.h"
#include "tests/conformance/conformance.h"

namespace {

using conf::kPoison;
constexpr char16_t kService[] = u"ZktTestService";

unsigned long U(os::DWORD v) { return static_cast<unsigned long>(v); }

void PrintOpen(const char* what, os::SC_HANDLE handle) {
  conf::Line("%s: %s, last error %lu", what, handle ? "handle" : "null",
             U(handle ? 0 : os::GetLastError()));
  if (handle) os::CloseServiceHandle(handle);
  os::SetLastError(kPoison);
}

}  // namespace

CONFORMANCE_SCENARIO(service_handle_rights, 56) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_CONNECT);
  os::SC_HANDLE service =
      manager ? os::OpenServiceW(manager, kService, SERVICE_QUERY_STATUS) : nullptr;
  if (!service) {
    conf::Line("test service not registered");
    if (manager) os::CloseServiceHandle(manager);
    return;
  }
  os::SERVICE_STATUS status;
  os::SetLastError(kPoison);
  conf::Check("query only: QueryServiceStatus", os::QueryServiceStatus(service, &status));
  conf::Check("query only: StartServiceW", os::StartServiceW(service, 0, nullptr));
  conf::Check("query only: ControlService stop",
              os::ControlService(service, SERVICE_CONTROL_STOP, &status));
  conf::Check("query only: ControlService 128", os::ControlService(service, 128, &status));
  conf::Check("query only: interrogate",
              os::ControlService(service, SERVICE_CONTROL_INTERROGATE, &status));
  os::CloseServiceHandle(service);
  service = os::OpenServiceW(manager, kService, SERVICE_START);
  conf::Check("start only: QueryServiceStatus", os::QueryServiceStatus(service, &status));
  os::CloseServiceHandle(service);
  conf::Check("the manager's handle as a service's: QueryServiceStatus",
              os::QueryServiceStatus(reinterpret_cast<os::SC_HANDLE>(manager), &status));
  os::CloseServiceHandle(manager);
}

CONFORMANCE_SCENARIO(service_names, 56) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_CONNECT);
  os::SetLastError(kPoison);
  PrintOpen("name in lower case",
            os::OpenServiceW(manager, u"zkttestservice", SERVICE_QUERY_STATUS));
  PrintOpen("name in upper case",
            os::OpenServiceW(manager, u"ZKTTESTSERVICE", SERVICE_QUERY_STATUS));
  PrintOpen("name with a backslash",
            os::OpenServiceW(manager, u"Zkt\\TestService", SERVICE_QUERY_STATUS));
  PrintOpen("name with a slash",
            os::OpenServiceW(manager, u"Zkt/TestService", SERVICE_QUERY_STATUS));
  PrintOpen("name with a trailing blank",
            os::OpenServiceW(manager, u"ZktTestService ", SERVICE_QUERY_STATUS));
  if (manager) os::CloseServiceHandle(manager);
}

CONFORMANCE_SCENARIO(service_manager_arguments, 56) {
  os::SetLastError(kPoison);
  PrintOpen("the active database by name",
            os::OpenSCManagerW(u"", u"ServicesActive", SC_MANAGER_CONNECT));
  PrintOpen("another database", os::OpenSCManagerW(u"", u"ZktNoDatabase", SC_MANAGER_CONNECT));
  os::SERVICE_STATUS status;
  os::SetLastError(kPoison);
  conf::Check("CloseServiceHandle of no handle", os::CloseServiceHandle(nullptr));
  conf::Check("QueryServiceStatus of no handle", os::QueryServiceStatus(nullptr, &status));
}
