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
BOOL CloseServiceHandle(SC_HANDLE handle);

}  // namespace os

#ifndef SC_MANAGER_ALL_ACCESS
#define SC_MANAGER_CONNECT 0x0001u
#define SC_MANAGER_CREATE_SERVICE 0x0002u
#define SC_MANAGER_ENUMERATE_SERVICE 0x0004u
#define SC_MANAGER_ALL_ACCESS 0xF003Fu
#endif
#ifndef SERVICE_ALL_ACCESS
#define SERVICE_QUERY_CONFIG 0x0001u
#define SERVICE_CHANGE_CONFIG 0x0002u
#define SERVICE_QUERY_STATUS 0x0004u
#define SERVICE_START 0x0010u
#define SERVICE_STOP 0x0020u
#define SERVICE_INTERROGATE 0x0080u
#define SERVICE_USER_DEFINED_CONTROL 0x0100u
#define SERVICE_ALL_ACCESS 0xF01FFu
#endif
#ifndef SERVICE_STOPPED
#define SERVICE_STOPPED 1u
#define SERVICE_START_PENDING 2u
#define SERVICE_STOP_PENDING 3u
#define SERVICE_RUNNING 4u
#define SERVICE_CONTINUE_PENDING 5u
#define SERVICE_PAUSE_PENDING 6u
#define SERVICE_PAUSED 7u
#endif
#ifndef SERVICE_CONTROL_STOP
#define SERVICE_CONTROL_STOP 1u
#define SERVICE_CONTROL_PAUSE 2u
#define SERVICE_CONTROL_CONTINUE 3u
#define SERVICE_CONTROL_INTERROGATE 4u
#endif
#ifndef SERVICE_ACCEPT_STOP
#define SERVICE_ACCEPT_STOP 0x1u
#define SERVICE_ACCEPT_PAUSE_CONTINUE 0x2u
#endif
#ifndef SERVICE_KERNEL_DRIVER
#define SERVICE_KERNEL_DRIVER 0x1u
#define SERVICE_FILE_SYSTEM_DRIVER 0x2u
#define SERVICE_WIN32_OWN_PROCESS 0x10u
#define SERVICE_WIN32_SHARE_PROCESS 0x20u
#endif
#ifndef SERVICE_AUTO_START
#define SERVICE_BOOT_START 0u
#define SERVICE_SYSTEM_START 1u
#define SERVICE_AUTO_START 2u
#define SERVICE_DEMAND_START 3u
#define SERVICE_DISABLED 4u
#endif
#ifndef ERROR_CALL_NOT_IMPLEMENTED
#define ERROR_CALL_NOT_IMPLEMENTED 120L
#endif
#ifndef ERROR_SERVICE_NO_THREAD
#define ERROR_SERVICE_NO_THREAD 1054L
#endif
#ifndef ERROR_SERVICE_MARKED_FOR_DELETE
#define ERROR_SERVICE_MARKED_FOR_DELETE 1072L
#endif
