// Process start and wait, one call per Windows function, same contracts. Handles are closed
// with CloseHandle (os_files.h); failure reasons through GetLastError.
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

// Same fields and order as Windows' STARTUPINFOW (68 bytes in a 32-bit program).
struct STARTUPINFOW {
  DWORD cb = 0;
  char16_t* lpReserved = nullptr;
  char16_t* lpDesktop = nullptr;
  char16_t* lpTitle = nullptr;
  DWORD dwX = 0, dwY = 0, dwXSize = 0, dwYSize = 0;
  DWORD dwXCountChars = 0, dwYCountChars = 0, dwFillAttribute = 0, dwFlags = 0;
  WORD wShowWindow = 0;
  WORD cbReserved2 = 0;
  BYTE* lpReserved2 = nullptr;
  HANDLE hStdInput = nullptr;
  HANDLE hStdOutput = nullptr;
  HANDLE hStdError = nullptr;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

// CreateProcessW without security attributes and with the caller's environment.
// An empty application name or current directory stands for NULL. The command line is
// taken by value: Windows may write into it.
BOOL CreateProcessW(const std::u16string& applicationName, std::u16string commandLine,
                    BOOL inheritHandles, DWORD creationFlags,
                    const std::u16string& currentDirectory, const STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInformation);
// OpenProcess(access, FALSE, id): a handle to wait on; nullptr (GetLastError) when there is
// no such process or it may not be opened.
HANDLE OpenProcess(DWORD access, DWORD processId);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);

}  // namespace os

namespace os {

constexpr DWORD SYNCHRONIZE = 0x00100000u;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000u;
constexpr DWORD WAIT_ABANDONED = 0x00000080u;
constexpr DWORD WAIT_TIMEOUT = 0x00000102u;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD STILL_ACTIVE = 259u;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020u;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080u;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000u;

}  // namespace os
// Portable code writes them by their Windows names.
using os::SYNCHRONIZE, os::INFINITE, os::WAIT_OBJECT_0, os::WAIT_ABANDONED, os::WAIT_TIMEOUT,
    os::WAIT_FAILED, os::STILL_ACTIVE, os::NORMAL_PRIORITY_CLASS, os::HIGH_PRIORITY_CLASS,
    os::CREATE_NO_WINDOW;
