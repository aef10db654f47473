#include "payload/win/Trust.h"

#include "payload/win/WideText.h"

namespace payload {

Owner OwnerOf(HANDLE object, SE_OBJECT_TYPE type) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return Owner::Other;
  Owner result = Owner::Other;
  if (owner && IsWellKnownSid(owner, WinLocalSystemSid)) result = Owner::System;
  else if (owner && IsWellKnownSid(owner, WinBuiltinAdministratorsSid))
    result = Owner::Administrators;
  else if (owner && IsWellKnownSid(owner, WinLocalServiceSid)) result = Owner::LocalService;
  LocalFree(descriptor);
  return result;
}

bool IsTrustedFolderOnDisk(const std::u16string& folder) {
  // The path's own attributes as well: not every file system reports a link through the
  // handle opened on it.
  const DWORD attributes = GetFileAttributesW(W(folder));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  HANDLE handle =
      CreateFileW(W(folder), READ_CONTROL | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  const bool read = GetFileInformationByHandle(handle, &info) != FALSE;
  const bool folderItself = read && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  const bool trusted =
      folderItself && IsTrustedFolder(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT,
                                      OwnerOf(handle, SE_FILE_OBJECT));
  CloseHandle(handle);
  return trusted;
}

}  // namespace payload
