#include "platform/ServiceControl.h"
#include "platform/OwnedHandles.h"

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
  const os::OwnedService manager(os::OpenSCManagerW(u"", u"", SC_MANAGER_ALL_ACCESS));
  if (!manager) return 1;
  // Declared after the manager: the service handle is closed first on every path.
  const os::OwnedService serviceHandle(
      os::OpenServiceW(manager.get(), serviceName, SERVICE_ALL_ACCESS));
  if (!serviceHandle) return 2;
  const os::SC_HANDLE service = serviceHandle.get();

  os::SERVICE_STATUS status;
  if (!os::QueryServiceStatus(service, &status)) return 3;

  if (request == kServiceStop) {
    if (status.dwCurrentState == SERVICE_STOPPED) return 0;
    if (!os::ControlService(service, SERVICE_CONTROL_STOP, &status)) return 4;
    return WaitForState(service, SERVICE_STOPPED) ? 0 : 5;
  }
  if (request == kServiceStart) {
    if (status.dwCurrentState == SERVICE_RUNNING) return 0;
    if (!os::StartServiceW(service, 0, nullptr)) return 6;
    return WaitForState(service, SERVICE_RUNNING) ? 0 : 7;
  }
  // A service-defined code is only delivered; whether the service accepts it is its own
  // business, so the answer is deliberately not examined.
  os::ControlService(service, request, &status);
  return 0;
}
