// File-system calls of the setup, one per Windows function, same contracts: BOOL results,
// failure reasons through GetLastError. Paths are Windows paths ("C:\\...").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/os_types.h"

namespace os {

DWORD GetLastError();
void SetLastError(DWORD error);

BOOL CreateDirectoryW(const std::u16string& path);
BOOL RemoveDirectoryW(const std::u16string& path);
BOOL DeleteFileW(const std::u16string& path);
BOOL CopyFileW(const std::u16string& source, const std::u16string& target, BOOL failIfExists);
// An empty target stands for NULL: with MOVEFILE_DELAY_UNTIL_REBOOT, delete at the next start.
BOOL MoveFileExW(const std::u16string& source, const std::u16string& target, DWORD flags);
DWORD GetFileAttributesW(const std::u16string& path);
BOOL SetFileAttributesW(const std::u16string& path, DWORD attributes);

struct FindData {
  DWORD attributes = 0;
  std::u16string fileName;
  std::uint64_t fileSize = 0;
};
HANDLE FindFirstFileW(const std::u16string& pattern, FindData* data);
BOOL FindNextFileW(HANDLE find, FindData* data);
BOOL FindClose(HANDLE find);

HANDLE CreateFileW(const std::u16string& path, DWORD access, DWORD share, DWORD disposition,
                   DWORD flagsAndAttributes);
BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written);
BOOL ReadFile(HANDLE file, void* data, DWORD size, DWORD* read);
DWORD GetFileSize(HANDLE file, DWORD* high);
BOOL CloseHandle(HANDLE handle);
// GetFileInformationByHandle, reduced to what the setup reads: the open file itself, so that
// a name swapped for a link after a check cannot fool the caller.
struct FileInformation {
  DWORD attributes = 0;
  DWORD numberOfLinks = 0;
  std::uint64_t size = 0;
};
BOOL GetFileInformationByHandle(HANDLE file, FileInformation* info);
// SetFilePointerEx with FILE_BEGIN, FILE_CURRENT or FILE_END; `newPosition` may be null.
BOOL SetFilePointerEx(HANDLE file, std::int64_t distance, std::uint64_t* newPosition, DWORD method);

// WOW64 file-system redirection of the calling thread. Both return FALSE without touching
// the cookie when the functions do not exist (32-bit Windows).
BOOL Wow64DisableWow64FsRedirection(void** cookie);
BOOL Wow64RevertWow64FsRedirection(void* cookie);

}  // namespace os
