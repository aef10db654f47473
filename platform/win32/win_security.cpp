// Windows: the owner of an open file or folder (os_security.h).
#include "platform/os_security.h"
#include "platform/win32/win_text.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

namespace os {

DWORD GetFileOwnerSid(HANDLE file, std::u16string* sid) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD result = ::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                         nullptr, nullptr, nullptr, &descriptor);
  if (result != ERROR_SUCCESS) return result;
  wchar_t* text = nullptr;
  DWORD error = ERROR_SUCCESS;
  if (owner && ::ConvertSidToStringSidW(owner, &text)) {
    *sid = win::Ours(text);
    ::LocalFree(text);
  } else {
    error = owner ? ::GetLastError() : ERROR_INVALID_DATA;
  }
  ::LocalFree(descriptor);
  return error;
}

}  // namespace os
