// The service control manager calls of the setup, one per Windows function, same contracts:
// BOOL or handle results, failure reasons through GetLastError (os_files.h).
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

struct ScHandleTag;
using SC_HANDLE = ScHandleTag*;

// Same fields and order as Windows' SERVICE_STATUS.
struct SERVICE_STATUS {
  DWORD dwServiceType = 0;
  DWORD dwCurrentState = 0;
  DWORD dwControlsAccepted = 0;
  DWORD dwWin32ExitCode = 0;
  DWORD dwServiceSpecificExitCode = 0;
  DWORD dwCheckPoint = 0;
  DWORD dwWaitHint = 0;
};

// An empty machine or database name stands for NULL (the local machine, the active database).
SC_HANDLE OpenSCManagerW(const std::u16string& machineName, const std::u16string& databaseName,
                         DWORD access);
SC_HANDLE OpenServiceW(SC_HANDLE manager, const std::u16string& serviceName, DWORD access);
BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status);
// `args` may be null when `numArgs` is 0.
BOOL StartServiceW(SC_HANDLE service, DWORD numArgs, const char16_t** args);
BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status);
// Marks the service for deletion; it leaves the database (and its key the registry) once it is
// stopped and every handle to it is closed. Needs DELETE access on the handle.
BOOL DeleteService(SC_HANDLE service);
// SERVICE_NO_CHANGE keeps a number, an empty string keeps a text (Windows' NULL); the load
// order group, tag, dependencies and account are always left as they are.
BOOL ChangeServiceConfigW(SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl,
                          const std::u16string& binaryPathName, const std::u16string& displayName);
BOOL CloseServiceHandle(SC_HANDLE handle);

}  // namespace os

namespace os {

constexpr DWORD SC_MANAGER_CONNECT = 0x0001u;
constexpr DWORD SC_MANAGER_CREATE_SERVICE = 0x0002u;
constexpr DWORD SC_MANAGER_ENUMERATE_SERVICE = 0x0004u;
constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003Fu;
constexpr DWORD SERVICE_QUERY_CONFIG = 0x0001u;
constexpr DWORD SERVICE_CHANGE_CONFIG = 0x0002u;
constexpr DWORD SERVICE_QUERY_STATUS = 0x0004u;
constexpr DWORD SERVICE_START = 0x0010u;
constexpr DWORD SERVICE_STOP = 0x0020u;
constexpr DWORD SERVICE_INTERROGATE = 0x0080u;
constexpr DWORD SERVICE_USER_DEFINED_CONTROL = 0x0100u;
constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FFu;
constexpr DWORD SERVICE_STOPPED = 1u;
constexpr DWORD SERVICE_START_PENDING = 2u;
constexpr DWORD SERVICE_STOP_PENDING = 3u;
constexpr DWORD SERVICE_RUNNING = 4u;
constexpr DWORD SERVICE_CONTINUE_PENDING = 5u;
constexpr DWORD SERVICE_PAUSE_PENDING = 6u;
constexpr DWORD SERVICE_PAUSED = 7u;
constexpr DWORD SERVICE_CONTROL_STOP = 1u;
constexpr DWORD SERVICE_CONTROL_PAUSE = 2u;
constexpr DWORD SERVICE_CONTROL_CONTINUE = 3u;
constexpr DWORD SERVICE_CONTROL_INTERROGATE = 4u;
constexpr DWORD SERVICE_ACCEPT_STOP = 0x1u;
constexpr DWORD SERVICE_ACCEPT_PAUSE_CONTINUE = 0x2u;
constexpr DWORD SERVICE_KERNEL_DRIVER = 0x1u;
constexpr DWORD SERVICE_FILE_SYSTEM_DRIVER = 0x2u;
constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x10u;
constexpr DWORD SERVICE_WIN32_SHARE_PROCESS = 0x20u;
constexpr DWORD SERVICE_BOOT_START = 0u;
constexpr DWORD SERVICE_SYSTEM_START = 1u;
constexpr DWORD SERVICE_AUTO_START = 2u;
constexpr DWORD SERVICE_DEMAND_START = 3u;
constexpr DWORD SERVICE_DISABLED = 4u;
constexpr DWORD SERVICE_NO_CHANGE = 0xFFFFFFFFu;
constexpr DWORD SERVICE_INTERACTIVE_PROCESS = 0x100u;
constexpr DWORD SERVICE_ERROR_IGNORE = 0u;
constexpr DWORD SERVICE_ERROR_NORMAL = 1u;
constexpr DWORD SERVICE_ERROR_SEVERE = 2u;
constexpr DWORD SERVICE_ERROR_CRITICAL = 3u;
constexpr long ERROR_CALL_NOT_IMPLEMENTED = 120L;
constexpr long ERROR_SERVICE_NO_THREAD = 1054L;
constexpr long ERROR_SERVICE_MARKED_FOR_DELETE = 1072L;

}  // namespace os
// Portable code writes them by their Windows names.
using os::SC_MANAGER_CONNECT, os::SC_MANAGER_CREATE_SERVICE, os::SC_MANAGER_ENUMERATE_SERVICE,
    os::SC_MANAGER_ALL_ACCESS, os::SERVICE_QUERY_CONFIG, os::SERVICE_CHANGE_CONFIG,
    os::SERVICE_QUERY_STATUS, os::SERVICE_START, os::SERVICE_STOP, os::SERVICE_INTERROGATE,
    os::SERVICE_USER_DEFINED_CONTROL, os::SERVICE_ALL_ACCESS, os::SERVICE_STOPPED,
    os::SERVICE_START_PENDING, os::SERVICE_STOP_PENDING, os::SERVICE_RUNNING,
    os::SERVICE_CONTINUE_PENDING, os::SERVICE_PAUSE_PENDING, os::SERVICE_PAUSED,
    os::SERVICE_CONTROL_STOP, os::SERVICE_CONTROL_PAUSE, os::SERVICE_CONTROL_CONTINUE,
    os::SERVICE_CONTROL_INTERROGATE, os::SERVICE_ACCEPT_STOP, os::SERVICE_ACCEPT_PAUSE_CONTINUE,
    os::SERVICE_KERNEL_DRIVER, os::SERVICE_FILE_SYSTEM_DRIVER, os::SERVICE_WIN32_OWN_PROCESS,
    os::SERVICE_WIN32_SHARE_PROCESS, os::SERVICE_BOOT_START, os::SERVICE_SYSTEM_START,
    os::SERVICE_AUTO_START, os::SERVICE_DEMAND_START, os::SERVICE_DISABLED, os::SERVICE_NO_CHANGE,
    os::SERVICE_INTERACTIVE_PROCESS, os::SERVICE_ERROR_IGNORE, os::SERVICE_ERROR_NORMAL,
    os::SERVICE_ERROR_SEVERE, os::SERVICE_ERROR_CRITICAL, os::ERROR_CALL_NOT_IMPLEMENTED,
    os::ERROR_SERVICE_NO_THREAD, os::ERROR_SERVICE_MARKED_FOR_DELETE;
