#include "tools/zkt-fault-sweep/ErrorTable.h"

#include <map>

#include "platform/os_services.h"

namespace {

// Windows error codes the sim does not name.
constexpr os::DWORD kDiskFull = 112;              // ERROR_DISK_FULL
constexpr os::DWORD kOutOfMemory = 14;            // ERROR_OUTOFMEMORY
constexpr os::DWORD kNoSystemResources = 1450;    // ERROR_NO_SYSTEM_RESOURCES
constexpr os::DWORD kLockViolation = 33;          // ERROR_LOCK_VIOLATION
constexpr os::DWORD kGenFailure = 31;             // ERROR_GEN_FAILURE
constexpr os::DWORD kNoSuchDevinst = 0xE000020B;  // ERROR_NO_SUCH_DEVINST
constexpr os::DWORD kBadExeFormat = 193;          // ERROR_BAD_EXE_FORMAT
constexpr os::DWORD kElevationRequired = 740;     // ERROR_ELEVATION_REQUIRED
constexpr os::DWORD kNotAllAssigned = 1300;       // ERROR_NOT_ALL_ASSIGNED
constexpr os::DWORD kShutdownInProgress = 1115;   // ERROR_SHUTDOWN_IN_PROGRESS
constexpr os::DWORD kBadKeyset = 0x80090016;      // NTE_BAD_KEYSET
constexpr os::DWORD kBadData = 0x80090005;        // NTE_BAD_DATA
constexpr os::DWORD kInvalidWindowHandle = 1400;  // ERROR_INVALID_WINDOW_HANDLE

const CallFamily kDevice{"device", {kGenFailure, kNoSuchDevinst, ERROR_ACCESS_DENIED}};

const std::map<std::string, CallFamily>& Families() {
  static const std::map<std::string, CallFamily> families = [] {
    const CallFamily file{
        "file", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, kDiskFull, ERROR_PATH_NOT_FOUND}};
    const CallFamily read{"file", {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, kLockViolation}};
    const CallFamily write{"file", {kDiskFull, ERROR_ACCESS_DENIED, kLockViolation}};
    const CallFamily lookup{"file",
                            {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND}};
    const CallFamily registry{"registry", {ERROR_ACCESS_DENIED, kOutOfMemory, kNoSystemResources}};
    const CallFamily regRead{"registry", {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND}};
    const CallFamily memory{"memory", {ERROR_NOT_ENOUGH_MEMORY}};
    const CallFamily service{
        "service", {ERROR_ACCESS_DENIED, ERROR_SERVICE_REQUEST_TIMEOUT, ERROR_SERVICE_DISABLED}};
    const CallFamily control{
        "service",
        {ERROR_SERVICE_CANNOT_ACCEPT_CTRL, ERROR_INVALID_SERVICE_CONTROL, ERROR_ACCESS_DENIED}};
    const CallFamily openService{"service", {ERROR_ACCESS_DENIED, ERROR_SERVICE_DOES_NOT_EXIST}};
    const CallFamily process{
        "process", {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, kBadExeFormat, kElevationRequired}};
    const CallFamily resource{
        "resource",
        {ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_NOT_ENOUGH_MEMORY}};
    const CallFamily version{
        "file", {ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED}};
    const CallFamily shell{"shell", {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, kDiskFull}};
    const CallFamily crypto{"crypto", {kBadKeyset, kBadData, ERROR_NOT_ENOUGH_MEMORY}};
    const CallFamily system{"system", {ERROR_NOT_ENOUGH_MEMORY, kNoSystemResources}};
    const CallFamily wow64{"system", {ERROR_INVALID_FUNCTION, ERROR_ACCESS_DENIED}};
    const CallFamily ui{"ui", {ERROR_NOT_ENOUGH_MEMORY, kInvalidWindowHandle}};
    std::map<std::string, CallFamily> map = {
        {"CreateFileW", file},
        {"CopyFileW", file},
        {"CreateDirectoryW", file},
        {"DeleteFileW", file},
        {"MoveFileExW", file},
        {"RemoveDirectoryW", file},
        {"SetFileAttributesW", file},
        {"ReadFile", read},
        {"WriteFile", write},
        {"GetFileAttributesW", lookup},
        {"FindFirstFileW", lookup},
        {"GetFileVersionInfoSizeW", version},
        {"GetFileVersionInfoW", version},
        {"RegCreateKeyExW", registry},
        {"RegSetValueExW", registry},
        {"RegDeleteValueW", registry},
        {"RegDeleteKeyExW", registry},
        {"RegFlushKey", registry},
        {"RegCloseKey", {"registry", {ERROR_INVALID_HANDLE}}},
        {"RegOpenKeyExW", regRead},
        {"RegQueryValueExW", regRead},
        {"RegEnumKeyExW", regRead},
        {"RegEnumValueW", regRead},
        {"RegQueryInfoKeyW", regRead},
        {"HeapAlloc", memory},
        {"OpenSCManagerW", {"service", {ERROR_ACCESS_DENIED}}},
        {"OpenServiceW", openService},
        {"StartServiceW", service},
        {"ControlService", control},
        {"QueryServiceStatus", {"service", {ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE}}},
        {"DeleteService",
         {"service",
          {ERROR_ACCESS_DENIED, os::ERROR_SERVICE_MARKED_FOR_DELETE, ERROR_INVALID_HANDLE}}},
        {"ChangeServiceConfigW",
         {"service", {ERROR_ACCESS_DENIED, os::ERROR_SERVICE_MARKED_FOR_DELETE}}},
        {"CreateProcessW", process},
        {"ShellExecuteExW", process},
        {"FindResourceW", resource},
        {"LoadResource", resource},
        {"SHGetSpecialFolderPathW", shell},
        {"CreateShellLink", {"shell", {ERROR_NOT_ENOUGH_MEMORY}}},
        {"ShellLinkSetPath", shell},
        {"ShellLinkSave", shell},
        {"ReadShellLinkTarget", shell},
        {"CryptAcquireContextW", crypto},
        {"CryptImportKey", crypto},
        {"CryptDecrypt", crypto},
        {"RtlGetVersion", system},
        {"GetSystemDirectoryW", system},
        {"GetWindowsDirectoryW", system},
        {"GetProcAddress", {"system", {ERROR_PROC_NOT_FOUND}}},
        {"CreateThread", system},
        {"OpenProcessToken", {"system", {ERROR_ACCESS_DENIED}}},
        {"AdjustTokenPrivileges", {"system", {kNotAllAssigned, ERROR_ACCESS_DENIED}}},
        {"ExitWindowsEx", {"system", {ERROR_ACCESS_DENIED, kShutdownInProgress}}},
        {"Wow64DisableWow64FsRedirection", wow64},
        {"Wow64RevertWow64FsRedirection", wow64},
        {"MessageBoxW", ui},
        {"RegisterWindowMessageW", ui},
        {"SendMessageTimeoutW", {"ui", {ERROR_TIMEOUT, ERROR_ACCESS_DENIED}}},
    };
    return map;
  }();
  return families;
}

}  // namespace

