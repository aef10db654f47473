// Windows: process start and wait (os_process.h), each forwarded to the same API.
#include <vector>

#include "platform/os_process.h"
#include "platform/win32/win_text.h"

#include <windows.h>

namespace os {

static_assert(sizeof(os::STARTUPINFOW) == sizeof(::STARTUPINFOW), "same record");
static_assert(sizeof(os::PROCESS_INFORMATION) == sizeof(::PROCESS_INFORMATION), "same record");

BOOL CreateProcessW(const std::u16string& applicationName, std::u16string commandLine,
                    BOOL inheritHandles, DWORD creationFlags,
                    const std::u16string& currentDirectory, const STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInformation) {
  // CreateProcessW may write into the command line, so it gets a writable copy.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  ::STARTUPINFOW startup = *reinterpret_cast<const ::STARTUPINFOW*>(startupInfo);
  return ::CreateProcessW(win::WideOrNull(applicationName), line.data(), nullptr, nullptr,
                          inheritHandles, creationFlags, nullptr, win::WideOrNull(currentDirectory),
                          &startup, reinterpret_cast<::PROCESS_INFORMATION*>(processInformation));
}

HANDLE OpenProcess(DWORD access, DWORD processId) {
  return reinterpret_cast<HANDLE>(::OpenProcess(access, FALSE, processId));
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return ::WaitForSingleObject(reinterpret_cast<::HANDLE>(handle), milliseconds);
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  ::DWORD code = 0;
  const BOOL ok = ::GetExitCodeProcess(reinterpret_cast<::HANDLE>(process), &code);
  if (ok) *exitCode = code;
  return ok;
}

}  // namespace os
