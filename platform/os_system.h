// System facts, time, the debugger channel and the environment, one call per Windows function.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_types.h"

namespace os {

// The extended version record of RtlGetVersion, reduced to what the setup reads.
struct OsVersionInfo {
  DWORD majorVersion = 0;
  DWORD minorVersion = 0;
  DWORD buildNumber = 0;
  WORD servicePackMajor = 0;
  WORD servicePackMinor = 0;
};
// Whether GetProcAddress finds `procName` in the already loaded module `moduleName`.
bool ProcAvailable(const std::u16string& moduleName, const char* procName);
// NTSTATUS of ntdll's RtlGetVersion; call only when ProcAvailable says it exists.
NTSTATUS RtlGetVersion(OsVersionInfo* info);
// wProcessorArchitecture of GetNativeSystemInfo.
WORD GetNativeProcessorArchitecture();
// wProcessorArchitecture of GetSystemInfo: the architecture this process runs as (Intel for a
// 32-bit program under WOW64).
WORD GetProcessorArchitecture();
// IsWow64Process(GetCurrentProcess()); FALSE without touching the flag when missing.
BOOL IsWow64Process(BOOL* isWow64);
// GetSystemDirectoryW: the system folder as this process sees it (no trailing backslash).
UINT GetSystemDirectoryW(std::u16string* path);
UINT GetWindowsDirectoryW(std::u16string* path);
// Full path of the running executable (GetModuleFileNameW(NULL)).
std::u16string GetModuleFileNameW();
// SHGetSpecialFolderPathW; FALSE when the folder is unknown.
BOOL SHGetSpecialFolderPathW(std::u16string* path, int csidl, BOOL create);
// GetEnvironmentVariableW; false when the variable is not set.
bool GetEnvironmentVariableW(const std::u16string& name, std::u16string* value);
// GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN).
int GetScreenWidth();
int GetScreenHeight();
// Dots per inch of the primary screen (96 at 100 %, 144 at 150 %): GetDpiForMonitor on
// Windows 8.1 and later, the system DPI (LOGPIXELSX) before.
int GetScreenDpi();

// Version resource of a program file: the raw block as GetFileVersionInfoW fills it.
DWORD GetFileVersionInfoSizeW(const std::u16string& path, DWORD* handle);
BOOL GetFileVersionInfoW(const std::u16string& path, DWORD handle, DWORD size, void* block);
// VerQueryValueW over a block of GetFileVersionInfoW.
BOOL VerQueryValueW(const void* block, const std::u16string& subBlock, const void** value,
                    UINT* length);

// SYSTEMTIME of GetLocalTime.
struct SystemTime {
  WORD year = 0, month = 0, dayOfWeek = 0, day = 0;
  WORD hour = 0, minute = 0, second = 0, milliseconds = 0;
};
void GetLocalTime(SystemTime* time);
// GetTempPathW: the user's temporary folder, ending in a backslash; 0 on failure.
DWORD GetTempPathW(std::u16string* path);

// Milliseconds since Windows started, and this process's id (GetTickCount64,
// GetCurrentProcessId).
std::uint64_t GetTickCount64();
DWORD GetCurrentProcessId();

// FormatMessageW with FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS in the user's
// language: Windows' text of an error code as it gives it (with its line break), or empty when
// Windows has none.
std::u16string FormatSystemMessageW(DWORD error);

void Sleep(DWORD milliseconds);
BOOL Beep(DWORD frequency, DWORD duration);
void OutputDebugStringW(const std::u16string& text);

}  // namespace os
