// Windows: process start and wait (os_process.h), each forwarded to the same API.
#include <windows.h>

#include <vector>

#include "platform/os_process.h"

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
  return ::CreateProcessW(
      applicationName.empty() ? nullptr : reinterpret_cast<const wchar_t*>(applicationName.c_str()),
      line.data(), nullptr, nullptr, inheritHandles, creationFlags, nullptr,
      currentDirectory.empty() ? nullptr
                               : reinterpret_cast<const wchar_t*>(currentDirectory.c_str()),
      &startup, reinterpret_cast<::PROCESS_INFORMATION*>(processInformation));
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
