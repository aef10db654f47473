// Windows: the service control manager calls (os_services.h), each forwarded to the same API.
#include "platform/os_services.h"
#include "platform/win32/win_text.h"

#include <windows.h>

namespace os {

using win::WideOrNull;

namespace {

::SC_HANDLE Native(SC_HANDLE h) { return reinterpret_cast<::SC_HANDLE>(h); }
SC_HANDLE Ours(::SC_HANDLE h) { return reinterpret_cast<SC_HANDLE>(h); }

static_assert(sizeof(os::SERVICE_STATUS) == sizeof(::SERVICE_STATUS), "same record");

}  // namespace

SC_HANDLE OpenSCManagerW(const std::u16string& machineName, const std::u16string& databaseName,
                         DWORD access) {
  return Ours(::OpenSCManagerW(WideOrNull(machineName), WideOrNull(databaseName), access));
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, const std::u16string& serviceName, DWORD access) {
  return Ours(::OpenServiceW(Native(manager), win::Wide(serviceName), access));
}

BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) {
  return ::ControlService(Native(service), control, reinterpret_cast<::SERVICE_STATUS*>(status));
}

BOOL StartServiceW(SC_HANDLE service, DWORD numArgs, const char16_t** args) {
  return ::StartServiceW(Native(service), numArgs, reinterpret_cast<const wchar_t**>(args));
}

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
  return ::QueryServiceStatus(Native(service), reinterpret_cast<::SERVICE_STATUS*>(status));
}

BOOL DeleteService(SC_HANDLE service) { return ::DeleteService(Native(service)); }

BOOL ChangeServiceConfigW(SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl,
                          const std::u16string& binaryPathName, const std::u16string& displayName) {
  return ::ChangeServiceConfigW(Native(service), serviceType, startType, errorControl,
                                WideOrNull(binaryPathName), nullptr, nullptr, nullptr, nullptr,
                                nullptr, WideOrNull(displayName));
}

BOOL CloseServiceHandle(SC_HANDLE handle) { return ::CloseServiceHandle(Native(handle)); }

}  // namespace os
