#include "platform/ServiceControl.h"

#include "platform/os_services.h"
#include "platform/os_system.h"

namespace {

constexpr int kPolls = 30;
constexpr os::DWORD kPollPauseMs = 300;

// Polls until the service reports `wanted`; a failed query counts as a poll.
bool WaitForState(os::SC_HANDLE service, os::DWORD wanted) {
  for (int poll = 0; poll < kPolls; ++poll) {
    os::SERVICE_STATUS status;
    if (os::QueryServiceStatus(service, &status) && status.dwCurrentState == wanted) return true;
    os::Sleep(kPollPauseMs);
  }
  return false;
}

}  // namespace

std::uint32_t SetServiceState(const std::u16string& serviceName, std::uint32_t request) {
  os::SC_HANDLE manager = os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS);
  if (!manager) return 1;
  os::SC_HANDLE service = os::OpenServiceW(manager, serviceName, SERVICE_ALL_ACCESS);
  if (!service) {
    os::CloseServiceHandle(manager);
    return 2;
  }
  // The service handle is closed before the manager handle on every path.
  auto closeBoth = [&](std::uint32_t result) {
    os::CloseServiceHandle(service);
    os::CloseServiceHandle(manager);
    return result;
  };

  os::SERVICE_STATUS status;
  if (!os::QueryServiceStatus(service, &status)) return closeBoth(3);

  if (request == 1) {
    if (status.dwCurrentState == SERVICE_STOPPED) return closeBoth(0);
    if (!os::ControlService(service, SERVICE_CONTROL_STOP, &status)) return closeBoth(4);
    return closeBoth(WaitForState(service, SERVICE_STOPPED) ? 0 : 5);
  }
  if (request == 0) {
    if (status.dwCurrentState == SERVICE_RUNNING) return closeBoth(0);
    if (!os::StartServiceW(service, 0, nullptr)) return closeBoth(6);
    return closeBoth(WaitForState(service, SERVICE_RUNNING) ? 0 : 7);
  }
  // A service-defined code is only delivered; whether the service accepts it is its own
  // business, so the answer is deliberately not examined.
  os::ControlService(service, request, &status);
  return closeBoth(0);
}
