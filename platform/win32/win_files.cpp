// Windows: the file-system calls (os_files.h), each forwarded to the same-named API.
#include "platform/os_files.h"
#include "platform/win32/win_text.h"

#include <windows.h>

namespace os {

using win::Wide;

namespace {

// A looked-up export as its real type (through void(*)(), the generic function pointer).
template <typename Fn>
Fn As(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

::HANDLE Native(HANDLE h) { return reinterpret_cast<::HANDLE>(h); }
HANDLE Ours(::HANDLE h) { return reinterpret_cast<HANDLE>(h); }

void Copy(const WIN32_FIND_DATAW& native, FindData* data) {
  data->attributes = native.dwFileAttributes;
  data->fileName = win::Ours(native.cFileName);
  data->fileSize = (static_cast<std::uint64_t>(native.nFileSizeHigh) << 32) | native.nFileSizeLow;
}

using Wow64DisableFn = ::BOOL(WINAPI*)(PVOID*);
using Wow64RevertFn = ::BOOL(WINAPI*)(PVOID);

// Both switches exist only in kernel32 of 64-bit capable Windows: looked up at run time.
FARPROC Kernel32Proc(const char* name) {
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32");
  return kernel32 ? ::GetProcAddress(kernel32, name) : nullptr;
}

}  // namespace

DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD error) { ::SetLastError(error); }

BOOL CreateDirectoryW(const std::u16string& path) {
  return ::CreateDirectoryW(Wide(path), nullptr);
}
BOOL RemoveDirectoryW(const std::u16string& path) { return ::RemoveDirectoryW(Wide(path)); }
BOOL DeleteFileW(const std::u16string& path) { return ::DeleteFileW(Wide(path)); }

BOOL CopyFileW(const std::u16string& source, const std::u16string& target, BOOL failIfExists) {
  return ::CopyFileW(Wide(source), Wide(target), failIfExists);
}

BOOL MoveFileExW(const std::u16string& source, const std::u16string& target, DWORD flags) {
  return ::MoveFileExW(Wide(source), target.empty() ? nullptr : Wide(target), flags);
}

DWORD GetFileAttributesW(const std::u16string& path) { return ::GetFileAttributesW(Wide(path)); }

BOOL SetFileAttributesW(const std::u16string& path, DWORD attributes) {
  return ::SetFileAttributesW(Wide(path), attributes);
}

HANDLE FindFirstFileW(const std::u16string& pattern, FindData* data) {
  WIN32_FIND_DATAW native{};
  const ::HANDLE find = ::FindFirstFileW(Wide(pattern), &native);
  if (find != INVALID_HANDLE_VALUE) Copy(native, data);
  return Ours(find);
}

BOOL FindNextFileW(HANDLE find, FindData* data) {
  WIN32_FIND_DATAW native{};
  const ::BOOL ok = ::FindNextFileW(Native(find), &native);
  if (ok) Copy(native, data);
  return ok;
}

BOOL FindClose(HANDLE find) { return ::FindClose(Native(find)); }

HANDLE CreateFileW(const std::u16string& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flagsAndAttributes) {
  return Ours(
      ::CreateFileW(Wide(path), access, share, nullptr, disposition, flagsAndAttributes, nullptr));
}

BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  ::DWORD done = 0;
  const ::BOOL ok = ::WriteFile(Native(file), data, size, &done, nullptr);
  if (written) *written = done;
  return ok;
}

BOOL ReadFile(HANDLE file, void* data, DWORD size, DWORD* read) {
  ::DWORD done = 0;
  const ::BOOL ok = ::ReadFile(Native(file), data, size, &done, nullptr);
  if (read) *read = done;
  return ok;
}

DWORD GetFileSize(HANDLE file, DWORD* high) {
  ::DWORD upper = 0;
  const ::DWORD low = ::GetFileSize(Native(file), high ? &upper : nullptr);
  if (high) *high = upper;
  return low;
}

BOOL CloseHandle(HANDLE handle) { return ::CloseHandle(Native(handle)); }

BOOL GetFileInformationByHandle(HANDLE file, FileInformation* info) {
  BY_HANDLE_FILE_INFORMATION data{};
  if (!::GetFileInformationByHandle(Native(file), &data)) return FALSE;
  info->attributes = data.dwFileAttributes;
  info->numberOfLinks = data.nNumberOfLinks;
  info->size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE file, std::int64_t distance, std::uint64_t* newPosition,
                      DWORD method) {
  LARGE_INTEGER move{};
  move.QuadPart = distance;
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(Native(file), move, &position, method)) return FALSE;
  if (newPosition) *newPosition = static_cast<std::uint64_t>(position.QuadPart);
  return TRUE;
}

BOOL Wow64DisableWow64FsRedirection(void** cookie) {
  const auto disable = As<Wow64DisableFn>(Kernel32Proc("Wow64DisableWow64FsRedirection"));
  return disable ? disable(cookie) : FALSE;
}

BOOL Wow64RevertWow64FsRedirection(void* cookie) {
  const auto revert = As<Wow64RevertFn>(Kernel32Proc("Wow64RevertWow64FsRedirection"));
  return revert ? revert(cookie) : FALSE;
}

}  // namespace os
