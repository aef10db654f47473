#include "payload/uninstall/FolderTrust.h"

#include "platform/os_files.h"
#include "platform/os_security.h"

using os::DWORD, os::HANDLE;

namespace uninstall {

payload::Owner OwnerOfSid(const std::u16string& sid) {
  if (sid == u"S-1-5-18") return payload::Owner::System;
  if (sid == u"S-1-5-32-544") return payload::Owner::Administrators;
  if (sid == u"S-1-5-19") return payload::Owner::LocalService;
  return payload::Owner::Other;
}

bool IsTrustedFolderOnDisk(const std::u16string& folder) {
  // The path's own attributes as well: not every file system reports a link through the
  // handle opened on it.
  const DWORD attributes = os::GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  const HANDLE handle =
      os::CreateFileW(folder, READ_CONTROL | FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) return false;
  os::FileInformation info;
  const bool read = os::GetFileInformationByHandle(handle, &info) != FALSE;
  const bool folderItself = read && (info.attributes & FILE_ATTRIBUTE_DIRECTORY);
  std::u16string owner;
  const bool owned = folderItself && os::GetFileOwnerSid(handle, &owner) == ERROR_SUCCESS;
  const bool trusted =
      owned &&
      payload::IsTrustedFolder(info.attributes & FILE_ATTRIBUTE_REPARSE_POINT, OwnerOfSid(owner));
  os::CloseHandle(handle);
  return trusted;
}

}  // namespace uninstall
