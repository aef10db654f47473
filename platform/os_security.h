// Who owns a file or folder that is already there: programs running elevated or as SYSTEM
// trust a folder that a standard user may have made first only by its owner.
#pragma once

#include <string>

#include "platform/os_types.h"

namespace os {

constexpr DWORD READ_CONTROL = 0x00020000u;
constexpr DWORD FILE_READ_ATTRIBUTES = 0x0080u;

// GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION) and ConvertSidToStringSidW:
// the owner of an open file or folder as a string SID ("S-1-5-18" for SYSTEM). The handle must
// have been opened with READ_CONTROL. The result is a Win32 error code (ERROR_SUCCESS).
DWORD GetFileOwnerSid(HANDLE file, std::u16string* sid);

}  // namespace os
// Portable code writes them by their Windows names.
using os::READ_CONTROL, os::FILE_READ_ATTRIBUTES;
