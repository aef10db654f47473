#include "platform/Wow64Redirection.h"

#include "platform/os_files.h"

bool DisableWow64Redirection(void** cookie) {
  return os::Wow64DisableWow64FsRedirection(cookie) != FALSE;
}

bool RevertWow64Redirection(void* cookie) {
  return os::Wow64RevertWow64FsRedirection(cookie) != FALSE;
}