const CallFamily& FamilyOf(const std::string& call) {
  static const CallFamily other{"other", {ERROR_ACCESS_DENIED}};
  const auto it = Families().find(call);
  if (it != Families().end()) return it->second;
  if (call.rfind("SetupDi", 0) == 0) return kDevice;  // every SetupAPI call
  return other;
}

std::string ErrorName(os::DWORD error) {
  static const std::map<os::DWORD, const char*> names = {
      {ERROR_FILE_NOT_FOUND, "file not found"},
      {ERROR_PATH_NOT_FOUND, "path not found"},
      {ERROR_ACCESS_DENIED, "access denied"},
      {ERROR_INVALID_HANDLE, "invalid handle"},
      {ERROR_NOT_ENOUGH_MEMORY, "not enough memory"},
      {14, "out of memory"},
      {ERROR_SHARING_VIOLATION, "sharing violation"},
      {33, "lock violation"},
      {112, "disk full"},
      {1450, "no system resources"},
      {31, "device failure"},
      {0xE000020B, "no such device"},
      {193, "bad exe format"},
      {740, "elevation required"},
      {1300, "not all privileges"},
      {1115, "shutdown in progress"},
      {0x80090016, "bad keyset"},
      {0x80090005, "bad data"},
      {1400, "invalid window"},
      {ERROR_TIMEOUT, "time-out"},
      {ERROR_SERVICE_REQUEST_TIMEOUT, "service time-out"},
      {ERROR_SERVICE_DISABLED, "service disabled"},
      {ERROR_SERVICE_CANNOT_ACCEPT_CTRL, "cannot accept control"},
      {ERROR_INVALID_SERVICE_CONTROL, "invalid control"},
      {ERROR_SERVICE_DOES_NOT_EXIST, "no such service"},
      {ERROR_RESOURCE_TYPE_NOT_FOUND, "no resource type"},
      {ERROR_RESOURCE_NAME_NOT_FOUND, "no resource name"},
      {ERROR_INVALID_FUNCTION, "invalid function"},
      {ERROR_PROC_NOT_FOUND, "no procedure"}};
  const auto it = names.find(error);
  return std::to_string(error) + (it == names.end() ? "" : std::string(" ") + it->second);
}
